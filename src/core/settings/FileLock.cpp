#include "FileLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace marrowfin {

FileLock::~FileLock()
{
    if (m_fd >= 0) {
        // Closing the only descriptor of the open file description releases the flock.
        ::close(m_fd);
    }
}

bool FileLock::lock(const QString& path)
{
    if (m_fd >= 0) {
        return true;
    }
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return false;
        }
    }
    m_fd = fd;
    return true;
}

} // namespace marrowfin
