#include "PageRenderer.h"
#include "SharedDemo.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/wait.h>

using namespace marrowfin;
using namespace marrowfin::demotest;

namespace {

// A bencode reader of the test's own, so the demo's encoder is not checked against its own decoder. It records
// what the checks need: the info dictionary's scalar entries and the file lengths.
class Reader
{
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}

    bool value(const std::string& path)
    {
        if (m_at >= m_bytes.size())
            return false;
        const char c = m_bytes[m_at];
        if (c == 'i') {
            const auto end = m_bytes.find('e', m_at);
            if (end == std::string::npos)
                return false;
            integers[path] = std::stoll(m_bytes.substr(m_at + 1, end - m_at - 1));
            m_at = end + 1;
            return true;
        }
        if (c >= '0' && c <= '9') {
            std::string text;
            if (!string(text))
                return false;
            strings[path] = text;
            return true;
        }
        if (c == 'l' || c == 'd') {
            ++m_at;
            int index = 0;
            std::string previousKey;
            while (m_at < m_bytes.size() && m_bytes[m_at] != 'e') {
                std::string key = std::to_string(index++);
                if (c == 'd') {
                    if (!string(key) || (index > 1 && key <= previousKey))
                        return false;
                    previousKey = key;
                }
                if (!value(path + "/" + key))
                    return false;
            }
            if (m_at >= m_bytes.size())
                return false;
            ++m_at;
            return true;
        }
        return false;
    }
    [[nodiscard]] bool atEnd() const { return m_at == m_bytes.size(); }

    std::map<std::string, long long> integers;
    std::map<std::string, std::string> strings;

private:
    bool string(std::string& out)
    {
        const auto colon = m_bytes.find(':', m_at);
        if (colon == std::string::npos)
            return false;
        const auto length = std::stoull(m_bytes.substr(m_at, colon - m_at));
        if (colon + 1 + length > m_bytes.size())
            return false;
        out = m_bytes.substr(colon + 1, length);
        m_at = colon + 1 + length;
        return true;
    }

    const std::string& m_bytes;
    std::size_t m_at = 0;
};

// The address as the send fetches it: the site host put before a path, spaces and letters outside ASCII escaped.
std::string fetchAddress(const std::string& written, const std::string& host)
{
    std::string url = written.find(host) == std::string::npos ? "http://" + host + written : written;
    std::string escaped;
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ' || byte >= 128) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

// Every form of download address leads to a .torrent whose bencoding is strict and whose pieces fit the length;
// addresses without "=" answer a redirect to one whose last "=" is followed by the file name.
TEST(DemoTorrent, DownloadAddressesGiveValidTorrentFiles)
{
    ASSERT_TRUE(sharedDemo().started()) << sharedDemo().readyLine();
    const std::string host = sharedDemo().host();
    std::set<demo::DownloadForm> forms;
    int multiFile = 0;
    for (const auto& entry : sharedCatalogue().entries()) {
        if (forms.size() == 6 && multiFile >= 3)
            break;
        if (forms.contains(entry.download) && entry.files == 1)
            continue;
        forms.insert(entry.download);
        SCOPED_TRACE(entry.id);
        const std::string written = demo::Catalogue::downloadAddress(entry, host);
        const bool redirects = written.find('=') == std::string::npos;
        HttpCall call;
        call.url = fetchAddress(written, host);
        const HttpReply first = perform(call);
        std::string finalUrl = call.url;
        if (redirects) {
            ASSERT_EQ(first.status, 302);
            finalUrl = first.header("location");
            ASSERT_NE(finalUrl.find('='), std::string::npos);
            EXPECT_TRUE(finalUrl.ends_with("=" + entry.slug + ".torrent")) << finalUrl;
        }
        call.url = finalUrl;
        const HttpReply reply = redirects ? perform(call) : first;
        ASSERT_EQ(reply.status, 200);
        EXPECT_EQ(reply.header("content-type"), "application/x-bittorrent");

        Reader reader(reply.body);
        ASSERT_TRUE(reader.value("") && reader.atEnd());
        const std::string name = reader.strings["/info/name"];
        EXPECT_EQ(name, entry.slug);
        const long long pieceLength = reader.integers["/info/piece length"];
        ASSERT_GT(pieceLength, 0);
        long long total = 0;
        if (reader.integers.contains("/info/length")) {
            total = reader.integers["/info/length"];
            EXPECT_EQ(entry.files, 1);
        } else {
            ++multiFile;
            int files = 0;
            for (const auto& [path, value] : reader.integers) {
                if (path.starts_with("/info/files/") && path.ends_with("/length")) {
                    total += value;
                    ++files;
                    EXPECT_FALSE(reader.strings[path.substr(0, path.size() - 7) + "/path/0"].empty());
                }
            }
            EXPECT_EQ(files, entry.files);
        }
        EXPECT_EQ(std::uint64_t(total), entry.sizeBytes);
        EXPECT_EQ(reader.strings["/info/pieces"].size(), std::size_t((total + pieceLength - 1) / pieceLength) * 20);
    }
    EXPECT_EQ(forms.size(), 6u);
    EXPECT_GE(multiFile, 3);

    // A row that offers a magnet link names the same torrent as its file: the link's hash is the info section's.
    int magnets = 0;
    for (const auto& entry : sharedCatalogue().entries()) {
        if (!demo::Catalogue::offersMagnetLink(entry) || ++magnets > 3)
            continue;
        const std::string link = demo::PageRenderer::downloadButtonAddress(entry, host);
        const HttpReply file = get(sharedDemo().site("/download/" + std::to_string(entry.id) + "/?title=x.torrent"));
        const std::size_t info = file.body.find("4:infod");
        ASSERT_NE(info, std::string::npos);
        const std::string section = file.body.substr(info + 6, file.body.size() - info - 7);
        const QByteArray hash =
            QCryptographicHash::hash(QByteArray::fromStdString(section), QCryptographicHash::Sha1).toHex();
        EXPECT_TRUE(link.starts_with("magnet:?xt=urn:btih:" + hash.toStdString() + "&dn=")) << link;
    }
    EXPECT_GT(magnets, 3);
    EXPECT_EQ(get(sharedDemo().site("/download/1/")).status, 404);
}

// A real BitTorrent tool takes the demo's files (skipped where transmission-show is not installed).
TEST(DemoTorrent, TransmissionShowAcceptsTheFiles)
{
    if (!std::filesystem::exists("/usr/bin/transmission-show"))
        GTEST_SKIP() << "transmission-show is not installed";
    ASSERT_TRUE(sharedDemo().started());
    const auto& entries = sharedCatalogue().entries();
    for (const std::size_t index : {std::size_t(0), std::size_t(1), entries.size() - 1}) {
        const auto& entry = entries[index];
        const HttpReply reply = get(sharedDemo().site("/download/" + std::to_string(entry.id) + "/?title=x.torrent"));
        ASSERT_EQ(reply.status, 200);
        const auto file =
            std::filesystem::temp_directory_path() / ("marrowfin-demo-" + std::to_string(entry.id) + ".torrent");
        std::ofstream(file, std::ios::binary) << reply.body;
        const std::string command = "/usr/bin/transmission-show '" + file.string() + "' 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[4096];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        const int status = ::pclose(pipe);
        std::filesystem::remove(file);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
        EXPECT_NE(output.find("Name: " + entry.slug), std::string::npos) << output;
    }
}
