// The upload bodies the adapters build, read back by the demo's multipart reader: whatever the torrent's bytes and
// address, the client gets exactly the file and its name. And the reader itself over any body.
#include "FuzzInput.h"
#include "Multipart.h"

#include "core/remote/FetchPageDownload.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/Utorrent.h"
#include "core/remote/Vuze.h"

#include <memory>

namespace {

template <typename Client>
void roundTrip(const QString& address, const QByteArray& file)
{
    using namespace marrowfin;
    auto client = std::make_shared<Client>();
    client->setFilename(FetchPageDownload::uploadFileName(address));
    client->setFile(file);
    const QByteArray body = client->getData();
    const auto boundary = demo::MultipartParser::boundaryOf(client->uploadContentType().toStdString());
    MARROWFIN_FUZZ_CHECK(boundary.has_value());
    const auto parsed =
        demo::MultipartParser::parse(std::string_view(body.constData(), size_t(body.size())), *boundary);
    MARROWFIN_FUZZ_CHECK(parsed.error.empty());
    bool found = false;
    for (const demo::MultipartPart& part : parsed.parts) {
        if (QString::fromStdString(part.name) != client->name()) {
            continue;
        }
        found = true;
        MARROWFIN_FUZZ_CHECK(QByteArray::fromStdString(part.body) == file);
        MARROWFIN_FUZZ_CHECK(part.filename && QString::fromStdString(*part.filename) == client->filename());
    }
    MARROWFIN_FUZZ_CHECK(found);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const auto [address, file] = fuzz::splitAtNul(data, size);
    roundTrip<Utorrent>(QString::fromUtf8(address), file);
    roundTrip<Vuze>(QString::fromUtf8(address), file);
    roundTrip<Qbittorrent>(QString::fromUtf8(address), file);
    (void)demo::MultipartParser::parse(std::string_view(reinterpret_cast<const char*>(data), size), "b");
    return 0;
}
