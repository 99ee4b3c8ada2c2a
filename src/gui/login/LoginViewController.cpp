#include "LoginViewController.h"

#include "DonateViewController.h"
#include "LoginHost.h"

#include "core/config/AppConfig.h"
#include "core/login/LoginController.h"
#include "core/net/SiteAnswer.h"
#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/Images.h"
#include "gui/platform/Switch.h"
#include "gui/ui/ImageLoader.h"
#include "gui/ui/InfoView.h"
#include "gui/ui/LoadingIndicator.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QToolButton>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kLoginButtonTitle = u"Login"_s;
const QString kUsernamePlaceholder = u"User name or e-mail"_s;
const QString kPasswordPlaceholder = u"Password"_s;
const QString kAutomaticLoginTitle = u"Auto login"_s;
const QString kAnonymousTitle = u"Anonymous"_s;
const QStringList kLoginAlertButtons{u"Cancel"_s};
constexpr int kFlipMilliseconds = 350;
} // namespace

LoginViewController::LoginViewController(LoginHost& root, std::shared_ptr<SettingsStore> settings, QObject* parent)
    : ViewController(parent), m_root(root), m_settings(std::move(settings)),
      m_controller(std::make_shared<LoginController>(*this, m_settings))
{}

LoginViewController::~LoginViewController()
{
    // The controller waits for its queue; its deliveries still reach this face until then.
    m_controller.reset();
}

OperationQueue& LoginViewController::operationQueue() const
{
    return m_controller->operationQueue();
}

QString LoginViewController::backgroundImageName(QSize size)
{
    if (Device::kindForWidth(size.width()) == DeviceKind::Tablet)
        return u"loginBackShortIpad.png"_s;
    if (size.height() == Device::kTallPhoneHeight)
        return u"loginBackShort5.png"_s;
    return u"loginBackShort.png"_s;
}

void LoginViewController::loadView()
{
    m_screen = new QWidget;
    m_screen->setObjectName(u"login"_s);
    m_screen->installEventFilter(this);
    m_screen->setStyleSheet(
        u"QLineEdit { background: #f4f4f4; color: #111111; border: 1px solid #8a8a8a; border-radius: 6px;"
        u" padding: 0 8px; selection-background-color: #3cb4a0; }"
        u"QLineEdit:focus { border: 2px solid #3cb4a0; }"
        u"QLineEdit:disabled { background: #9a9a9a; color: #555555; }"
        u"QLabel#switchTitle { color: #e6e6e6; background: transparent; }"
        u"QPushButton#loginButton { color: white; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        u" stop:0 #f5b04a, stop:1 #d98a1c); border: 1px solid #b87418; border-radius: 7px; }"
        u"QPushButton#loginButton:pressed { background: #c47a14; }"
        u"QPushButton#loginButton:disabled { background: #7a6a55; color: #cfcfcf; border-color: #5a5045; }"
        u"QToolButton#infoButton { border: none; background: transparent; }"_s);

    m_logo = new QLabel(m_screen);
    m_logo->setPixmap(imageNamed(u"marrowfin-logo"));
    m_logo->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_infoBtn = new QToolButton(m_screen);
    m_infoBtn->setObjectName(u"infoButton"_s);
    m_infoBtn->setIcon(QIcon(imageNamed(u"info")));
    m_infoBtn->setIconSize(QSize(24, 24));
    m_infoBtn->setCursor(Qt::PointingHandCursor);
    m_infoBtn->setToolTip(u"About Marrowfin"_s);
    m_infoBtn->setAccessibleName(u"About Marrowfin"_s);
    connect(m_infoBtn, &QToolButton::clicked, this, &LoginViewController::toggleInfoView);

    m_groupView = new QWidget(m_screen);
    m_groupView->setObjectName(u"groupView"_s);
    m_groupView->resize(kGroupSize);
    m_username = new QLineEdit(m_groupView);
    m_username->setObjectName(u"username"_s);
    m_username->setGeometry(0, 0, kGroupSize.width(), 30);
    m_username->setPlaceholderText(kUsernamePlaceholder);
    // A screen reader names a field by its accessible name; the placeholder is gone once something is typed.
    m_username->setAccessibleName(kUsernamePlaceholder);
    m_username->setFont(systemFont(15));
    m_password = new QLineEdit(m_groupView);
    m_password->setObjectName(u"password"_s);
    m_password->setGeometry(0, 35, kGroupSize.width(), 30);
    m_password->setPlaceholderText(kPasswordPlaceholder);
    m_password->setAccessibleName(kPasswordPlaceholder);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setFont(systemFont(15));

    auto switchRow = [this](const QString& title, int x) {
        auto* label = new QLabel(title, m_groupView);
        label->setObjectName(u"switchTitle"_s);
        label->setFont(systemFont(14, true));
        label->setGeometry(x, 70, 84, 31);
        auto* control = new Switch(m_groupView);
        control->move(x + 86, 70);
        control->setAccessibleName(title);
        return control;
    };
    m_automaticLogin = switchRow(kAutomaticLoginTitle, 0);
    m_anonymousLogin = switchRow(kAnonymousTitle, 139);

    m_loginBtn = new QPushButton(kLoginButtonTitle, m_groupView);
    m_loginBtn->setObjectName(u"loginButton"_s);
    m_loginBtn->setGeometry(0, 106, kGroupSize.width(), 34);
    m_loginBtn->setFont(systemFont(17, true));
    m_loginBtn->setCursor(Qt::PointingHandCursor);
    m_loginBtn->setDefault(true);

    // The captcha's picture has no place on screen while the captcha panel stays away; it is kept for when it has.
    m_imageView = new QLabel(m_screen);
    m_imageView->setObjectName(u"captchaImage"_s);
    m_imageView->hide();

    m_infoView = new InfoView(m_screen);
    m_infoView->hide();

    setView(m_screen);
}

void LoginViewController::viewDidLoad()
{
    hideCaptchaView();
    m_screen->resize(Device::screenSize());
    m_infoView->setGeometry(0, 0, m_screen->width(), m_screen->height());

    connect(m_username, &QLineEdit::textEdited, this, [this](const QString& text) { m_controller->setUsername(text); });
    connect(m_password, &QLineEdit::textEdited, this, [this](const QString& text) { m_controller->setPassword(text); });
    connect(m_username, &QLineEdit::returnPressed, this, [this] { m_password->setFocus(); });
    // A desktop user ends the password with Return expecting to sign in.
    connect(m_password, &QLineEdit::returnPressed, this, [this] {
        m_password->clearFocus();
        if (m_loginBtn->isEnabled())
            login();
    });
    connect(m_automaticLogin, &Switch::toggled, this, [this](bool on) { m_controller->setAutomaticLogin(on); });
    connect(m_anonymousLogin, &Switch::toggled, this, [this](bool on) { m_controller->toggleAnonymous(on); });
    connect(m_loginBtn, &QPushButton::clicked, this, &LoginViewController::login);
    connect(m_infoView->doneBtn(), &QPushButton::clicked, this, &LoginViewController::returnView);
    m_infoView->doneBtn()->setShortcut(QKeySequence(Qt::Key_Escape));

    // Fields and switches from the store; the anonymous switch is applied and stored at once.
    m_controller->load();
    {
        const QSignalBlocker automatic(m_automaticLogin);
        const QSignalBlocker anonymous(m_anonymousLogin);
        m_automaticLogin->setOn(m_controller->automaticLogin());
        m_anonymousLogin->setOn(m_controller->anonymousLogin());
    }
    m_controller->toggleAnonymous(m_controller->anonymousLogin());

    m_donate = new DonateViewController(kDonateFrame, QUrl(AppConfig::current().donationLink), this);
    m_donate->setParentViewController(this);
    m_donate->view()->setParent(m_screen);
    m_donate->view()->setVisible(m_donate->isAvailable());
    layoutScreen();
}

void LoginViewController::hideCaptchaView()
{
    m_background = backgroundImageName(m_screen->size());
    layoutScreen();
}

void LoginViewController::layoutScreen()
{
    if (!m_screen)
        return;
    const int width = m_screen->width();
    m_logo->adjustSize();
    m_logo->move((width - m_logo->width()) / 2, qMax(24, (kGroupOrigin.y() - m_logo->height()) / 2));
    m_infoBtn->setGeometry(width - 44, 12, 32, 32);
    // Centred across the screen: at the phone's width of 320 points this is the group's origin.
    m_groupView->move((width - kGroupSize.width()) / 2, kGroupOrigin.y());
    if (m_donate && m_donate->isViewLoaded())
        m_donate->view()->move((width - kDonateFrame.width()) / 2, kDonateFrame.y());
    m_infoView->setGeometry(m_screen->rect());
}

bool LoginViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_screen) {
        if (event->type() == QEvent::Resize) {
            m_background = backgroundImageName(m_screen->size());
            layoutScreen();
        } else if (event->type() == QEvent::Paint) {
            // The background picture across the top, scaled to the width; its last colour carries on below.
            QPainter painter(m_screen);
            painter.fillRect(m_screen->rect(), QColor(0x33, 0x33, 0x33));
            const QPixmap picture = imageNamed(m_background);
            if (!picture.isNull()) {
                const QSizeF natural = picture.deviceIndependentSize();
                const qreal scale = m_screen->width() / natural.width();
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawPixmap(QRectF(0, 0, m_screen->width(), natural.height() * scale), picture,
                                   QRectF(QPointF(0, 0), QSizeF(picture.size())));
            }
            return true;
        }
    }
    return ViewController::eventFilter(watched, event);
}

void LoginViewController::tryAutoLogin()
{
    (void)view();
    m_controller->tryAutoLogin();
}

void LoginViewController::focusFirstField()
{
    (void)view();
    if (m_username->isEnabled()) {
        m_username->setFocus(Qt::OtherFocusReason);
    } else {
        m_loginBtn->setFocus(Qt::OtherFocusReason);
    }
}

void LoginViewController::login()
{
    // What reached the fields without typing (a screen reader's text, an input method) counts as typed.
    if (m_username->isEnabled()) {
        m_controller->setUsername(m_username->text());
        m_controller->setPassword(m_password->text());
    }
    m_controller->login();
    m_password->clearFocus();
    m_username->clearFocus();
}

void LoginViewController::toggleInfoView()
{
    m_infoView->updateVersion();
    m_infoView->setGeometry(m_screen->rect());
    auto* fade = new QGraphicsOpacityEffect(m_infoView);
    m_infoView->setGraphicsEffect(fade);
    m_infoView->show();
    m_infoView->raise();
    auto* animation = new QPropertyAnimation(fade, "opacity", m_infoView);
    animation->setDuration(kFlipMilliseconds);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    connect(animation, &QPropertyAnimation::finished, m_infoView,
            [info = m_infoView] { info->setGraphicsEffect(nullptr); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void LoginViewController::returnView()
{
    m_infoView->hide();
}

void LoginViewController::setLoginEnabled(bool enabled)
{
    if (m_loginBtn)
        m_loginBtn->setEnabled(enabled);
}

void LoginViewController::showOverlay(const QString& text, int offset)
{
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    loading.setParentView(view());
    loading.setString(text);
    loading.setOffset(offset);
    // A sign-in that waits on a stalled site can be given up; the captcha overlay (the same call) too.
    loading.setCancelAction([controller = std::weak_ptr<LoginController>(m_controller)] {
        if (const std::shared_ptr<LoginController> login = controller.lock()) {
            login->cancelLogin();
        }
    });
    loading.showLoadingIndicators();
}

void LoginViewController::hideOverlay()
{
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
}

void LoginViewController::showAlert(const QString& title, const QString& message)
{
    // The password was not tried: the site wants its captcha answered, or its browser check passed, which its own
    // page lets the user do.
    const bool captcha = message == LoginController::kCaptchaText;
    if (captcha || siteanswer::tellsOfBrowserCheck(message)) {
        m_door = captcha ? SiteDoor::SignIn : SiteDoor::BrowserCheck;
        const QString door = (captcha ? kSiteSignInButton : kOpenCheckButton).toString();
        (new AlertView(title, message, this, kLoginAlertButtons + QStringList{door}, view()->window()))->show();
        return;
    }
    m_root.presentAlert(title, message, kLoginAlertButtons);
}

void LoginViewController::alertViewDidDismiss(AlertView*, int buttonIndex)
{
    if (buttonIndex == 1) {
        m_root.openSiteDoor(m_door);
    }
}

void LoginViewController::showFields(const QString& username, const QString& password, bool fieldsEnabled)
{
    (void)view();
    // Keys on a field that stops taking typing go to the Login button, not to whatever comes next.
    const bool typing = m_username->hasFocus() || m_password->hasFocus();
    if (typing && !fieldsEnabled) {
        m_loginBtn->setFocus(Qt::OtherFocusReason);
    }
    m_username->setText(username);
    m_password->setText(password);
    for (QLineEdit* field : {m_username, m_password}) {
        field->setEnabled(fieldsEnabled);
        auto* dim = qobject_cast<QGraphicsOpacityEffect*>(field->graphicsEffect());
        if (!fieldsEnabled && !dim) {
            dim = new QGraphicsOpacityEffect(field);
            field->setGraphicsEffect(dim);
        }
        if (dim)
            dim->setOpacity(fieldsEnabled ? 1.0 : 0.5);
    }
}

void LoginViewController::showCaptchaImage(const QString& imageAddress)
{
    auto loader = std::make_shared<ImageLoader>(QUrl(imageAddress), this, [this](const QString&, const QImage& image) {
        m_imageView->setPixmap(QPixmap::fromImage(image));
    });
    operationQueue().addOperation(loader);
}

void LoginViewController::enterMainFace()
{
    // On the next turn of the event loop, after the sign-in has hidden its overlay: the first screen of the tabs
    // shows the same shared overlay for its first page.
    QMetaObject::invokeMethod(
        this, [root = &m_root] { root->switchViews(); }, Qt::QueuedConnection);
}

} // namespace marrowfin
