#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace marrowfin::demo {

// One bencoded value. Dictionaries keep their keys sorted as raw bytes, which is the order the encoding demands.
struct BencodeValue
{
    using List = std::vector<BencodeValue>;
    using Dictionary = std::map<std::string, BencodeValue>;

    std::variant<std::int64_t, std::string, List, Dictionary> value;

    [[nodiscard]] const std::string* string() const { return std::get_if<std::string>(&value); }
    [[nodiscard]] const std::int64_t* integer() const { return std::get_if<std::int64_t>(&value); }
    [[nodiscard]] const List* list() const { return std::get_if<List>(&value); }
    [[nodiscard]] const Dictionary* dictionary() const { return std::get_if<Dictionary>(&value); }
    // The entry `key` of a dictionary; null for a missing key or a value that is not a dictionary.
    [[nodiscard]] const BencodeValue* find(const std::string& key) const;
};

[[nodiscard]] std::string bencode(const BencodeValue& value);

// Strict decoding: the whole input must be exactly one value; integers without leading zeros or "-0",
// dictionary keys strictly ascending, nesting at most 64 deep. Anything else gives nothing.
[[nodiscard]] std::optional<BencodeValue> bdecode(std::string_view bytes);

// The checks a BitTorrent client makes before it takes a torrent: an info dictionary with a name, a positive
// piece length, one 20-byte hash per piece of the total length, and either a length or a list of files with
// lengths and non-empty paths. Empty when the torrent is acceptable, else the reason.
[[nodiscard]] std::string torrentProblem(std::string_view bytes);

} // namespace marrowfin::demo
