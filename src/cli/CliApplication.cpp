#include "CliApplication.h"

#include "CliContext.h"
#include "DoctorCommand.h"
#include "ListingCommands.h"
#include "LoginCommands.h"
#include "MarrowfinVersion.h"
#include "ProgressLine.h"
#include "RemoteCommands.h"
#include "StoreCommands.h"
#include "WatchCommand.h"

#include "core/net/HttpRequest.h"
#include "core/settings/ProfileFile.h"

#include <QCommandLineParser>

#include <functional>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kTryHelp = u"Run \"marrowfin-cli --help\" for the commands and options.";

struct Command
{
    const char* name;
    const char* synopsis;
    int (*run)(CliContext&, const QStringList&);
};

const Command kCommands[] = {
    {"new", "new [--page N]                the newest torrents (stored category, order, sort)",
     &ListingCommands::newest},
    {"search", "search QUERY [--page N]       a search (stored search category, order, sort)",
     &ListingCommands::search},
    {"favorites", "favorites [--pages N]         the newest torrents that the favorite filters accept",
     &ListingCommands::favorites},
    // Every command's line has its words after a gap, and a synopsis too long for the column puts them on the next
    // line: the man page is made from this text, and a line without them would run into the command before it.
    {"filters",
     "filters list | add [--force] TEXT [LIMITS] | set NUMBER LIMITS | remove NUMBER\n"
     "                                the favorite filters, and their size, seeder and exclude limits; LIMITS:\n"
     "                                [--min-size SIZE] [--max-size SIZE] [--min-seeders N] [--exclude REGEX]",
     &StoreCommands::filters},
    {"settings",
     "settings list | get KEY | set KEY VALUE... | unset KEY\n"
     "                                the stored settings, as the settings screens keep them",
     &StoreCommands::settings},
    {"detail", "detail PATH                   a torrent's detail page (HTML), its movie link on stderr",
     &ListingCommands::detail},
    {"login",
     "login --user U --password P|- [--automatic] | login --anonymous | login --cookies FILE\n"
     "                                signs in to the site (\"-\": the password from standard input), uses it\n"
     "                                anonymously, or takes a browser's sign-in from its cookie file",
     &LoginCommands::login},
    {"logout", "logout                        deletes the site's cookies as the Logout tab does",
     &LoginCommands::logout},
    {"whoami", "whoami                        the signed-in user's name, after a login check against the site",
     &LoginCommands::whoami},
    {"remote",
     "remote show | set [--client NAME] [--address A] [--port P] [--user U] [--password P|-] | test\n"
     "                                the remote BitTorrent client's settings, and a test of them; NAME: Vuze,\n"
     "                                Transmission, Utorrent, Qbittorrent or Deluge",
     &RemoteCommands::remote},
    {"send", "send DOWNLOAD_URL --name NAME  the download button's operation: fetch, upload, history",
     &RemoteCommands::send},
    {"history",
     "history list | remove ROW     newest first, rows numbered as the history screen shows them, with when each was\n"
     "                                sent",
     &RemoteCommands::history},
    {"doctor",
     "doctor                        checks the site, its listing, the sign-in, the remote client and the files",
     &DoctorCommand::run},
    {"watch",
     "watch [--every MINUTES] [--once] [--send [--max-sends N] [--allow-match-all] [--send-earlier]] [--dry-run] "
     "[--pages N] [--notify]\n"
     "                                the favorites in rounds: each new match reported, and sent, once",
     &WatchCommand::run},
};

const QCommandLineOption& jsonOption()
{
    static const QCommandLineOption option(u"json"_s, u"Print listings as JSON."_s);
    return option;
}

} // namespace

CliApplication::CliApplication(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

QString CliApplication::usage() const
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Marrowfin on the command line: the site's listings, favorite filters and "
                                     u"settings, sharing the profile (settings and cookies) with the application."_s);
    m_options.addTo(parser);
    parser.addOption(jsonOption());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"command"_s, u"One of the commands below; \"COMMAND --help\" tells more."_s,
                                 u"COMMAND [ARGUMENTS...]"_s);
    QString text = parser.helpText();
    text += u"\nCommands:\n"_s;
    for (const Command& command : kCommands)
        text += u"  "_s + QString::fromUtf8(command.synopsis) + u'\n';
    text += u"\nExit status: 0 done, 1 the operation failed, 2 the command line was wrong.\n"_s;
    return text;
}

int CliApplication::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    m_options.addTo(parser);
    parser.addOption(jsonOption());
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Displays help on commandline options."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Displays version information."_s);
    parser.addOption(help);
    parser.addOption(version);
    // Reports a wrong command line with what was typed shown safely; the profile is not opened for it.
    const auto refuse = [this](const QString& message) {
        const CliContext context(m_out, m_err, m_options, false);
        return context.fail(message + u'\n' + kTryHelp.toString(), CliContext::UsageError);
    };
    if (!parser.parse(arguments)) {
        return refuse(parser.errorText());
    }
    if (parser.isSet(help)) {
        m_out << usage();
        return CliContext::Success;
    }
    if (parser.isSet(version)) {
        m_out << "marrowfin-cli " << MARROWFIN_VERSION << "\n";
        return CliContext::Success;
    }
    m_options.read(parser);
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        return refuse(u"no command given"_s);
    }
    // --json may also follow the command.
    const bool json = parser.isSet(jsonOption()) || positional.removeAll(u"--json"_s) > 0;
    for (const Command& command : kCommands) {
        if (positional.first() == QLatin1StringView(command.name)) {
            CliContext context(m_out, m_err, m_options, json);
            const quint64 failedWrites = ProfileFile::failures();
            HttpRequest::installWaitListener(
                [](const QUrl& url, int seconds) { ProgressLine::waiting(url.host(), seconds); });
            const int status = command.run(context, positional);
            HttpRequest::installWaitListener(nullptr);
            // A command that ends well while something it changed is not on disk has not ended well: the next
            // command would find the profile as it was.
            if (status == CliContext::Success && ProfileFile::failures() != failedWrites) {
                return context.fail(u"a change could not be saved (%1); the profile keeps what it held before"_s.arg(
                    ProfileFile::lastFailure()));
            }
            return status;
        }
    }
    return refuse(u"unknown command "_s + CliContext::quoted(positional.first()));
}

} // namespace marrowfin
