#pragma once

#include "core/app/StartupOptions.h"

#include <QStringList>
#include <QTextStream>

namespace marrowfin {

// marrowfin-cli: the same core as the window, driven by arguments. Runs on the main thread of a
// QCoreApplication; results of background work come back to it through queued calls, as in the window.
class CliApplication final
{
public:
    CliApplication(QTextStream& out, QTextStream& err);
    CliApplication(const CliApplication&) = delete;
    CliApplication& operator=(const CliApplication&) = delete;

    // Returns the exit status (CliContext::ExitStatus).
    [[nodiscard]] int run(const QStringList& arguments);

private:
    [[nodiscard]] QString usage() const;

    QTextStream& m_out;
    QTextStream& m_err;
    StartupOptions m_options;
};

} // namespace marrowfin
