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

QStringList storedQuirkyListKeys()
{
    return {u"list-empty"_s,     u"list-one"_s,        u"list-one-empty"_s,
            u"list-one-comma"_s, u"list-one-marker"_s, u"list-mixed"_s};
}

std::vector<QStringList> quirkyLists()
{
    return {
        {},          {u"only"_s},       {u""_s},
        {u"a, b"_s}, {u"@Invalid()"_s}, {u"x"_s, u""_s, u"y,z"_s, u"é"_s, u"two\nlines"_s, u"k=v"_s},
    };
}

QString textKey(qsizetype i)
{
    return u"text-"_s + QString::number(i);
}

} // namespace

// Every kind of value must come back as written after the process ends: read in a fresh process, which parses the
// file (in one process QSettings answers from its cache and hides the INI quirks), and in a new store object.
TEST(SettingsStore, ValuesSurviveARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<QStringList> lists = quirkyLists();
    const QStringList listKeys = storedQuirkyListKeys();
    {
        SettingsStore store(dir.path());
        for (qsizetype i = 0; i < kAwkwardTexts.size(); ++i) {
            ASSERT_TRUE(store.setText(textKey(i), kAwkwardTexts[i]));
        }
        for (size_t i = 0; i < lists.size(); ++i) {
            ASSERT_TRUE(store.setList(listKeys[qsizetype(i)], lists[i]));
        }
        ASSERT_TRUE(store.setNumber(SettingsKeys::tab, 3));
        ASSERT_TRUE(store.setNumber(u"number-negative"_s, -42));
        ASSERT_TRUE(store.setNumber(u"number-large"_s, 9'007'199'254'740'993LL));
        ASSERT_TRUE(store.setText(u"removed"_s, u"soon gone"_s));
        ASSERT_TRUE(store.remove(u"removed"_s));
        ASSERT_TRUE(store.setList(SettingsKeys::torrentHistory, {u"one torrent"_s}));
    }

    QStringList query;
    for (qsizetype i = 0; i < kAwkwardTexts.size(); ++i) {
        query << u"text:"_s + textKey(i);
    }
    for (const QString& key : listKeys) {
        query << u"list:"_s + key;
    }
    query << u"number:Marrowfin_tab"_s << u"number:number-negative"_s << u"number:number-large"_s << u"text:removed"_s
          << u"list:Marrowfin_torrentHistory"_s << u"list:never-written"_s;
    const QJsonObject fresh = dumpInFreshProcess(dir.path(), query);
    ASSERT_FALSE(fresh.isEmpty());
    for (qsizetype i = 0; i < kAwkwardTexts.size(); ++i) {
        EXPECT_EQ(fresh.value(textKey(i)).toString(u"<not a text>"_s), kAwkwardTexts[i]) << i;
    }
    for (size_t i = 0; i < lists.size(); ++i) {
        const QJsonValue value = fresh.value(listKeys[qsizetype(i)]);
        ASSERT_TRUE(value.isArray()) << listKeys[qsizetype(i)].toStdString();
        QStringList got;
        for (const QJsonValue& entry : value.toArray()) {
            got << entry.toString();
        }
        EXPECT_EQ(got, lists[i]) << listKeys[qsizetype(i)].toStdString();
    }
    EXPECT_EQ(fresh.value(u"Marrowfin_tab"_s).toString(), u"3"_s);
    EXPECT_EQ(fresh.value(u"number-negative"_s).toString(), u"-42"_s);
    EXPECT_EQ(fresh.value(u"number-large"_s).toString(), u"9007199254740993"_s);
    EXPECT_TRUE(fresh.value(u"removed"_s).isNull());
    EXPECT_TRUE(fresh.value(u"never-written"_s).isNull());
    EXPECT_EQ(fresh.value(u"Marrowfin_torrentHistory"_s).toArray(), QJsonArray{u"one torrent"_s});

    SettingsStore reopened(dir.path());
    EXPECT_FALSE(reopened.recoveryNote().has_value());
    EXPECT_EQ(reopened.list(u"list-empty"_s), QStringList());
    EXPECT_TRUE(reopened.contains(u"list-empty"_s));
    EXPECT_FALSE(reopened.contains(u"removed"_s));
    EXPECT_EQ(reopened.text(u"text-3"_s), u"x=y"_s);
    EXPECT_EQ(reopened.number(u"number-large"_s), 9'007'199'254'740'993LL);
    // A text that is not a whole number is not a number.
    ASSERT_TRUE(reopened.setText(u"not-a-number"_s, u"12abc"_s));
    EXPECT_FALSE(reopened.number(u"not-a-number"_s).has_value());
    EXPECT_FALSE(reopened.number(u"never-written"_s).has_value());
}

// The store holds passwords: the file stays 0600 and the directory 0700 whatever the umask, through QSettings'
// replace-by-rename writes, for an older file that was readable by others, and when the file was deleted under a
// running store.
TEST(SettingsStore, FilesStayOwnerOnly)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const mode_t previousUmask = ::umask(0);
    struct RestoreUmask
    {
        mode_t mask;
        ~RestoreUmask() { ::umask(mask); }
    } restore{previousUmask};

    const QString dir = root.path() + u"/not/yet/there"_s;
    SettingsStore store(dir);
    const QString file = store.filePath();
    EXPECT_EQ(QFileInfo(file).dir().absolutePath(), QDir(dir).absolutePath());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(store.setText(SettingsKeys::password, u"secret "_s + QString::number(i)));
        ASSERT_TRUE(store.setList(SettingsKeys::filters, {u"f"_s, QString::number(i)}));
        ASSERT_TRUE(store.setNumber(SettingsKeys::tab, i));
    }
    ASSERT_TRUE(store.remove(SettingsKeys::tab));
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_EQ(modeOf(dir), 0700);

    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(store.setText(SettingsKeys::serverPassword, u"other secret"_s));
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_EQ(store.text(SettingsKeys::serverPassword), u"other secret"_s);

    const QString olderDir = root.path() + u"/older"_s;
    ASSERT_TRUE(QDir().mkpath(olderDir));
    {
        QFile older(olderDir + u"/marrowfin.conf"_s);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("[General]\nMarrowfin_username=someone\n");
    }
    ASSERT_EQ(::chmod((olderDir + u"/marrowfin.conf"_s).toLocal8Bit().constData(), 0644), 0);
    SettingsStore olderStore(olderDir);
    EXPECT_EQ(olderStore.text(SettingsKeys::username), u"someone"_s);
    EXPECT_EQ(modeOf(olderStore.filePath()), 0600);
    ASSERT_TRUE(olderStore.setText(SettingsKeys::username, u"someone else"_s));
    EXPECT_EQ(modeOf(olderStore.filePath()), 0600);
}

// First start records the build; a second start of the same build must not touch the file (the store rewrites the
// file through a new inode, so an unchanged inode and time mean no write); a new build is recorded again.
TEST(SettingsStore, BuildVersionIsRecordedOnlyWhenItChanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        SettingsStore firstStart(dir.path());
        EXPECT_FALSE(firstStart.contains(SettingsKeys::version));
        EXPECT_TRUE(recordBuildVersion(firstStart, u"1.4.2"_s));
    }
    EXPECT_EQ(dumpInFreshProcess(dir.path(), {u"text:Marrowfin_version"_s}).value(u"Marrowfin_version"_s),
              QJsonValue(u"1.4.2"_s));

    struct stat before
    {};
    ASSERT_EQ(::stat((dir.path() + u"/marrowfin.conf"_s).toLocal8Bit().constData(), &before), 0);
    const QByteArray bytesBefore = fileBytes(dir.path() + u"/marrowfin.conf"_s);
    {
        SettingsStore secondStart(dir.path());
        EXPECT_FALSE(recordBuildVersion(secondStart, u"1.4.2"_s));
    }
    struct stat after
    {};
    ASSERT_EQ(::stat((dir.path() + u"/marrowfin.conf"_s).toLocal8Bit().constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(fileBytes(dir.path() + u"/marrowfin.conf"_s), bytesBefore);

    SettingsStore upgraded(dir.path());
    EXPECT_TRUE(recordBuildVersion(upgraded, u"1.5.0"_s));
    EXPECT_EQ(upgraded.text(SettingsKeys::version), u"1.5.0"_s);
}

// The history keeps the newest kTorrentHistoryLimit names, oldest first, counts repeated sends, and removes by
// index only an entry that exists.
TEST(SettingsStore, HistoryKeepsTheNewestNamesAndRemovesByIndex)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    using List = SettingsStore::LockedList;
    EXPECT_TRUE(storedList(store, List::TorrentHistory).isEmpty());

    QStringList sent;
    for (int i = 0; i <= kTorrentHistoryLimit; ++i) {
        sent << u"Torrent "_s + QString::number(i);
        const auto history = appendToTorrentHistory(store, sent.last());
        ASSERT_TRUE(history.has_value());
        EXPECT_EQ(history->size(), std::min<qsizetype>(sent.size(), kTorrentHistoryLimit));
    }
    const QStringList newest = sent.mid(sent.size() - kTorrentHistoryLimit);
    EXPECT_EQ(storedList(SettingsStore(dir.path()), List::TorrentHistory), newest);
    EXPECT_FALSE(storedList(store, List::TorrentHistory).contains(sent.first()));

    // The same torrent sent twice counts twice, and the oldest two make room.
    ASSERT_TRUE(appendToTorrentHistory(store, u"Again"_s));
    ASSERT_TRUE(appendToTorrentHistory(store, u"Again"_s));
    QStringList history = storedList(store, List::TorrentHistory);
    ASSERT_EQ(history.size(), kTorrentHistoryLimit);
    EXPECT_EQ(history.mid(history.size() - 2), (QStringList{u"Again"_s, u"Again"_s}));
    EXPECT_EQ(history.first(), newest.at(2));

    const QStringList beforeRemoval = history;
    EXPECT_FALSE(removeListEntry(store, List::TorrentHistory, -1));
    EXPECT_FALSE(removeListEntry(store, List::TorrentHistory, kTorrentHistoryLimit));
    EXPECT_EQ(storedList(store, List::TorrentHistory), beforeRemoval);
    ASSERT_TRUE(removeListEntry(store, List::TorrentHistory, 1));
    QStringList expected = beforeRemoval;
    expected.removeAt(1);
    EXPECT_EQ(storedList(SettingsStore(dir.path()), List::TorrentHistory), expected);

    // Filters share the mechanism but have no limit.
    for (int i = 0; i <= kTorrentHistoryLimit; ++i) {
        ASSERT_TRUE(appendFilter(store, u"^filter "_s + QString::number(i)));
    }
    EXPECT_EQ(storedList(store, List::Filters).size(), kTorrentHistoryLimit + 1);
    ASSERT_TRUE(removeListEntry(store, List::Filters, 0));
    EXPECT_EQ(storedList(store, List::Filters).first(), u"^filter 1"_s);
}

// A file that cannot be parsed is kept byte for byte under a new name and reported, without the secrets it holds
// reaching the log; the store starts empty in a fresh 0600 file. Binary bytes pass QSettings' own parser as long as
// their lines hold "=", so both kinds are tried.
TEST(SettingsStore, UnreadableFileIsMovedAsideAtOpening)
{
    const QByteArray secret = "hunter-two-secret";
    QByteArray binary = "[General]\nMarrowfin_password=" + secret + "\n";
    for (int i = 0; i < 64; ++i) {
        binary += char((i * 37 + 5) % 256);
        binary += "=\n";
    }
    const QByteArray brokenSection = "[General\nMarrowfin_password=" + secret + "\nplain words without a sign\n";

    for (const QByteArray& corrupt : {binary, brokenSection}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString file = dir.path() + u"/marrowfin.conf"_s;
        {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(corrupt);
        }
        MessageCapture capture;
        SettingsStore store(dir.path());
        ASSERT_TRUE(store.recoveryNote().has_value());

        const QStringList kept = QDir(dir.path()).entryList({u"marrowfin.conf.corrupt-*"_s}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(fileBytes(dir.path() + u'/' + kept.first()), corrupt);
        EXPECT_TRUE(store.recoveryNote()->contains(kept.first()));
        EXPECT_TRUE(capture.anyFromCategory(u"marrowfin.settings"_s));
        EXPECT_FALSE(capture.anyContains(QString::fromLatin1(secret)));

        EXPECT_FALSE(store.contains(SettingsKeys::password));
        ASSERT_TRUE(store.setText(SettingsKeys::username, u"fresh"_s));
        EXPECT_EQ(modeOf(file), 0600);
        EXPECT_EQ(fileBytes(dir.path() + u'/' + kept.first()), corrupt);
        SettingsStore reopened(dir.path());
        EXPECT_FALSE(reopened.recoveryNote().has_value());
        EXPECT_EQ(reopened.text(SettingsKeys::username), u"fresh"_s);
    }
}

// A file spoiled while a store is open (by another program) must not be overwritten by the next write.
TEST(SettingsStore, FileSpoiledWhileOpenIsMovedAsideBeforeTheNextWrite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    ASSERT_TRUE(store.setText(SettingsKeys::username, u"before"_s));
    const QByteArray garbage("\x00\x01\x02garbage\xff\xfe=\n", 15);
    {
        QFile out(store.filePath());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(garbage);
    }
    EXPECT_TRUE(store.setText(SettingsKeys::sortBy, u"asc"_s));
    const QStringList kept = QDir(dir.path()).entryList({u"marrowfin.conf.corrupt-*"_s}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(fileBytes(dir.path() + u'/' + kept.first()), garbage);
    EXPECT_TRUE(store.recoveryNote().has_value());
    EXPECT_FALSE(store.contains(SettingsKeys::username));
    EXPECT_EQ(SettingsStore(dir.path()).text(SettingsKeys::sortBy), u"asc"_s);
}

// A write that cannot reach the disk says so, and on the settings category.
TEST(SettingsStore, FailedWriteIsReported)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString dir = root.path() + u"/config"_s;
    SettingsStore store(dir);
    ASSERT_TRUE(store.setText(SettingsKeys::username, u"someone"_s));
    // The directory turns into a plain file: neither it nor the store file can be created again.
    ASSERT_TRUE(QDir(dir).removeRecursively());
    {
        QFile blocker(dir);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    MessageCapture capture;
    EXPECT_FALSE(store.setText(SettingsKeys::password, u"never-logged-secret"_s));
    EXPECT_FALSE(appendToTorrentHistory(store, u"a torrent"_s).has_value());
    EXPECT_TRUE(capture.anyFromCategory(u"marrowfin.settings"_s));
    EXPECT_FALSE(capture.anyContains(u"never-logged-secret"_s));
}
