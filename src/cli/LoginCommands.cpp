#include "LoginCommands.h"

#include "CliContext.h"
#include "CliSession.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/login/FetchPageLoginCheck.h"
#include "core/login/FetchPageQuickLoginCheck.h"
#include "core/login/SessionController.h"
#include "core/net/HttpRequest.h"
#include "core/scrape/UserInfo.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QEventLoop>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

QString signedInName()
{
    return UserInfo::sharedInstance().username().value_or(QString());
}

// Runs one check on a queue of its own, as the login screen would, and waits on this thread's event loop for it.
std::optional<SignInRequest> runCheck(std::shared_ptr<FetchPage> (*make)(QObject*, FetchPage::Selector))
{
    OperationQueue queue(1, u"whoami"_s);
    QObject receiver;
    QEventLoop loop;
    std::optional<SignInRequest> answer;
    queue.addOperation(make(&receiver, FetchPage::selectorFor<SignInRequest>([&](std::optional<SignInRequest> r) {
        answer = std::move(r);
        loop.quit();
    })));
    loop.exec();
    return answer;
}

} // namespace

int LoginCommands::login(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption user(u"user"_s, u"The site user name (or e-mail)."_s, u"U"_s);
    const QCommandLineOption password(u"password"_s, u"The site password (\"-\" reads it from standard input)."_s,
                                      u"P"_s);
    const QCommandLineOption automatic(u"automatic"_s, u"Sign in automatically when the application starts."_s);
    const QCommandLineOption anonymous(u"anonymous"_s, u"Use the site without an account."_s);
    parser.addOptions({user, password, automatic, anonymous});
    if (const auto done = context.parse(
            parser, arguments, u"login --user U --password P [--automatic] | login --anonymous"_s,
            u"Signs in to the site with the user name and password given, ending any session the site still "
            u"holds first (as logout does), and stores them with the automatic switch only when they sign in. With "
            u"--anonymous the site is used without an account and nothing is sent."_s))
        return *done;
    if (!parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"login takes only options"_s, CliContext::UsageError);
    const bool isAnonymous = parser.isSet(anonymous);
    if (isAnonymous && (parser.isSet(user) || parser.isSet(password) || parser.isSet(automatic)))
        return context.fail(u"--anonymous takes no other option"_s, CliContext::UsageError);
    if (!isAnonymous && (!parser.isSet(user) || !parser.isSet(password)))
        return context.fail(u"login takes --user and --password, or --anonymous"_s, CliContext::UsageError);

    // "-" reads the password from standard input, keeping it off the command line where process lists show it.
    QString typedPassword = parser.value(password);
    if (!isAnonymous && typedPassword == u"-"_s) {
        QTextStream in(stdin);
        typedPassword = in.readLine();
        if (typedPassword.isNull())
            return context.fail(u"no password on standard input"_s, CliContext::UsageError);
    }

    CliSession& session = context.session();
    LoginController& login = session.login();
    // A session still live would pass for a sign-in with whatever was typed, and the typed password would be stored.
    if (!isAnonymous) {
        (void)session.controller().deleteSiteCookies();
    }
    const LoginOutcome outcome = session.signIn([&] {
        login.toggleAnonymous(isAnonymous);
        if (!isAnonymous) {
            login.setUsername(parser.value(user));
            login.setPassword(typedPassword);
            login.setAutomaticLogin(parser.isSet(automatic));
        }
        login.login();
    });
    if (!outcome.success)
        return context.fail(LoginController::kLoginFailedTitle.toString() + u' ' + outcome.message);
    context.out() << "Signed in as " << signedInName() << "\n";
    context.out().flush();
    return CliContext::Success;
}

int LoginCommands::logout(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    if (const auto done = context.parse(parser, arguments, u"logout"_s,
                                        u"Deletes the site's cookies (and the captcha service's), as the Logout tab "
                                        u"does. The stored user name, password and switches stay."_s))
        return *done;
    if (!parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"logout takes no arguments"_s, CliContext::UsageError);
    const int deleted = context.session().controller().deleteSiteCookies();
    context.out() << "Signed out (" << deleted << (deleted == 1 ? " cookie" : " cookies") << " deleted)\n";
    context.out().flush();
    return CliContext::Success;
}

int LoginCommands::whoami(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    if (const auto done = context.parse(
            parser, arguments, u"whoami"_s,
            u"Checks the stored session against the site and prints the signed-in user's name, or \"Anonymous\" "
            u"in anonymous mode (without a check). An expired session is renewed with the stored credentials."_s))
        return *done;
    if (!parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"whoami takes no arguments"_s, CliContext::UsageError);
    const SignInCheck check = checkSignIn(context, false);
    if (!check.signedIn)
        return context.fail(check.problem);
    context.out() << check.name << "\n";
    context.out().flush();
    return CliContext::Success;
}

SignInCheck LoginCommands::checkSignIn(CliContext& context, bool tryStoredCredentials)
{
    CliSession& session = context.session();
    SignInCheck check;
    check.anonymous = anonymousLoginIsOn(context.profile().settings().text(SettingsKeys::anonymousLogin));
    const std::optional<SignInRequest> answer =
        check.anonymous ? runCheck([](QObject* receiver, FetchPage::Selector selector) -> std::shared_ptr<FetchPage> {
            return std::make_shared<FetchPageQuickLoginCheck>(QUrl(), receiver, std::move(selector));
        })
                        : runCheck([](QObject* receiver, FetchPage::Selector selector) -> std::shared_ptr<FetchPage> {
                              return std::make_shared<FetchPageLoginCheck>(
                                  QUrl(AppConfig::current().siteAddress(u"/new"_s)), receiver, std::move(selector));
                          });
    const LoginOutcome outcome = LoginController::outcomeOf(answer ? answer->get() : nullptr);
    check.signedIn = outcome.success;
    if (check.signedIn) {
        check.name = signedInName();
    } else if (const std::optional<QString> failure = session.takeReSignInFailure()) {
        check.problem = LoginController::kLoginFailedTitle.toString() + u' ' + *failure;
    } else if (answer && *answer && (*answer)->isResponseValid()) {
        // No session at all (a fresh profile, cookies deleted, a logout). With the automatic sign-in on, the next
        // start would sign in with the stored credentials: whether that would work is what is asked.
        const SettingsStore& store = context.profile().settings();
        const QString user = store.text(SettingsKeys::username).value_or(QString());
        if (!tryStoredCredentials || !automaticLoginIsOn(store.text(SettingsKeys::automaticLogin)) || user.isEmpty()) {
            check.problem = u"not signed in"_s;
            return check;
        }
        LoginController& login = session.login();
        const LoginOutcome renewed = session.signIn([&] {
            login.toggleAnonymous(false);
            login.setUsername(user);
            login.setPassword(store.text(SettingsKeys::password).value_or(QString()));
            login.login();
        });
        check.signedIn = renewed.success;
        if (renewed.success)
            check.name = signedInName();
        else
            check.problem = LoginController::kLoginFailedTitle.toString() + u' ' + renewed.message;
    } else {
        check.problem = LoginController::kConnectionErrorText.toString();
    }
    return check;
}

} // namespace marrowfin
