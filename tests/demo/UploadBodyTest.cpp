// A torrent file can hold any bytes, the form's delimiter among them (a hostile site can put it in a comment): the
// upload body must still give the client exactly the file, under every adapter that sends a form.
#include "Multipart.h"

#include "core/net/FormBoundary.h"
#include "core/remote/Qbittorrent.h"
#include "core/remote/Transmission.h"
#include "core/remote/Utorrent.h"
#include "core/remote/Vuze.h"

#include <gtest/gtest.h>

namespace marrowfin {
namespace {

template <typename Client>
void expectFileComesBackWhole(const QByteArray& file, const QString& filename = QStringLiteral("name.torrent"))
{
    Client client;
    client.setFilename(filename);
    client.setFile(file);
    const QByteArray body = client.getData();
    const auto boundary = demo::MultipartParser::boundaryOf(client.uploadContentType().toStdString());
    ASSERT_TRUE(boundary.has_value());
    const auto parsed = demo::MultipartParser::parse(body.toStdString(), *boundary);
    ASSERT_EQ(parsed.error, "");
    int files = 0;
    for (const demo::MultipartPart& part : parsed.parts) {
        if (QString::fromStdString(part.name) == client.name()) {
            ++files;
            EXPECT_EQ(QByteArray::fromStdString(part.body), file);
            EXPECT_EQ(part.filename, std::optional<std::string>(filename.toStdString()));
        }
    }
    EXPECT_EQ(files, 1);
    // The same bytes always make the same body, so a resent upload is the same upload.
    EXPECT_EQ(client.getData(), body);
}

TEST(UploadBodyTest, AFileHoldingTheDelimiterStillArrivesWhole)
{
    const QByteArray delimiter = QByteArray("\r\n--") + formBoundary;
    const QByteArray files[] = {
        QByteArray("d4:infod4:name1:xee"),
        QByteArray("d7:comment") + delimiter + "\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\nevil" + "e",
        delimiter + "--\r\n",
        // The boundary, and the first boundaries that would replace it, all in the file.
        delimiter + delimiter + "0" + delimiter + "1" + delimiter + "12",
    };
    for (const QByteArray& file : files) {
        SCOPED_TRACE(file.toStdString());
        expectFileComesBackWhole<Utorrent>(file);
        expectFileComesBackWhole<Vuze>(file);
        expectFileComesBackWhole<Transmission>(file);
        expectFileComesBackWhole<Qbittorrent>(file);
    }
    // A boundary of its own for the file's sake must not rewrite a file name that holds the usual one.
    const QString name = QStringLiteral("a") + QLatin1StringView(formBoundary) + QStringLiteral(".torrent");
    expectFileComesBackWhole<Utorrent>(files[1], name);
    expectFileComesBackWhole<Qbittorrent>(files[1], name);
}

} // namespace
} // namespace marrowfin
