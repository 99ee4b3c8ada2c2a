#pragma once

#include "Bencode.h"
#include "Catalogue.h"

#include <string>
#include <string_view>

namespace marrowfin::demo {

// The .torrent file of a catalogue entry: a bencoded metainfo dictionary whose info holds the name, a power-of-two
// piece length, one 20-byte hash per piece of the declared length, and a length (one file) or a file list. The
// hashes are made up from the entry's seed (there is no content to hash), which a client accepts until it checks
// downloaded data. Built on demand, so nothing of it stays in memory.
class TorrentFile final
{
public:
    [[nodiscard]] static std::string build(const CatalogueEntry& entry, std::string_view siteHost);
    // "magnet:?xt=urn:btih:<the info dictionary's SHA-1 in hex>&dn=<the listed name, percent-escaped>": the same
    // torrent as the file, as a link.
    [[nodiscard]] static std::string magnetLink(const CatalogueEntry& entry);
    [[nodiscard]] static std::int64_t pieceLengthFor(std::uint64_t totalBytes);

private:
    [[nodiscard]] static BencodeValue::Dictionary infoOf(const CatalogueEntry& entry);
};

} // namespace marrowfin::demo
