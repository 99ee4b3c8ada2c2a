#pragma once

#include "Cookie.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

namespace marrowfin {

// The one cookie jar of the process: every request on every thread reads and updates it, so the site session is
// shared by all of them. Persisted, when a file is given, in the Netscape cookie-file format (owner-only, 0600,
// rewritten whole through ProfileFile on every change) so that the session survives a restart; session cookies are kept
// in the file too. The command line and the application share the file: before each use the store compares the file's
// identity, size and modification time with what it last read or wrote and reloads when another process changed
// it. Between processes the last writer wins; within the process one mutex guards the jar.
//
// Cookie values are secrets: nothing here logs them, and the file is readable by its owner only.
class CookieStore final
{
public:
    // The file name the executables use inside the configuration folder.
    static constexpr const char* kFileName = "cookies.txt";

    // A jar in memory only (tests, or a process without a configuration folder).
    CookieStore();
    // Loads `filePath` if it exists. A file with lines that are not cookies is renamed aside (".corrupt-<time>"),
    // reported at warning level and through movedAsidePath(); the cookies that could be read stay in the store.
    explicit CookieStore(QString filePath);
    ~CookieStore();
    CookieStore(const CookieStore&) = delete;
    CookieStore& operator=(const CookieStore&) = delete;

    [[nodiscard]] QString filePath() const { return m_filePath; }

    // Every cookie that has not expired, in the order first stored.
    [[nodiscard]] QList<Cookie> cookies();

    // Deletes the cookies set for exactly `host` (host-only or for its subdomains, "host" and ".host" in the file);
    // cookies of a subdomain of it stay. Returns how many were deleted.
    int deleteCookiesForDomain(const QString& host);

    // The whole jar as the text of a Netscape cookie file, and the reverse. Import adds or replaces cookies by
    // identity, skips expired and unreadable lines, and returns how many it took.
    [[nodiscard]] QByteArray exportNetscape();
    int importNetscape(const QByteArray& text);

    void clear();

    // Why the file does not hold the jar as it is in memory: the last write's failure (a sentence naming the file and
    // the reason); absent once a write succeeded, or before any failed.
    [[nodiscard]] std::optional<QString> saveError() const;

    // Where the last unreadable cookie file was kept aside; absent when none was.
    [[nodiscard]] std::optional<QString> movedAsidePath() const;

    // Called by the HTTP transfer after it ran with the cookies `given` and ended with `after`. Only the difference
    // is applied, so transfers that ran at the same time on other threads keep their changes: cookies new or changed
    // in `after` are stored, cookies given but gone from `after` (deleted or expired by the server) are removed
    // unless another transfer has changed them meanwhile.
    void mergeTransfer(const QList<Cookie>& given, const QList<Cookie>& after);

private:
    struct FileStamp
    {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeSeconds = 0;
        qint64 mtimeNanoseconds = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };

    [[nodiscard]] FileStamp currentStamp() const;
    void reloadIfChangedLocked();
    void loadLocked();
    void saveLocked();
    void dropExpiredLocked();
    // True when the jar changed.
    bool upsertLocked(const Cookie& cookie);
    void moveAsideLocked();

    mutable std::mutex m_mutex;
    const QString m_filePath;
    QList<Cookie> m_cookies;
    FileStamp m_stamp;
    std::optional<QString> m_movedAsidePath;
    std::optional<QString> m_saveError;
};

} // namespace marrowfin
