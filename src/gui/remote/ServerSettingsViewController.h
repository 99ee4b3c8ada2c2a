#pragma once

#include "core/net/OperationQueue.h"
#include "gui/platform/ViewController.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringView>

#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace marrowfin {

class SegmentedControl;

// The remote client settings tab: which BitTorrent client runs on the user's computer (Vuze, Transmission or
// uTorrent), its help text, and the address, port, user name and password of its web interface, with a button that
// tests them. Every value goes to ServerInfo (and so to the settings store) as soon as its field ends editing or the
// client changes; there is no save step. Main thread only; the test's fetch runs on the screen's own queue.
class ServerSettingsViewController : public ViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kTitle = u"Remote Settings";
    static constexpr QStringView kTabImage = u"tabbar-settings.png";
    static constexpr int kTabTag = 0;
    static constexpr QStringView kTestButtonTitle = u"Test remote settings";
    // The client picker's segments, at the adapters' picker positions 0 to 4.
    static constexpr QStringView kVuzeTitle = u"Vuze";
    static constexpr QStringView kTransmissionTitle = u"Transmission";
    static constexpr QStringView kUtorrentTitle = u"uTorrent";
    static constexpr QStringView kQbittorrentTitle = u"qBittorrent";
    static constexpr QStringView kDelugeTitle = u"Deluge";
    static constexpr int kContentHeight = 640;

    explicit ServerSettingsViewController(QObject* parent = nullptr);
    ~ServerSettingsViewController() override;

    // The client picker changed (also run once when the form is filled): the client's name is stored, its help text
    // shown, and the port reset to the client's default, in the field and in the store.
    void didSelectClient();
    // The test button: stores the password as typed so far (its field may still be in editing), then tests.
    Q_INVOKABLE void test();
    // Back, and Escape: every field gives up the keyboard, and a pushed screen leaves without animation.
    void cancel();

    void viewWillAppear(bool animated) override;

    // Whether a settings test is running.
    [[nodiscard]] bool isTesting() const { return m_testing; }
    [[nodiscard]] OperationQueue& operationQueue() { return m_operationQueue; }

    // The form, for the window's keyboard handling and for tests.
    [[nodiscard]] SegmentedControl* serverClient() const { return m_serverClient; }
    [[nodiscard]] QPlainTextEdit* serverDescription() const { return m_serverDescription; }
    [[nodiscard]] QLineEdit* serverAddress() const { return m_serverAddress; }
    [[nodiscard]] QLineEdit* serverPort() const { return m_serverPort; }
    [[nodiscard]] QLineEdit* serverUser() const { return m_serverUser; }
    [[nodiscard]] QLineEdit* serverPassword() const { return m_serverPassword; }
    // The field being edited; none when no field has the keyboard.
    [[nodiscard]] QLineEdit* currTextField() const;
    [[nodiscard]] QPushButton* testButton() const { return m_testButton; }
    [[nodiscard]] QScrollArea* scrollView() const { return m_scrollView; }

protected:
    void loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The test itself, once the password is stored: fetches the client's web page with the settings as they are
    // now and shows the outcome as an alert ("Success!" or the connection failure). The client's web page screen
    // takes over here when it comes: it is pushed instead, and fetches and shows the page itself.
    virtual void runSettingsTest();
    // The test's fetch has delivered (the page text, none when nothing came back).
    virtual void settingsTestFinished(const std::optional<QString>& page);

private:
    // A field ended editing: its text goes into ServerInfo as typed.
    void textFieldDidEndEditing(QLineEdit* field);
    // Return in a field: the next field of the chain takes the keyboard; after the password, none does.
    void textFieldShouldReturn(QLineEdit* field);
    void dropKeyboard();
    void layoutForm();

    QWidget* m_screen = nullptr;
    QScrollArea* m_scrollView = nullptr;
    QWidget* m_form = nullptr;
    QLabel* m_heading = nullptr;
    QLabel* m_clientLabel = nullptr;
    SegmentedControl* m_serverClient = nullptr;
    QPlainTextEdit* m_serverDescription = nullptr;
    QList<QLabel*> m_fieldLabels;
    QLineEdit* m_serverAddress = nullptr;
    QLineEdit* m_serverPort = nullptr;
    QLineEdit* m_serverUser = nullptr;
    QLineEdit* m_serverPassword = nullptr;
    QPointer<QLineEdit> m_currTextField;
    QPushButton* m_testButton = nullptr;
    bool m_testing = false;
    // Declared last: emptied first (its destructor waits) while everything its delivery touches still exists.
    OperationQueue m_operationQueue{1, QStringLiteral("remote settings")};
};

} // namespace marrowfin
