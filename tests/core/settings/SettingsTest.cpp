#include "core/net/CookieStore.h"
#include "core/settings/BuildVersionRecord.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"
#include "support/QtTestSupport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

struct HelperRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// Starts the second process (SettingsStoreHelper.cpp) with the given arguments; finishHelper() waits for it.
std::unique_ptr<QProcess> startHelper(const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(MARROWFIN_SETTINGS_HELPER), arguments);
    process->waitForStarted();
    return process;
}

HelperRun finishHelper(QProcess& process)
{
    process.waitForFinished(240'000);
    HelperRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The helper's "dump" in a fresh process, which parses the store file from scratch as a restart does (within one
// process QSettings answers from its cache and hides the INI quirks). Empty when the helper failed.
QJsonObject dumpInFreshProcess(const QString& configDir, const QStringList& kindKeys)
{
    const auto process = startHelper(QStringList{QStringLiteral("dump"), configDir} + kindKeys);
    const HelperRun run = finishHelper(*process);
    if (run.exitCode != 0 || run.lines.size() != 1) {
        return {};
    }
    return QJsonDocument::fromJson(run.lines.first().toUtf8()).object();
}

// Permission bits (st_mode & 07777) of a path, or -1 when it cannot be inspected.
int modeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// Texts that INI writing escapes, quotes or splits: separators, comment and section characters, line breaks,
// QSettings' own "@" markers, surrounding blanks, non-ASCII.
const QStringList kAwkwardTexts = {
    u""_s,
    u"a, b"_s,
    u"x=y"_s,
    u"semi;colon"_s,
    u"#hash"_s,
    u"[General]"_s,
    u"cr\r\nlf"_s,
    u"\"quoted\""_s,
    u"@Variant(x)"_s,
    u"  padded  "_s,
    u"é 漢字 🐟 ß"_s,
    u"ends with \\"_s,
    u"bell\u0007face"_s,
    u"@@twice"_s,
    u"tab\tand\x7f"_s,
};

// Lists that INI writing could turn into something else: none, a single text, an empty entry, separators, markers.
const QList<QStringList> kAwkwardLists = {
    {},          {u"only"_s},       {u""_s},
    {u"a, b"_s}, {u"@Invalid()"_s}, {u"x"_s, u""_s, u"y,z"_s, u"é"_s, u"two\nlines"_s, u"k=v"_s}};

// Overwrites a file as another program would.
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    out.write(bytes);
}

constexpr int kWritesPerWriter = 200;
const QStringList kWriters = {u"left"_s, u"right"_s};

QString numbered(const QString& prefix, int index)
{
    return prefix + u'-' + QString::number(index).rightJustified(3, u'0');
}

// What a writer's entries must read, in its order: "<prefix>-000", "<prefix>-001", ...
QStringList expectedSequence(const QString& prefix, int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i) {
        result << numbered(prefix, i);
    }
    return result;
}

// Every writer appended all its filters, in its own order, after `before` earlier entries, and wrote all its keys.
void expectEveryWrite(const SettingsStore& store, qsizetype before)
{
    const QStringList filters = storedList(store, SettingsStore::LockedList::Filters);
    EXPECT_EQ(filters.size(), before + kWriters.size() * kWritesPerWriter);
    for (const QString& prefix : kWriters) {
        EXPECT_EQ(filters.filter(prefix + u'-'), expectedSequence(prefix, kWritesPerWriter)) << prefix.toStdString();
        for (int i = 0; i < kWritesPerWriter; ++i) {
            EXPECT_EQ(store.text(numbered(prefix + u"key"_s, i)), QString::number(i)) << prefix.toStdString() << i;
        }
    }
}

// Each test's own profile folder.
class SettingsConcurrency : public ::testing::Test
{
protected:
    QTemporaryDir dir;
};
} // namespace

// The command line lists, validates and masks settings from the table alone, so each key needs exactly one row that
// is found by its exact text, and the kinds and secrets other code relies on must hold: the only number, the two
// lists, the two passwords.
TEST(SettingsKeys, TableHasOneFindableRowPerKeyAndFlagsHaveTheirReadingRules)
{
    QSet<QString> keys;
    for (const SettingDescription& row : kSettingsTable) {
        const std::string key = row.key.toString().toStdString();
        keys.insert(row.key.toString());
        EXPECT_EQ(findSetting(row.key), &row) << key;
        EXPECT_EQ(row.secret, row.key == SettingsKeys::password || row.key == SettingsKeys::serverPassword) << key;
    }
    EXPECT_EQ(keys.size(), qsizetype(kSettingsTable.size())) << "a key has two rows";

    EXPECT_EQ(findSetting(u"marrowfin_tab"), nullptr);

    // The two sign-in flags read the same stored texts differently: automatic sign-in is on only for a stored text
    // other than "NO", the anonymous switch is off only for "NO".
    // The stored text; automatic sign-in and the anonymous switch as read from it.
    const std::tuple<std::optional<QString>, bool, bool> cases[] = {
        {std::nullopt, false, true}, {u"NO"_s, false, false}, {u"YES"_s, true, true},
        {u""_s, true, true},         {u"no"_s, true, true},   {u"NO "_s, true, true}};
    for (const auto& [stored, automatic, anonymous] : cases) {
        const std::string label = stored.value_or(u"<absent>"_s).toStdString();
        EXPECT_EQ(automaticLoginIsOn(stored), automatic) << label;
        EXPECT_EQ(anonymousLoginIsOn(stored), anonymous) << label;
    }
    // What is written ("YES", "NO") is settled by CliLogin's sign-in test, which reads the stored flags back.
}

// Every kind of value must come back as written after the process ends: read in a fresh process, which parses the
// file, and in a new store object.
TEST(SettingsStore, ValuesSurviveARestart)
{
    QTemporaryDir dir;
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

    EXPECT_FALSE(SettingsStore(dir.path()).recoveryNote().has_value());
}

// The store holds passwords: the file stays 0600 and the directory 0700 whatever the umask, through QSettings'
// replace-by-rename writes, for an older file that was readable by others, and when the file was deleted under a
// running store.
TEST(SettingsStore, FilesStayOwnerOnly)
{
    QTemporaryDir root;
    const auto restore = qScopeGuard([mask = ::umask(0)] { ::umask(mask); });

    const QString dir = root.path() + u"/not/yet/there"_s;
    SettingsStore store(dir);
    const QString file = store.filePath();
    ASSERT_TRUE(store.setText(SettingsKeys::password, u"secret"_s));
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_EQ(modeOf(dir), 0700);

    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(store.setText(SettingsKeys::serverPassword, u"other secret"_s));
    EXPECT_EQ(modeOf(file), 0600);

    const QString olderDir = root.path() + u"/older"_s;
    ASSERT_TRUE(QDir().mkpath(olderDir));
    const QString older = olderDir + u"/marrowfin.conf"_s;
    writeFile(older, "[General]\nMarrowfin_username=someone\n");
    ASSERT_EQ(::chmod(QFile::encodeName(older).constData(), 0644), 0);
    SettingsStore olderStore(olderDir);
    EXPECT_EQ(olderStore.text(SettingsKeys::username), u"someone"_s);
    EXPECT_EQ(modeOf(older), 0600);
}

// First start records the build; a second start of the same build must not touch the file (the store rewrites the
// file through a new inode, so an unchanged inode and time mean no write); a new build is recorded again.
TEST(SettingsStore, BuildVersionIsRecordedOnlyWhenItChanges)
{
    QTemporaryDir dir;
    SettingsStore firstStart(dir.path());
    EXPECT_TRUE(recordBuildVersion(firstStart, u"1.4.2"_s));
    const auto stamp = [file = firstStart.filePath()] {
        struct stat info = {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
        return std::tuple(info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    const auto before = stamp();
    SettingsStore secondStart(dir.path());
    EXPECT_FALSE(recordBuildVersion(secondStart, u"1.4.2"_s));
    EXPECT_EQ(stamp(), before);
    EXPECT_TRUE(recordBuildVersion(secondStart, u"1.5.0"_s));
    EXPECT_EQ(SettingsStore(dir.path()).text(SettingsKeys::version), u"1.5.0"_s);
}

// The history keeps the newest kTorrentHistoryLimit names, oldest first, and removes by index only an entry that
// exists; the filters share the mechanism without the limit.
TEST(SettingsStore, HistoryKeepsTheNewestNamesAndFiltersHaveNoLimit)
{
    QTemporaryDir dir;
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

// Each send keeps its time beside its name, so two sends of one name can be told apart, while the names list stays
// as readers without times know it. Writers that change the names alone (older versions, the scraper's readers'
// peers) move no time onto another send: times follow their own sends through deletions and appends around them.
TEST(SettingsStore, HistoryTimesFollowTheirSendsWhateverChangesTheNames)
{
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    const QDateTime t0 = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    const auto at = [&t0](int minutes) { return std::optional<QDateTime>(t0.addSecs(60 * minutes)); };
    for (const auto& [name, minute] : {std::pair{u"A"_s, 0}, {u"B"_s, 1}, {u"A"_s, 2}}) {
        ASSERT_TRUE(appendToTorrentHistory(store, name, *at(minute)));
    }
    EXPECT_EQ(storedList(store, SettingsStore::LockedList::TorrentHistory), (QStringList{u"A"_s, u"B"_s, u"A"_s}));
    EXPECT_EQ(storedHistory(SettingsStore(dir.path())),
              (QList<HistoryEntry>{{u"A"_s, at(0)}, {u"B"_s, at(1)}, {u"A"_s, at(2)}}));

    // The names as another writer leaves them (from the names A B A with times), and the times then read.
    const std::pair<QStringList, QList<HistoryEntry>> rows[] = {
        {{u"B"_s, u"A"_s}, {{u"B"_s, at(1)}, {u"A"_s, at(2)}}},
        {{u"A"_s, u"B"_s}, {{u"A"_s, at(0)}, {u"B"_s, at(1)}}},
        {{u"A"_s, u"A"_s}, {{u"A"_s, at(0)}, {u"A"_s, at(2)}}},
        {{u"A"_s, u"B"_s, u"A"_s, u"A"_s}, {{u"A"_s, at(0)}, {u"B"_s, at(1)}, {u"A"_s, at(2)}, {u"A"_s, {}}}},
        {{u"C"_s, u"A"_s, u"B"_s, u"A"_s}, {{u"C"_s, {}}, {u"A"_s, at(0)}, {u"B"_s, at(1)}, {u"A"_s, at(2)}}},
        {{}, {}},
    };
    const QStringList times = store.list(SettingsKeys::torrentHistoryTimes).value_or(QStringList());
    ASSERT_EQ(times.size(), 3);
    for (const auto& [names, expected] : rows) {
        EXPECT_EQ(historyWithTimes(names, times), expected) << names.join(u' ').toStdString();
    }
    // Times that cannot be read are no times; an older history has none.
    EXPECT_EQ(historyWithTimes({u"A"_s}, {u"{\"name\":\"A\",\"sent\":\"soon\"}"_s, u"A"_s}),
              (QList<HistoryEntry>{{u"A"_s, {}}}));

    // Removing by index takes the time along.
    ASSERT_TRUE(removeListEntry(store, SettingsStore::LockedList::TorrentHistory, 0));
    EXPECT_EQ(storedHistory(store), (QList<HistoryEntry>{{u"B"_s, at(1)}, {u"A"_s, at(2)}}));
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
    // What went wrong, the file's bytes, and whether the store was open when they were written.
    const std::tuple<const char*, QByteArray, bool> cases[] = {
        {"binary bytes", binary, false},
        {"a broken section", "[General\nMarrowfin_password=" + secret + "\nplain words without a sign\n", false},
        {"spoiled while open", QByteArray("\x00\x01\x02garbage\xff\xfe=\n", 15), true}};
    for (const auto& [what, corrupt, whileOpen] : cases) {
        SCOPED_TRACE(what);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"marrowfin.conf"_s);
        const test::MessageCapture capture;
        std::optional<SettingsStore> store;
        if (whileOpen) {
            store.emplace(dir.path());
            ASSERT_TRUE(store->setText(SettingsKeys::password, QString::fromLatin1(secret)));
        }
        writeFile(file, corrupt);
        if (!store) {
            store.emplace(dir.path());
        }
        ASSERT_TRUE(store->setText(SettingsKeys::username, u"fresh"_s));
        ASSERT_TRUE(store->recoveryNote().has_value());

        const QStringList kept = QDir(dir.path()).entryList({u"marrowfin.conf.corrupt-*"_s}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        QFile keptFile(dir.filePath(kept.first()));
        EXPECT_TRUE(keptFile.open(QIODevice::ReadOnly) && keptFile.readAll() == corrupt);
        EXPECT_TRUE(store->recoveryNote()->contains(kept.first()));
        EXPECT_FALSE(capture.text().contains(QString::fromLatin1(secret)));
        EXPECT_FALSE(store->contains(SettingsKeys::password));
        EXPECT_EQ(modeOf(file), 0600);
        SettingsStore reopened(dir.path());
        EXPECT_FALSE(reopened.recoveryNote().has_value());
        EXPECT_EQ(reopened.text(SettingsKeys::username), u"fresh"_s);
    }
}

// Two processes append to the same list and write their own keys at the same time: every append and every key must
// be there afterwards, each process's appends in its own order. The store opened before they ran must see it all.
TEST_F(SettingsConcurrency, TwoProcessesLoseNoListEntryAndNoKey)
{
    SettingsStore observer(dir.path());
    ASSERT_TRUE(observer.setList(SettingsKeys::filters, {u"existing"_s}));

    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QString& prefix : kWriters) {
        processes.push_back(startHelper({u"append-filters"_s, dir.path(), prefix, QString::number(kWritesPerWriter)}));
        processes.push_back(
            startHelper({u"write-keys"_s, dir.path(), prefix + u"key"_s, QString::number(kWritesPerWriter)}));
    }
    for (auto& process : processes) {
        const HelperRun run = finishHelper(*process);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    }
    EXPECT_EQ(storedList(observer, SettingsStore::LockedList::Filters).value(0), u"existing"_s);
    expectEveryWrite(observer, 1);
}

// With the history full, every append drops one name and adds one, so the file often keeps its size from one write
// to the next; a process that took an unchanged-looking file for unchanged would write back a stale list and drop
// the other process's name. Every append reports the name it came after: with nothing lost, those links form one
// chain from the prefilled history through all appends, and the stored history is that chain's end.
TEST_F(SettingsConcurrency, TwoProcessesAppendingToAFullHistoryFormOneChain)
{
    SettingsStore observer(dir.path());
    const QStringList prefilled = expectedSequence(u"old"_s, int(kTorrentHistoryLimit));
    ASSERT_TRUE(observer.setList(SettingsKeys::torrentHistory, prefilled));

    auto left = startHelper({u"append-history"_s, dir.path(), u"aaa"_s, QString::number(kWritesPerWriter)});
    auto right = startHelper({u"append-history"_s, dir.path(), u"bbb"_s, QString::number(kWritesPerWriter)});
    QHash<QString, QString> successorOf;
    int forks = 0;
    for (const auto& process : {left.get(), right.get()}) {
        const HelperRun run = finishHelper(*process);
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        ASSERT_EQ(run.lines.size(), kWritesPerWriter);
        for (const QString& line : run.lines) {
            const QString predecessor = line.section(u' ', 1);
            if (successorOf.contains(predecessor)) {
                ++forks;
            }
            successorOf.insert(predecessor, line.section(u' ', 0, 0));
        }
    }
    EXPECT_EQ(forks, 0) << "two appends came after the same name: one of them was lost";

    QStringList chain = prefilled;
    while (successorOf.contains(chain.last()) && chain.size() <= prefilled.size() + 2 * kWritesPerWriter) {
        chain << successorOf.value(chain.last());
    }
    EXPECT_EQ(chain.size(), prefilled.size() + 2 * kWritesPerWriter);
    EXPECT_EQ(storedList(observer, SettingsStore::LockedList::TorrentHistory),
              chain.mid(chain.size() - kTorrentHistoryLimit));
    EXPECT_EQ(chain.filter(u"aaa-"_s), expectedSequence(u"aaa"_s, kWritesPerWriter));
    EXPECT_EQ(chain.filter(u"bbb-"_s), expectedSequence(u"bbb"_s, kWritesPerWriter));
}

// Worker threads and the main thread share one store object: list appends, key writes and reads at once.
TEST_F(SettingsConcurrency, ThreadsSharingOneStoreLoseNothing)
{
    SettingsStore store(dir.path());
    std::atomic<int> failures = 0;
    std::atomic<bool> writing = true;

    std::vector<std::thread> threads;
    for (const QString& prefix : kWriters) {
        threads.emplace_back([&store, &failures, prefix] {
            for (int i = 0; i < kWritesPerWriter; ++i) {
                if (!appendFilter(store, numbered(prefix, i))) {
                    ++failures;
                }
            }
        });
        threads.emplace_back([&store, &failures, prefix] {
            for (int i = 0; i < kWritesPerWriter; ++i) {
                if (!store.setText(numbered(prefix + u"key"_s, i), QString::number(i))) {
                    ++failures;
                }
            }
        });
    }
    // A reader of the list while it grows must only ever see some prefix of each writer's sequence.
    std::thread reader([&store, &failures, &writing] {
        while (writing) {
            const QStringList filters = storedList(store, SettingsStore::LockedList::Filters);
            for (const QString& prefix : kWriters) {
                const QStringList mine = filters.filter(prefix + u'-');
                if (mine != expectedSequence(prefix, int(mine.size()))) {
                    ++failures;
                }
            }
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }
    writing = false;
    reader.join();

    EXPECT_EQ(failures, 0);
    expectEveryWrite(SettingsStore(dir.path()), 0);
}

// A process killed in the middle of a stream of writes leaves a store that opens cleanly and holds every write that
// had returned before the kill.
TEST_F(SettingsConcurrency, KilledWriterLeavesEveryReturnedWrite)
{
    auto writer = startHelper({u"stream"_s, dir.path()});
    QStringList confirmed;
    while (confirmed.size() < 40 && writer->state() == QProcess::Running) {
        if (!writer->canReadLine() && !writer->waitForReadyRead(30'000)) {
            break;
        }
        while (writer->canReadLine()) {
            confirmed << QString::fromUtf8(writer->readLine()).trimmed();
        }
    }
    writer->kill();
    writer->waitForFinished(30'000);
    // Lines that arrived after the last read also belong to returned writes.
    confirmed << QString::fromUtf8(writer->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(confirmed.size(), 40) << writer->readAllStandardError().toStdString();

    SettingsStore store(dir.path());
    EXPECT_FALSE(store.recoveryNote().has_value());
    for (const QString& index : confirmed) {
        EXPECT_EQ(store.number(numbered(u"stream"_s, index.trimmed().toInt())), index.trimmed().toLongLong())
            << index.toStdString();
    }
    // The store is still writable after the writer died holding nothing but what the kernel released.
    EXPECT_TRUE(store.setText(SettingsKeys::username, u"after the kill"_s));
    EXPECT_EQ(SettingsStore(dir.path()).text(SettingsKeys::username), u"after the kill"_s);
}

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A change to one file of the profile (`count` entries), and what a new process reads of it.
struct ProfileChange
{
    const char* file;
    std::function<bool(const QString& dir, int count)> write;
    std::function<QStringList(const QString& dir)> readBack;
};

const QList<ProfileChange> kProfileChanges = {
    {"marrowfin.conf",
     [](const QString& dir, int count) {
         QStringList filters;
         for (int i = 0; i < count; ++i) {
             filters.append(u"filter number %1 with a longer text, (x|y)"_s.arg(i));
         }
         return SettingsStore(dir).setList(SettingsKeys::filters, filters);
     },
     [](const QString& dir) { return storedList(SettingsStore(dir), SettingsStore::LockedList::Filters); }},
    {"cookies.txt",
     [](const QString& dir, int count) {
         QByteArray lines;
         for (int i = 0; i < count; ++i) {
             lines += "site.example\tFALSE\t/\tFALSE\t0\tc" + QByteArray::number(i) + "\t" + QByteArray(40, 'v') + '\n';
         }
         CookieStore jar(dir + u"/cookies.txt"_s);
         jar.importNetscape(lines);
         return !jar.saveError().has_value();
     },
     [](const QString& dir) {
         QStringList names;
         for (const Cookie& cookie : CookieStore(dir + u"/cookies.txt"_s).cookies()) {
             names.append(QString::fromLatin1(cookie.name));
         }
         return names;
     }},
};

} // namespace

// The one layer every profile write goes through, made to fail at each of its steps in turn (creating the temporary
// file, writing, flushing, closing, renaming): the write says so with the file and the reason, the file on disk is
// the old one and no temporary file is left. Once no step fails, the new one is there whole.
TEST(ProfileFile, AWriteFailingAtAnyStepLeavesTheOldFile)
{
    for (const ProfileChange& change : kProfileChanges) {
        SCOPED_TRACE(change.file);
        int failedSteps = 0;
        for (int step = 1; step < 50; ++step) {
            QTemporaryDir dir;
            ASSERT_TRUE(change.write(dir.path(), 3));
            const QStringList old = change.readBack(dir.path());
            const QByteArray oldBytes = bytesOf(dir.filePath(QString::fromLatin1(change.file)));
            const int error = step % 2 == 0 ? ENOSPC : EIO;
            const test::MessageCapture capture;
            ProfileFile::failStep(step, error);
            const bool changed = change.write(dir.path(), 120);
            ProfileFile::failStep(0, 0);
            if (changed) {
                EXPECT_EQ(change.readBack(dir.path()).size(), 120);
                break;
            }
            ++failedSteps;
            EXPECT_EQ(bytesOf(dir.filePath(QString::fromLatin1(change.file))), oldBytes) << step;
            EXPECT_EQ(change.readBack(dir.path()), old) << step;
            EXPECT_TRUE(ProfileFile::lastFailure().contains(dir.filePath(QString::fromLatin1(change.file))) &&
                        ProfileFile::lastFailure().contains(QString::fromLocal8Bit(std::strerror(error))))
                << qPrintable(ProfileFile::lastFailure());
            EXPECT_TRUE(QDir(dir.path()).entryList({u"*.new-*"_s}, QDir::Files).isEmpty()) << step;
            EXPECT_FALSE(capture.text().contains(u"longer text"_s) || capture.text().contains(u"vvvvvvvv"_s))
                << "what the files hold (passwords, cookies) never reaches the log";
        }
        EXPECT_GE(failedSteps, 5) << "open, write, flush, close and rename each fail once";
    }
    // A folder that became a plain file: the store cannot even begin, and says so.
    QTemporaryDir root;
    SettingsStore store(root.filePath(u"config"_s));
    ASSERT_TRUE(store.setText(SettingsKeys::username, u"someone"_s));
    ASSERT_TRUE(QDir(root.filePath(u"config"_s)).removeRecursively());
    writeFile(root.filePath(u"config"_s), {});
    EXPECT_FALSE(appendToTorrentHistory(store, u"a torrent"_s).has_value());
    EXPECT_TRUE(SettingsStore::lastWriteError().contains(root.filePath(u"config"_s)));
}

// The same against a real file system that fills up: a small tmpfs with 0 to 16 KB left, where a buffered write
// "succeeds" and the disk says no only when the file is flushed or closed. Needs root to mount it.
TEST(ProfileFile, AFullDiskKeepsEveryFileWholeAndReadable)
{
    QTemporaryDir mountPoint;
    const QByteArray where = QFile::encodeName(mountPoint.path());
    if (::geteuid() != 0 || ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=96k,mode=0700") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    const auto unmount = qScopeGuard([&] { ::umount2(where.constData(), MNT_DETACH); });
    const QString filler = mountPoint.filePath(u"filler"_s);
    int failed = 0;
    for (const ProfileChange& change : kProfileChanges) {
        for (int room = 0; room <= 16 * 1024; room += 2048) {
            SCOPED_TRACE((QString::fromLatin1(change.file) + u' ' + QString::number(room)).toStdString());
            const QString dir = mountPoint.filePath(u"profile"_s);
            ASSERT_TRUE(QDir().mkpath(dir) && change.write(dir, 3));
            const QStringList old = change.readBack(dir);
            QFile fill(filler);
            ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
            while (fill.write(QByteArray(4096, 'f')) == 4096 && fill.flush()) {
            }
            fill.close();
            ASSERT_TRUE(QFile::resize(filler, std::max<qint64>(0, QFileInfo(filler).size() - room)));
            const test::MessageCapture capture;
            const bool changed = change.write(dir, 120);
            failed += changed ? 0 : 1;
            ASSERT_TRUE(QFile::remove(filler));
            EXPECT_EQ(change.readBack(dir).size(), changed ? 120 : old.size());
            EXPECT_TRUE(QDir(dir).entryList({u"*.corrupt-*"_s, u"*.new-*"_s}, QDir::Files).isEmpty());
            ASSERT_TRUE(QDir(dir).removeRecursively());
        }
    }
    EXPECT_GT(failed, 0) << "some amounts of room are too small for the new files";
}
