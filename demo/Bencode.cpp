#include "Bencode.h"

#include <charconv>
#include <limits>

namespace marrowfin::demo {

namespace {

constexpr int kMaxDepth = 64;

void encodeInto(const BencodeValue& value, std::string& out)
{
    if (const auto* integer = value.integer()) {
        out += 'i';
        out += std::to_string(*integer);
        out += 'e';
    } else if (const auto* text = value.string()) {
        out += std::to_string(text->size());
        out += ':';
        out += *text;
    } else if (const auto* list = value.list()) {
        out += 'l';
        for (const BencodeValue& item : *list)
            encodeInto(item, out);
        out += 'e';
    } else if (const auto* dictionary = value.dictionary()) {
        out += 'd';
        for (const auto& [key, item] : *dictionary) {
            out += std::to_string(key.size());
            out += ':';
            out += key;
            encodeInto(item, out);
        }
        out += 'e';
    }
}

class Decoder
{
public:
    explicit Decoder(std::string_view bytes) : m_bytes(bytes) {}

    std::optional<BencodeValue> value(int depth)
    {
        if (depth > kMaxDepth || m_at >= m_bytes.size())
            return std::nullopt;
        const char c = m_bytes[m_at];
        if (c == 'i') {
            ++m_at;
            auto number = integer('e');
            if (!number)
                return std::nullopt;
            return BencodeValue{*number};
        }
        if (c >= '0' && c <= '9') {
            auto text = string();
            if (!text)
                return std::nullopt;
            return BencodeValue{std::move(*text)};
        }
        if (c == 'l') {
            ++m_at;
            BencodeValue::List list;
            while (m_at < m_bytes.size() && m_bytes[m_at] != 'e') {
                auto item = value(depth + 1);
                if (!item)
                    return std::nullopt;
                list.push_back(std::move(*item));
            }
            if (m_at >= m_bytes.size())
                return std::nullopt;
            ++m_at;
            return BencodeValue{std::move(list)};
        }
        if (c == 'd') {
            ++m_at;
            BencodeValue::Dictionary dictionary;
            std::optional<std::string> previous;
            while (m_at < m_bytes.size() && m_bytes[m_at] != 'e') {
                auto key = string();
                if (!key || (previous && *key <= *previous))
                    return std::nullopt;
                auto item = value(depth + 1);
                if (!item)
                    return std::nullopt;
                previous = *key;
                dictionary.emplace(std::move(*key), std::move(*item));
            }
            if (m_at >= m_bytes.size())
                return std::nullopt;
            ++m_at;
            return BencodeValue{std::move(dictionary)};
        }
        return std::nullopt;
    }

    [[nodiscard]] bool atEnd() const { return m_at == m_bytes.size(); }

private:
    std::optional<std::int64_t> integer(char terminator)
    {
        const auto end = m_bytes.find(terminator, m_at);
        if (end == std::string_view::npos || end == m_at)
            return std::nullopt;
        const std::string_view digits = m_bytes.substr(m_at, end - m_at);
        const bool negative = digits.front() == '-';
        const std::string_view magnitude = negative ? digits.substr(1) : digits;
        if (magnitude.empty() || (magnitude.size() > 1 && magnitude.front() == '0') || (negative && magnitude == "0"))
            return std::nullopt;
        std::int64_t number = 0;
        const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (ec != std::errc() || ptr != digits.data() + digits.size())
            return std::nullopt;
        m_at = end + 1;
        return number;
    }

    std::optional<std::string> string()
    {
        const auto length = integer(':');
        if (!length || *length < 0 || std::uint64_t(*length) > m_bytes.size() - m_at)
            return std::nullopt;
        std::string text(m_bytes.substr(m_at, std::size_t(*length)));
        m_at += std::size_t(*length);
        return text;
    }

    std::string_view m_bytes;
    std::size_t m_at = 0;
};

} // namespace

const BencodeValue* BencodeValue::find(const std::string& key) const
{
    const auto* entries = dictionary();
    if (entries == nullptr)
        return nullptr;
    const auto it = entries->find(key);
    return it == entries->end() ? nullptr : &it->second;
}

std::string bencode(const BencodeValue& value)
{
    std::string out;
    encodeInto(value, out);
    return out;
}

std::optional<BencodeValue> bdecode(std::string_view bytes)
{
    Decoder decoder(bytes);
    auto value = decoder.value(0);
    if (!value || !decoder.atEnd())
        return std::nullopt;
    return value;
}

std::string torrentProblem(std::string_view bytes)
{
    const auto torrent = bdecode(bytes);
    if (!torrent)
        return "not valid bencoding";
    const BencodeValue* info = torrent->find("info");
    if (info == nullptr || info->dictionary() == nullptr)
        return "no info dictionary";
    const BencodeValue* name = info->find("name");
    if (name == nullptr || name->string() == nullptr || name->string()->empty())
        return "no name";
    const BencodeValue* pieceLength = info->find("piece length");
    if (pieceLength == nullptr || pieceLength->integer() == nullptr || *pieceLength->integer() <= 0)
        return "no piece length";
    std::int64_t total = 0;
    if (const BencodeValue* length = info->find("length")) {
        if (length->integer() == nullptr || *length->integer() < 0)
            return "bad length";
        total = *length->integer();
    } else if (const BencodeValue* files = info->find("files"); files != nullptr && files->list() != nullptr) {
        if (files->list()->empty())
            return "empty file list";
        for (const BencodeValue& file : *files->list()) {
            const BencodeValue* fileLength = file.find("length");
            const BencodeValue* path = file.find("path");
            if (fileLength == nullptr || fileLength->integer() == nullptr || *fileLength->integer() < 0)
                return "bad file length";
            if (path == nullptr || path->list() == nullptr || path->list()->empty())
                return "bad file path";
            for (const BencodeValue& part : *path->list()) {
                if (part.string() == nullptr || part.string()->empty())
                    return "bad file path";
            }
            if (*fileLength->integer() > std::numeric_limits<std::int64_t>::max() - total)
                return "bad file length";
            total += *fileLength->integer();
        }
    } else {
        return "neither length nor files";
    }
    const BencodeValue* pieces = info->find("pieces");
    if (pieces == nullptr || pieces->string() == nullptr)
        return "no pieces";
    const std::int64_t pieceCount = (total + *pieceLength->integer() - 1) / *pieceLength->integer();
    if (std::int64_t(pieces->string()->size()) != pieceCount * 20)
        return "pieces do not fit the length";
    return {};
}

} // namespace marrowfin::demo
