#pragma once

#include "core/net/HttpContext.h"
#include "core/net/UploadBody.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <mutex>
#include <optional>

namespace marrowfin {

class HttpRequest;

// A remote BitTorrent client adapter: a short-lived builder for one upload or one web page fetch. The owner fills in
// address, port, user name and password (for an upload also filename and file), runs the handshake setSessionId(),
// then asks for getUrl() and getData() (upload) or getWebUrl() (web page).
//
// Threads: made and used on one operation thread; the upload request may read getData() on that same thread.
// Every field is still read and written whole under the adapter's own lock, so a reader never sees half a value.
//
// The class-level values (getIndex, getDefaultPort, getDefaultDescription) are static members that each adapter
// hides with its own; the registry (BitClients.h) reaches them by client name.
//
// Everything virtual is defined here, in the header, so that a class deriving from it needs nothing of the adapters'
// library; the HTTP library itself knows an adapter only as an UploadBody.
class BitClient : public UploadBody
{
public:
    // A null `context` takes HttpContext::defaultContext() as it is now. Handshake requests use it, and so must the
    // upload that follows: a client may tie its token to a cookie that the handshake set.
    explicit BitClient(std::shared_ptr<HttpContext> context = nullptr)
        : m_context(context ? std::move(context) : HttpContext::defaultContext())
    {}
    virtual ~BitClient() = default;
    BitClient(const BitClient&) = delete;
    BitClient& operator=(const BitClient&) = delete;

    [[nodiscard]] static int getIndex() { return -1; }
    [[nodiscard]] static QString getDefaultPort() { return QString(); }
    [[nodiscard]] static QString getDefaultDescription() { return QString(); }
    // The client name at a picker position: "Vuze" for 0, "Transmission" for 1, "Utorrent" for 2, "Qbittorrent"
    // for 3, "Deluge" for 4, else "".
    [[nodiscard]] static QString getClientByIndex(int index);

    // The upload body (getData, uploadContentType, uploadForLog) is the UploadBody side: for most clients
    // multipart/form-data, parts separated by uploadBoundary().
    [[nodiscard]] QString uploadContentType() const override
    {
        return QStringLiteral("multipart/form-data; boundary=") + QString::fromLatin1(uploadBoundary());
    }
    // Whether the client took the upload, from its answer: any status from 200 to 299 unless the client says more
    // in its body.
    [[nodiscard]] virtual bool uploadAccepted(int statusCode, const QByteArray& body) const
    {
        (void)body;
        return statusCode >= 200 && statusCode <= 299;
    }
    // Where the upload is posted; an empty QUrl when the texts do not make an address.
    [[nodiscard]] virtual QUrl getUrl() const { return hostAddress(QStringLiteral("/")); }
    // The client's own web page; with a user name the address carries user name and password, percent-escaped.
    [[nodiscard]] virtual QUrl getWebUrl() const { return hostAddress(QStringLiteral("/")); }
    // The handshake: one request whose outcome is stored with assignSessionId(). Blocks; the base has none.
    virtual void setSessionId() {}

    // Called when the upload to getUrl() was not answered with 200..299 (`refused` is that upload, answered or
    // not). An adapter whose client has a second way in tries it once and tells whether the client took the
    // torrent; the base has none.
    [[nodiscard]] virtual bool uploadAnotherWay(const HttpRequest& refused)
    {
        (void)refused;
        return false;
    }

    // Whether the client can be handed a magnet link, and the handing (after the handshake). Blocks; true when the
    // client took the link. The base takes none.
    [[nodiscard]] virtual bool takesMagnetLinks() const { return false; }
    [[nodiscard]] virtual bool addMagnetLink(const QString& link)
    {
        (void)link;
        return false;
    }

    // Whether the client holds the torrent with this info hash (40 lower-case hex digits), asked after the
    // handshake. Absent when the client did not answer; a client that cannot be asked (answersHeldTorrents() false)
    // never answers. A send cut short after the upload is settled with it.
    [[nodiscard]] virtual bool answersHeldTorrents() const { return false; }
    [[nodiscard]] virtual std::optional<bool> holdsTorrent(const QByteArray& infoHash)
    {
        (void)infoHash;
        return std::nullopt;
    }

    [[nodiscard]] QString prefixData() const { return get(m_prefixData); }
    void setPrefixData(QString value) { put(m_prefixData, std::move(value)); }
    // Derived adapters may build it from other fields (the session id).
    [[nodiscard]] virtual QString postfixData() const { return get(m_postfixData); }
    void setPostfixData(QString value) { put(m_postfixData, std::move(value)); }
    [[nodiscard]] QString filename() const { return get(m_filename); }
    void setFilename(QString value) { put(m_filename, std::move(value)); }
    [[nodiscard]] QString fileContentType() const { return get(m_fileContentType); }
    void setFileContentType(QString value) { put(m_fileContentType, std::move(value)); }
    // The form field name of the file part.
    [[nodiscard]] QString name() const { return get(m_name); }
    void setName(QString value) { put(m_name, std::move(value)); }
    [[nodiscard]] QString address() const { return get(m_address); }
    void setAddress(QString value) { put(m_address, std::move(value)); }
    [[nodiscard]] QString port() const { return get(m_port); }
    void setPort(QString value) { put(m_port, std::move(value)); }
    [[nodiscard]] QString username() const { return get(m_username); }
    void setUsername(QString value) { put(m_username, std::move(value)); }
    [[nodiscard]] QString password() const { return get(m_password); }
    void setPassword(QString value) { put(m_password, std::move(value)); }
    [[nodiscard]] QByteArray file() const
    {
        const std::lock_guard lock(m_mutex);
        return m_file;
    }
    void setFile(QByteArray bytes)
    {
        const std::lock_guard lock(m_mutex);
        m_file = std::move(bytes);
    }
    // What the handshake obtained; absent until then, and when it obtained nothing.
    [[nodiscard]] std::optional<QString> sessionId() const
    {
        const std::lock_guard lock(m_mutex);
        return m_sessionId;
    }
    void assignSessionId(std::optional<QString> value)
    {
        const std::lock_guard lock(m_mutex);
        m_sessionId = std::move(value);
    }

    [[nodiscard]] const std::shared_ptr<HttpContext>& context() const { return m_context; }

    // Why an exchange with the client failed, in words for the user ("connection refused", "the client answered with
    // status 500"): the first failure noted since the adapter was made, which the later ones usually follow from.
    // Absent while every exchange went well.
    [[nodiscard]] std::optional<QString> failure() const
    {
        const std::lock_guard lock(m_mutex);
        return m_failure;
    }
    // Keeps `cause` unless a failure was noted before.
    void noteFailure(const QString& cause)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_failure) {
            m_failure = cause;
        }
    }
    // What went wrong with `request` for the user: no answer (the transport's words), the credentials refused (401,
    // 403), an answer from another address than the one asked (a redirect: some other program listens there), or a
    // status outside 200..299. Absent when the request was answered well where it was sent.
    [[nodiscard]] static std::optional<QString> failureOf(const HttpRequest& request);
    // Whether `request` was answered from another place than the one asked (after a redirect); a trailing slash
    // added by the answer is the same place.
    [[nodiscard]] static bool answeredElsewhere(const HttpRequest& request);
    // Notes failureOf(request) when there is one; true when the request was answered well where it was sent.
    bool noteAnswer(const HttpRequest& request);

protected:
    // prefixData, the file part's header (formBoundary, name, filename, fileContentType), the file's bytes and
    // postfixData, joined. The texts write formBoundary; the body has uploadBoundary() in its place.
    [[nodiscard]] QByteArray multipartBody() const;
    // formBoundary, unless the file's bytes hold it: a delimiter inside the file would end its part early and let
    // the rest of the file pass for parts of the form. Such a file gets formBoundary with a number after it that the
    // file does not hold. The same bytes always give the same boundary.
    [[nodiscard]] QByteArray uploadBoundary() const;
    // "http://<address>:<port>" followed by `path`, parsed; empty when it does not parse.
    [[nodiscard]] QUrl hostAddress(const QString& path) const
    {
        return parsed(QStringLiteral("http://") + address() + QLatin1Char(':') + port() + path);
    }
    // With an empty user name the same as hostAddress(); otherwise "http://<user>:<password>@<address>:<port>"
    // followed by `path`, user name and password percent-escaped so that "@", ":" or "/" in them stay theirs.
    [[nodiscard]] QUrl addressWithCredentials(const QString& path) const;
    // Parses an address text as the platform's URL parser does; empty when it is not a valid address.
    [[nodiscard]] static QUrl parsed(const QString& text)
    {
        QUrl url(text);
        return url.isValid() ? url : QUrl();
    }

private:
    [[nodiscard]] QString get(const QString& field) const
    {
        const std::lock_guard lock(m_mutex);
        return field;
    }
    void put(QString& field, QString value)
    {
        const std::lock_guard lock(m_mutex);
        field = std::move(value);
    }

    mutable std::mutex m_mutex;
    QString m_prefixData;
    QString m_postfixData;
    QString m_filename;
    QString m_fileContentType;
    QString m_name;
    QString m_address;
    QString m_port;
    std::optional<QString> m_sessionId;
    QString m_username;
    QString m_password;
    QByteArray m_file;
    std::optional<QString> m_failure;
    std::shared_ptr<HttpContext> m_context;
};

} // namespace marrowfin
