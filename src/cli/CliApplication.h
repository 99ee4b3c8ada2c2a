#pragma once

#include "core/app/StartupOptions.h"

#include <QStringList>
#include <QTextStream>

namespace marrowfin {

// marrowfin-cli: the same core as the window, driven by arguments. Runs on the main thread of a
// QCoreApplication; results of background work come back to it through queued calls like in the window.
class CliApplication final
{
public:
    // Exit statuses: 0 done, 1 the operation failed (the message names what), 2 the command line was wrong.
    enum ExitStatus
    {
        Success = 0,
        Failure = 1,
        UsageError = 2
    };

    CliApplication(QTextStream& out, QTextStream& err);
    CliApplication(const CliApplication&) = delete;
    CliApplication& operator=(const CliApplication&) = delete;

    [[nodiscard]] int run(const QStringList& arguments);

private:
    [[nodiscard]] QString usage() const;

    QTextStream& m_out;
    QTextStream& m_err;
    StartupOptions m_options;
};

} // namespace marrowfin
