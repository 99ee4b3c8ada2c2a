#include "CookieStore.h"

#include "NetLog.h"

#include "core/settings/ProfileFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace marrowfin {

namespace {

constexpr QByteArrayView kFileHeader = "# Netscape HTTP Cookie File\n"
                                       "# Written by Marrowfin; one cookie per line, fields separated by tabs.\n\n";

qint64 nowSeconds()
{
    return QDateTime::currentSecsSinceEpoch();
}

// A line that is neither blank nor a comment but does not parse makes the file unreadable as a whole.
bool isCommentOrBlank(QByteArrayView line)
{
    const QByteArrayView trimmed = line.trimmed();
    return trimmed.isEmpty() || (trimmed.startsWith('#') && !trimmed.startsWith("#HttpOnly_"));
}

} // namespace

CookieStore::CookieStore() = default;

CookieStore::CookieStore(QString filePath) : m_filePath(std::move(filePath))
{
    const std::lock_guard lock(m_mutex);
    loadLocked();
}

CookieStore::~CookieStore() = default;

QList<Cookie> CookieStore::cookies()
{
    const std::lock_guard lock(m_mutex);
    reloadIfChangedLocked();
    dropExpiredLocked();
    return m_cookies;
}

int CookieStore::deleteCookiesForDomain(const QString& host)
{
    QStringView bare(host);
    if (bare.startsWith(u'.')) {
        bare = bare.sliced(1);
    }
    const std::lock_guard lock(m_mutex);
    reloadIfChangedLocked();
    const auto removed = m_cookies.removeIf(
        [bare](const Cookie& cookie) { return bare.compare(cookie.domain, Qt::CaseInsensitive) == 0; });
    if (removed > 0) {
        saveLocked();
    }
    return static_cast<int>(removed);
}

QByteArray CookieStore::exportNetscape()
{
    const std::lock_guard lock(m_mutex);
    reloadIfChangedLocked();
    dropExpiredLocked();
    QByteArray text(kFileHeader.data(), kFileHeader.size());
    for (const Cookie& cookie : std::as_const(m_cookies)) {
        text += cookie.toNetscapeLine();
        text += '\n';
    }
    return text;
}

int CookieStore::importNetscape(const QByteArray& text)
{
    const qint64 now = nowSeconds();
    const std::lock_guard lock(m_mutex);
    reloadIfChangedLocked();
    int taken = 0;
    bool changed = false;
    for (const QByteArray& line : text.split('\n')) {
        const std::optional<Cookie> cookie = Cookie::fromNetscapeLine(line);
        if (!cookie || cookie->isExpired(now)) {
            continue;
        }
        ++taken;
        changed = upsertLocked(*cookie) || changed;
    }
    if (changed) {
        saveLocked();
    }
    return taken;
}

void CookieStore::clear()
{
    const std::lock_guard lock(m_mutex);
    m_cookies.clear();
    saveLocked();
}

std::optional<QString> CookieStore::saveError() const
{
    const std::lock_guard lock(m_mutex);
    return m_saveError;
}

std::optional<QString> CookieStore::movedAsidePath() const
{
    const std::lock_guard lock(m_mutex);
    return m_movedAsidePath;
}

void CookieStore::mergeTransfer(const QList<Cookie>& given, const QList<Cookie>& after)
{
    const qint64 now = nowSeconds();
    const auto findIn = [](const QList<Cookie>& list, const Cookie& cookie) -> const Cookie* {
        for (const Cookie& candidate : list) {
            if (candidate.sameIdentity(cookie)) {
                return &candidate;
            }
        }
        return nullptr;
    };

    const std::lock_guard lock(m_mutex);
    reloadIfChangedLocked();
    bool changed = false;
    for (const Cookie& cookie : after) {
        if (cookie.isExpired(now)) {
            continue;
        }
        const Cookie* before = findIn(given, cookie);
        if (before != nullptr && *before == cookie) {
            continue; // untouched by this transfer: whatever the jar holds now is newer
        }
        changed = upsertLocked(cookie) || changed;
    }
    for (const Cookie& cookie : given) {
        const Cookie* still = findIn(after, cookie);
        if (still != nullptr && !still->isExpired(now)) {
            continue;
        }
        const auto removed = m_cookies.removeIf([&cookie](const Cookie& stored) { return stored == cookie; });
        changed = changed || removed > 0;
    }
    if (changed) {
        saveLocked();
    }
}

CookieStore::FileStamp CookieStore::currentStamp() const
{
    FileStamp stamp;
    struct stat info
    {};
    if (m_filePath.isEmpty() || ::stat(QFile::encodeName(m_filePath).constData(), &info) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = static_cast<quint64>(info.st_dev);
    stamp.inode = static_cast<quint64>(info.st_ino);
    stamp.size = static_cast<qint64>(info.st_size);
    stamp.mtimeSeconds = static_cast<qint64>(info.st_mtim.tv_sec);
    stamp.mtimeNanoseconds = static_cast<qint64>(info.st_mtim.tv_nsec);
    return stamp;
}

void CookieStore::reloadIfChangedLocked()
{
    if (!m_filePath.isEmpty() && currentStamp() != m_stamp) {
        loadLocked();
    }
}

void CookieStore::loadLocked()
{
    m_cookies.clear();
    m_stamp = currentStamp();
    if (!m_stamp.exists) {
        return;
    }
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcNet) << "cannot read the cookie file" << m_filePath << file.errorString();
        return;
    }
    const QByteArray text = file.readAll();
    file.close();

    const qint64 now = nowSeconds();
    bool unreadable = text.contains('\0');
    for (const QByteArray& line : text.split('\n')) {
        if (isCommentOrBlank(line)) {
            continue;
        }
        const std::optional<Cookie> cookie = Cookie::fromNetscapeLine(line);
        if (!cookie) {
            unreadable = true;
            continue;
        }
        if (!cookie->isExpired(now)) {
            upsertLocked(*cookie);
        }
    }
    if (unreadable) {
        moveAsideLocked();
        if (!m_cookies.isEmpty()) {
            saveLocked();
        }
    }
}

void CookieStore::moveAsideLocked()
{
    const QString stem = m_filePath + QLatin1String(".corrupt-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmssZ"));
    QString aside = stem;
    for (int attempt = 2; QFileInfo::exists(aside); ++attempt) {
        aside = stem + QLatin1Char('-') + QString::number(attempt);
    }
    if (!QFile::rename(m_filePath, aside)) {
        qCWarning(lcNet) << "the cookie file" << m_filePath << "is not a cookie file and could not be moved aside";
        return;
    }
    m_movedAsidePath = aside;
    m_stamp = currentStamp();
    qCWarning(lcNet) << "the cookie file" << m_filePath << "is not a cookie file; kept as" << aside;
}

void CookieStore::saveLocked()
{
    if (m_filePath.isEmpty()) {
        return;
    }
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QByteArray text(kFileHeader.data(), kFileHeader.size());
    for (const Cookie& cookie : std::as_const(m_cookies)) {
        text += cookie.toNetscapeLine();
        text += '\n';
    }
    // Owner-only from the first byte; the rename keeps the mode. A failed write leaves the file as it was, and the jar
    // in memory serves this process until a later change is written.
    if (const auto failed = ProfileFile::replace(m_filePath, text)) {
        m_saveError = failed;
        qCWarning(lcNet).noquote() << "the cookies are not saved:" << *failed;
        return;
    }
    m_saveError.reset();
    m_stamp = currentStamp();
}

void CookieStore::dropExpiredLocked()
{
    const qint64 now = nowSeconds();
    m_cookies.removeIf([now](const Cookie& cookie) { return cookie.isExpired(now); });
}

bool CookieStore::upsertLocked(const Cookie& cookie)
{
    for (Cookie& stored : m_cookies) {
        if (stored.sameIdentity(cookie)) {
            if (stored == cookie) {
                return false;
            }
            stored = cookie;
            return true;
        }
    }
    m_cookies.append(cookie);
    return true;
}

} // namespace marrowfin
