#pragma once

#include <QString>
#include <QStringView>

#include <memory>

namespace marrowfin {

// The fixed texts of the remote client's alerts; each alert has the one button kAlertButton.
inline constexpr QStringView kAlertButton = u"Ok";
inline constexpr QStringView kBadUrlTitle = u"Problem with website.";
inline constexpr QStringView kBadUrlMessage = u"The download url is bad.";
// A magnet link for a client whose upload takes files only; the title is kBadUrlTitle.
inline constexpr QStringView kFilesOnlyMessage = u"This client takes torrent files only.";
inline constexpr QStringView kConnectionFailedTitle = u"Connection with server failed.";
inline constexpr QStringView kConnectionFailedMessage =
    u"Please make sure you have correctly setup your remote download settings.";
inline constexpr QStringView kSuccessTitle = u"Success!";
// A send whose record could not be written before it was made is not made; the message ends with the reason.
inline constexpr QStringView kNotKeptTitle = u"Not sent.";
inline constexpr QStringView kNotKeptMessage = u"The send could not be recorded, so it was not made: %1";
// The client took the torrent, and the download history could not be written after it.
inline constexpr QStringView kNotRecordedTitle = u"Sent, but not recorded.";
inline constexpr QStringView kNotRecordedMessage =
    u"The client has the torrent, but the download history could not be written: %1";

// Where a background operation's alerts go. The window's sink shows a dialog on the main thread with the root
// controller as its delegate; the command line's prints the texts.
class AlertSink
{
public:
    AlertSink() = default;
    virtual ~AlertSink() = default;
    AlertSink(const AlertSink&) = delete;
    AlertSink& operator=(const AlertSink&) = delete;

    // Called on the operation's worker thread, once per alert. An implementation that shows the alert on the main
    // thread returns once the showing has been started there (the operation goes on only then), and must not wait
    // for the user to dismiss it. Texts are the fixed ones above; `message` may be empty.
    virtual void raiseAlert(const QString& title, const QString& message) = 0;

    // The process-wide sink for operations that were given none; none installed drops their alerts. Any thread.
    static void install(std::shared_ptr<AlertSink> sink);
    [[nodiscard]] static std::shared_ptr<AlertSink> installed();
};

} // namespace marrowfin
