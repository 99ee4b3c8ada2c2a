// The cookie file as any bytes: the cookies that can be read survive a write and a read back unchanged, both
// through the text of the file and through a jar loaded from disk.
#include "FuzzInput.h"

#include "core/net/Cookie.h"
#include "core/net/CookieStore.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    const QByteArray bytes = fuzz::bytesOf(data, size);
    for (const QByteArray& line : bytes.split('\n')) {
        if (const auto cookie = Cookie::fromNetscapeLine(line)) {
            const auto again = Cookie::fromNetscapeLine(cookie->toNetscapeLine());
            MARROWFIN_FUZZ_CHECK(again.has_value() && again->toNetscapeLine() == cookie->toNetscapeLine());
        }
    }

    CookieStore jar;
    (void)jar.importNetscape(bytes);
    const QByteArray text = jar.exportNetscape();
    CookieStore copy;
    (void)copy.importNetscape(text);
    MARROWFIN_FUZZ_CHECK(copy.exportNetscape() == text);

    static QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/cookies.txt");
    QFile::remove(path);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            return 0;
        }
        file.write(bytes);
    }
    CookieStore loaded(path);
    (void)loaded.cookies();
    return 0;
}
