#include "TorrentFile.h"

#include "Bencode.h"

#include <QCryptographicHash>

#include <algorithm>

namespace marrowfin::demo {

namespace {

constexpr std::int64_t kMinPieceLength = 16 * 1024;
constexpr std::int64_t kMaxPieceLength = 16 * 1024 * 1024;
constexpr std::uint64_t kTargetPieces = 1500;

std::uint64_t mix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

BencodeValue text(std::string value)
{
    return BencodeValue{std::move(value)};
}

BencodeValue number(std::int64_t value)
{
    return BencodeValue{value};
}

} // namespace

std::int64_t TorrentFile::pieceLengthFor(std::uint64_t totalBytes)
{
    std::int64_t length = kMinPieceLength;
    while (length < kMaxPieceLength && totalBytes / std::uint64_t(length) > kTargetPieces)
        length *= 2;
    return length;
}

BencodeValue::Dictionary TorrentFile::infoOf(const CatalogueEntry& entry)
{
    std::uint64_t state = entry.contentSeed;
    const std::int64_t pieceLength = pieceLengthFor(entry.sizeBytes);
    const std::int64_t total = std::int64_t(entry.sizeBytes);
    const std::int64_t pieceCount = (total + pieceLength - 1) / pieceLength;

    std::string pieces(std::size_t(pieceCount) * 20, '\0');
    for (std::size_t i = 0; i < pieces.size(); i += 8) {
        const std::uint64_t word = mix(state);
        for (std::size_t b = 0; b < 8 && i + b < pieces.size(); ++b)
            pieces[i + b] = char((word >> (8 * b)) & 0xFF);
    }

    BencodeValue::Dictionary info;
    const std::string name = entry.slug.empty() ? "torrent-" + std::to_string(entry.id) : entry.slug;
    info["name"] = text(name);
    info["piece length"] = number(pieceLength);
    info["pieces"] = text(std::move(pieces));
    if (entry.files <= 1) {
        info["length"] = number(total);
    } else {
        // A split of the total into entry.files lengths, the first file (the main one) the largest.
        BencodeValue::List files;
        std::int64_t left = total;
        for (int i = 0; i < entry.files; ++i) {
            const int remaining = entry.files - i;
            std::int64_t length = left;
            if (remaining > 1) {
                const std::int64_t share = left / remaining;
                length =
                    i == 0 ? left / 2
                           : std::max<std::int64_t>(0, share / 2 + std::int64_t(mix(state) % std::uint64_t(share + 1)));
                length = std::min(length, left);
            }
            left -= length;
            char fileName[64];
            std::snprintf(fileName, sizeof fileName, "part-%03d.bin", i + 1);
            BencodeValue::Dictionary file;
            file["length"] = number(length);
            file["path"] = BencodeValue{BencodeValue::List{text(i == 0 ? name + ".bin" : std::string(fileName))}};
            files.push_back(BencodeValue{std::move(file)});
        }
        info["files"] = BencodeValue{std::move(files)};
    }
    return info;
}

std::string TorrentFile::build(const CatalogueEntry& entry, std::string_view siteHost)
{
    BencodeValue::Dictionary torrent;
    torrent["announce"] = text("http://" + std::string(siteHost) + "/announce");
    torrent["comment"] = text("Made up by the Marrowfin demo site; there is no content behind it.");
    torrent["created by"] = text("marrowfin-demo-site");
    torrent["creation date"] = number(1400000000 - entry.ageSeconds);
    torrent["info"] = BencodeValue{infoOf(entry)};
    return bencode(BencodeValue{std::move(torrent)});
}

std::string TorrentFile::magnetLink(const CatalogueEntry& entry)
{
    const std::string info = bencode(BencodeValue{infoOf(entry)});
    const QByteArray hash =
        QCryptographicHash::hash(QByteArrayView(info.data(), qsizetype(info.size())), QCryptographicHash::Sha1).toHex();
    return "magnet:?xt=urn:btih:" + hash.toStdString() +
           "&dn=" + entry.listedName.toUtf8().toPercentEncoding().toStdString();
}

} // namespace marrowfin::demo
