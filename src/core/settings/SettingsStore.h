#pragma once

#include "StoreFiles.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace marrowfin {

// The one persistent key/value store: an INI file "marrowfin.conf" (kFileName) in a configuration directory that the
// application and the command line share, and may use at the same moment.
//
// Threads: every member may be called from any thread; one mutex guards the single QSettings object.
// Processes: every write is flushed to disk before it returns, under a cross-process write lock; every read first
// re-reads the file when it changed on disk since this store last saw it, so another process's writes are seen.
// Files: the directory is created 0700 and the store file 0600. QSettings reads the file; every write replaces it
// whole through ProfileFile (IniText makes the text), so a write that fails leaves the file as it was. Next to the
// store live the lock files "marrowfin.conf.write-lock", "marrowfin.conf.history-lock" and
// "marrowfin.conf.filters-lock".
// A store file that cannot be parsed is renamed "marrowfin.conf.corrupt-<UTC time>" and reported (recoveryNote());
// the store then starts empty. It is never overwritten.
//
// Values are texts, numbers (qint64) or lists of texts. INI keeps no kinds: a number reads back as the text of its
// digits, and a reader asks for the kind it expects.
class SettingsStore final
{
public:
    static constexpr QStringView kFileName = u"marrowfin.conf";

    // The two lists that are changed by read-change-write, each under its own lock.
    enum class LockedList
    {
        TorrentHistory,
        Filters,
    };

    // Opens (creating when needed) the store in `configDir`. A directory or file that cannot be created leaves a
    // store whose reads find nothing and whose writes fail; both are reported on "marrowfin.settings".
    explicit SettingsStore(const QString& configDir);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $MARROWFIN_CONFIG_DIR when set and not empty, else "<XDG config home>/marrowfin".
    [[nodiscard]] static QString defaultConfigDir();

    // The store of the profile in use, installed once at start-up and read from any thread (the listing scraper
    // reads the history on worker threads, the send writes it). Null until something is installed; tests install
    // a store of their own.
    [[nodiscard]] static std::shared_ptr<SettingsStore> shared();
    static void setShared(std::shared_ptr<SettingsStore> store);

    [[nodiscard]] QString filePath() const { return m_path; }

    // Set when a store file that could not be parsed was moved aside (at opening or later): a sentence naming the
    // kept file, for executables to show. Absent otherwise.
    [[nodiscard]] std::optional<QString> recoveryNote() const;

    // Reads: absent when the key was never written (or was removed). number() is also absent when the stored text
    // is not a whole decimal number. list() turns a stored single text into a one-entry list.
    [[nodiscard]] std::optional<QString> text(QStringView key) const;
    [[nodiscard]] std::optional<qint64> number(QStringView key) const;
    [[nodiscard]] std::optional<QStringList> list(QStringView key) const;
    [[nodiscard]] bool contains(QStringView key) const;

    // Writes, each on disk before it returns (the whole file replaced through ProfileFile). False (and a warning) when
    // it could not be written: the file and the values in force are then as they were, and lastWriteError() says
    // why.
    // setList() and remove() of a LockedList key take that list's lock.
    bool setText(QStringView key, const QString& value);
    bool setNumber(QStringView key, qint64 value);
    bool setList(QStringView key, const QStringList& value);
    bool remove(QStringView key);

    // Read-change-write of one list under its lock, held against other threads and other processes from the read
    // to the write; the read sees the last write of any process. `change` runs without the store's own mutex, so it
    // may read other keys, but it must not update a list. Nothing is written when `change` leaves the list as it
    // was. Returns the list as stored afterwards, or absent when the write failed.
    std::optional<QStringList> updateList(LockedList which, const std::function<void(QStringList&)>& change);
    // The same for a list and a companion list of texts kept beside it (read and written together, in one flush,
    // under the list's lock); the companion key takes no lock of its own.
    std::optional<QStringList> updateList(LockedList which, QStringView companionKey,
                                          const std::function<void(QStringList&, QStringList&)>& change);

    [[nodiscard]] static QStringView keyOf(LockedList which);

    // Why the last write of the calling thread that failed did fail: a sentence naming the file and the reason.
    [[nodiscard]] static QString lastWriteError();

private:
    [[nodiscard]] std::optional<QVariant> valueLocked(QStringView key) const;
    bool writeLocked(QStringView key, const std::optional<QVariant>& value);
    // Several keys in one flush.
    bool writeLocked(const QList<std::pair<QStringView, std::optional<QVariant>>>& values);
    bool writeOrUpdate(QStringView key, const std::optional<QVariant>& value);
    void refreshLocked(bool force, bool holdingWriteLock) const;
    [[nodiscard]] bool looksCorruptLocked() const;
    void recoverLocked() const;
    void openSettingsLocked() const;
    [[nodiscard]] QString lockPath(QStringView suffix) const;

    QString m_dir;
    QString m_path;
    // Guards everything below; taken after a list lock, never before one.
    mutable std::mutex m_mutex;
    mutable std::unique_ptr<QSettings> m_settings;
    // The file as this store last synchronised with it; a different stamp on disk means another writer.
    mutable storefiles::FileStamp m_seen;
    mutable std::optional<QString> m_recoveryNote;
    // Set when a file that cannot be parsed could not be moved aside either: nothing touches it for the rest of the
    // run.
    mutable bool m_closed = false;
    std::array<std::mutex, 2> m_listMutexes;
};

} // namespace marrowfin
