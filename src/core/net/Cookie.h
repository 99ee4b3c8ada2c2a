#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace marrowfin {

// One stored cookie, with the fields of a line of the Netscape cookie file. `domain` is kept without a leading dot;
// `includeSubdomains` says whether the cookie also goes to the domain's subdomains (written as a leading dot and
// "TRUE"). `expiry` is in seconds since the epoch, 0 for a session cookie. `value` is a secret: never log it.
struct Cookie
{
    QString domain;
    bool includeSubdomains = false;
    QString path = QStringLiteral("/");
    bool secure = false;
    bool httpOnly = false;
    qint64 expiry = 0;
    QByteArray name;
    QByteArray value;

    [[nodiscard]] bool isSession() const { return expiry == 0; }
    [[nodiscard]] bool isExpired(qint64 nowSeconds) const { return expiry > 0 && expiry <= nowSeconds; }

    // Two cookies with the same identity replace each other: same domain (any case), same subdomain flag, same path
    // and same name. This is the identity the HTTP client's cookie engine uses.
    [[nodiscard]] bool sameIdentity(const Cookie& other) const;

    // One line without its line end; HttpOnly cookies carry the "#HttpOnly_" prefix that the file format uses.
    [[nodiscard]] QByteArray toNetscapeLine() const;
    // Absent for a line that is not a cookie (blank, comment, wrong field count, bad number, empty name or domain).
    [[nodiscard]] static std::optional<Cookie> fromNetscapeLine(QByteArrayView line);

    friend bool operator==(const Cookie&, const Cookie&) = default;
};

} // namespace marrowfin
