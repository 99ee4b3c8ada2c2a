#include "SiteDoorViewController.h"

#include "RetiredQueues.h"
#include "WebPage.h"
#include "WebSession.h"

#include "core/config/AppConfig.h"
#include "core/login/FetchPageLoginCheck.h"
#include "core/login/LoginPages.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "gui/platform/Fonts.h"

#include <QLabel>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// A cookie, or a page, settles in a moment: one question for a burst of them.
constexpr int kCheckDelayMilliseconds = 250;

// The site's certificate verifies against the system's authorities and the CA file the requests trust too (the
// local stand-in site's): what the requests would accept, the page accepts.
bool trusted(const QList<QSslCertificate>& chain, const QString& host)
{
    static const bool extraAdded = [] {
        const QString caFile = HttpContext::defaultContext()->extraCaFile();
        if (!caFile.isEmpty()) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.addCaCertificates(QSslCertificate::fromPath(caFile));
            QSslConfiguration::setDefaultConfiguration(config);
        }
        return true;
    }();
    (void)extraAdded;
    return !chain.isEmpty() && QSslCertificate::verify(chain, host).isEmpty();
}

} // namespace

SiteDoorViewController::SiteDoorViewController(SiteDoor door, WebPages::DoorPassed passed, QObject* parent)
    : ViewController(parent), m_door(door), m_whenPassed(std::move(passed))
{
    setTitle((door == SiteDoor::SignIn ? kSignInTitle : kCheckTitle).toString());
    m_checkSoon.setSingleShot(true);
    m_checkSoon.setInterval(kCheckDelayMilliseconds);
    connect(&m_checkSoon, &QTimer::timeout, this, &SiteDoorViewController::checkSite);
}

SiteDoorViewController::~SiteDoorViewController()
{
    // The page before the view and long before the profile, which outlives every screen.
    delete m_page.data();
    if (m_queue->operationCount() > 0) {
        RetiredQueues::retire(std::move(m_queue));
    }
}

void SiteDoorViewController::loadView()
{
    auto* screen = new QWidget;
    screen->setObjectName(u"siteDoor"_s);
    auto* layout = new QVBoxLayout(screen);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_hint = new QLabel((m_door == SiteDoor::SignIn ? kSignInHint : kCheckHint).toString(), screen);
    m_hint->setObjectName(u"siteDoorHint"_s);
    m_hint->setWordWrap(true);
    m_hint->setFont(systemFont(12));
    m_hint->setContentsMargins(12, 8, 12, 8);
    m_hint->setStyleSheet(u"QLabel#siteDoorHint { background: #fdf3d8; color: #4a3b12; border-bottom: 1px solid "
                          u"#e0cf9a; }"_s);
    layout->addWidget(m_hint);

    WebSession& session = WebSession::instance();
    // The page starts with what the requests hold (a session, a clearance) and gives back what the site sets.
    session.syncCookies();
    m_webView = new QWebEngineView(screen);
    m_webView->setObjectName(u"webView"_s);
    m_page = new WebPage(m_webView);
    m_webView->setPage(m_page);
    layout->addWidget(m_webView, 1);
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool) { scheduleCheck(); });
    connect(m_page, &QWebEnginePage::certificateError, this, &SiteDoorViewController::certificateError);
    connect(session.profile()->cookieStore(), &QWebEngineCookieStore::cookieAdded, this,
            &SiteDoorViewController::scheduleCheck);
    setView(screen);

    const AppConfig config = AppConfig::current();
    m_webView->load(QUrl(m_door == SiteDoor::SignIn ? config.signInAddress() : config.siteAddress(u"/new"_s)));
}

void SiteDoorViewController::certificateError(const QWebEngineCertificateError& error)
{
    QWebEngineCertificateError answer = error;
    if (trusted(error.certificateChain(), error.url().host())) {
        answer.acceptCertificate();
    } else {
        answer.rejectCertificate();
    }
}

void SiteDoorViewController::scheduleCheck()
{
    if (!m_passed) {
        m_checkSoon.start();
    }
}

void SiteDoorViewController::checkSite()
{
    if (m_passed) {
        return;
    }
    if (m_door == SiteDoor::BrowserCheck) {
        // A clearance is bound to the browser that earned it: the requests present the engine's User-Agent.
        HttpContext::defaultContext()->setBrowserUserAgent(WebSession::instance().profile()->httpUserAgent());
    }
    if (m_queue->operationCount() > 0) {
        // One question at a time; this one is asked again once it is answered.
        m_checkSoon.start();
        return;
    }
    m_queue->addOperation(std::make_shared<FetchPageLoginCheck>(
        QUrl(AppConfig::current().siteAddress(u"/new"_s)), this,
        FetchPage::selectorFor<SignInRequest>(
            [this](std::optional<SignInRequest> page) { answered(page ? page->get() : nullptr); })));
}

void SiteDoorViewController::answered(const HttpRequest* answer)
{
    ++m_checks;
    if (m_passed || !answer || !answer->isResponseValid()) {
        return;
    }
    if (m_door == SiteDoor::SignIn && LoginPages::isLoginHeader(answer->result())) {
        return;
    }
    m_passed = true;
    if (m_whenPassed) {
        m_whenPassed(WebSession::instance().profile()->httpUserAgent());
    }
}

} // namespace marrowfin
