#include "FetchPageDownload.h"

#include "AlertSink.h"
#include "BencodeCheck.h"
#include "BitClientRegistry.h"
#include "Qbittorrent.h"
#include "RemoteLog.h"
#include "SendJournal.h"
#include "ServerInfo.h"

#include "core/net/CurlTransfer.h"
#include "core/net/HttpContext.h"
#include "core/net/HttpRequest.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"

#include <QFileInfo>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRedirectCheckTimeoutSeconds = 10;

// A plain GET as the platform's URL loading makes it: none of the site request's headers, and no expired-session
// resend, since a torrent file is not a page of the site.
std::optional<TransferResult> plainGet(const QUrl& url, const HttpContext& context, QString* failure,
                                       int timeoutSeconds = 0)
{
    if (url.isEmpty() || !url.isValid()) {
        *failure = url.isEmpty() ? u"there is no download address"_s : u"not a web address"_s;
        return std::nullopt;
    }
    TransferRequest request;
    request.url = url.toEncoded();
    request.method = "GET";
    request.timeoutSeconds = timeoutSeconds;
    return performTransfer(request, context, failure);
}

// For the log: never the user part of an address.
QString shown(const QUrl& url)
{
    return url.toString(QUrl::RemoveUserInfo);
}

// The stored client's adapter with the stored address and credentials; null when the settings make none, and then
// `*problem` says why.
std::shared_ptr<BitClient> storedClient(const std::shared_ptr<HttpContext>& context, QString* problem = nullptr)
{
    std::shared_ptr<BitClient> client =
        BitClientRegistry::configured(ServerInfo::sharedInstance().values(), context, problem);
    if (!client) {
        qCDebug(lcRemote) << "no client to send to:" << (problem ? *problem : QString());
    }
    return client;
}

// Where the stored client listens, for a message: "address:port".
QString clientPlace()
{
    const ServerInfo::Values server = ServerInfo::sharedInstance().values();
    return server.address.value_or(QString()) + u':' + server.port.value_or(QString());
}

// The journal of the profile whose store holds the history; absent without a store.
std::optional<SendJournal> journalOf(const std::shared_ptr<SettingsStore>& store)
{
    return store ? std::optional<SendJournal>(SendJournal(QFileInfo(store->filePath()).path())) : std::nullopt;
}

// The stored client as the journal knows it: its kind and where it listens. Torrents sent to one are not asked of
// another.
QString storedClientKey()
{
    const ServerInfo::Values server = ServerInfo::sharedInstance().values();
    return server.client.value_or(QString()) + u'@' + server.address.value_or(QString()) + u':' +
           server.port.value_or(QString());
}

// Settles the journal with `client`, whose handshake `handshake` makes on the first question. Returns the entries
// the client holds.
QList<SendJournal::Entry> settleWith(BitClient& client, bool handshake)
{
    const std::shared_ptr<SettingsStore> store = SettingsStore::shared();
    std::optional<SendJournal> journal = journalOf(store);
    if (!journal || !client.answersHeldTorrents()) {
        return {};
    }
    return journal->settle(
        [&](const QByteArray& hash) {
            if (handshake) {
                client.setSessionId();
                handshake = false;
            }
            return client.holdsTorrent(hash);
        },
        *store, storedClientKey());
}

} // namespace

QList<SendJournal::Entry> FetchPageDownload::settleSendsUnderWay(const std::shared_ptr<HttpContext>& context)
{
    if (const std::shared_ptr<BitClient> client = storedClient(context ? context : HttpContext::defaultContext())) {
        return settleWith(*client, true);
    }
    return {};
}

FetchPageDownload::Outcome FetchPageDownload::journaled(BitClient& client, const QByteArray& hash,
                                                        const std::function<bool()>& hand)
{
    (void)settleWith(client, false);
    std::optional<SendJournal> journal = journalOf(SettingsStore::shared());
    const bool journaling = journal && !hash.isEmpty();
    if (journaling && !journal->begin(hash, m_name, storedClientKey(), &m_problem)) {
        qCWarning(lcRemote).noquote() << "not sent, since the send could not be recorded first:" << m_problem;
        return Outcome::NotKept;
    }
    if (!hand()) {
        if (journaling) {
            journal->end(hash);
        }
        m_problem = clientPlace() + u": "_s + client.failure().value_or(u"the client did not take the torrent"_s);
        return Outcome::ConnectionFailed;
    }
    if (const auto failed = recordInHistory()) {
        // The entry stays: it leaves the journal only once the history holds the name, which a later settle with the
        // client sees to.
        m_problem = *failed;
        return Outcome::SentNotRecorded;
    }
    if (journaling) {
        journal->end(hash);
    }
    return Outcome::Sent;
}

FetchPageDownload::FetchPageDownload(QUrl url, QString name, QObject* target, Selector selector,
                                     std::shared_ptr<AlertSink> alerts, std::shared_ptr<HttpContext> context)
    : FetchPage(std::move(url), target, std::move(selector)), m_name(std::move(name)), m_alerts(std::move(alerts)),
      m_context(context ? std::move(context) : HttpContext::defaultContext())
{}

QString FetchPageDownload::uploadFileName(const QString& addressText)
{
    QString name = addressText.mid(addressText.lastIndexOf(u'=') + 1);
    // The name is a label (clients name the torrent from its own info); a page's address of any length would make a
    // part header longer than a client takes.
    if (name.size() > kMaxUploadNameLength) {
        name.truncate(kMaxUploadNameLength);
        if (name.back().isHighSurrogate()) {
            name.chop(1);
        }
    }
    // A backslash first: in a quoted header value it escapes the next character, and a name ending in one would
    // take the closing quote with it.
    name.replace(u'\\', u"%5C"_s);
    name.replace(u'"', u"%22"_s);
    name.replace(u'\r', u"%0D"_s);
    name.replace(u'\n', u"%0A"_s);
    return name;
}

void FetchPageDownload::main()
{
    m_outcome = send();
    if (m_outcome == Outcome::Sent || m_outcome == Outcome::SentNotRecorded) {
        setReturnObject(m_name);
    }
    if (m_outcome != Outcome::Sent) {
        raise(m_outcome);
    }
    FetchPage::main();
}

FetchPageDownload::Outcome FetchPageDownload::send()
{
    const ServerInfo::Values server = ServerInfo::sharedInstance().values();
    const auto makeClient = [&]() { return storedClient(m_context, &m_problem); };

    m_fileUrl = url();
    if (isMagnetLink(m_fileUrl)) {
        m_infoHash = Qbittorrent::magnetInfoHash(m_fileUrl.toString(QUrl::FullyEncoded));
        if (m_sentBefore && !m_infoHash.isEmpty() && m_sentBefore(m_infoHash)) {
            return Outcome::AlreadySent;
        }
        const std::shared_ptr<BitClient> client = makeClient();
        return client ? sendMagnetLink(*client) : Outcome::ConnectionFailed;
    }
    if (!m_fileUrl.toString().contains(u'=')) {
        // The site's plain download addresses redirect to one that names the file after its last "=".
        QString failure;
        const auto answer = plainGet(m_fileUrl, *m_context, &failure, kRedirectCheckTimeoutSeconds);
        if (!answer) {
            m_problem = m_fileUrl.isEmpty() ? failure : shown(m_fileUrl) + u": "_s + failure;
            return Outcome::BadUrl;
        }
        m_fileUrl = QUrl::fromEncoded(answer->effectiveUrl);
    }
    QString failure;
    const auto file = plainGet(m_fileUrl, *m_context, &failure);
    // A sign-in or error page is not a torrent; some clients would answer its upload as if they had added it.
    if (!file || file->statusCode < 200 || file->statusCode > 299 || !isBencodedDictionary(file->body)) {
        if (file) {
            failure = file->statusCode < 200 || file->statusCode > 299
                          ? u"the site answered with status %1"_s.arg(file->statusCode)
                          : u"the answer is not a torrent file"_s;
        }
        m_problem = m_fileUrl.isEmpty() ? failure : shown(m_fileUrl) + u": "_s + failure;
        qCDebug(lcRemote).noquote() << "no torrent from" << m_problem;
        return Outcome::BadUrl;
    }

    m_infoHash = marrowfin::infoHash(file->body).value_or(QByteArray());
    if (m_sentBefore && !m_infoHash.isEmpty() && m_sentBefore(m_infoHash)) {
        return Outcome::AlreadySent;
    }
    const std::shared_ptr<BitClient> client = makeClient();
    if (!client)
        return Outcome::ConnectionFailed;
    client->setFilename(uploadFileName(m_fileUrl.toString()));
    client->setFile(file->body);
    client->setSessionId();

    return journaled(*client, m_infoHash, [&] {
        HttpRequest upload(client->getUrl(), m_context);
        upload.setClient(client);
        upload.setType(u"POST"_s);
        upload.setUsername(server.username);
        upload.setPassword(server.password);
        upload.request();
        // An upload answered from another address (a redirect) never reached an adapter's client.
        const std::optional<QString> failure = BitClient::failureOf(upload);
        const bool redirected = BitClient::answeredElsewhere(upload);
        const bool accepted =
            upload.urlResponse() && !redirected &&
            client->uploadAccepted(upload.urlResponse()->statusCode, upload.responseData().value_or(QByteArray()));
        if (accepted) {
            return true;
        }
        if (!redirected && client->uploadAnotherWay(upload)) {
            return true;
        }
        client->noteFailure(failure.value_or(u"the client did not take the torrent"_s));
        qCDebug(lcRemote) << "the client did not take the torrent; upload status"
                          << (upload.urlResponse() ? upload.urlResponse()->statusCode : 0);
        return false;
    });
}

FetchPageDownload::Outcome FetchPageDownload::sendMagnetLink(BitClient& client)
{
    if (!client.takesMagnetLinks()) {
        qCDebug(lcRemote) << "the client takes torrent files only; a magnet link was not sent";
        return Outcome::FilesOnly;
    }
    client.setSessionId();
    const QString link = m_fileUrl.toString(QUrl::FullyEncoded);
    return journaled(client, m_infoHash, [&] {
        if (!client.addMagnetLink(link)) {
            client.noteFailure(u"the client did not take the magnet link"_s);
            qCDebug(lcRemote) << "the client did not take the magnet link";
            return false;
        }
        return true;
    });
}

std::optional<QString> FetchPageDownload::recordInHistory() const
{
    const std::shared_ptr<SettingsStore> store = SettingsStore::shared();
    if (!store) {
        qCWarning(lcRemote) << "the torrent was sent; no settings store holds the download history";
        return std::nullopt;
    }
    if (appendToTorrentHistory(*store, m_name)) {
        return std::nullopt;
    }
    const QString why = SettingsStore::lastWriteError();
    qCWarning(lcRemote).noquote() << "the torrent was sent but the download history could not be written:" << why;
    return why;
}

bool FetchPageDownload::isMagnetLink(const QUrl& url)
{
    return url.scheme().compare(u"magnet"_s, Qt::CaseInsensitive) == 0;
}

void FetchPageDownload::raise(Outcome outcome) const
{
    const std::shared_ptr<AlertSink> sink = m_alerts ? m_alerts : AlertSink::installed();
    if (!sink || outcome == Outcome::AlreadySent) {
        return;
    }
    // The fixed message, then on a line of its own what happened and where.
    const auto withCause = [this](QStringView message) {
        return m_problem.isEmpty() ? message.toString() : message.toString() + u'\n' + m_problem;
    };
    if (outcome == Outcome::BadUrl) {
        sink->raiseAlert(kBadUrlTitle.toString(), withCause(kBadUrlMessage));
    } else if (outcome == Outcome::FilesOnly) {
        sink->raiseAlert(kBadUrlTitle.toString(), kFilesOnlyMessage.toString());
    } else if (outcome == Outcome::NotKept) {
        sink->raiseAlert(kNotKeptTitle.toString(), kNotKeptMessage.toString().arg(m_problem));
    } else if (outcome == Outcome::SentNotRecorded) {
        sink->raiseAlert(kNotRecordedTitle.toString(), kNotRecordedMessage.toString().arg(m_problem));
    } else {
        sink->raiseAlert(kConnectionFailedTitle.toString(), withCause(kConnectionFailedMessage));
    }
}

} // namespace marrowfin
