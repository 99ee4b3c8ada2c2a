#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The libcurl side of one send. Internal to the net library: HttpRequest decides what is sent, this only moves the
// bytes, applies the shared cookie jar and enforces the transport limits.
namespace marrowfin {

class HttpContext;

struct TransferRequest
{
    QByteArray url;
    QByteArray method;
    // Present exactly when the method carries a body (a "POST").
    std::optional<QByteArray> body;
    // "Name: value" lines in the order they are to be sent.
    QList<QByteArray> headerLines;
    // Seconds for the whole exchange; 0 or less takes the default.
    int timeoutSeconds = 0;
};

struct TransferResult
{
    long statusCode = 0;
    QByteArray effectiveUrl;
    // The fields of the final response, as received.
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

inline constexpr int kDefaultTimeoutSeconds = 60;
inline constexpr int kConnectTimeoutSeconds = 10;
// A transfer that moves less than a byte a second for this long has stalled.
inline constexpr int kStallSeconds = 30;
inline constexpr int kMaxRedirects = 10;

// Blocks the calling thread for the whole exchange. Absent on any transport failure: no connection, time-out, TLS
// failure, a refused redirect, or a body larger than the context allows. Cookies the server set are kept even then.
// On a failure `*failure` (when given) says why in a few words for the user, such as "connection refused"; it never
// holds a header or a body, so no credential or cookie reaches it.
[[nodiscard]] std::optional<TransferResult> performTransfer(const TransferRequest& request, const HttpContext& context,
                                                            QString* failure = nullptr);

} // namespace marrowfin
