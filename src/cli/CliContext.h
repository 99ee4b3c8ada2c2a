#pragma once

#include "core/app/StartupOptions.h"
#include "core/text/MessageText.h"

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
    // the command is done already (--help printed, a usage error reported, or the global options or the profile
    // folder found unusable), nothing when it should run. A word that is a negative number ("-1") is a value, not
    // an option, so that it is refused for its range like any other number.
    [[nodiscard]] std::optional<int> parse(QCommandLineParser& parser, const QStringList& arguments,
                                           const QString& synopsis, const QString& description);

    // "marrowfin-cli: <message>" on standard error; returns `status` for a one-line `return fail(...)`. Control
    // characters other than the line breaks are shown escaped, and a line of more than kLongestLine characters is
    // cut in its middle, whatever the message quotes.
    int fail(const QString& message, int status = Failure) const;

    // A value the user typed (or stored) as a message shows it: in double quotes, control characters and the marks
    // that reorder text written as escapes (\x1b, \n, \u202e), and cut after kShownLength characters with an
    // ellipsis. For any message that quotes such a value, so that it neither drives the terminal nor floods it.
    [[nodiscard]] static QString quoted(QStringView value);
    static constexpr qsizetype kShownLength = kQuotedLength;
    static constexpr qsizetype kLongestLine = 1000;
    // A change to the settings that could not be written: what it was, then the file and why (the store's last
    // write error on this thread). Returns Failure.
    int failedWrite(const QString& what) const;

private:
    // The global options' and the profile folder's problems, reported; the exit status when there were any.
    [[nodiscard]] std::optional<int> refuseUnusableStart() const;

    QTextStream& m_out;
    QTextStream& m_err;
    const StartupOptions& m_options;
    bool m_json;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<CliSession> m_session;
};

} // namespace marrowfin
