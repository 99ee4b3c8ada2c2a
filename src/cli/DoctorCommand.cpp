#include "DoctorCommand.h"

#include "CliContext.h"
#include "LoginCommands.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/net/HttpContext.h"
#include "core/watch/HealthCheck.h"
#include "core/watch/SignInChecker.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// The sign-in as "whoami" checks it, through the command line's session; with the stored credentials tried when
// there is no session at all.
class CliSignInChecker final : public SignInChecker
{
public:
    explicit CliSignInChecker(CliContext& context) : m_context(context) {}
    [[nodiscard]] SignInCheck checkSignIn() override { return LoginCommands::checkSignIn(m_context, true); }

private:
    CliContext& m_context;
};

} // namespace

int DoctorCommand::run(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    if (const auto done = context.parse(
            parser, arguments, u"doctor"_s,
            u"Checks, in order, that the site answers, that its newest listing still fits the listing pattern, that "
            u"the stored sign-in works (or anonymous use is set), that the remote client answers its handshake and "
            u"web page, and that the settings and cookie files are owner-only. One line a check, \"ok\" or what is "
            u"wrong and what to do; --json gives the same as one object. Exit status 0 only when every check "
            u"passed. Nothing stored is changed, though a sign-in that had expired is renewed as by any command."_s)) {
        return *done;
    }
    if (!parser.positionalArguments().mid(1).isEmpty()) {
        return context.fail(u"doctor takes no arguments"_s, CliContext::UsageError);
    }

    const HealthCheck::Check files = HealthCheck::files(context.configDirPath());
    // Opening the profile makes the configured site host current.
    const Profile& profile = context.profile();
    CliSignInChecker signIn(context);
    HealthCheck health(profile.sharedSettings(), AppConfig::current(), HttpContext::defaultContext(), signIn);
    QList<HealthCheck::Check> checks = health.run();
    checks.append(files);
    const bool allPassed = HealthCheck::allPassed(checks);
    QTextStream& out = context.out();
    if (context.json()) {
        QJsonArray array;
        for (const HealthCheck::Check& check : checks) {
            array.append(QJsonObject{{u"name"_s, check.name},
                                     {u"ok"_s, check.ok},
                                     {u"warning"_s, check.warning},
                                     {u"detail"_s, check.detail}});
        }
        out << QString::fromUtf8(
            QJsonDocument(QJsonObject{{u"ok"_s, allPassed}, {u"checks"_s, array}}).toJson(QJsonDocument::Indented));
    } else {
        for (const HealthCheck::Check& check : checks) {
            const QString verdict = check.warning ? u"warning"_s : check.ok ? u"ok"_s : u"FAILED"_s;
            out << check.name.leftJustified(9) << verdict.leftJustified(7) << u" "_s << check.detail << '\n';
        }
    }
    out.flush();
    return allPassed ? CliContext::Success : CliContext::Failure;
}

} // namespace marrowfin
