#include "ServerSettingsViewController.h"

#include "core/remote/BitClient.h"
#include "core/remote/BitClientRegistry.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/ServerInfo.h"
#include "gui/display/SettingsScreens.h"
#include "gui/platform/Device.h"
#include "gui/platform/Fonts.h"
#include "gui/platform/NavigationController.h"
#include "gui/platform/SegmentedControl.h"
#include "gui/platform/WebPages.h"
#include "gui/ui/LoadingIndicator.h"
#include "gui/ui/LoadingTexts.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <array>
#include <tuple>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr QStringView kClientLabel = u"Client on your computer:";
constexpr QStringView kAddressLabel = u"Address:";
constexpr QStringView kPortLabel = u"Port:";
constexpr QStringView kUserLabel = u"User name:";
constexpr QStringView kPasswordLabel = u"Password:";
constexpr QStringView kAddressPlaceholder = u"computer name or IP address";
constexpr QStringView kOptionalPlaceholder = u"if the web interface asks";
constexpr int kMargin = 16;
constexpr int kMaximumFormWidth = 440;
constexpr int kHeadingHeight = 30;
constexpr int kLabelHeight = 20;
constexpr int kDescriptionHeight = 200;
constexpr int kFieldHeight = 30;
constexpr int kFieldGap = 10;
constexpr int kFieldLabelWidth = 92;
constexpr int kButtonHeight = 40;
// The help texts indent their steps with tabs; a phone-sized indent keeps the lines long.
constexpr qreal kDescriptionTabStop = 14;
// Room left around the field being edited when the form scrolls to it.
constexpr int kEditingMargin = 30;

QLineEdit* newField(QStringView name, QStringView placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name.toString());
    field->setPlaceholderText(placeholder.toString());
    field->setFont(systemFont(15));
    return field;
}

} // namespace

ServerSettingsViewController::ServerSettingsViewController(QObject* parent) : ViewController(parent)
{
    setTitle(kTitle.toString());
    setTabBarItem({kTitle.toString(), kTabImage.toString(), kTabTag});
}

ServerSettingsViewController::~ServerSettingsViewController() = default;

QLineEdit* ServerSettingsViewController::currTextField() const
{
    return m_currTextField.data();
}

void ServerSettingsViewController::loadView()
{
    m_screen = new QWidget;
    settingsscreens::paintSettingsBackground(m_screen, u"serverSettings"_s);
    m_screen->resize(Device::screenSize());
    // A click on the form's background puts the keyboard away, as a tap beside the fields does.
    m_screen->setFocusPolicy(Qt::ClickFocus);
    m_screen->installEventFilter(this);

    m_scrollView = new QScrollArea(m_screen);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollView->setFocusPolicy(Qt::NoFocus);
    // The form takes the area's width and its own height; it lays itself out when resized.
    m_scrollView->setWidgetResizable(true);
    settingsscreens::styleScrollArea(m_scrollView);

    m_form = new QWidget;
    m_form->setFocusPolicy(Qt::ClickFocus);
    m_form->setMinimumHeight(kContentHeight);
    m_form->installEventFilter(this);
    settingsscreens::paintSettingsBackground(
        m_form, u"serverForm"_s,
        u"QLabel { color: white; background: transparent; }"
        u"QLineEdit { background: #f4f4f4; color: #111111; border: 1px solid #8a8a8a; border-radius: 6px;"
        u" padding: 0 8px; selection-background-color: #3cb4a0; }"
        u"QLineEdit:focus { border: 2px solid #3cb4a0; }"
        u"QPlainTextEdit { background: #262626; color: #e0e0e0; border: 1px solid #111111; border-radius: 6px;"
        u" padding: 4px; }"
        u"QPushButton { color: white; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        u" stop:0 #f5b04a, stop:1 #d98a1c); border: 1px solid #b87418; border-radius: 7px; }"
        u"QPushButton:pressed { background: #c47a14; }"
        u"QPushButton:focus { border: 2px solid #f0f0f0; }"
        u"QPushButton:disabled { background: #7a6a55; color: #cfcfcf; border-color: #5a5045; }"_s);

    m_heading = new QLabel(kTitle.toString(), m_form);
    m_heading->setFont(systemFont(20, true));
    m_heading->setAlignment(Qt::AlignCenter);

    m_clientLabel = new QLabel(kClientLabel.toString(), m_form);
    m_clientLabel->setFont(systemFont(14, true));
    m_serverClient =
        new SegmentedControl({kVuzeTitle.toString(), kTransmissionTitle.toString(), kUtorrentTitle.toString(),
                              kQbittorrentTitle.toString(), kDelugeTitle.toString()},
                             m_form);
    m_serverClient->setObjectName(u"serverClient"_s);
    m_clientLabel->setBuddy(m_serverClient);

    m_serverDescription = new QPlainTextEdit(m_form);
    m_serverDescription->setObjectName(u"serverDescription"_s);
    m_serverDescription->setReadOnly(true);
    m_serverDescription->setFont(systemFont(13));
    m_serverDescription->setTabStopDistance(kDescriptionTabStop);
    m_serverDescription->setFocusPolicy(Qt::NoFocus);
    m_serverDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const std::array<std::tuple<QStringView, QStringView, QLineEdit**>, 4> fields{{
        {kAddressLabel, u"serverAddress", &m_serverAddress},
        {kPortLabel, u"serverPort", &m_serverPort},
        {kUserLabel, u"serverUser", &m_serverUser},
        {kPasswordLabel, u"serverPassword", &m_serverPassword},
    }};
    for (const auto& [title, name, field] : fields) {
        auto* label = new QLabel(title.toString(), m_form);
        label->setFont(systemFont(14, true));
        m_fieldLabels.append(label);
        *field = newField(name, kOptionalPlaceholder, m_form);
        label->setBuddy(*field);
        (*field)->installEventFilter(this);
    }
    m_serverAddress->setPlaceholderText(kAddressPlaceholder.toString());
    m_serverPort->setPlaceholderText(QString());
    m_serverPort->setInputMethodHints(Qt::ImhDigitsOnly);
    m_serverAddress->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhNoAutoUppercase);
    m_serverUser->setInputMethodHints(Qt::ImhNoAutoUppercase);
    m_serverPassword->setEchoMode(QLineEdit::Password);
    QWidget::setTabOrder(m_serverAddress, m_serverPort);
    QWidget::setTabOrder(m_serverPort, m_serverUser);
    QWidget::setTabOrder(m_serverUser, m_serverPassword);

    m_testButton = new QPushButton(kTestButtonTitle.toString(), m_form);
    m_testButton->setObjectName(u"testButton"_s);
    m_testButton->setFont(systemFont(17, true));
    m_testButton->setCursor(Qt::PointingHandCursor);
    QWidget::setTabOrder(m_serverPassword, m_testButton);

    m_scrollView->setWidget(m_form);
    setView(m_screen);
}

void ServerSettingsViewController::viewDidLoad()
{
    connect(m_serverClient, &SegmentedControl::valueChanged, this, &ServerSettingsViewController::didSelectClient);
    connect(m_testButton, &QPushButton::clicked, this, &ServerSettingsViewController::test);
    for (QLineEdit* field : {m_serverAddress, m_serverPort, m_serverUser, m_serverPassword})
        connect(field, &QLineEdit::returnPressed, this, [this, field] { textFieldShouldReturn(field); });
    settingsscreens::addEscapeShortcut(m_screen, this, [this] { cancel(); });

    // The form from the store. Choosing the client puts its default port in; a port the user had stored is then
    // put back, so only an empty one ends up as the default.
    ServerInfo& server = ServerInfo::sharedInstance();
    const QString storedPort = server.port().value_or(QString());
    m_serverPort->setText(storedPort);
    m_serverAddress->setText(server.address().value_or(QString()));
    m_serverUser->setText(server.username().value_or(QString()));
    m_serverPassword->setText(server.password().value_or(QString()));

    // A name without adapter is taken for the first client rather than leaving the picker on none.
    const QString client = server.client().value_or(QString());
    const BitClientClass* stored = client.isEmpty() ? nullptr : BitClientRegistry::find(client);
    m_serverClient->setSelectedSegmentIndex(stored ? stored->getIndex() : 0);
    didSelectClient();
    if (!storedPort.isEmpty()) {
        ServerInfo::sharedInstance().setPort(storedPort);
        m_serverPort->setText(storedPort);
    }
    m_scrollView->setGeometry(m_screen->rect());
}

void ServerSettingsViewController::layoutForm()
{
    const int viewWidth = m_form->width();
    const int formWidth = qMin(kMaximumFormWidth, qMax(0, viewWidth - 2 * kMargin));
    const int left = (viewWidth - formWidth) / 2;
    int y = kMargin;
    // The heading stands in for the bar's title; with the bar shown it would only say the title twice.
    if (!m_heading->isHidden()) {
        m_heading->setGeometry(left, y, formWidth, kHeadingHeight);
        y += kHeadingHeight + 10;
    }
    m_clientLabel->setGeometry(left, y, formWidth, kLabelHeight);
    y += kLabelHeight + 4;
    m_serverClient->setGeometry(left, y, formWidth, SegmentedControl::kHeight);
    y += SegmentedControl::kHeight + 10;
    m_serverDescription->setGeometry(left, y, formWidth, kDescriptionHeight);
    y += kDescriptionHeight + 16;
    int row = 0;
    for (QLineEdit* field : {m_serverAddress, m_serverPort, m_serverUser, m_serverPassword}) {
        m_fieldLabels.at(row++)->setGeometry(left, y, kFieldLabelWidth, kFieldHeight);
        field->setGeometry(left + kFieldLabelWidth, y, formWidth - kFieldLabelWidth, kFieldHeight);
        y += kFieldHeight + kFieldGap;
    }
    y += 10;
    m_testButton->setGeometry(left, y, formWidth, kButtonHeight);
}

bool ServerSettingsViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_screen && event->type() == QEvent::Resize) {
        m_scrollView->setGeometry(m_screen->rect());
    } else if (watched == m_form && event->type() == QEvent::Resize) {
        layoutForm();
    } else if (auto* field = qobject_cast<QLineEdit*>(watched)) {
        if (event->type() == QEvent::FocusIn) {
            m_currTextField = field;
            // Where a phone would scroll the field above its keyboard: the field and some room below stay in sight.
            m_scrollView->ensureWidgetVisible(field, 0, kEditingMargin);
        } else if (event->type() == QEvent::FocusOut) {
            if (m_currTextField == field)
                m_currTextField = nullptr;
            textFieldDidEndEditing(field);
        }
    }
    return ViewController::eventFilter(watched, event);
}

void ServerSettingsViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    // The form carries its own heading; the bar would only take room from it, unless the screen was opened from
    // the overflow list, whose way back is in the bar.
    if (NavigationController* stack = navigationController()) {
        const bool barHidden = !stack->hasRootBackAction();
        stack->setNavigationBarHidden(barHidden);
        if (isViewLoaded() && m_heading->isHidden() == barHidden) {
            m_heading->setVisible(barHidden);
            layoutForm();
        }
    }
}

void ServerSettingsViewController::didSelectClient()
{
    const QString name = BitClient::getClientByIndex(m_serverClient->selectedSegmentIndex());
    ServerInfo::sharedInstance().setClient(name);
    const BitClientClass* adapter = BitClientRegistry::find(name);
    m_serverDescription->setPlainText(adapter ? adapter->getDefaultDescription() : QString());
    m_serverPort->setText(adapter ? adapter->getDefaultPort() : QString());
    ServerInfo::sharedInstance().setPort(m_serverPort->text());
}

void ServerSettingsViewController::textFieldDidEndEditing(QLineEdit* field)
{
    ServerInfo& server = ServerInfo::sharedInstance();
    if (field == m_serverAddress)
        server.setAddress(field->text());
    else if (field == m_serverPort)
        server.setPort(field->text());
    else if (field == m_serverUser)
        server.setUsername(field->text());
    else if (field == m_serverPassword)
        server.setPassword(field->text());
}

void ServerSettingsViewController::textFieldShouldReturn(QLineEdit* field)
{
    // Stored here as well as when the focus leaves: a window that is not active moves no focus.
    textFieldDidEndEditing(field);
    if (field == m_serverAddress)
        m_serverPort->setFocus(Qt::TabFocusReason);
    else if (field == m_serverPort)
        m_serverUser->setFocus(Qt::TabFocusReason);
    else if (field == m_serverUser)
        m_serverPassword->setFocus(Qt::TabFocusReason);
    else
        dropKeyboard();
}

void ServerSettingsViewController::dropKeyboard()
{
    // The screen itself takes the focus, so that its keys (Escape) still reach it.
    if (m_currTextField || m_screen->isAncestorOf(QApplication::focusWidget()))
        m_screen->setFocus(Qt::OtherFocusReason);
    m_currTextField = nullptr;
}

void ServerSettingsViewController::test()
{
    ServerInfo::sharedInstance().setPassword(m_serverPassword->text());
    if (m_serverPassword->hasFocus())
        dropKeyboard();
    runSettingsTest();
}

void ServerSettingsViewController::runSettingsTest()
{
    // The client's own page, pushed over the settings: it says "Success!" or what failed, then shows the page.
    if (WebPages* pages = WebPages::load(); pages && navigationController()) {
        NavigationController* stack = navigationController();
        stack->setNavigationBarHidden(false);
        stack->pushViewController(pages->newClientSettingsTest(), true);
        return;
    }
    // Without the web pages the test still tells the outcome.
    if (m_testing)
        return;
    m_testing = true;
    m_testButton->setEnabled(false);
    LoadingIndicator& loading = LoadingIndicator::sharedInstance();
    loading.setParentView(m_screen);
    loading.setString(kLoadingText.toString());
    loading.showLoadingIndicators();
    // The alerts come through the installed sink, on the operation's thread; the page text comes back here.
    m_operationQueue.addOperation(std::make_shared<FetchPageRemoteUI>(
        QUrl(), this,
        FetchPageRemoteUI::selectorFor([this](std::optional<QString> page) { settingsTestFinished(page); }),
        FetchPageRemoteUI::Use::SettingsTest));
}

void ServerSettingsViewController::settingsTestFinished(const std::optional<QString>&)
{
    m_testing = false;
    m_testButton->setEnabled(true);
    LoadingIndicator::sharedInstance().hideLoadingIndicators();
}

void ServerSettingsViewController::cancel()
{
    if (isViewLoaded())
        dropKeyboard();
    settingsscreens::leave(*this);
}

} // namespace marrowfin
