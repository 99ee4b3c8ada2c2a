#include "SharedDemo.h"

using namespace marrowfin;
using namespace marrowfin::demotest;
using namespace Qt::Literals::StringLiterals;

namespace {

const std::string kBoundary = "---------------------------20072377098235644401115438165";
const QByteArray kCredentials = "joe:s3cret";

// A form of one file part in the field `field`, closed.
std::string fileForm(const std::string& field, const std::string& filename, const std::string& bytes)
{
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + field + "\"; filename=\"" + filename +
           "\"\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
}

// The same form with the closing delimiter's final "--\r\n" missing.
std::string unclosed(const std::string& form)
{
    return form.substr(0, form.size() - 4);
}

// Basic authorization for "user:password"; none for "".
QList<QByteArray> authorized(const QByteArray& credentials, QList<QByteArray> headers = {})
{
    if (!credentials.isEmpty()) {
        headers.append("Authorization: Basic " + credentials.toBase64());
    }
    return headers;
}

struct Upload
{
    const char* what;
    std::string url;
    std::string body;
    QList<QByteArray> headers;
    QByteArray credentials = kCredentials;
    int status = 400;
};

int post(const Upload& upload)
{
    const QByteArray type = "Content-Type: multipart/form-data; boundary=" + QByteArray::fromStdString(kBoundary);
    return marrowfin::test::plainHttpAt(upload.url, "POST",
                                        authorized(upload.credentials, upload.headers + QList{type}),
                                        QByteArray::fromStdString(upload.body))
        .status;
}

QJsonArray uploadsAt(const std::string& receivedAddress)
{
    return QJsonDocument::fromJson(get(receivedAddress).body)[u"uploads"_s].toArray();
}

// Each of `refused` gets its status and none counts as an accepted torrent at `receivedAddress`; `good` is taken
// after all of them.
void expectRefusedThenTaken(const std::string& receivedAddress, const std::vector<Upload>& refused, const Upload& good)
{
    const qsizetype before = uploadsAt(receivedAddress).size();
    for (const Upload& upload : refused) {
        EXPECT_EQ(post(upload), upload.status) << upload.what;
    }
    const QJsonArray uploads = uploadsAt(receivedAddress);
    ASSERT_GT(uploads.size(), before);
    for (qsizetype i = before; i < uploads.size(); ++i) {
        const QJsonObject upload = uploads[i].toObject();
        EXPECT_FALSE(upload[u"accepted"_s].toBool()) << QJsonDocument(upload).toJson().constData();
    }
    EXPECT_EQ(post(good), 200) << good.what;
}

} // namespace

// The client stand-ins refuse what a real client would, for the send tests see only what they accept: a broken
// upload must not pass for a sent torrent. The accepted sends of the site's own files and links through the
// application's code, the stand-ins' pages and their wrong passwords are the command line's (tests/cli).
TEST(DemoClients, TheStandInsRefuseWhatARealClientWould)
{
    DemoProcess demo({"--client-user", "joe", "--client-password", "s3cret"});
    ASSERT_TRUE(demo.started()) << demo.readyLine();
    const std::string torrent = get(demo.site("/download/3000000/?title=a.torrent")).body.toStdString();
    ASSERT_GT(torrent.size(), 100U);

    // The handshake: a token from the token page, good only with the GUID cookie that page set.
    const auto fetchToken = [&] {
        const PlainAnswer answer = get(demo.utorrent("/gui/token.html"), authorized(kCredentials));
        EXPECT_EQ(answer.status, 200);
        return std::pair{stringByMatching(text(answer), u"<div id='token'[^>]*>(.*)</div>"_s, 1).toStdString(),
                         "Cookie: " + answer.cookie("GUID")};
    };
    const auto [token, guid] = fetchToken();
    ASSERT_FALSE(token.empty());
    const std::string url = demo.utorrent("/gui/?token=" + token + "&action=add-file");
    const std::string good = fileForm("torrent_file", "a.torrent", torrent);
    expectRefusedThenTaken(
        demo.utorrent("/_demo/received"),
        {{"a token it never gave", demo.utorrent("/gui/?token=" + token + "x&action=add-file"), good, {guid}},
         {"no GUID cookie", url, good, {}},
         {"the GUID of another token", url, good, {fetchToken().second}},
         {"a wrong password", url, good, {guid}, "joe:wrong", 401},
         {"no authorization", url, good, {guid}, "", 401},
         {"a form left unclosed", url, unclosed(good), {guid}},
         {"a truncated torrent",
          url,
          fileForm("torrent_file", "a.torrent", torrent.substr(0, torrent.size() - 1)),
          {guid}},
         {"the wrong field", url, fileForm("torrent_fil3", "a.torrent", torrent), {guid}}},
        {"the same token and cookie", url, good, {guid}});

    const std::string upload = demo.vuze("/index.tmpl?d=u&local=1");
    expectRefusedThenTaken(demo.vuze("/_demo/received"),
                           {{"a form left unclosed", upload, unclosed(fileForm("upfile_0", "b.torrent", torrent)), {}},
                            {"a file without a file name", upload, fileForm("upfile_0", "", torrent), {}},
                            {"broken bencoding", upload, fileForm("upfile_0", "c.torrent", "d4:spam"), {}}},
                           {"a whole torrent", upload, fileForm("upfile_0", "b.torrent", torrent), {}});
}
