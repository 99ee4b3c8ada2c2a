#pragma once

#include <QByteArray>
#include <QString>

// File-system steps of the settings store that QSettings does not offer: exact modes, change detection finer than
// QSettings' own, and the corruption test. Internal to the settings library.
namespace marrowfin::storefiles {

// What identifies one state of the store file on disk. QSettings rewrites the file through a temporary file and a
// rename, so every write gives a new inode.
struct FileStamp
{
    bool exists = false;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

[[nodiscard]] FileStamp stampOf(const QString& path);

// Creates the directory (and missing parents) with the directory itself 0700. An existing directory is left as it is.
[[nodiscard]] bool ensureDirectory(const QString& dir, QString* error);

// Creates an empty regular file 0600 when none exists, and takes group and other access away from an existing one.
// Fails when the path is not a regular file.
[[nodiscard]] bool ensureOwnerOnlyFile(const QString& path, QString* error);

// True for bytes that no INI text of ours can be: NUL bytes or invalid UTF-8. QSettings reads such files without
// complaint as long as the lines hold "=" signs, so its status alone does not catch them.
[[nodiscard]] bool isClearlyNotText(const QByteArray& bytes);

// Sets the file's modification time (nanoseconds since the epoch), keeping its access time.
[[nodiscard]] bool setModifiedNs(const QString& path, qint64 modifiedNs);

// Moves the file to "<path>.corrupt-<UTC time>" (with a counter when that name is taken). Returns the new path, or
// an empty text when the rename failed (the reason is in *error).
[[nodiscard]] QString moveAside(const QString& path, QString* error);

} // namespace marrowfin::storefiles
