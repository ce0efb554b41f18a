#include "platform/owner_lock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace cellwatch {
namespace {

// The name QLockFile records for a process: that of the file /proc/PID/exe points at.
std::string processName() {
    char target[4096];
    const ssize_t n = ::readlink("/proc/self/exe", target, sizeof target - 1);
    if (n <= 0)
        return std::string();
    std::string path(target, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return QFileInfo(QString::fromLocal8Bit(path.c_str())).fileName().toStdString();
}

} // namespace

OwnerLock::~OwnerLock() {
    release();
}

std::string OwnerLock::contents() {
    std::string text = std::to_string(QCoreApplication::applicationPid()) + '\n';
    text += processName() + '\n';
    text += QSysInfo::machineHostName().toStdString() + '\n';
    text += QSysInfo::machineUniqueId().toStdString() + '\n';
    text += QSysInfo::bootUniqueId().toStdString() + '\n';
    return text;
}

bool OwnerLock::take(const std::string& path) {
    release();
    int fd = -1;
    do
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    // The locks QLockFile takes: flock for this machine, a record lock for network file systems.
    struct flock record {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    const std::string text = contents();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fcntl(fd, F_SETLK, &record) != 0 ||
        ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        ::close(fd);
        std::remove(path.c_str());
        return false;
    }
    m_fd = fd;
    m_path = path;
    return true;
}

void OwnerLock::release() {
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    std::remove(m_path.c_str());
    m_path.clear();
}

} // namespace cellwatch
