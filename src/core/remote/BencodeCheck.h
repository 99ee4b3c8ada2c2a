#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace marrowfin {

// True when `bytes` are exactly one bencoded dictionary, as every torrent file is: well-formed integers ("i-3e",
// no leading zeros, no "-0"), length-prefixed strings that fit, lists, dictionaries with string keys, and nothing
// after the closing "e". A sign-in page, an error page or a truncated file is not. Key order is not checked:
// clients take files with unsorted keys. Iterative, so hostile nesting cannot exhaust the stack.
[[nodiscard]] bool isBencodedDictionary(QByteArrayView bytes);

// The torrent's info hash: the SHA-1 of its "info" dictionary as written, in lower-case hex (what a magnet link's
// "xt=urn:btih:" and the clients' APIs call it). Absent for bytes that are no torrent or have no info dictionary.
[[nodiscard]] std::optional<QByteArray> infoHash(QByteArrayView torrent);

} // namespace marrowfin
