#pragma once

#include <QString>

namespace marrowfin {

// "page 3/10" on standard error while pages come in, rewritten in place and wiped at the end, only when standard
// error is a terminal: scripts and pipes that read it see nothing of it.
class ProgressLine final
{
public:
    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void page(int done, int total);

    // "waiting 30 s: the site asks for it" while a request sits out a site's Retry-After (seconds > 0), wiped when
    // it ends (0); on a terminal only. Any thread.
    static void waiting(const QString& host, int seconds);

private:
    bool m_shown = false;
    bool m_terminal;
};

} // namespace marrowfin
