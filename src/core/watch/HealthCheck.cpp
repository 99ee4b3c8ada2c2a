#include "HealthCheck.h"

#include "SignInChecker.h"

#include "core/display/ListingAddresses.h"
#include "core/display/ListingSettings.h"
#include "core/login/LoginController.h"
#include "core/net/CookieStore.h"
#include "core/net/HttpRequest.h"
#include "core/net/SiteAnswer.h"
#include "core/remote/CollectedAlerts.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/ServerInfo.h"
#include "core/scrape/HttpRequestRegExTorrent.h"
#include "core/scrape/TorrentListPattern.h"
#include "core/settings/SettingsStore.h"
#include "core/text/RegexMatching.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// An answer that the expired-session recovery dropped: the site answered with its sign-in page, and signing in
// again with the stored credentials did not get past it. The sign-in check tells why.
bool droppedForSignIn(const HttpRequest& request)
{
    return !request.urlResponse() && !request.transportFailure();
}

// In words for the user: why the request brought nothing, or the status of what it brought.
QString whatCameBack(const HttpRequest& request)
{
    if (droppedForSignIn(request)) {
        return u"the site answers with its sign-in page, and signing in again did not get past it (see the sign-in "
               u"check)"_s;
    }
    return siteanswer::describe(request);
}

} // namespace

HealthCheck::HealthCheck(std::shared_ptr<SettingsStore> settings, AppConfig config, std::shared_ptr<HttpContext> http,
                         SignInChecker& signIn)
    : m_settings(std::move(settings)), m_config(std::move(config)), m_http(std::move(http)), m_signIn(signIn)
{}

QList<HealthCheck::Check> HealthCheck::run()
{
    QList<Check> checks;
    bool answered = true;
    checks.append(site(&answered));
    if (answered) {
        // Checked before the listing though listed after it: a stale session is then renewed, or dropped after a
        // failed renewal, before the listing is fetched, so that the listing's verdict is about the listing alone.
        const Check signedIn = signIn();
        checks.append(listing());
        checks.append(signedIn);
        // The site answers what matters: a front page that fails beside a listing that works is worth saying only.
        Check& front = checks.first();
        if (!front.ok && checks.at(1).ok) {
            front.ok = true;
            front.warning = true;
            front.detail += u"; the newest listing works, so only the front page is affected"_s;
        }
    } else {
        for (const QString& name : {u"listing"_s, u"sign-in"_s}) {
            checks.append({name, false, u"not checked, as the site does not answer"_s});
        }
    }
    checks.append(client());
    return checks;
}

bool HealthCheck::allPassed(const QList<Check>& checks)
{
    return std::all_of(checks.cbegin(), checks.cend(), [](const Check& check) { return check.ok; });
}

HealthCheck::Check HealthCheck::files(const QString& configDir)
{
    QStringList loose;
    QStringList commands;
    for (const QString& name : {SettingsStore::kFileName.toString(), QString::fromLatin1(CookieStore::kFileName)}) {
        const QString path = QDir(configDir).filePath(name);
        struct stat info = {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
            continue; // not there yet: nothing to protect
        }
        if ((info.st_mode & 077) != 0) {
            loose.append(u"%1 (mode %2)"_s.arg(path).arg(info.st_mode & 0777, 4, 8, QLatin1Char('0')));
            commands.append(u"\"chmod 600 %1\""_s.arg(path));
        }
    }
    if (loose.isEmpty()) {
        return {u"files"_s, true, u"the settings and cookie files are owner-only"_s};
    }
    return {u"files"_s, false,
            u"open to other users: %1; they hold the passwords and the site session, so run %2 and find out what "
            u"changed them (Marrowfin also makes the settings file owner-only again whenever it opens it)"_s.arg(
                loose.join(u", "_s), commands.join(u" and "_s))};
}

HealthCheck::Check HealthCheck::site(bool* answered) const
{
    const QUrl address(m_config.siteAddress(u"/"_s));
    HttpRequest request(address, m_http);
    request.request();
    *answered = request.urlResponse() || droppedForSignIn(request);
    if (droppedForSignIn(request)) {
        return {u"site"_s, true,
                u"%1 answers, with its sign-in page (the stored session has expired; see the sign-in check)"_s.arg(
                    address.toString())};
    }
    if (!request.urlResponse()) {
        return {u"site"_s, false,
                u"%1 does not answer: %2; check the network and the site host (--site-host or "
                u"MARROWFIN_SITE_HOST)"_s.arg(address.toString(), whatCameBack(request))};
    }
    switch (siteanswer::kindOf(request)) {
    case SiteAnswerKind::RateLimited:
    case SiteAnswerKind::BrowserCheck:
    case SiteAnswerKind::Blocked:
        return {u"site"_s, false, u"%1: %2"_s.arg(address.toString(), whatCameBack(request))};
    case SiteAnswerKind::ErrorStatus:
        return {u"site"_s, false,
                u"%1 answers with %2; the site may be down for now, try again later"_s.arg(address.toString(),
                                                                                           whatCameBack(request))};
    case SiteAnswerKind::Fine:
    case SiteAnswerKind::NoAnswer:
        break;
    }
    return {u"site"_s, true, u"%1 answers (%2)"_s.arg(address.toString(), whatCameBack(request))};
}

HealthCheck::Check HealthCheck::listing() const
{
    const QUrl address(
        newestListingAddress(ListingSettings::read(*m_settings, ListingKind::Newest), 1, m_config.siteHost));
    HttpRequest request(address, m_http);
    request.request();
    if (!request.isResponseValid() || !request.result()) {
        return {u"listing"_s, false, u"%1 could not be fetched: %2"_s.arg(address.toString(), whatCameBack(request))};
    }
    const QString& page = *request.result();
    const qsizetype rows = arrayOfCaptureComponentsMatchedByRegex(page, torrentListPattern()).size();
    if (rows > 0) {
        return {u"listing"_s, true, u"%1 torrents listed on %2"_s.arg(rows).arg(address.toString())};
    }
    // Rows of the site's kind carry torrent download links; a page that has them but no row the pattern fits
    // was redesigned.
    if (HttpRequestRegExTorrent::linksTorrents(page)) {
        return {u"listing"_s, false,
                u"the site's layout has changed: %1 links torrents, but no row fits the listing pattern any more, so "
                u"every list stays empty; Marrowfin needs an update for the new layout"_s.arg(address.toString())};
    }
    return {u"listing"_s, false,
            u"%1 lists no torrents (no download links on it); the chosen category may be empty, or the site serves "
            u"another page than its listing"_s.arg(address.toString())};
}

HealthCheck::Check HealthCheck::signIn() const
{
    const SignInCheck check = m_signIn.checkSignIn();
    if (check.anonymous && check.signedIn) {
        return {u"sign-in"_s, true, u"anonymous use is set"_s};
    }
    if (check.signedIn) {
        return {u"sign-in"_s, true, u"signed in as %1"_s.arg(check.name)};
    }
    const QString problem = check.problem.endsWith(u'.') ? check.problem : check.problem + u'.';
    if (check.problem.endsWith(LoginController::kCaptchaText)) {
        return {u"sign-in"_s, false, problem + u' ' + LoginController::kCaptchaAdviceText.toString()};
    }
    if (siteanswer::tellsOfPushback(check.problem)) {
        // The site pushing back (a rate limit, a browser check, a block): signing in again does not help.
        return {u"sign-in"_s, false, problem};
    }
    return {u"sign-in"_s, false,
            u"%1 Sign in again with \"marrowfin-cli login --user U --password -\" (or use the site anonymously with "
            u"\"marrowfin-cli login --anonymous\")."_s.arg(problem)};
}

HealthCheck::Check HealthCheck::client() const
{
    const ServerInfo::Values server = ServerInfo(m_settings).values();
    if (!server.client || server.client->isEmpty()) {
        return {u"client"_s, false,
                u"no remote client is set; choose one with \"marrowfin-cli remote set --client NAME --address A "
                u"--port P\""_s};
    }
    QString failure;
    if (FetchPageRemoteUI::runSettingsTest(std::make_shared<CollectedAlerts>(), m_http, &failure)) {
        return {u"client"_s, true,
                u"%1 at %2:%3 answers its handshake and its web page"_s.arg(
                    *server.client, server.address.value_or(QString()), server.port.value_or(QString()))};
    }
    return {
        u"client"_s, false,
        u"%1 does not work: %2; check that it runs with its web interface on, and that \"marrowfin-cli remote show\" "
        u"matches its address, port, user and password"_s.arg(*server.client, failure)};
}

} // namespace marrowfin
