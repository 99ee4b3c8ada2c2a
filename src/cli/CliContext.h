#pragma once

#include "core/app/StartupOptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

namespace marrowfin {

class CliSession;
class Profile;

// What every command of the command line gets: the streams, the global options and the profile folder, opened
// on first use so that --help never touches it.
class CliContext final
{
public:
    // Exit statuses: 0 done, 1 the operation failed (the message names what), 2 the command line was wrong.
    enum ExitStatus
    {
        Success = 0,
        Failure = 1,
        UsageError = 2
    };

    CliContext(QTextStream& out, QTextStream& err, const StartupOptions& options, bool json);
    ~CliContext();
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    [[nodiscard]] QTextStream& out() const { return m_out; }
    [[nodiscard]] QTextStream& err() const { return m_err; }
    [[nodiscard]] bool json() const { return m_json; }
    [[nodiscard]] Profile& profile();
    // The profile folder the profile opens, without opening it (nothing is created or repaired).
    [[nodiscard]] QString configDirPath() const;
    // The stand-in for the root window, made with the profile: the recovery from an expired session is installed
    // from then on.
    [[nodiscard]] CliSession& session();

    // Parses a command's own arguments (`arguments` starts with the command's name). Returns an exit status when
    // the command is done already (--help printed, or a usage error reported), nothing when it should run.
    [[nodiscard]] std::optional<int> parse(QCommandLineParser& parser, const QStringList& arguments,
                                           const QString& synopsis, const QString& description);

    // "marrowfin-cli: <message>" on standard error; returns `status` for a one-line `return fail(...)`.
    int fail(const QString& message, int status = Failure) const;
    // A change to the settings that could not be written: what it was, then the file and why (the store's last
    // write error on this thread). Returns Failure.
    int failedWrite(const QString& what) const;

private:
    QTextStream& m_out;
    QTextStream& m_err;
    const StartupOptions& m_options;
    bool m_json;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<CliSession> m_session;
};

} // namespace marrowfin
