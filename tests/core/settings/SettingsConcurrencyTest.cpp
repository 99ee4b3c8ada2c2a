#include "SettingsTestSupport.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"

#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace marrowfin;
using namespace marrowfin::testing;
using namespace Qt::StringLiterals;

namespace {

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
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

} // namespace

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
