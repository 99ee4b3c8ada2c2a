#include "CurlTransfer.h"

#include "CookieStore.h"
#include "HttpContext.h"
#include "NetLog.h"

#include <QFile>
#include <QUrl>

#include <curl/curl.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace marrowfin {

namespace {

// Where Debian's OpenSSL keeps the hashed system certificates. Named explicitly when an extra CA file takes the
// CAINFO slot, so that the system's authorities stay trusted beside it.
constexpr const char* kSystemCaPath = "/etc/ssl/certs";

// Worker threads end after QThread::wait() has returned for them: their thread-local clean-up (the easy handle
// below, then OpenSSL's per-thread state) can still run while the main thread is in exit(), where OpenSSL frees
// what that clean-up walks, which crashed a command now and then as it ended. So each thread frees its OpenSSL state
// itself, and exit() waits (briefly, never forever) until every thread that made a handle has done so.
struct LiveHandles
{
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
};

LiveHandles& liveHandles()
{
    // Never freed: threads may still count down while static objects are destroyed.
    static auto* handles = new LiveHandles;
    return *handles;
}

constexpr auto kExitWaitForThreads = std::chrono::seconds(2);

void waitForThreadHandles()
{
    LiveHandles& handles = liveHandles();
    std::unique_lock lock(handles.mutex);
    handles.changed.wait_for(lock, kExitWaitForThreads, [&] { return handles.count == 0; });
}

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        // Registered after OpenSSL registered its own clean-up (curl_global_init initialised it), so it runs first.
        (void)liveHandles();
        std::atexit(&waitForThreadHandles);
    });
}

// One easy handle per thread, reused for every send on that thread so that its connection cache, TLS sessions and
// parsed CA store carry over. Cleaned up when the thread ends.
class ThreadEasyHandle final
{
public:
    ThreadEasyHandle() = default;
    ~ThreadEasyHandle()
    {
        if (m_easy == nullptr) {
            return;
        }
        curl_easy_cleanup(m_easy);
        OPENSSL_thread_stop();
        LiveHandles& handles = liveHandles();
        {
            const std::lock_guard lock(handles.mutex);
            --handles.count;
        }
        handles.changed.notify_all();
    }
    ThreadEasyHandle(const ThreadEasyHandle&) = delete;
    ThreadEasyHandle& operator=(const ThreadEasyHandle&) = delete;

    CURL* get()
    {
        if (m_easy == nullptr) {
            initialiseCurlOnce();
            m_easy = curl_easy_init();
            if (m_easy != nullptr) {
                const std::lock_guard lock(liveHandles().mutex);
                ++liveHandles().count;
            }
        }
        return m_easy;
    }

private:
    CURL* m_easy = nullptr;
};

thread_local ThreadEasyHandle t_easy;

class HeaderList final
{
public:
    HeaderList() = default;
    ~HeaderList() { curl_slist_free_all(m_list); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;

    bool append(const QByteArray& line)
    {
        curl_slist* grown = curl_slist_append(m_list, line.constData());
        if (grown == nullptr) {
            return false;
        }
        m_list = grown;
        return true;
    }
    [[nodiscard]] curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

struct Sink
{
    qint64 limit = 0;
    bool overLimit = false;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    // Counted after decompression, so a small compressed body cannot unpack past the limit either.
    if (sink->body.size() + static_cast<qint64>(bytes) > sink->limit) {
        sink->overLimit = true;
        return 0;
    }
    sink->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

size_t receiveHeader(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    QByteArrayView line(data, static_cast<qsizetype>(bytes));
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    // Every response of the exchange (interim 1xx, each redirect) starts with its status line; only the last one's
    // fields are kept.
    if (line.startsWith("HTTP/")) {
        sink->headers.clear();
    } else if ((line.startsWith(' ') || line.startsWith('\t')) && !sink->headers.isEmpty()) {
        auto& value = sink->headers.last().second;
        value += ' ';
        value += line.trimmed();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        sink->headers.append(
            {line.first(colon).trimmed().toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    }
    return bytes;
}

QList<Cookie> readCookies(CURL* easy)
{
    QList<Cookie> cookies;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) != CURLE_OK) {
        return cookies;
    }
    for (const curl_slist* item = list; item != nullptr; item = item->next) {
        if (std::optional<Cookie> cookie = Cookie::fromNetscapeLine(item->data)) {
            cookies.append(std::move(*cookie));
        }
    }
    curl_slist_free_all(list);
    return cookies;
}

// Hands the jar to the handle: "ALL" first, because a reused handle still holds the cookies of its last transfer.
void giveCookies(CURL* easy, const QList<Cookie>& cookies)
{
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    for (const Cookie& cookie : cookies) {
        curl_easy_setopt(easy, CURLOPT_COOKIELIST, cookie.toNetscapeLine().constData());
    }
}

bool setTransportOptions(CURL* easy, const TransferRequest& request, const HttpContext& context, Sink& sink,
                         char* errorBuffer)
{
    const long timeout = request.timeoutSeconds > 0 ? request.timeoutSeconds : kDefaultTimeoutSeconds;
    bool ok = true;
    const auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer));
    set(curl_easy_setopt(easy, CURLOPT_URL, request.url.constData()));
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L));
    set(curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects)));
    // Worker threads must not get SIGALRM from the resolver's time-out.
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(kConnectTimeoutSeconds)));
    set(curl_easy_setopt(easy, CURLOPT_TIMEOUT, timeout));
    set(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L));
    set(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kStallSeconds)));
    set(curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""));
    set(curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(context.maxBodyBytes())));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L));
    if (!context.extraCaFile().isEmpty()) {
        set(curl_easy_setopt(easy, CURLOPT_CAINFO, QFile::encodeName(context.extraCaFile()).constData()));
        set(curl_easy_setopt(easy, CURLOPT_CAPATH, kSystemCaPath));
    }
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &receiveBody));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &receiveHeader));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, &sink));
    return ok;
}

bool setMethod(CURL* easy, const TransferRequest& request)
{
    if (request.body) {
        // CURLOPT_POST rather than a custom method, so that a 301/302/303 answer continues with a GET without body,
        // as a browser does after posting a form.
        return curl_easy_setopt(easy, CURLOPT_POST, 1L) == CURLE_OK &&
               curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body->size())) ==
                   CURLE_OK &&
               curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body->constData()) == CURLE_OK;
    }
    if (request.method == "GET") {
        return curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    }
    if (request.method == "HEAD") {
        // A custom "HEAD" would make the client wait for a body that never comes.
        return curl_easy_setopt(easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
    }
    return curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.constData()) == CURLE_OK;
}

QString hostOf(const QByteArray& url)
{
    return QUrl::fromEncoded(url).host();
}

// A refused or unreachable connection is told best by the system's own words for it; curl's text says only that
// it could not connect. A stalled or slow answer gets a plain "timed out" before curl's account of it. Anything else
// keeps curl's text, which names a TLS or a name failure well enough.
QString failureText(CURLcode code, long osErrno, const char* errorBuffer)
{
    if (code == CURLE_COULDNT_CONNECT && osErrno != 0) {
        QString text = qt_error_string(int(osErrno));
        if (!text.isEmpty()) {
            text[0] = text[0].toLower();
            return text;
        }
    }
    const QString text = QString::fromUtf8(errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code));
    return code == CURLE_OPERATION_TIMEDOUT ? QStringLiteral("timed out (%1)").arg(text) : text;
}

void tell(QString* failure, const QString& text)
{
    if (failure != nullptr) {
        *failure = text;
    }
}

} // namespace

std::optional<TransferResult> performTransfer(const TransferRequest& request, const HttpContext& context,
                                              QString* failure)
{
    CURL* easy = t_easy.get();
    if (easy == nullptr) {
        qCDebug(lcNet) << "no HTTP client handle could be made";
        tell(failure, QStringLiteral("no HTTP client handle could be made"));
        return std::nullopt;
    }
    // Back to the defaults, keeping the connection cache, TLS sessions and DNS cache; everything is set again below.
    curl_easy_reset(easy);

    HeaderList headers;
    bool ok = true;
    for (const QByteArray& line : request.headerLines) {
        // The client writes the body's length itself, the same number, and leaves it out when a 301/302/303 turns
        // the POST into a GET; a length of our own would go along with that GET and make the server wait for a body.
        if (request.body && line.first(std::min<qsizetype>(line.size(), 15)).toLower() == "content-length:") {
            continue;
        }
        ok = ok && headers.append(line);
    }
    // The client would otherwise ask large bodies to wait for "100 Continue", which some servers never send.
    ok = ok && headers.append(QByteArrayLiteral("Expect:"));

    Sink sink;
    sink.limit = context.maxBodyBytes();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    ok = ok && setTransportOptions(easy, request, context, sink, errorBuffer);
    ok = ok && setMethod(easy, request);
    ok = ok && curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
    if (!ok) {
        qCDebug(lcNet) << "the request to" << hostOf(request.url) << "could not be set up";
        tell(failure, QStringLiteral("the request could not be set up"));
        curl_easy_reset(easy);
        return std::nullopt;
    }

    CookieStore& jar = context.cookieStore();
    const QList<Cookie> given = jar.cookies();
    giveCookies(easy, given);

    const CURLcode code = curl_easy_perform(easy);

    // Cookies set before a failure (on a redirect, or in the headers of a body that was too large) still count.
    jar.mergeTransfer(given, readCookies(easy));
    // No cookie file: frees the list that giveCookies' empty file name was appended to, which a reset would lose
    // (one list entry leaked for every transfer of a long-lived thread), and stops the handle's cookie engine with
    // the cookies of this transfer; the next transfer hands the jar in afresh.
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<const char*>(nullptr));

    long status = 0;
    char* effectiveUrl = nullptr;
    const bool infoOk = code == CURLE_OK && curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
                        curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effectiveUrl) == CURLE_OK;
    // Copied now: the text belongs to the handle and goes with the reset below.
    const QByteArray finalUrl = effectiveUrl != nullptr ? QByteArray(effectiveUrl) : request.url;
    long osErrno = 0;
    if (code != CURLE_OK && curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno) != CURLE_OK) {
        osErrno = 0;
    }
    // The handle must not keep pointers into this frame's buffers.
    curl_easy_reset(easy);

    if (sink.overLimit || code == CURLE_FILESIZE_EXCEEDED) {
        qCDebug(lcNet) << "the answer from" << hostOf(request.url) << "is larger than" << context.maxBodyBytes()
                       << "bytes; dropped";
        tell(failure, QStringLiteral("the answer is larger than %1 bytes").arg(context.maxBodyBytes()));
        return std::nullopt;
    }
    if (code != CURLE_OK) {
        qCDebug(lcNet) << "the request to" << hostOf(request.url) << "failed:" << curl_easy_strerror(code)
                       << errorBuffer;
        tell(failure, failureText(code, osErrno, errorBuffer));
        return std::nullopt;
    }
    if (!infoOk) {
        qCDebug(lcNet) << "the answer from" << hostOf(request.url) << "could not be read";
        tell(failure, QStringLiteral("the answer could not be read"));
        return std::nullopt;
    }
    TransferResult result;
    result.statusCode = status;
    result.effectiveUrl = finalUrl;
    result.headers = std::move(sink.headers);
    result.body = std::move(sink.body);
    return result;
}

} // namespace marrowfin
