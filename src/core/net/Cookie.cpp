#include "Cookie.h"

#include <QList>

namespace marrowfin {

namespace {

constexpr QByteArrayView kHttpOnlyPrefix = "#HttpOnly_";

std::optional<bool> parseFlag(QByteArrayView text)
{
    if (text.compare("TRUE", Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare("FALSE", Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

QByteArrayView flagText(bool flag)
{
    return flag ? QByteArrayView("TRUE") : QByteArrayView("FALSE");
}

bool hasLineBreakOrTab(QByteArrayView text)
{
    return text.contains('\t') || text.contains('\n') || text.contains('\r');
}

} // namespace

bool Cookie::sameIdentity(const Cookie& other) const
{
    return includeSubdomains == other.includeSubdomains && path == other.path && name == other.name &&
           domain.compare(other.domain, Qt::CaseInsensitive) == 0;
}

QByteArray Cookie::toNetscapeLine() const
{
    QByteArray line;
    if (httpOnly) {
        line += kHttpOnlyPrefix;
    }
    if (includeSubdomains) {
        line += '.';
    }
    line += domain.toUtf8();
    line += '\t';
    line += flagText(includeSubdomains);
    line += '\t';
    line += path.toUtf8();
    line += '\t';
    line += flagText(secure);
    line += '\t';
    line += QByteArray::number(expiry);
    line += '\t';
    line += name;
    line += '\t';
    line += value;
    return line;
}

std::optional<Cookie> Cookie::fromNetscapeLine(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    Cookie cookie;
    if (line.startsWith(kHttpOnlyPrefix)) {
        cookie.httpOnly = true;
        line = line.sliced(kHttpOnlyPrefix.size());
    }
    if (line.isEmpty() || line.startsWith('#')) {
        return std::nullopt;
    }
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line.at(i) == '\t') {
            fields.append(line.sliced(start, i - start));
            start = i + 1;
        }
    }
    // A cookie with an empty value is written by some tools without its last field.
    if (fields.size() == 6) {
        fields.append(QByteArrayView());
    }
    if (fields.size() != 7) {
        return std::nullopt;
    }
    QByteArrayView domain = fields.at(0);
    if (domain.startsWith('.')) {
        domain = domain.sliced(1);
    }
    const std::optional<bool> subdomains = parseFlag(fields.at(1));
    const std::optional<bool> secure = parseFlag(fields.at(3));
    bool expiryOk = false;
    const qint64 expiry = fields.at(4).toLongLong(&expiryOk);
    // No host begins with "#" or ".": written back, such a domain would make the line a comment (or an HttpOnly
    // mark), or lose its dot to the subdomain mark when read again.
    if (domain.isEmpty() || domain.startsWith('#') || domain.startsWith('.') || !subdomains || !secure || !expiryOk ||
        expiry < 0 || fields.at(5).isEmpty()) {
        return std::nullopt;
    }
    cookie.domain = QString::fromUtf8(domain);
    cookie.includeSubdomains = *subdomains;
    cookie.path = fields.at(2).isEmpty() ? QStringLiteral("/") : QString::fromUtf8(fields.at(2));
    cookie.secure = *secure;
    cookie.expiry = expiry;
    cookie.name = fields.at(5).toByteArray();
    cookie.value = fields.at(6).toByteArray();
    if (hasLineBreakOrTab(cookie.value)) {
        return std::nullopt;
    }
    return cookie;
}

} // namespace marrowfin
