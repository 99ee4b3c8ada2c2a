#include "CliContext.h"

#include "CliSession.h"

#include "core/app/Profile.h"
#include "core/settings/SettingsStore.h"
#include "core/text/MessageText.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// QCommandLineParser takes any word beginning with a dash for options, so "-1" would be the unknown option "1".
// A first pass, with every word that may be positional replaced by a token naming its place, learns which words
// are positional; the arguments then go to the real pass with the options first and the positional words after
// "--", each as typed. Arguments without a negative number are returned as they are.
QStringList withNegativeNumbersAsValues(QCommandLineParser& parser, const QStringList& arguments)
{
    static const QRegularExpression negativeNumber(uR"(^-\d+(\.\d+)?$)"_s);
    if (std::none_of(arguments.begin(), arguments.end(),
                     [](const QString& word) { return negativeNumber.match(word).hasMatch(); })) {
        return arguments;
    }
    // Never typed: a private-use character and the word's place.
    constexpr QChar kToken(0xe000);
    QStringList tokens;
    bool onlyPositional = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        const bool mayBePositional =
            onlyPositional || !word.startsWith(u'-') || word == u"-" || negativeNumber.match(word).hasMatch();
        tokens.append(mayBePositional ? kToken + QString::number(i) : word);
        onlyPositional = onlyPositional || word == u"--";
    }
    if (!parser.parse(QStringList{u"marrowfin-cli"_s} + tokens)) {
        return arguments; // the real pass reports the error as typed
    }
    QSet<qsizetype> positionalAt;
    for (const QString& token : parser.positionalArguments()) {
        positionalAt.insert(token.mid(1).toLongLong());
    }
    QStringList options;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (positionalAt.contains(i)) {
            positional.append(arguments.at(i));
        } else if (tokens.at(i) != u"--") { // the end of the options moves behind them
            options.append(arguments.at(i));
        }
    }
    return options + QStringList{u"--"_s} + positional;
}

} // namespace

CliContext::CliContext(QTextStream& out, QTextStream& err, const StartupOptions& options, bool json)
    : m_out(out), m_err(err), m_options(options), m_json(json)
{}

CliContext::~CliContext()
{
    // A command whose pages met an expired session that could not be renewed has failed already; this says why.
    if (m_session) {
        if (const std::optional<QString> failure = m_session->takeReSignInFailure())
            fail(u"Login failed. "_s + *failure);
    }
}

Profile& CliContext::profile()
{
    if (!m_profile) {
        m_profile = std::make_unique<Profile>(m_options);
        for (const QString& problem : m_profile->problems())
            m_err << "marrowfin-cli: " << problem << "\n";
        m_err.flush();
        m_session = std::make_unique<CliSession>(m_profile->sharedSettings());
    }
    return *m_profile;
}

QString CliContext::configDirPath() const
{
    return Profile::configDirFor(m_options);
}

CliSession& CliContext::session()
{
    (void)profile();
    return *m_session;
}

std::optional<int> CliContext::parse(QCommandLineParser& parser, const QStringList& arguments, const QString& synopsis,
                                     const QString& description)
{
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    parser.addOption(help);
    if (!parser.parse(QStringList{u"marrowfin-cli"_s} + withNegativeNumbersAsValues(parser, arguments))) {
        return fail(parser.errorText() + u"\nRun \"marrowfin-cli "_s + arguments.value(0) + u" --help\"."_s,
                    UsageError);
    }
    if (parser.isSet(help)) {
        m_out << "Usage: marrowfin-cli [global options] " << synopsis << "\n\n" << description << "\n";
        const QString options = parser.helpText();
        const qsizetype start = options.indexOf(u"Options:"_s);
        if (start >= 0)
            m_out << "\n" << options.mid(start);
        m_out.flush();
        return Success;
    }
    return refuseUnusableStart();
}

std::optional<int> CliContext::refuseUnusableStart() const
{
    const QList<StartupOptions::Problem> problems = m_options.problems();
    for (const StartupOptions::Problem& problem : problems) {
        fail(u"%1 %2 cannot be used: %3"_s.arg(problem.source, quoted(problem.value), problem.reason));
    }
    if (!problems.isEmpty()) {
        return UsageError;
    }
    const QString folder = configDirPath();
    if (const std::optional<QString> reason = Profile::folderProblem(folder)) {
        return fail(u"the profile folder %1 cannot be used: %2"_s.arg(quoted(folder), *reason));
    }
    return std::nullopt;
}

int CliContext::failedWrite(const QString& what) const
{
    return fail(QStringLiteral("%1 (%2); what is stored is as it was").arg(what, SettingsStore::lastWriteError()));
}

int CliContext::fail(const QString& message, int status) const
{
    QStringList lines = escapedText(message, true).split(u'\n');
    for (QString& line : lines) {
        line = shortenedLine(line, kLongestLine);
    }
    m_err << "marrowfin-cli: " << lines.join(u'\n') << "\n";
    m_err.flush();
    return status;
}

QString CliContext::quoted(QStringView value)
{
    return quotedValue(value);
}

} // namespace marrowfin
