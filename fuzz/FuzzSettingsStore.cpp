// The settings file as any bytes: the store opens it (or keeps it aside and starts empty), reads every kind of value,
// and whatever it read, a list written afterwards reads back the same, also after the store is opened again.
#include "FuzzInput.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marrowfin;
    static QTemporaryDir folder;
    const QString dir = folder.path() + QStringLiteral("/profile");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    {
        QFile file(dir + u'/' + SettingsStore::kFileName.toString());
        if (!file.open(QIODevice::WriteOnly)) {
            return 0;
        }
        file.write(fuzz::bytesOf(data, size));
    }

    const QStringList history = {QStringLiteral("a name, with \"quotes\""), QStringLiteral("=;#[]\\")};
    {
        SettingsStore store(dir);
        for (const QStringView key : {SettingsKeys::username, SettingsKeys::favoritesCount, SettingsKeys::filters,
                                      SettingsKeys::torrentHistory}) {
            (void)store.text(key);
            (void)store.number(key);
            (void)store.list(key);
        }
        MARROWFIN_FUZZ_CHECK(store.setList(SettingsKeys::torrentHistory, history));
        MARROWFIN_FUZZ_CHECK(store.list(SettingsKeys::torrentHistory) == history);
    }
    SettingsStore reopened(dir);
    MARROWFIN_FUZZ_CHECK(reopened.list(SettingsKeys::torrentHistory) == history);
    return 0;
}
