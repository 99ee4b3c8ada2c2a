#pragma once

#include "FormBoundary.h"
#include "HttpHeaders.h"
#include "HttpResponse.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace marrowfin {

class UploadBody;
class HttpContext;

// The site serves its full desktop pages, which every page pattern is written against, only to a desktop browser.
inline constexpr char kDesktopUserAgent[] = "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_9_2) AppleWebKit/537.36 (KHTML, "
                                            "like Gecko) Chrome/34.0.1847.116 Safari/537.36";
inline constexpr char kPhoneUserAgent[] =
    "Mozilla/5.0 (iPhone; U; CPU like Mac OS X; en) AppleWebKit/420+ (KHTML, like "
    "Gecko) Version/3.0 Mobile/1C25 Safari/419.3";
inline constexpr char kMultipartAccept[] = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

// One synchronous HTTP exchange. The owner fills in the properties, calls request() on any thread (it blocks that
// thread until the answer is in, or until the expired-session recovery has finished) and reads the results. An
// object is used by one thread at a time. Scrapers derive from it: their request() calls this one first and then
// takes result() apart.
//
// Failures carry no error: after a transport failure urlResponse, responseData, headers and result are all absent
// (transportFailure() only says why, in words for the user); an answer outside 200..299 still fills them, and only
// isResponseValid() tells the difference.
class HttpRequest
{
public:
    // A null `context` takes HttpContext::defaultContext() as it is now.
    explicit HttpRequest(QUrl url, std::shared_ptr<HttpContext> context = nullptr);
    virtual ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Sends, and sends again for as long as the installed SessionGuard asks for it. Results of an earlier call are
    // cleared first. An answer 429, or 503 with Retry-After, that asks for a wait of at most kLongestRetryWait is
    // waited out once (the installed wait listener hears of it) and sent again; its second answer stands.
    virtual void request();

    // The longest wait a Retry-After gets; a longer one is a failure at once.
    static constexpr int kLongestRetryWait = 60;
    // Hears each Retry-After wait as it begins (seconds > 0) and ends (seconds == 0), on the waiting thread: the
    // command line's progress line, the window's overlay. Installed once; null removes it.
    using WaitListener = std::function<void(const QUrl& url, int seconds)>;
    static void installWaitListener(WaitListener listener);
    // Ends every Retry-After wait under way now: each request then stands with the answer that asked for it.
    static void cancelWaits();
    // The Retry-After wait this request sat out, in seconds (0: none).
    [[nodiscard]] int waitedSeconds() const { return m_waitedSeconds; }

    // A final answer with a status of 200 to 299.
    [[nodiscard]] bool isResponseValid() const;

    [[nodiscard]] const QUrl& url() const { return m_url; }
    void setUrl(QUrl url) { m_url = std::move(url); }
    // Sent unchanged; only the exact text "POST" carries a body.
    [[nodiscard]] const QString& type() const { return m_type; }
    void setType(QString type) { m_type = std::move(type); }
    // The form body of a "POST" without a client, sent as UTF-8.
    [[nodiscard]] const std::optional<QString>& postData() const { return m_postData; }
    void setPostData(std::optional<QString> postData) { m_postData = std::move(postData); }
    // The upload body a "POST" carries (a remote client adapter, say). Shared: the request keeps it alive until it is
    // released.
    [[nodiscard]] const std::shared_ptr<const UploadBody>& client() const { return m_client; }
    void setClient(std::shared_ptr<const UploadBody> client) { m_client = std::move(client); }
    // Basic authorization is sent when the user name is present and not empty; an absent password counts as "".
    [[nodiscard]] const std::optional<QString>& username() const { return m_username; }
    void setUsername(std::optional<QString> username) { m_username = std::move(username); }
    [[nodiscard]] const std::optional<QString>& password() const { return m_password; }
    void setPassword(std::optional<QString> password) { m_password = std::move(password); }
    // Added after the content headers and before authorization and User-Agent; a name that is already there gets
    // this value appended after a comma.
    [[nodiscard]] const HttpHeaders& extraHeaders() const { return m_extraHeaders; }
    void setExtraHeaders(HttpHeaders headers) { m_extraHeaders = std::move(headers); }
    // True: the desktop User-Agent; false: the phone one.
    [[nodiscard]] bool overwriteUserAgent() const { return m_overwriteUserAgent; }
    void setOverwriteUserAgent(bool overwrite) { m_overwriteUserAgent = overwrite; }
    // The site's own sign-in exchange (posting the form, fetching the sign-in page): its answer is final whatever page
    // it brings, so the expired-session recovery never makes a sign-in wait for a re-sign-in that only it could end.
    [[nodiscard]] bool isSignIn() const { return m_signIn; }
    void setSignIn(bool signIn) { m_signIn = signIn; }
    // Seconds for the whole exchange; 0 takes the default of 60 seconds.
    [[nodiscard]] int timeout() const { return m_timeout; }
    void setTimeout(int seconds) { m_timeout = seconds; }

    // Why the last send brought no answer at all ("connection refused", a time-out, a TLS failure), for a message
    // to the user; absent when an answer came, whatever its status.
    [[nodiscard]] const std::optional<QString>& transportFailure() const { return m_transportFailure; }
    [[nodiscard]] const std::optional<HttpResponse>& urlResponse() const { return m_urlResponse; }
    [[nodiscard]] const std::optional<QByteArray>& responseData() const { return m_responseData; }
    void setResponseData(std::optional<QByteArray> data) { m_responseData = std::move(data); }
    [[nodiscard]] const std::optional<HttpHeaders>& headers() const { return m_headers; }
    // The body as text: UTF-8, or Latin-1 when the bytes are not valid UTF-8 (every byte is then one character,
    // bytes above 127 becoming U+0080..U+00FF). An empty body gives an empty, present text.
    [[nodiscard]] const std::optional<QString>& result() const { return m_result; }
    void setResult(std::optional<QString> result) { m_result = std::move(result); }

    [[nodiscard]] const std::shared_ptr<HttpContext>& context() const { return m_context; }

    // The text of the posted-body diagnostic line (without "DATA: "), with the value of every form field whose name
    // contains "password" masked; a multipart body shows only its length and a printable prefix.
    [[nodiscard]] static QString describeBodyForLog(const QByteArray& body, bool multipart);

protected:
    // Clears every result, as before a send.
    void clearResults();

private:
    void sendOnce();
    // The wait the answer asks for, when it is one to sit out now; waits it and returns true when it ran its course.
    [[nodiscard]] bool waitOutRetryAfter();

    QUrl m_url;
    QString m_type = QStringLiteral("GET");
    std::optional<QString> m_postData;
    std::shared_ptr<const UploadBody> m_client;
    std::optional<QString> m_username;
    std::optional<QString> m_password;
    HttpHeaders m_extraHeaders;
    bool m_overwriteUserAgent = true;
    int m_timeout = 0;
    bool m_signIn = false;
    int m_waitedSeconds = 0;

    std::optional<HttpResponse> m_urlResponse;
    std::optional<QByteArray> m_responseData;
    std::optional<HttpHeaders> m_headers;
    std::optional<QString> m_result;
    std::optional<QString> m_transportFailure;

    std::shared_ptr<HttpContext> m_context;
};

} // namespace marrowfin
