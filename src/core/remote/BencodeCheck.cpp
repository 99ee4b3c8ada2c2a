#include "BencodeCheck.h"

#include <QCryptographicHash>

#include <vector>

namespace marrowfin {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads "<length>:<bytes>" at `pos`; false when malformed or longer than what is left.
bool skipString(QByteArrayView bytes, qsizetype& pos)
{
    const qsizetype start = pos;
    qsizetype length = 0;
    while (pos < bytes.size() && isDigit(bytes[pos])) {
        length = length * 10 + (bytes[pos] - '0');
        if (length > bytes.size())
            return false;
        ++pos;
    }
    const qsizetype digits = pos - start;
    if (digits == 0 || (digits > 1 && bytes[start] == '0'))
        return false;
    if (pos >= bytes.size() || bytes[pos] != ':')
        return false;
    ++pos;
    if (length > bytes.size() - pos)
        return false;
    pos += length;
    return true;
}

// Reads "i<integer>e" at `pos` (which holds the "i").
bool skipInteger(QByteArrayView bytes, qsizetype& pos)
{
    ++pos;
    const bool negative = pos < bytes.size() && bytes[pos] == '-';
    if (negative)
        ++pos;
    const qsizetype start = pos;
    while (pos < bytes.size() && isDigit(bytes[pos]))
        ++pos;
    const qsizetype digits = pos - start;
    if (digits == 0 || (digits > 1 && bytes[start] == '0') || (negative && bytes[start] == '0'))
        return false;
    if (pos >= bytes.size() || bytes[pos] != 'e')
        return false;
    ++pos;
    return true;
}

struct Open
{
    bool dictionary;
    bool expectingKey;
};

// Reads one value at `pos`: an integer, a string, or a list or dictionary with all it holds.
bool skipValue(QByteArrayView bytes, qsizetype& pos)
{
    if (pos >= bytes.size())
        return false;
    const char first = bytes[pos];
    if (first == 'i')
        return skipInteger(bytes, pos);
    if (first != 'l' && first != 'd')
        return skipString(bytes, pos);
    std::vector<Open> open{{first == 'd', first == 'd'}};
    ++pos;
    while (!open.empty()) {
        if (pos >= bytes.size())
            return false;
        Open& top = open.back();
        const char c = bytes[pos];
        if (c == 'e') {
            if (top.dictionary && !top.expectingKey)
                return false; // a key without its value
            ++pos;
            open.pop_back();
            if (!open.empty() && open.back().dictionary)
                open.back().expectingKey = true;
            continue;
        }
        if (top.dictionary && top.expectingKey) {
            if (!skipString(bytes, pos))
                return false;
            top.expectingKey = false;
            continue;
        }
        if (c == 'l' || c == 'd') {
            ++pos;
            open.push_back({c == 'd', c == 'd'});
            continue;
        }
        const bool read = c == 'i' ? skipInteger(bytes, pos) : skipString(bytes, pos);
        if (!read)
            return false;
        if (top.dictionary)
            top.expectingKey = true;
    }
    return true;
}

} // namespace

bool isBencodedDictionary(QByteArrayView bytes)
{
    qsizetype pos = 0;
    return !bytes.isEmpty() && bytes.front() == 'd' && skipValue(bytes, pos) && pos == bytes.size();
}

std::optional<QByteArray> infoHash(QByteArrayView torrent)
{
    if (!isBencodedDictionary(torrent))
        return std::nullopt;
    qsizetype pos = 1;
    while (torrent[pos] != 'e') {
        const qsizetype keyStart = pos;
        if (!skipString(torrent, pos))
            return std::nullopt;
        const QByteArrayView key = torrent.sliced(keyStart, pos - keyStart);
        const qsizetype valueStart = pos;
        if (!skipValue(torrent, pos))
            return std::nullopt;
        if (key == "4:info" && torrent[valueStart] == 'd')
            return QCryptographicHash::hash(torrent.sliced(valueStart, pos - valueStart), QCryptographicHash::Sha1)
                .toHex();
    }
    return std::nullopt;
}

} // namespace marrowfin
