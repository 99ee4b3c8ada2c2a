#include "StoreFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUtf8StringView>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace marrowfin::storefiles {

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

FileStamp stampOf(const QString& path)
{
    struct stat info
    {};
    if (::stat(path.toLocal8Bit().constData(), &info) != 0) {
        return {};
    }
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = qint64(info.st_dev);
    stamp.inode = qint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + qint64(info.st_mtim.tv_nsec);
    return stamp;
}

bool ensureDirectory(const QString& dir, QString* error)
{
    const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    if (QFileInfo(clean).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(clean).path();
    if (!QDir().mkpath(parent)) {
        *error = QStringLiteral("cannot create %1").arg(parent);
        return false;
    }
    if (::mkdir(clean.toLocal8Bit().constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot create %1: %2").arg(clean, lastError());
        return false;
    }
    if (!QFileInfo(clean).isDir()) {
        *error = QStringLiteral("%1 is not a directory").arg(clean);
        return false;
    }
    return true;
}

bool ensureOwnerOnlyFile(const QString& path, QString* error)
{
    const QByteArray native = path.toLocal8Bit();
    // O_EXCL: another process may create it at the same moment; then theirs stands and is checked below like any
    // existing file.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
    } else if (errno != EEXIST) {
        *error = QStringLiteral("cannot create %1: %2").arg(path, lastError());
        return false;
    }
    struct stat info
    {};
    if (::stat(native.constData(), &info) != 0) {
        *error = QStringLiteral("cannot inspect %1: %2").arg(path, lastError());
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    if ((info.st_mode & 0077) != 0 && ::chmod(native.constData(), info.st_mode & 0700) != 0) {
        *error = QStringLiteral("cannot make %1 owner-only: %2").arg(path, lastError());
        return false;
    }
    return true;
}

bool isClearlyNotText(const QByteArray& bytes)
{
    return bytes.contains('\0') || !QUtf8StringView(bytes).isValidUtf8();
}

bool setModifiedNs(const QString& path, qint64 modifiedNs)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(modifiedNs / 1'000'000'000);
    times[1].tv_nsec = long(modifiedNs % 1'000'000'000);
    return ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0) == 0;
}

QString moveAside(const QString& path, QString* error)
{
    const QString base =
        path + u".corrupt-"_s + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString target = base;
    for (int counter = 1; QFileInfo::exists(target); ++counter) {
        target = base + u'-' + QString::number(counter);
    }
    if (::rename(path.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0) {
        *error = lastError();
        return {};
    }
    return target;
}

} // namespace marrowfin::storefiles
