#include "StopSignals.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace marrowfin {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;
int g_wakeFd = -1;

extern "C" void onStopSignal(int)
{
    g_stopRequested = 1;
    if (g_wakeFd >= 0) {
        const int saved = errno;
        const char byte = 's';
        (void)!::write(g_wakeFd, &byte, 1);
        errno = saved;
    }
}

} // namespace

StopSignals::StopSignals()
{
    g_stopRequested = 0;
    if (::pipe2(m_pipe.data(), O_CLOEXEC | O_NONBLOCK) == 0) {
        g_wakeFd = m_pipe[1];
    }
    struct sigaction action = {};
    action.sa_handler = &onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, &m_oldTerm);
    ::sigaction(SIGINT, &action, &m_oldInt);
}

StopSignals::~StopSignals()
{
    ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    ::sigaction(SIGINT, &m_oldInt, nullptr);
    g_wakeFd = -1;
    for (int fd : m_pipe) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool StopSignals::requested()
{
    return g_stopRequested != 0;
}

WatchClock::TimePoint StopSignals::now() const
{
    return std::chrono::steady_clock::now();
}

QDateTime StopSignals::currentDateTimeUtc() const
{
    return QDateTime::currentDateTimeUtc();
}

void StopSignals::waitUntil(TimePoint deadline)
{
    if (requested() || m_pipe[0] < 0) {
        return;
    }
    QEventLoop loop;
    QSocketNotifier wake(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(&wake, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now());
    QTimer::singleShot(std::max<qint64>(0, remaining.count()), Qt::VeryCoarseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace marrowfin
