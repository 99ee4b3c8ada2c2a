// What the BitTorrent clients answer, and the torrent file checks that decide what is sent to them, over any bytes.
#include "FuzzInput.h"

#include "core/net/HttpHeaders.h"
#include "core/remote/BencodeCheck.h"
#include "core/remote/Deluge.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/Transmission.h"
#include "core/remote/Utorrent.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString text = QString::fromUtf8(bytes);

    // Transmission: the RPC's answer, and the session id read from the answer's fields (one "Name: value" a line).
    (void)Transmission::torrentAddSucceeded(bytes);
    HttpHeaders fields;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            fields.add(QString::fromUtf8(line.first(colon)), QString::fromUtf8(line.sliced(colon + 1).trimmed()));
        }
    }
    (void)fields.value(Transmission::kSessionIdHeader);

    // uTorrent: the token page, read with the adapter's own pattern.
    try {
        const QStringList token = captureComponentsMatchedByRegex(text, Utorrent::kTokenPattern.toString());
        MARROWFIN_FUZZ_CHECK(token.isEmpty() || (token.size() == 2 && token.at(1).size() < text.size()));
    } catch (const RegexException&) {
    }

    // Deluge and qBittorrent: an answer the client did not send with success is never taken as a send.
    const bool added = Deluge::torrentAdded(bytes);
    MARROWFIN_FUZZ_CHECK(!Deluge().uploadAccepted(500, bytes));
    MARROWFIN_FUZZ_CHECK(Deluge().uploadAccepted(200, bytes) == added);
    MARROWFIN_FUZZ_CHECK(!Qbittorrent().uploadAccepted(500, bytes));
    (void)Qbittorrent::isOk(bytes);
    const QByteArray hash = Qbittorrent::magnetInfoHash(text);
    MARROWFIN_FUZZ_CHECK(hash.isEmpty() || hash.size() == 40);

    // The torrent file: an info hash only for a bencoded dictionary, always 40 hex digits.
    const bool torrent = isBencodedDictionary(bytes);
    if (const auto info = infoHash(bytes)) {
        MARROWFIN_FUZZ_CHECK(torrent && info->size() == 40);
    }
    return 0;
}
