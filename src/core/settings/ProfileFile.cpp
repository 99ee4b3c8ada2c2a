#include "ProfileFile.h"

#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace marrowfin {

namespace {

// Big enough that a settings file or a journal goes to the disk in one write; a watch state of thousands of
// torrents in a few.
constexpr qsizetype kBufferSize = 64 * 1024;

std::atomic<qint64> g_steps{0};
// The step number (of g_steps) that fails, 0 for none, and the errno it fails with.
std::atomic<qint64> g_failingStep{0};
std::atomic<int> g_failingError{ENOSPC};
std::once_flag g_environmentRead;

std::atomic<quint64> g_failures{0};

struct FailureRecord
{
    std::mutex mutex;
    QString last;
    std::function<void(const QString&)> listener;
};

FailureRecord& failureRecord()
{
    static FailureRecord record;
    return record;
}

void noteFailure(const QString& sentence)
{
    std::function<void(const QString&)> listener;
    {
        FailureRecord& record = failureRecord();
        const std::lock_guard lock(record.mutex);
        record.last = sentence;
        listener = record.listener;
        ++g_failures;
    }
    if (listener) {
        listener(sentence);
    }
}

int errorNamed(const QByteArray& name)
{
    if (name == "EIO") {
        return EIO;
    }
    if (name == "EROFS") {
        return EROFS;
    }
    if (name == "EDQUOT") {
        return EDQUOT;
    }
    return ENOSPC;
}

void readEnvironment()
{
    const QByteArray setting = qgetenv("MARROWFIN_TEST_FAIL_WRITE");
    if (setting.isEmpty()) {
        return;
    }
    const qsizetype colon = setting.indexOf(':');
    bool ok = false;
    const int step = (colon < 0 ? setting : setting.left(colon)).toInt(&ok);
    if (ok && step > 0) {
        ProfileFile::failStep(step, errorNamed(colon < 0 ? QByteArray() : setting.mid(colon + 1)));
    }
}

// Counts a step; the errno it must fail with when it is the one chosen to fail, else 0.
int takeStep()
{
    std::call_once(g_environmentRead, readEnvironment);
    const qint64 step = g_steps.fetch_add(1) + 1;
    qint64 failing = step;
    if (g_failingStep.compare_exchange_strong(failing, 0)) {
        return g_failingError.load();
    }
    return 0;
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

ProfileFile::~ProfileFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (!m_committed && !m_temporary.isEmpty()) {
        ::unlink(m_temporary.toLocal8Bit().constData());
    }
}

bool ProfileFile::fail(const char* what, int error)
{
    if (!m_failed) {
        m_failed = true;
        m_error = u"cannot %1 %2: %3"_s.arg(QLatin1StringView(what), m_path, reason(error));
        noteFailure(m_error);
    }
    return false;
}

bool ProfileFile::open()
{
    if (m_fd >= 0 || m_failed) {
        return !m_failed;
    }
    if (const int injected = takeStep()) {
        return fail("write", injected);
    }
    // Beside the file, so that the rename stays on one file system; mkostemp makes it 0600.
    QByteArray pattern = (m_path + u".new-XXXXXX"_s).toLocal8Bit();
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        return fail("write", errno);
    }
    m_temporary = QString::fromLocal8Bit(pattern);
    return true;
}

bool ProfileFile::write(QByteArrayView bytes)
{
    if (m_fd < 0 || m_failed) {
        return m_failed ? false : fail("write", EBADF);
    }
    m_buffer.append(bytes.data(), bytes.size());
    return m_buffer.size() < kBufferSize || flushBuffer();
}

bool ProfileFile::flushBuffer()
{
    if (m_buffer.isEmpty()) {
        return true;
    }
    const char* data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    if (const int injected = takeStep()) {
        // As a disk that fills up mid-way does: part of the bytes land, then the write fails.
        (void)!::write(m_fd, data, size_t(left / 2));
        return fail("write", injected);
    }
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail("write", errno);
        }
        data += written;
        left -= written;
    }
    m_buffer.clear();
    return true;
}

bool ProfileFile::commit()
{
    if (m_fd < 0 || m_failed || !flushBuffer()) {
        return m_failed ? false : fail("write", EBADF);
    }
    // On file systems that keep data back until the close (network ones), ENOSPC shows only here or at the close.
    if (const int injected = takeStep()) {
        return fail("write", injected);
    }
    if (::fsync(m_fd) != 0 && errno != EINVAL) {
        return fail("write", errno);
    }
    const int fd = m_fd;
    m_fd = -1;
    const int injectedAtClose = takeStep();
    if (::close(fd) != 0 || injectedAtClose) {
        return fail("write", injectedAtClose ? injectedAtClose : errno);
    }
    if (const int injected = takeStep()) {
        return fail("replace", injected);
    }
    if (::rename(m_temporary.toLocal8Bit().constData(), m_path.toLocal8Bit().constData()) != 0) {
        return fail("replace", errno);
    }
    m_committed = true;
    // The rename itself reaches the disk with the folder's next flush; asked for now, so that a crash of the machine
    // soon after does not bring the old file back. Not a failure of the write when the folder cannot be flushed.
    const int folder = ::open(QFileInfo(m_path).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return true;
}

std::optional<QString> ProfileFile::replace(const QString& path, QByteArrayView bytes)
{
    ProfileFile file(path);
    if (file.open() && file.write(bytes) && file.commit()) {
        return std::nullopt;
    }
    return file.errorString();
}

std::optional<QString> ProfileFile::remove(const QString& path)
{
    const int injected = takeStep();
    if (injected || (::unlink(path.toLocal8Bit().constData()) != 0 && errno != ENOENT)) {
        const QString sentence = u"cannot remove %1: %2"_s.arg(path, reason(injected ? injected : errno));
        noteFailure(sentence);
        return sentence;
    }
    return std::nullopt;
}

quint64 ProfileFile::failures()
{
    return g_failures.load();
}

QString ProfileFile::lastFailure()
{
    FailureRecord& record = failureRecord();
    const std::lock_guard lock(record.mutex);
    return record.last;
}

void ProfileFile::setFailureListener(std::function<void(const QString&)> listener)
{
    FailureRecord& record = failureRecord();
    const std::lock_guard lock(record.mutex);
    record.listener = std::move(listener);
}

void ProfileFile::failStep(int n, int error)
{
    g_failingError.store(error);
    g_failingStep.store(n > 0 ? g_steps.load() + n : 0);
}

qint64 ProfileFile::steps()
{
    return g_steps.load();
}

} // namespace marrowfin
