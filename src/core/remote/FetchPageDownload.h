#pragma once

#include "SendJournal.h"

#include "core/net/FetchPage.h"

#include <QString>

#include <functional>
#include <memory>

namespace marrowfin {

class AlertSink;
class BitClient;
class HttpContext;

// The download button's operation: fetches a torrent file from the site, hands it to the configured remote client
// (handshake, then upload), records the name in the download history and delivers the name; on any failure it
// raises one alert and delivers none. A send is written into the send journal before anything is handed over, and
// is not made when that cannot be written; it leaves the journal once the history holds the name. A torrent the
// client took whose name the history could not take is delivered and raises its alert too. A magnet link has no file to
// fetch: the client is handed the link itself. The history change is one step under the history lock, so sends from
// several queues, or from the application and the command line at once, lose no entry.
class FetchPageDownload final : public FetchPage
{
public:
    enum class Outcome
    {
        NotRun,
        Sent,
        BadUrl,           // nothing, or no torrent, came from the download address
        ConnectionFailed, // no adapter for the stored client, or the client did not take the torrent
        FilesOnly,        // a magnet link, and a client that takes torrent files only
        AlreadySent,      // its info hash is one the caller's check knows as sent: nothing was handed over
        NotKept,          // its record (the send journal) could not be written: nothing was handed over
        SentNotRecorded,  // the client took it, and the history could not be written: the journal keeps it
    };

    // `url` may be empty (a torrent without download address). A null `alerts` takes AlertSink::installed() when
    // the operation runs; a null `context` the default transport context.
    FetchPageDownload(QUrl url, QString name, QObject* target, Selector selector,
                      std::shared_ptr<AlertSink> alerts = nullptr, std::shared_ptr<HttpContext> context = nullptr);

    // Worker thread. Blocks for the fetches and the upload; raises its alert on this thread before delivering.
    void main() override;

    [[nodiscard]] const QString& name() const { return m_name; }
    // After main(): how it ended, and the address the file was fetched from (the redirect's end for an address
    // without "=").
    [[nodiscard]] Outcome outcome() const { return m_outcome; }
    [[nodiscard]] const QUrl& fileUrl() const { return m_fileUrl; }
    // After main(): the torrent's info hash (40 lower-case hex digits: of the file's info dictionary, or the one a
    // magnet link names); empty when there was none.
    [[nodiscard]] const QByteArray& infoHash() const { return m_infoHash; }
    // After main(), for NotKept and SentNotRecorded: the file that could not be written and why.
    [[nodiscard]] const QString& problem() const { return m_problem; }

    // Before main(): asked on the worker thread with the info hash before anything is handed to the client; true
    // ends the operation as AlreadySent, with no alert.
    void setSentBefore(std::function<bool(const QByteArray&)> sentBefore) { m_sentBefore = std::move(sentBefore); }

    // A selector taking the delivered name; std::nullopt after a failure.
    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<QString>)> callback)
    {
        return FetchPage::selectorFor<QString>(std::move(callback));
    }

    // A "magnet:" address: a link for the client, not a file to fetch.
    [[nodiscard]] static bool isMagnetLink(const QUrl& url);

    // The file name the upload declares: the text after the last "=" of the address, or the whole address when it
    // has none, cut to kMaxUploadNameLength characters, with a backslash, '"', CR and LF percent-escaped so that the
    // name cannot end its multipart header.
    [[nodiscard]] static QString uploadFileName(const QString& addressText);
    static constexpr qsizetype kMaxUploadNameLength = 240;

    // Settles the sends that processes cut short (see SendJournal) with the stored client, when it can be asked
    // which torrents it holds: a send that reached it goes into the history. Blocks; a send runs it itself, a
    // watcher before it judges by the history what is still to send. Returns the entries the client was found to
    // hold.
    static QList<SendJournal::Entry> settleSendsUnderWay(const std::shared_ptr<HttpContext>& context = nullptr);

private:
    [[nodiscard]] Outcome send();
    [[nodiscard]] Outcome sendMagnetLink(BitClient& client);
    // The upload (or the link's handing) between the journal's entry and its end; `hash` empty when the torrent
    // has none to journal by.
    [[nodiscard]] Outcome journaled(BitClient& client, const QByteArray& hash, const std::function<bool()>& hand);
    // Absent when the history holds the name (or no store keeps one), else why it does not.
    [[nodiscard]] std::optional<QString> recordInHistory() const;
    void raise(Outcome outcome) const;

    QString m_name;
    std::shared_ptr<AlertSink> m_alerts;
    std::shared_ptr<HttpContext> m_context;
    Outcome m_outcome = Outcome::NotRun;
    QUrl m_fileUrl;
    QByteArray m_infoHash;
    QString m_problem;
    std::function<bool(const QByteArray&)> m_sentBefore;
};

} // namespace marrowfin
