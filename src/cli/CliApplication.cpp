#include "CliApplication.h"

#include "MarrowfinVersion.h"

#include <QCommandLineParser>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr const char* kTryHelp = "Run \"marrowfin-cli --help\" for the commands and options.\n";
} // namespace

CliApplication::CliApplication(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

QString CliApplication::usage() const
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Marrowfin on the command line: the site's listings, filters, settings and "
                                     u"the remote client, without a window."_s);
    m_options.addTo(parser);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(u"command"_s, u"The command to run (none are available in this build yet)."_s,
                                 u"COMMAND [ARGUMENTS...]"_s);
    return parser.helpText();
}

int CliApplication::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    m_options.addTo(parser);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Displays help on commandline options."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Displays version information."_s);
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments)) {
        m_err << "marrowfin-cli: " << parser.errorText() << "\n" << kTryHelp;
        return UsageError;
    }
    if (parser.isSet(help)) {
        m_out << usage();
        return Success;
    }
    if (parser.isSet(version)) {
        m_out << "marrowfin-cli " << MARROWFIN_VERSION << "\n";
        return Success;
    }
    m_options.read(parser);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        m_err << "marrowfin-cli: no command given\n" << kTryHelp;
        return UsageError;
    }
    m_err << "marrowfin-cli: unknown command \"" << positional.first() << "\"\n" << kTryHelp;
    return UsageError;
}

} // namespace marrowfin
