#include "core/settings/SettingsStore.h"

#include "SettingsTestSupport.h"

#include "core/settings/BuildVersionRecord.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tuple>

using namespace marrowfin;
using namespace marrowfin::testing;
using namespace Qt::StringLiterals;

namespace {

// Texts that INI writing escapes, quotes or splits: separators, comment and section characters, line breaks,
// QSettings' own "@" markers, surrounding blanks, non-ASCII.
const QStringList kAwkwardTexts = {
    u""_s,           u","_s,           u"a, b"_s,     u"x=y"_s,        u"semi;colon"_s, u"#hash"_s,
    u"[General]"_s,  u"line\nbreak"_s, u"cr\r\nlf"_s, u"tab\there"_s,  u"\"quoted\""_s, u"back\\slash"_s,
    u"@Invalid()"_s, u"@Variant(x)"_s, u"@@"_s,       u"  padded  "_s, u"é 漢字 🐟 ß"_s, u"ends with \\"_s,
};

// Lists that INI writing could turn into something else: none, a single text, an empty entry, separators, markers.
const QList<QStringList> kAwkwardLists = {
    {},          {u"only"_s},       {u""_s},
    {u"a, b"_s}, {u"@Invalid()"_s}, {u"x"_s, u""_s, u"y,z"_s, u"é"_s, u"two\nlines"_s, u"k=v"_s},
};

// Overwrites a file as another program would.
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    out.write(bytes);
}

QStringList keptAside(const QString& dir)
{
    return QDir(dir).entryList({u"marrowfin.conf.corrupt-*"_s}, QDir::Files);
}

} // namespace

// Every kind of value must come back as written after the process ends: read in a fresh process, which parses the
// file, and in a new store object.
TEST(SettingsStore, ValuesSurviveARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList query{u"text:removed"_s, u"list:never-written"_s};
    QJsonObject expected{{u"removed"_s, QJsonValue(QJsonValue::Null)},
                         {u"never-written"_s, QJsonValue(QJsonValue::Null)}};
    {
        SettingsStore store(dir.path());
        for (qsizetype i = 0; i < kAwkwardTexts.size(); ++i) {
            const QString key = u"text-"_s + QString::number(i);
            ASSERT_TRUE(store.setText(key, kAwkwardTexts[i]));
            query << u"text:"_s + key;
            expected.insert(key, kAwkwardTexts[i]);
        }
        // The last list goes under the history's key, whose writes take that list's lock.
        for (qsizetype i = 0; i < kAwkwardLists.size(); ++i) {
            const QString key = i + 1 < kAwkwardLists.size() ? u"list-"_s + QString::number(i)
                                                             : SettingsKeys::torrentHistory.toString();
            ASSERT_TRUE(store.setList(key, kAwkwardLists[i]));
            query << u"list:"_s + key;
            expected.insert(key, QJsonArray::fromStringList(kAwkwardLists[i]));
        }
        for (const qint64 number : {qint64(3), qint64(-42), qint64(9'007'199'254'740'993LL)}) {
            const QString key = u"number"_s + QString::number(number);
            ASSERT_TRUE(store.setNumber(key, number));
            query << u"number:"_s + key;
            expected.insert(key, QString::number(number));
        }
        ASSERT_TRUE(store.setText(u"removed"_s, u"soon gone"_s));
        ASSERT_TRUE(store.remove(u"removed"_s));
    }
    const QJsonObject fresh = dumpInFreshProcess(dir.path(), query);
    ASSERT_EQ(fresh.size(), expected.size());
    for (const QString& key : expected.keys()) {
        EXPECT_EQ(fresh.value(key), expected.value(key)) << key.toStdString();
    }

    SettingsStore reopened(dir.path());
    EXPECT_FALSE(reopened.recoveryNote().has_value());
    EXPECT_TRUE(reopened.contains(u"list-0"_s)) << "an empty list is a value too";
    EXPECT_EQ(reopened.list(u"list-0"_s), QStringList());
    EXPECT_FALSE(reopened.contains(u"removed"_s));
    ASSERT_TRUE(reopened.setText(u"not-a-number"_s, u"12abc"_s));
    EXPECT_FALSE(reopened.number(u"not-a-number"_s).has_value()) << "a text that is not a whole number";
}

// The store holds passwords: the file stays 0600 and the directory 0700 whatever the umask, through QSettings'
// replace-by-rename writes, for an older file that was readable by others, and when the file was deleted under a
// running store.
TEST(SettingsStore, FilesStayOwnerOnly)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    struct RestoreUmask
    {
        mode_t mask;
        ~RestoreUmask() { ::umask(mask); }
    } restore{::umask(0)};

    const QString dir = root.path() + u"/not/yet/there"_s;
    SettingsStore store(dir);
    const QString file = store.filePath();
    ASSERT_TRUE(store.setText(SettingsKeys::password, u"secret"_s));
    ASSERT_TRUE(store.setList(SettingsKeys::filters, {u"f"_s}));
    ASSERT_TRUE(store.setNumber(SettingsKeys::tab, 1));
    ASSERT_TRUE(store.remove(SettingsKeys::tab));
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_EQ(modeOf(dir), 0700);

    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(store.setText(SettingsKeys::serverPassword, u"other secret"_s));
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_EQ(store.text(SettingsKeys::serverPassword), u"other secret"_s);

    const QString olderDir = root.path() + u"/older"_s;
    ASSERT_TRUE(QDir().mkpath(olderDir));
    const QString older = olderDir + u"/marrowfin.conf"_s;
    writeFile(older, "[General]\nMarrowfin_username=someone\n");
    ASSERT_EQ(::chmod(QFile::encodeName(older).constData(), 0644), 0);
    SettingsStore olderStore(olderDir);
    EXPECT_EQ(olderStore.text(SettingsKeys::username), u"someone"_s);
    EXPECT_EQ(modeOf(older), 0600);
    ASSERT_TRUE(olderStore.setText(SettingsKeys::username, u"someone else"_s));
    EXPECT_EQ(modeOf(older), 0600);
}

// First start records the build; a second start of the same build must not touch the file (the store rewrites the
// file through a new inode, so an unchanged inode and time mean no write); a new build is recorded again.
TEST(SettingsStore, BuildVersionIsRecordedOnlyWhenItChanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto stamp = [file = dir.filePath(u"marrowfin.conf"_s)] {
        struct stat info
        {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
        return std::tuple(info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    {
        SettingsStore firstStart(dir.path());
        EXPECT_FALSE(firstStart.contains(SettingsKeys::version));
        EXPECT_TRUE(recordBuildVersion(firstStart, u"1.4.2"_s));
    }
    EXPECT_EQ(dumpInFreshProcess(dir.path(), {u"text:Marrowfin_version"_s}).value(u"Marrowfin_version"_s),
              QJsonValue(u"1.4.2"_s));

    const auto before = stamp();
    {
        SettingsStore secondStart(dir.path());
        EXPECT_FALSE(recordBuildVersion(secondStart, u"1.4.2"_s));
    }
    EXPECT_EQ(stamp(), before);

    SettingsStore upgraded(dir.path());
    EXPECT_TRUE(recordBuildVersion(upgraded, u"1.5.0"_s));
    EXPECT_EQ(upgraded.text(SettingsKeys::version), u"1.5.0"_s);
}

// The history keeps the newest kTorrentHistoryLimit names, oldest first, and removes by index only an entry that
// exists; the filters share the mechanism without the limit.
TEST(SettingsStore, HistoryKeepsTheNewestNamesAndFiltersHaveNoLimit)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    using List = SettingsStore::LockedList;
    QStringList sent;
    for (int i = 0; i <= kTorrentHistoryLimit; ++i) {
        sent << u"Torrent "_s + QString::number(i);
        const auto history = appendToTorrentHistory(store, sent.last());
        ASSERT_TRUE(history.has_value());
        EXPECT_EQ(history->size(), std::min<qsizetype>(sent.size(), kTorrentHistoryLimit));
    }
    QStringList expected = sent.mid(sent.size() - kTorrentHistoryLimit);
    EXPECT_EQ(storedList(SettingsStore(dir.path()), List::TorrentHistory), expected);

    EXPECT_FALSE(removeListEntry(store, List::TorrentHistory, -1));
    EXPECT_FALSE(removeListEntry(store, List::TorrentHistory, kTorrentHistoryLimit));
    ASSERT_TRUE(removeListEntry(store, List::TorrentHistory, 1));
    expected.removeAt(1);
    EXPECT_EQ(storedList(SettingsStore(dir.path()), List::TorrentHistory), expected);

    for (int i = 0; i <= kTorrentHistoryLimit; ++i) {
        ASSERT_TRUE(appendFilter(store, u"^filter "_s + QString::number(i)));
    }
    EXPECT_EQ(storedList(store, List::Filters).size(), kTorrentHistoryLimit + 1);
}

// A file that cannot be parsed, found at opening or spoiled by another program while a store is open, is kept byte
// for byte under a new name (the next write must not overwrite it) and reported, without the secrets it holds
// reaching the log; the store goes on empty in a fresh 0600 file. Binary bytes pass QSettings' own parser as long as
// their lines hold "=", so both kinds are tried.
TEST(SettingsStore, UnreadableFileIsMovedAside)
{
    const QByteArray secret = "hunter-two-secret";
    QByteArray binary = "[General]\nMarrowfin_password=" + secret + "\n";
    for (int i = 0; i < 64; ++i) {
        binary += char((i * 37 + 5) % 256);
        binary += "=\n";
    }
    const struct
    {
        const char* what;
        QByteArray corrupt;
        bool whileOpen;
    } cases[] = {
        {"binary bytes", binary, false},
        {"a broken section", "[General\nMarrowfin_password=" + secret + "\nplain words without a sign\n", false},
        {"spoiled while open", QByteArray("\x00\x01\x02garbage\xff\xfe=\n", 15), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString file = dir.filePath(u"marrowfin.conf"_s);
        const MessageCapture capture;
        std::optional<SettingsStore> store;
        if (c.whileOpen) {
            store.emplace(dir.path());
            ASSERT_TRUE(store->setText(SettingsKeys::password, QString::fromLatin1(secret)));
        }
        writeFile(file, c.corrupt);
        if (!c.whileOpen) {
            store.emplace(dir.path());
            EXPECT_FALSE(store->contains(SettingsKeys::password));
        }
        ASSERT_TRUE(store->setText(SettingsKeys::username, u"fresh"_s));
        ASSERT_TRUE(store->recoveryNote().has_value());

        const QStringList kept = keptAside(dir.path());
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(fileBytes(dir.filePath(kept.first())), c.corrupt);
        EXPECT_TRUE(store->recoveryNote()->contains(kept.first()));
        EXPECT_TRUE(capture.text().contains(u"marrowfin.settings: "_s));
        EXPECT_FALSE(capture.text().contains(QString::fromLatin1(secret)));
        EXPECT_FALSE(store->contains(SettingsKeys::password));
        EXPECT_EQ(modeOf(file), 0600);
        SettingsStore reopened(dir.path());
        EXPECT_FALSE(reopened.recoveryNote().has_value());
        EXPECT_EQ(reopened.text(SettingsKeys::username), u"fresh"_s);
    }
}

// A write that cannot reach the disk says so, and on the settings category, without the secret.
TEST(SettingsStore, FailedWriteIsReported)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString dir = root.path() + u"/config"_s;
    SettingsStore store(dir);
    ASSERT_TRUE(store.setText(SettingsKeys::username, u"someone"_s));
    // The directory turns into a plain file: neither it nor the store file can be created again.
    ASSERT_TRUE(QDir(dir).removeRecursively());
    writeFile(dir, {});
    const MessageCapture capture;
    EXPECT_FALSE(store.setText(SettingsKeys::password, u"never-logged-secret"_s));
    EXPECT_FALSE(appendToTorrentHistory(store, u"a torrent"_s).has_value());
    EXPECT_TRUE(capture.text().contains(u"marrowfin.settings: "_s));
    EXPECT_FALSE(capture.text().contains(u"never-logged-secret"_s));
}
