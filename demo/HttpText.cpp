#include "HttpText.h"

#include <QByteArray>

#include <cctype>

namespace marrowfin::demo {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += (plusIsSpace && c == '+') ? ' ' : c;
    }
    return out;
}

std::string percentEncodePath(std::string_view text)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
    }
    return out;
}

Target splitTarget(std::string_view target)
{
    const auto question = target.find('?');
    if (question == std::string_view::npos)
        return {std::string(target), {}};
    return {std::string(target.substr(0, question)), std::string(target.substr(question + 1))};
}

std::map<std::string, std::string> parseForm(std::string_view text)
{
    std::map<std::string, std::string> fields;
    while (!text.empty()) {
        const auto amp = text.find('&');
        const std::string_view pair = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (pair.empty())
            continue;
        const auto eq = pair.find('=');
        std::string name = percentDecode(pair.substr(0, eq), true);
        std::string value = eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1), true);
        fields.emplace(std::move(name), std::move(value));
    }
    return fields;
}

std::optional<std::string> cookieValue(std::string_view cookieHeader, std::string_view name)
{
    while (!cookieHeader.empty()) {
        const auto semicolon = cookieHeader.find(';');
        const std::string_view pair = trim(cookieHeader.substr(0, semicolon));
        cookieHeader = semicolon == std::string_view::npos ? std::string_view() : cookieHeader.substr(semicolon + 1);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos && trim(pair.substr(0, eq)) == name)
            return std::string(trim(pair.substr(eq + 1)));
    }
    return std::nullopt;
}

std::optional<BasicCredentials> parseBasicAuthorization(std::string_view header)
{
    header = trim(header);
    if (header.size() < 6 || lowerAscii(header.substr(0, 6)) != "basic ")
        return std::nullopt;
    const QByteArray encoded(header.data() + 6, qsizetype(header.size() - 6));
    const auto decoded = QByteArray::fromBase64Encoding(encoded.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const QByteArray& plain = *decoded;
    const auto colon = plain.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    return BasicCredentials{plain.left(colon).toStdString(), plain.mid(colon + 1).toStdString()};
}

std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> headerParameter(std::string_view header, std::string_view name)
{
    std::size_t from = header.find(';');
    while (from != std::string_view::npos) {
        const auto next = header.find(';', from + 1);
        const std::string_view param =
            trim(header.substr(from + 1, next == std::string_view::npos ? next : next - from - 1));
        const auto eq = param.find('=');
        if (eq != std::string_view::npos && lowerAscii(trim(param.substr(0, eq))) == lowerAscii(name)) {
            std::string_view value = trim(param.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
        from = next;
    }
    return std::nullopt;
}

bool secretsEqual(std::string_view a, std::string_view b)
{
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return difference == 0;
}

} // namespace marrowfin::demo
