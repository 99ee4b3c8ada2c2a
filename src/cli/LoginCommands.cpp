#include "LoginCommands.h"

#include "CliContext.h"
#include "CliSession.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/login/CookieFileImport.h"
#include "core/login/FetchPageLoginCheck.h"
#include "core/login/FetchPageQuickLoginCheck.h"
#include "core/login/SessionController.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/scrape/UserInfo.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QDateTime>
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
    const QCommandLineOption cookies(u"cookies"_s,
                                     u"Take the site's session from a cookie file (Netscape format: a browser's "
                                     u"export, or curl's --cookie-jar)."_s,
                                     u"FILE"_s);
    parser.addOptions({user, password, automatic, anonymous, cookies});
    if (const auto done = context.parse(
            parser, arguments,
            u"login --user U --password P [--automatic] | login --anonymous | login --cookies FILE"_s,
            u"Signs in to the site with the user name and password given, ending any session the site still "
            u"holds first (as logout does), and stores them with the automatic switch only when they sign in. With "
            u"--anonymous the site is used without an account and nothing is sent. With --cookies the session comes "
            u"from a sign-in made in a browser (where the site may ask for a captcha): only the site's own cookies "
            u"are taken, and only when they sign in; nothing is stored otherwise."_s))
        return *done;
    if (!parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"login takes only options"_s, CliContext::UsageError);
    if (parser.isSet(cookies)) {
        if (parser.isSet(user) || parser.isSet(password) || parser.isSet(automatic) || parser.isSet(anonymous))
            return context.fail(u"--cookies takes no other option"_s, CliContext::UsageError);
        return loginWithCookies(context, parser.value(cookies));
    }
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
    if (!outcome.success && outcome.message == LoginController::kCaptchaText)
        return context.fail(LoginController::kLoginFailedTitle.toString() + u' ' + outcome.message + u' ' +
                            LoginController::kCaptchaAdviceText.toString());
    if (!outcome.success)
        return context.fail(LoginController::kLoginFailedTitle.toString() + u' ' + outcome.message);
    context.out() << "Signed in as " << signedInName() << "\n";
    context.out().flush();
    return CliContext::Success;
}

int LoginCommands::loginWithCookies(CliContext& context, const QString& path)
{
    // Opening the profile makes the configured site host current.
    (void)context.profile();
    const AppConfig config = AppConfig::current();
    const CookieFileImport found =
        CookieFileImport::read(path, config.siteHostName(), QDateTime::currentSecsSinceEpoch());
    if (found.problem)
        return context.fail(*found.problem);
    const std::shared_ptr<HttpContext> http = HttpContext::defaultContext();
    const LoginOutcome outcome = CookieFileImport::signsIn(found.siteCookies, config, *http);
    const bool visitor = outcome.message == LoginController::kCookieAdviceText ||
                         outcome.message == LoginController::kBadCredentialsText ||
                         outcome.message == LoginController::kCaptchaText;
    if (!outcome.success && !visitor) {
        // No answer, or the site pushing back, in its own words.
        return context.fail(outcome.message + (outcome.message.endsWith(u'.') ? u""_s : u"; nothing was stored"_s));
    }
    if (!outcome.success) {
        return context.fail(u"the cookies of %1 for %2 do not sign in: the site answers them as a visitor who "
                            u"is not signed in (the session has ended, or was signed out); nothing was "
                            u"stored"_s.arg(path, config.siteHostName()));
    }
    // The session replaces the one the profile held, and the account is used from now on.
    (void)context.session().controller().deleteSiteCookies();
    QByteArray lines;
    for (const Cookie& cookie : found.siteCookies)
        lines += cookie.toNetscapeLine() + '\n';
    (void)http->cookieStore().importNetscape(lines);
    if (const std::optional<QString> failed = http->cookieStore().saveError())
        return context.fail(*failed);
    if (!context.profile().settings().setText(SettingsKeys::anonymousLogin, kSettingNo.toString()))
        return context.fail(SettingsStore::lastWriteError());
    const SignInCheck check = checkSignIn(context, false);
    if (!check.signedIn)
        return context.fail(check.problem);
    const auto count = [](qsizetype n, const char* what) {
        return u"%1 %2%3"_s.arg(n).arg(QLatin1StringView(what), n == 1 ? QString() : u"s"_s);
    };
    context.out() << "Signed in as " << check.name << " (" << count(found.siteCookies.size(), "cookie")
                  << " of the site taken, " << count(found.otherCookies, "cookie") << " of other sites left out)\n";
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
