#pragma once

#include "core/login/LoginFace.h"
#include "gui/platform/AlertView.h"
#include "gui/platform/ViewController.h"
#include "gui/platform/WebPages.h"

#include <QPointer>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace marrowfin {

class DonateViewController;
class InfoView;
class LoginController;
class OperationQueue;
class SettingsStore;
class Switch;
class LoginHost;

// The sign-in screen: user name and password for the site, the automatic-login and anonymous switches, the sign-in
// button, the about panel and the donation button. Its decisions live in a LoginController; this screen shows them
// (LoginFace) and hands the user's input to it. Main thread only, except what the controller itself documents.
class LoginViewController final : public ViewController, public LoginFace, private AlertViewDelegate
{
    Q_OBJECT

public:
    // The sign-in controls' group sits this far down the screen, centred across it.
    static constexpr QPoint kGroupOrigin{22, 225};
    static constexpr QSize kGroupSize{276, 140};
    static constexpr QRect kDonateFrame{80, 370, 160, 50};
    // The captcha failure's way in: the site's own sign-in page, in the window. A browser check's is "Open the Check".
    static constexpr QStringView kSiteSignInButton = u"Sign In on the Site";
    static constexpr QStringView kOpenCheckButton = u"Open the Check";

    LoginViewController(LoginHost& root, std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~LoginViewController() override;

    [[nodiscard]] const std::shared_ptr<LoginController>& controller() const { return m_controller; }
    [[nodiscard]] OperationQueue& operationQueue() const;

    // The root controller asks right after loading the screen.
    void tryAutoLogin();
    // The sign-in button.
    void login();
    void toggleInfoView();
    // Puts the keyboard on the user name, or on the Login button while the fields take no typing (anonymous).
    void focusFirstField();
    void returnView();

    // The background picture's name for a window of this size.
    [[nodiscard]] static QString backgroundImageName(QSize size);

    // The screen's widgets, for the window's keyboard handling and for tests.
    [[nodiscard]] QLineEdit* usernameField() const { return m_username; }
    [[nodiscard]] QLineEdit* passwordField() const { return m_password; }
    [[nodiscard]] Switch* automaticLoginSwitch() const { return m_automaticLogin; }
    [[nodiscard]] Switch* anonymousLoginSwitch() const { return m_anonymousLogin; }
    [[nodiscard]] QPushButton* loginButton() const { return m_loginBtn; }
    [[nodiscard]] InfoView* infoView() const { return m_infoView; }
    [[nodiscard]] QWidget* groupView() const { return m_groupView; }
    [[nodiscard]] DonateViewController* donateViewController() const { return m_donate; }
    [[nodiscard]] QLabel* imageView() const { return m_imageView; }

    // LoginFace
    void setLoginEnabled(bool enabled) override;
    void showOverlay(const QString& text, int offset) override;
    void hideOverlay() override;
    void showAlert(const QString& title, const QString& message) override;
    void showFields(const QString& username, const QString& password, bool fieldsEnabled) override;
    void showCaptchaImage(const QString& imageAddress) override;
    void enterMainFace() override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void alertViewDidDismiss(AlertView* alert, int buttonIndex) override;
    void layoutScreen();
    void hideCaptchaView();

    LoginHost& m_root;
    std::shared_ptr<SettingsStore> m_settings;
    std::shared_ptr<LoginController> m_controller;
    QWidget* m_screen = nullptr;
    QWidget* m_groupView = nullptr;
    QLabel* m_logo = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    Switch* m_automaticLogin = nullptr;
    Switch* m_anonymousLogin = nullptr;
    QPushButton* m_loginBtn = nullptr;
    QToolButton* m_infoBtn = nullptr;
    QLabel* m_imageView = nullptr;
    InfoView* m_infoView = nullptr;
    DonateViewController* m_donate = nullptr;
    QString m_background;
    // The site's page the failure alert on screen offers.
    SiteDoor m_door = SiteDoor::SignIn;
};

} // namespace marrowfin
