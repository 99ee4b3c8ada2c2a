#include "SettingsStore.h"

#include "FileLock.h"
#include "IniText.h"
#include "ProfileFile.h"
#include "SettingsKeys.h"
#include "SettingsLog.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace marrowfin {

namespace {

constexpr qint64 kNsPerMs = 1'000'000;

// Why the last write of this thread failed.
thread_local QString t_lastWriteError;

std::optional<SettingsStore::LockedList> lockedListFor(QStringView key)
{
    if (key == SettingsKeys::torrentHistory) {
        return SettingsStore::LockedList::TorrentHistory;
    }
    if (key == SettingsKeys::filters) {
        return SettingsStore::LockedList::Filters;
    }
    return std::nullopt;
}

} // namespace

SettingsStore::SettingsStore(const QString& configDir)
    : m_dir(QDir::cleanPath(QDir(configDir).absolutePath())), m_path(m_dir + u'/' + kFileName.toString())
{
    std::lock_guard guard(m_mutex);
    QString error;
    if (!storefiles::ensureDirectory(m_dir, &error)) {
        qCWarning(lcSettings).noquote() << "settings directory unusable:" << error;
        return;
    }
    // The corruption check renames the file, so no other writer may be half-way through replacing it.
    FileLock writeLock;
    if (!writeLock.lock(lockPath(u".write-lock"))) {
        qCWarning(lcSettings).noquote() << "cannot lock the settings store:" << writeLock.errorString();
        return;
    }
    if (!storefiles::ensureOwnerOnlyFile(m_path, &error)) {
        qCWarning(lcSettings).noquote() << "settings file unusable:" << error;
        return;
    }
    refreshLocked(true, true);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::lastWriteError()
{
    return t_lastWriteError;
}

QString SettingsStore::defaultConfigDir()
{
    const QString fromEnvironment = qEnvironmentVariable("MARROWFIN_CONFIG_DIR");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/marrowfin"_s;
}

QStringView SettingsStore::keyOf(LockedList which)
{
    return which == LockedList::TorrentHistory ? SettingsKeys::torrentHistory : SettingsKeys::filters;
}

std::optional<QString> SettingsStore::recoveryNote() const
{
    std::lock_guard guard(m_mutex);
    return m_recoveryNote;
}

std::optional<QString> SettingsStore::text(QStringView key) const
{
    std::lock_guard guard(m_mutex);
    const auto value = valueLocked(key);
    if (!value) {
        return std::nullopt;
    }
    return value->toString();
}

std::optional<qint64> SettingsStore::number(QStringView key) const
{
    std::lock_guard guard(m_mutex);
    const auto value = valueLocked(key);
    if (!value) {
        return std::nullopt;
    }
    // Read back from the file the value is a QString; from QSettings' in-process cache it may still be a qint64.
    bool ok = false;
    const qint64 result = value->toLongLong(&ok);
    return ok ? std::optional<qint64>(result) : std::nullopt;
}

std::optional<QStringList> SettingsStore::list(QStringView key) const
{
    std::lock_guard guard(m_mutex);
    const auto value = valueLocked(key);
    if (!value) {
        return std::nullopt;
    }
    // QSettings writes a one-entry list as a plain text and an empty list as "@Invalid()", which reads back as an
    // invalid QVariant; toStringList() turns both back into the list that was written.
    return value->toStringList();
}

bool SettingsStore::contains(QStringView key) const
{
    std::lock_guard guard(m_mutex);
    return valueLocked(key).has_value();
}

bool SettingsStore::setText(QStringView key, const QString& value)
{
    return writeOrUpdate(key, QVariant(value));
}

bool SettingsStore::setNumber(QStringView key, qint64 value)
{
    return writeOrUpdate(key, QVariant(value));
}

bool SettingsStore::setList(QStringView key, const QStringList& value)
{
    return writeOrUpdate(key, QVariant(value));
}

bool SettingsStore::remove(QStringView key)
{
    return writeOrUpdate(key, std::nullopt);
}

bool SettingsStore::writeOrUpdate(QStringView key, const std::optional<QVariant>& value)
{
    if (const auto which = lockedListFor(key)) {
        // A whole-list write of a locked list still waits for a read-change-write in progress, so that one cannot
        // write back a list read before this write.
        std::lock_guard listGuard(m_listMutexes[size_t(*which)]);
        FileLock listLock;
        if (!listLock.lock(lockPath(*which == LockedList::TorrentHistory ? u".history-lock" : u".filters-lock"))) {
            t_lastWriteError = u"cannot lock %1: %2"_s.arg(m_path, listLock.errorString());
            qCWarning(lcSettings).noquote() << "cannot lock" << key << ":" << listLock.errorString();
            return false;
        }
        std::lock_guard guard(m_mutex);
        return writeLocked(key, value);
    }
    std::lock_guard guard(m_mutex);
    return writeLocked(key, value);
}

std::optional<QStringList> SettingsStore::updateList(LockedList which, const std::function<void(QStringList&)>& change)
{
    return updateList(which, QStringView(), [&change](QStringList& list, QStringList&) { change(list); });
}

std::optional<QStringList> SettingsStore::updateList(LockedList which, QStringView companionKey,
                                                     const std::function<void(QStringList&, QStringList&)>& change)
{
    const QStringView key = keyOf(which);
    std::lock_guard listGuard(m_listMutexes[size_t(which)]);
    FileLock listLock;
    if (!listLock.lock(lockPath(which == LockedList::TorrentHistory ? u".history-lock" : u".filters-lock"))) {
        t_lastWriteError = u"cannot lock %1: %2"_s.arg(m_path, listLock.errorString());
        qCWarning(lcSettings).noquote() << "cannot lock" << key << ":" << listLock.errorString();
        return std::nullopt;
    }
    QStringList before;
    QStringList companionBefore;
    {
        std::lock_guard guard(m_mutex);
        // Forced: the other process that held this list's lock last may have written within the resolution of the
        // stamp comparison.
        refreshLocked(true, false);
        if (const auto value = valueLocked(key)) {
            before = value->toStringList();
        }
        if (const auto value = companionKey.isEmpty() ? std::nullopt : valueLocked(companionKey)) {
            companionBefore = value->toStringList();
        }
    }
    QStringList after = before;
    QStringList companionAfter = companionBefore;
    change(after, companionAfter);
    QList<std::pair<QStringView, std::optional<QVariant>>> writes;
    if (after != before) {
        writes.append({key, QVariant(after)});
    }
    if (companionAfter != companionBefore) {
        writes.append(
            {companionKey, companionAfter.isEmpty() ? std::nullopt : std::optional(QVariant(companionAfter))});
    }
    std::lock_guard guard(m_mutex);
    if (!writes.isEmpty() && !writeLocked(writes)) {
        return std::nullopt;
    }
    return after;
}

std::optional<QVariant> SettingsStore::valueLocked(QStringView key) const
{
    refreshLocked(false, false);
    if (!m_settings || !m_settings->contains(key)) {
        return std::nullopt;
    }
    return m_settings->value(key);
}

bool SettingsStore::writeLocked(QStringView key, const std::optional<QVariant>& value)
{
    return writeLocked({{key, value}});
}

bool SettingsStore::writeLocked(const QList<std::pair<QStringView, std::optional<QVariant>>>& values)
{
    QStringList names;
    for (const auto& [name, value] : values) {
        names.append(name.toString());
    }
    const QString key = names.join(u", "_s);
    const auto refused = [&key](const QString& error) {
        t_lastWriteError = error;
        qCWarning(lcSettings).noquote() << "not written:" << key << "-" << error;
        return false;
    };
    QString error;
    if (!storefiles::ensureDirectory(m_dir, &error)) {
        return refused(error);
    }
    // Serialises whole writes of all processes: each writes the file as it found it under this lock, with its own
    // change, so no process's change is lost to another's.
    FileLock writeLock;
    if (!writeLock.lock(lockPath(u".write-lock"))) {
        return refused(u"cannot lock %1: %2"_s.arg(m_path, writeLock.errorString()));
    }
    // Recreated here when it was deleted behind our back, owner-only.
    if (!storefiles::ensureOwnerOnlyFile(m_path, &error)) {
        return refused(error);
    }
    // Before writing, see the file as it is now: another process may have written since (every write gives a new
    // stamp), and a file gone bad must be moved aside rather than written over with what could be parsed of it.
    refreshLocked(false, true);
    if (m_closed || !m_settings) {
        return refused(u"the settings file %1 is not usable"_s.arg(m_path));
    }
    // Left by a version of ours that wrote through QSettings and was killed inside its flush.
    const QString qsettingsLock = m_path + u".lock"_s;
    if (QFile::exists(qsettingsLock) && !QFile::remove(qsettingsLock)) {
        qCWarning(lcSettings).noquote() << "cannot remove the leftover lock" << qsettingsLock;
    }
    std::map<QString, QVariant> all;
    for (const QString& stored : m_settings->allKeys()) {
        all[stored] = m_settings->value(stored);
    }
    for (const auto& [name, value] : values) {
        if (value) {
            all[name.toString()] = *value;
        } else {
            all.erase(name.toString());
        }
    }
    const storefiles::FileStamp before = storefiles::stampOf(m_path);
    // Until the new file is in place, what is in force is what is on disk: a write that fails changes nothing.
    if (const auto failed = ProfileFile::replace(m_path, iniText(all))) {
        return refused(*failed);
    }
    storefiles::FileStamp after = storefiles::stampOf(m_path);
    // QSettings takes a file with the same size and the same modification millisecond as unchanged, and the kernel
    // stamps files from a clock that moves in ticks of several milliseconds. A list trimmed to its limit keeps its
    // size, so another process could keep reading an older list. Each write therefore moves the time at least one
    // millisecond past the previous state's, so no two states of the file look alike.
    if (before.exists && after.exists && after.modifiedNs / kNsPerMs <= before.modifiedNs / kNsPerMs) {
        if (!storefiles::setModifiedNs(m_path, (before.modifiedNs / kNsPerMs + 1) * kNsPerMs)) {
            qCWarning(lcSettings).noquote() << "cannot advance the modification time of" << m_path;
        }
        after = storefiles::stampOf(m_path);
    }
    m_settings.reset();
    openSettingsLocked();
    m_seen = after;
    t_lastWriteError.clear();
    return true;
}

void SettingsStore::refreshLocked(bool force, bool holdingWriteLock) const
{
    if (m_closed) {
        return;
    }
    const storefiles::FileStamp now = storefiles::stampOf(m_path);
    if (m_settings && !force && now == m_seen) {
        return;
    }
    if (m_settings) {
        m_settings->sync();
    } else {
        openSettingsLocked();
    }
    if (!looksCorruptLocked()) {
        m_seen = now;
        return;
    }
    if (holdingWriteLock) {
        recoverLocked();
        return;
    }
    // Another writer may be replacing the file right now; judge it again once no writer can.
    FileLock writeLock;
    if (!writeLock.lock(lockPath(u".write-lock"))) {
        qCWarning(lcSettings).noquote() << "cannot lock the settings store:" << writeLock.errorString();
        return;
    }
    m_settings.reset();
    openSettingsLocked();
    if (looksCorruptLocked()) {
        recoverLocked();
    } else {
        m_seen = storefiles::stampOf(m_path);
    }
}

bool SettingsStore::looksCorruptLocked() const
{
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly) && storefiles::isClearlyNotText(file.readAll())) {
        return true;
    }
    // Sections are parsed lazily; allKeys() parses them all so that a bad line shows in the status.
    (void)m_settings->allKeys();
    return m_settings->status() == QSettings::FormatError;
}

void SettingsStore::recoverLocked() const
{
    m_settings.reset();
    QString error;
    const QString keptAs = storefiles::moveAside(m_path, &error);
    if (keptAs.isEmpty()) {
        // Without the rename the only ways on would overwrite or ignore the user's file; stay closed instead.
        qCWarning(lcSettings).noquote() << "the settings file" << m_path
                                        << "cannot be parsed and cannot be moved aside:" << error
                                        << "- settings are not saved in this run";
        m_recoveryNote = QStringLiteral("The settings file %1 could not be read and could not be moved aside (%2); "
                                        "settings are not saved in this run.")
                             .arg(m_path, error);
        m_closed = true;
        return;
    }
    m_recoveryNote = QStringLiteral("The settings file could not be read; it was kept as %1 and the settings start "
                                    "empty.")
                         .arg(keptAs);
    qCWarning(lcSettings).noquote() << *m_recoveryNote;
    if (!storefiles::ensureOwnerOnlyFile(m_path, &error)) {
        qCWarning(lcSettings).noquote() << "settings file unusable:" << error;
        return;
    }
    openSettingsLocked();
    m_seen = storefiles::stampOf(m_path);
}

void SettingsStore::openSettingsLocked() const
{
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    // QSettings posts itself an update event after each change and flushes again from its thread's event loop,
    // outside our mutex. Every write here is flushed at once, so the event has nothing to do: with no thread the
    // object gets no events at all.
    m_settings->moveToThread(nullptr);
}

QString SettingsStore::lockPath(QStringView suffix) const
{
    return m_path + suffix.toString();
}

namespace {

std::mutex& sharedMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<SettingsStore>& sharedSlot()
{
    static std::shared_ptr<SettingsStore> slot;
    return slot;
}

} // namespace

std::shared_ptr<SettingsStore> SettingsStore::shared()
{
    const std::lock_guard lock(sharedMutex());
    return sharedSlot();
}

void SettingsStore::setShared(std::shared_ptr<SettingsStore> store)
{
    const std::lock_guard lock(sharedMutex());
    sharedSlot() = std::move(store);
}

} // namespace marrowfin
