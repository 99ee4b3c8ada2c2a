#include "ClientSimulators.h"

#include "Bencode.h"
#include "HttpText.h"
#include "Multipart.h"
#include "SessionStore.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <boost/beast/http.hpp>

#include <algorithm>

namespace marrowfin::demo {

namespace http = boost::beast::http;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kKeepBytesUpTo = 1024 * 1024;
constexpr std::size_t kMaxTokens = 256;

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

QString sha1Of(std::string_view bytes)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha1)
            .toHex());
}

QJsonObject headersOf(const HttpRequestMessage& request)
{
    QJsonObject headers;
    for (const auto& field : request) {
        const std::string name = lowerAscii(field.name_string());
        std::string value(field.value());
        if (name == "authorization") {
            const auto credentials = parseBasicAuthorization(value);
            value = credentials ? "Basic (user " + credentials->user + ")" : "(not Basic)";
        } else if (name == "cookie") {
            std::string names;
            std::string_view rest = value;
            while (!rest.empty()) {
                const auto semicolon = rest.find(';');
                std::string_view pair = rest.substr(0, semicolon);
                rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
                while (!pair.empty() && pair.front() == ' ')
                    pair.remove_prefix(1);
                names += (names.empty() ? "" : "; ") + std::string(pair.substr(0, pair.find('=')));
            }
            value = names;
        }
        const QString key = text(name);
        headers[key] = headers.contains(key) ? headers[key].toString() + u", "_s + text(value) : text(value);
    }
    return headers;
}

QJsonObject describe(const std::string& client, const HttpRequestMessage& request,
                     const std::vector<MultipartPart>& parts)
{
    QJsonObject upload;
    upload[u"client"_s] = text(client);
    upload[u"time"_s] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    upload[u"method"_s] = text(request.method_string());
    upload[u"target"_s] = text(request.target());
    upload[u"headers"_s] = headersOf(request);
    const std::string& body = request.body();
    upload[u"bodyBytes"_s] = qint64(body.size());
    upload[u"bodySha1"_s] = sha1Of(body);
    if (qsizetype(body.size()) <= kKeepBytesUpTo)
        upload[u"bodyBase64"_s] = QString::fromLatin1(QByteArray(body.data(), qsizetype(body.size())).toBase64());
    QJsonArray described;
    for (const MultipartPart& part : parts) {
        QJsonObject one;
        one[u"name"_s] = text(part.name);
        one[u"filename"_s] = part.filename ? QJsonValue(text(*part.filename)) : QJsonValue();
        one[u"contentType"_s] = text(part.contentType);
        one[u"bytes"_s] = qint64(part.body.size());
        one[u"sha1"_s] = sha1Of(part.body);
        if (qsizetype(part.body.size()) <= kKeepBytesUpTo)
            one[u"base64"_s] =
                QString::fromLatin1(QByteArray(part.body.data(), qsizetype(part.body.size())).toBase64());
        described.append(one);
    }
    upload[u"parts"_s] = described;
    return upload;
}

// Nothing when the request may pass; else the 401 answer.
std::optional<HttpResponseMessage> refuseUnauthorized(const HttpRequestMessage& request,
                                                      const ClientCredentials& credentials, const char* realm)
{
    if (credentials.user.empty())
        return std::nullopt;
    const auto given = parseBasicAuthorization(request[http::field::authorization]);
    if (given && secretsEqual(given->user, credentials.user) && secretsEqual(given->password, credentials.password))
        return std::nullopt;
    auto response = textResponse(request, 401, "text/plain", "Unauthorized\n");
    response.set(http::field::www_authenticate, std::string("Basic realm=\"") + realm + "\"");
    return response;
}

HttpResponseMessage receivedList(const HttpRequestMessage& request, ReceivedLog& log)
{
    if (request.method() == http::verb::delete_ || request.method() == http::verb::post) {
        log.clear();
        return textResponse(request, 200, "application/json", "{\"uploads\":[]}\n");
    }
    QJsonObject all;
    all[u"uploads"_s] = log.all();
    return textResponse(request, 200, "application/json",
                        QJsonDocument(all).toJson(QJsonDocument::Compact).toStdString());
}

} // namespace

void ReceivedLog::add(QJsonObject upload)
{
    const std::lock_guard lock(m_mutex);
    m_uploads.push_back(std::move(upload));
    while (m_uploads.size() > kCapacity)
        m_uploads.pop_front();
}

QJsonArray ReceivedLog::all() const
{
    const std::lock_guard lock(m_mutex);
    QJsonArray array;
    for (const QJsonObject& upload : m_uploads)
        array.append(upload);
    return array;
}

void ReceivedLog::clear()
{
    const std::lock_guard lock(m_mutex);
    m_uploads.clear();
}

UtorrentSimulator::UtorrentSimulator(ClientCredentials credentials) : m_credentials(std::move(credentials)) {}

HttpResponseMessage UtorrentSimulator::handle(const HttpRequestMessage& request, const RequestContext&)
{
    const Target target = splitTarget(request.target());
    if (target.path == "/_demo/received")
        return receivedList(request, m_received);
    if (auto refused = refuseUnauthorized(request, m_credentials, "Marrowfin demo uTorrent"))
        return std::move(*refused);

    if (target.path == "/gui/token.html") {
        std::string guid;
        if (const auto cookie = cookieValue(request[http::field::cookie], "GUID"))
            guid = *cookie;
        const bool newGuid = guid.empty();
        if (newGuid)
            guid = randomHex(10);
        const std::string token = randomHex(32);
        {
            const std::lock_guard lock(m_mutex);
            m_tokens[token] = guid;
            m_tokenOrder.push_back(token);
            while (m_tokenOrder.size() > kMaxTokens) {
                m_tokens.erase(m_tokenOrder.front());
                m_tokenOrder.pop_front();
            }
        }
        // The app reads the token with a one-line pattern, so the page is exactly this one line.
        auto response = textResponse(request, 200, "text/html",
                                     "<html><div id='token' style='display:none;'>" + token + "</div></html>");
        if (newGuid)
            response.set(http::field::set_cookie, "GUID=" + guid + "; path=/");
        return response;
    }
    if (target.path == "/gui/" || target.path == "/gui") {
        auto fields = parseForm(target.query);
        if (fields["list"] == "1") {
            return listHeld(request, fields["token"]);
        }
        if (fields.contains("action") || fields.contains("token")) {
            if (fields["action"] == "add-url")
                return addUrl(request, fields["token"], fields["s"]);
            if (fields["action"] != "add-file")
                return textResponse(request, 400, "text/plain", "invalid request");
            return addFile(request, fields["token"]);
        }
        return textResponse(request, 200, "text/html; charset=utf-8",
                            "<!DOCTYPE html>\n<html><head><title>uTorrent WebUI (Marrowfin demo)</title></head>\n"
                            "<body><h1>Remote client (demo)</h1><p>Received " +
                                std::to_string(m_received.all().size()) + " requests.</p></body></html>\n");
    }
    return textResponse(request, 404, "text/plain", "not found\n");
}

HttpResponseMessage UtorrentSimulator::addFile(const HttpRequestMessage& request, const std::string& token)
{
    std::vector<MultipartPart> parts;
    auto refuse = [&](std::string problem) {
        QJsonObject upload = describe("utorrent", request, parts);
        upload[u"accepted"_s] = false;
        upload[u"problem"_s] = text(problem);
        m_received.add(upload);
        return textResponse(request, 400, "text/plain", "invalid request");
    };
    const auto guid = cookieValue(request[http::field::cookie], "GUID");
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_tokens.find(token);
        if (it == m_tokens.end())
            return refuse("unknown token");
        if (!guid || *guid != it->second)
            return refuse("no GUID cookie of the token");
    }
    if (request.method() != http::verb::post)
        return refuse("not a POST");
    const auto boundary = MultipartParser::boundaryOf(request[http::field::content_type]);
    if (!boundary)
        return refuse("not multipart/form-data");
    auto parsed = MultipartParser::parse(request.body(), *boundary);
    parts = std::move(parsed.parts);
    if (!parsed.error.empty())
        return refuse("multipart: " + parsed.error);
    const MultipartPart* file = nullptr;
    for (const MultipartPart& part : parts) {
        if (part.name == "torrent_file" && part.filename && !part.filename->empty())
            file = &part;
    }
    if (file == nullptr)
        return refuse("no torrent_file part with a file name");
    if (const std::string problem = torrentProblem(file->body); !problem.empty())
        return refuse("torrent: " + problem);
    QJsonObject upload = describe("utorrent", request, parts);
    upload[u"accepted"_s] = true;
    m_received.add(upload);
    // Held from now on under the info hash: the SHA-1 of the info dictionary, which strict decoding re-encodes
    // byte for byte.
    if (const auto torrent = bdecode(file->body); torrent && torrent->find("info")) {
        const std::string info = bencode(*torrent->find("info"));
        const std::string hash = sha1Of(info).toUpper().toStdString();
        const std::lock_guard lock(m_mutex);
        if (std::find(m_held.begin(), m_held.end(), hash) == m_held.end()) {
            m_held.push_back(hash);
        }
    }
    return textResponse(request, 200, "text/plain", "{\"build\":" + std::to_string(kBuild) + "}");
}

HttpResponseMessage UtorrentSimulator::listHeld(const HttpRequestMessage& request, const std::string& token)
{
    QJsonArray torrents;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_tokens.contains(token)) {
            return textResponse(request, 400, "text/plain", "invalid request");
        }
        // Each row begins with the hash; the client's other columns are of no use here.
        for (const std::string& hash : m_held) {
            torrents.append(QJsonArray{QString::fromStdString(hash)});
        }
    }
    QJsonObject answer{{u"build"_s, kBuild}, {u"torrents"_s, torrents}};
    return textResponse(request, 200, "application/json",
                        QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString());
}

HttpResponseMessage UtorrentSimulator::addUrl(const HttpRequestMessage& request, const std::string& token,
                                              const std::string& link)
{
    QJsonObject upload = describe("utorrent", request, {});
    upload[u"url"_s] = text(link);
    const auto guid = cookieValue(request[http::field::cookie], "GUID");
    std::string problem;
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_tokens.find(token);
        if (it == m_tokens.end())
            problem = "unknown token";
        else if (!guid || *guid != it->second)
            problem = "no GUID cookie of the token";
    }
    if (problem.empty() && !link.starts_with("magnet:?") && !link.starts_with("http://") &&
        !link.starts_with("https://"))
        problem = "not a magnet link or an address";
    upload[u"accepted"_s] = problem.empty();
    if (!problem.empty())
        upload[u"problem"_s] = text(problem);
    m_received.add(upload);
    if (!problem.empty())
        return textResponse(request, 400, "text/plain", "invalid request");
    return textResponse(request, 200, "text/plain", "{\"build\":" + std::to_string(kBuild) + "}");
}

VuzeSimulator::VuzeSimulator(ClientCredentials credentials) : m_credentials(std::move(credentials)) {}

HttpResponseMessage VuzeSimulator::handle(const HttpRequestMessage& request, const RequestContext&)
{
    const Target target = splitTarget(request.target());
    if (target.path == "/_demo/received")
        return receivedList(request, m_received);
    if (auto refused = refuseUnauthorized(request, m_credentials, "Marrowfin demo Vuze"))
        return std::move(*refused);
    auto page = [&](unsigned status, const std::string& message) {
        return textResponse(request, status, "text/html; charset=utf-8",
                            "<!DOCTYPE html>\n<html><head><title>Vuze Web UI (Marrowfin demo)</title></head>\n"
                            "<body><h1>Remote client (demo)</h1>\n<p>" +
                                message + "</p>\n</body></html>\n");
    };
    if (target.path == "/" && request.method() == http::verb::get)
        return page(200, "Upload a torrent with the form of this page.");
    if (target.path != "/index.tmpl")
        return textResponse(request, 404, "text/plain", "not found\n");
    auto fields = parseForm(target.query);
    if (request.method() != http::verb::post || fields["d"] != "u" || fields["local"] != "1")
        return page(200, "Upload a torrent with the form of this page.");

    std::vector<MultipartPart> parts;
    auto refuse = [&](std::string problem) {
        QJsonObject upload = describe("vuze", request, parts);
        upload[u"accepted"_s] = false;
        upload[u"problem"_s] = text(problem);
        m_received.add(upload);
        return page(400, "Upload failed: " + htmlEscape(problem));
    };
    const auto boundary = MultipartParser::boundaryOf(request[http::field::content_type]);
    if (!boundary)
        return refuse("not multipart/form-data");
    auto parsed = MultipartParser::parse(request.body(), *boundary);
    parts = std::move(parsed.parts);
    if (!parsed.error.empty())
        return refuse("multipart: " + parsed.error);
    std::vector<std::string> loaded;
    for (const MultipartPart& part : parts) {
        if (!part.name.starts_with("upfile_") || part.name.size() == 7 ||
            part.name.find_first_not_of("0123456789", 7) != std::string::npos)
            continue;
        if (!part.filename || part.filename->empty()) {
            if (!part.body.empty())
                return refuse(part.name + " has content but no file name");
            continue; // the form's unused file fields
        }
        if (const std::string problem = torrentProblem(part.body); !problem.empty())
            return refuse(*part.filename + ": " + problem);
        loaded.push_back(*part.filename);
    }
    if (loaded.empty())
        return refuse("no upfile part with a file name");
    QJsonObject upload = describe("vuze", request, parts);
    upload[u"accepted"_s] = true;
    m_received.add(upload);
    std::string message;
    for (const std::string& name : loaded)
        message += htmlEscape(name) + " loaded successfully!<br>\n";
    return page(200, message);
}

} // namespace marrowfin::demo
