#include "CliContext.h"

#include "CliSession.h"

#include "core/app/Profile.h"
#include "core/settings/SettingsStore.h"

#include <QDir>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

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
    return m_options.configDir().isEmpty() ? SettingsStore::defaultConfigDir()
                                           : QDir(m_options.configDir()).absolutePath();
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
    if (!parser.parse(QStringList{u"marrowfin-cli"_s} + arguments)) {
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
    return std::nullopt;
}

int CliContext::failedWrite(const QString& what) const
{
    return fail(QStringLiteral("%1 (%2); what is stored is as it was").arg(what, SettingsStore::lastWriteError()));
}

int CliContext::fail(const QString& message, int status) const
{
    m_err << "marrowfin-cli: " << message << "\n";
    m_err.flush();
    return status;
}

} // namespace marrowfin
