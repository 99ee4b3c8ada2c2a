#include "ProgressLine.h"

#include <cstdio>
#include <unistd.h>

namespace marrowfin {

ProgressLine::ProgressLine() : m_terminal(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine()
{
    if (m_shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

void ProgressLine::page(int done, int total)
{
    if (!m_terminal)
        return;
    std::fprintf(stderr, "\r\033[Kpage %d/%d", done, total);
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::waiting(const QString& host, int seconds)
{
    if (isatty(STDERR_FILENO) != 1)
        return;
    if (seconds > 0)
        std::fprintf(stderr, "\r\033[Kwaiting %d s: %s asks to be asked again later", seconds,
                     host.toLocal8Bit().constData());
    else
        std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

} // namespace marrowfin
