#include "HttpRequest.h"

#include "CurlTransfer.h"
#include "HttpContext.h"
#include "NetLog.h"
#include "SessionGuard.h"
#include "SiteAnswer.h"
#include "UploadBody.h"

#include "core/text/TextConversions.h"

#include <QDeadlineTimer>
#include <QStringDecoder>
#include <QThread>

#include <atomic>
#include <mutex>

namespace marrowfin {

namespace {

constexpr qsizetype kLoggedPrefixBytes = 64;
// A form is logged whole up to this size; anything longer (a client's JSON call carrying a torrent file, say) by its
// size and first bytes, as an upload is.
constexpr qsizetype kLoggedWholeBytes = 512;

QString sizeAndPrefix(const QByteArray& body, QStringView kind)
{
    QByteArray prefix = body.left(kLoggedPrefixBytes);
    for (char& c : prefix) {
        if (c < 0x20 || c > 0x7e) {
            c = '.';
        }
    }
    return QStringLiteral("%1 bytes of %2, beginning \"%3\"").arg(body.size()).arg(kind, QString::fromLatin1(prefix));
}

// RFC 9110 "tchar": the characters a method or a header name may have. Anything else could split the request.
bool isToken(QStringView text)
{
    if (text.isEmpty()) {
        return false;
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool alnum = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
        if (!alnum && !QStringView(u"!#$%&'*+-.^_`|~").contains(c)) {
            return false;
        }
    }
    return true;
}

bool isSafeHeaderValue(QStringView value)
{
    return !value.contains(u'\r') && !value.contains(u'\n') && !value.contains(QChar(0));
}

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        return QString::fromLatin1(bytes);
    }
    return text.isNull() ? QStringLiteral("") : text;
}

HttpHeaders decodeHeaders(const QList<std::pair<QByteArray, QByteArray>>& fields)
{
    HttpHeaders headers;
    for (const auto& [name, value] : fields) {
        headers.add(QString::fromLatin1(name), decodeText(value));
    }
    return headers;
}

bool fieldNameIsSecret(QByteArrayView rawName)
{
    QByteArray name = rawName.toByteArray();
    name.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(name))
        .contains(QLatin1String("password"), Qt::CaseInsensitive);
}

} // namespace

HttpRequest::HttpRequest(QUrl url, std::shared_ptr<HttpContext> context)
    : m_url(std::move(url)), m_context(context ? std::move(context) : HttpContext::defaultContext())
{}

HttpRequest::~HttpRequest() = default;

namespace {

std::mutex g_waitMutex;
HttpRequest::WaitListener g_waitListener;
std::atomic<int> g_waitGeneration{0};

} // namespace

void HttpRequest::installWaitListener(WaitListener listener)
{
    const std::lock_guard lock(g_waitMutex);
    g_waitListener = std::move(listener);
}

void HttpRequest::cancelWaits()
{
    ++g_waitGeneration;
}

bool HttpRequest::waitOutRetryAfter()
{
    if (m_waitedSeconds > 0 || !m_urlResponse) {
        return false;
    }
    const int status = m_urlResponse->statusCode;
    const std::optional<int> seconds = siteanswer::retryAfterSeconds(*this);
    if ((status != 429 && status != 503) || siteanswer::kindOf(*this) != SiteAnswerKind::RateLimited || !seconds ||
        *seconds > kLongestRetryWait) {
        return false;
    }
    const auto tell = [this](int left) {
        WaitListener listener;
        {
            const std::lock_guard lock(g_waitMutex);
            listener = g_waitListener;
        }
        if (listener) {
            listener(m_url, left);
        }
    };
    const int generation = g_waitGeneration.load();
    m_waitedSeconds = std::max(1, *seconds);
    tell(m_waitedSeconds);
    // In short steps, so that a cancel ends it at once.
    const QDeadlineTimer until{std::chrono::seconds(m_waitedSeconds)};
    while (!until.hasExpired() && generation == g_waitGeneration.load()) {
        QThread::msleep(std::min<qint64>(100, std::max<qint64>(1, until.remainingTime())));
    }
    tell(0);
    return generation == g_waitGeneration.load();
}

void HttpRequest::request()
{
    m_waitedSeconds = 0;
    for (int sentAgain = 0;; ++sentAgain) {
        sendOnce();
        if (waitOutRetryAfter()) {
            sendOnce();
        }
        const std::shared_ptr<SessionGuard> guard = SessionGuard::installed();
        const SessionGuard::Verdict verdict = guard ? guard->check(*this, sentAgain) : SessionGuard::Verdict::Final;
        if (verdict == SessionGuard::Verdict::GiveUp) {
            clearResults();
        }
        if (verdict != SessionGuard::Verdict::SendAgain) {
            return;
        }
    }
}

bool HttpRequest::isResponseValid() const
{
    return m_urlResponse && m_urlResponse->statusCode >= 200 && m_urlResponse->statusCode < 300;
}

void HttpRequest::clearResults()
{
    m_urlResponse.reset();
    m_responseData.reset();
    m_headers.reset();
    m_result.reset();
    m_transportFailure.reset();
}

void HttpRequest::sendOnce()
{
    clearResults();

    HttpHeaders outgoing;
    std::optional<QByteArray> body;
    const bool post = m_type == QLatin1String("POST");
    if (!post) {
        outgoing.add(QStringLiteral("Content-Type"), QStringLiteral("text/html"));
    } else if (m_client) {
        outgoing.add(QStringLiteral("Content-Type"), m_client->uploadContentType());
        outgoing.add(QStringLiteral("Keep-Alive"), QStringLiteral("115"));
        outgoing.add(QStringLiteral("Accept"), QLatin1String(kMultipartAccept));
        body = m_client->getData();
        outgoing.add(QStringLiteral("Content-Length"), QString::number(body->size()));
    } else {
        outgoing.add(QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
        body = m_postData.value_or(QString()).toUtf8();
        outgoing.add(QStringLiteral("Content-Length"), QString::number(body->size()));
    }
    if (body && lcNet().isDebugEnabled()) {
        const std::optional<QString> own = m_client ? m_client->uploadForLog(*body) : std::nullopt;
        qCDebug(lcNet).noquote() << QStringLiteral("DATA: ") +
                                        own.value_or(describeBodyForLog(*body, m_client != nullptr));
    }

    for (const auto& [name, value] : m_extraHeaders.entries()) {
        outgoing.add(name, value);
    }
    if (m_username && !m_username->isEmpty()) {
        const QString credentials = *m_username + QLatin1Char(':') + m_password.value_or(QString());
        outgoing.add(QStringLiteral("Authorization"), QStringLiteral("Basic ") + base64Encoding(credentials.toUtf8()));
    }
    const QString browser = m_overwriteUserAgent ? m_context->browserUserAgent() : QString();
    outgoing.add(QStringLiteral("User-Agent"),
                 !browser.isEmpty() ? browser
                                    : QString::fromLatin1(m_overwriteUserAgent ? kDesktopUserAgent : kPhoneUserAgent));

    if (!isToken(m_type)) {
        qCDebug(lcNet) << "not sent: the method is not a valid HTTP method";
        return;
    }
    TransferRequest transfer;
    transfer.url = m_url.toEncoded();
    transfer.method = m_type.toLatin1();
    transfer.body = std::move(body);
    transfer.timeoutSeconds = m_timeout;
    for (const auto& [name, value] : outgoing.entries()) {
        if (!isToken(name) || !isSafeHeaderValue(value)) {
            qCDebug(lcNet) << "header left out, its name or value would break the request:" << name;
            continue;
        }
        // "Name;" is how the HTTP client is told to send a field with an empty value ("Name:" would remove it).
        transfer.headerLines.append(name.toLatin1() + (value.isEmpty() ? QByteArray(";") : ": " + value.toUtf8()));
    }

    QString failure;
    std::optional<TransferResult> answer = performTransfer(transfer, *m_context, &failure);
    if (!answer) {
        m_transportFailure = std::move(failure);
        return;
    }
    HttpHeaders responseHeaders = decodeHeaders(answer->headers);
    m_urlResponse =
        HttpResponse{static_cast<int>(answer->statusCode), QUrl::fromEncoded(answer->effectiveUrl), responseHeaders};
    if (!responseHeaders.isEmpty()) {
        m_headers = std::move(responseHeaders);
    }
    m_result = decodeText(answer->body);
    m_responseData = std::move(answer->body);
}

QString HttpRequest::describeBodyForLog(const QByteArray& body, bool multipart)
{
    if (multipart) {
        return sizeAndPrefix(body, u"multipart data");
    }
    QStringList fields;
    for (const QByteArray& field : body.split('&')) {
        const qsizetype equals = field.indexOf('=');
        if (equals >= 0 && fieldNameIsSecret(field.first(equals))) {
            fields.append(decodeText(field.first(equals)) + QLatin1String("=********"));
        } else {
            fields.append(decodeText(field));
        }
    }
    // Masked first, so that the first bytes never show a secret either.
    const QString masked = fields.join(QLatin1Char('&'));
    return body.size() <= kLoggedWholeBytes ? masked : sizeAndPrefix(masked.toUtf8(), u"data");
}

} // namespace marrowfin
