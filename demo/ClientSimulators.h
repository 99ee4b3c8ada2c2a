#pragma once

#include "HttpServer.h"

#include <QJsonArray>
#include <QJsonObject>

#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace marrowfin::demo {

// What a simulated client was sent, kept for tests and listed as JSON at GET /_demo/received. Secrets are not
// kept: the Authorization header is reduced to its user name and Cookie to the cookie names.
class ReceivedLog final
{
public:
    static constexpr std::size_t kCapacity = 200;

    void add(QJsonObject upload);
    [[nodiscard]] QJsonArray all() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::deque<QJsonObject> m_uploads;
};

struct ClientCredentials
{
    std::string user; // empty: no authorization asked for
    std::string password;
};

// A uTorrent web interface as far as the app uses it: Basic authorization on every address, a token page that
// sets a GUID cookie, the add-file upload that needs both the token and that cookie, and a small page at /gui/.
class UtorrentSimulator final
{
public:
    static constexpr int kBuild = 30303;

    explicit UtorrentSimulator(ClientCredentials credentials);
    UtorrentSimulator(const UtorrentSimulator&) = delete;
    UtorrentSimulator& operator=(const UtorrentSimulator&) = delete;

    [[nodiscard]] HttpResponseMessage handle(const HttpRequestMessage& request, const RequestContext& context);
    [[nodiscard]] const ReceivedLog& received() const { return m_received; }

private:
    HttpResponseMessage addFile(const HttpRequestMessage& request, const std::string& token);
    // action=add-url: the link (already unescaped from the query) is recorded as "url".
    HttpResponseMessage addUrl(const HttpRequestMessage& request, const std::string& token, const std::string& link);
    // "list=1": the torrents taken so far, as the client's list gives them (the hash first in each row).
    HttpResponseMessage listHeld(const HttpRequestMessage& request, const std::string& token);

    ClientCredentials m_credentials;
    ReceivedLog m_received;
    std::mutex m_mutex;
    std::map<std::string, std::string> m_tokens; // token -> the GUID it was given with
    std::deque<std::string> m_tokenOrder;        // oldest first, to bound m_tokens
    std::vector<std::string> m_held;             // info hashes of the torrents taken, in capitals as listed
};

// A Vuze web interface's upload form: POST /index.tmpl?d=u&local=1 with upfile_N parts, and a page at /.
class VuzeSimulator final
{
public:
    explicit VuzeSimulator(ClientCredentials credentials);
    VuzeSimulator(const VuzeSimulator&) = delete;
    VuzeSimulator& operator=(const VuzeSimulator&) = delete;

    [[nodiscard]] HttpResponseMessage handle(const HttpRequestMessage& request, const RequestContext& context);
    [[nodiscard]] const ReceivedLog& received() const { return m_received; }

private:
    ClientCredentials m_credentials;
    ReceivedLog m_received;
};

} // namespace marrowfin::demo
