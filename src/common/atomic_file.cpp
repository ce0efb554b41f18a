#include "common/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cellwatch {
namespace {

// "dir/.name.<pid>-<n>.tmp" beside "dir/name": hidden, and unique across processes and attempts.
std::string tempNameFor(const std::string& target, unsigned attempt) {
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // A name near the file system's limit of 255 bytes must still leave room for the additions.
    constexpr std::size_t kNameKept = 200;
    std::string name = target.substr(0, nameStart);
    name += '.';
    name.append(target, nameStart, kNameKept);
    static unsigned counter = 0;
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()), ++counter + attempt);
    name += suffix;
    return name;
}

} // namespace

AtomicFile::~AtomicFile() {
    abandon();
}

bool AtomicFile::open(const std::string& target) {
    abandon();
    m_target = target;
    m_failed = false;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        m_tempPath = tempNameFor(target, attempt);
        m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            // A replaced file keeps its permissions.
            struct stat old {};
            if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
                ::fchmod(m_fd, old.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST && errno != EINTR)
            break;
    }
    m_tempPath.clear();
    return false;
}

bool AtomicFile::write(const void* data, std::size_t size) {
    if (m_fd < 0 || m_failed)
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFile::commit() {
    if (m_fd < 0)
        return false;
    bool ok = !m_failed && ::fsync(m_fd) == 0;
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    if (ok && std::rename(m_tempPath.c_str(), m_target.c_str()) == 0) {
        m_tempPath.clear();
        return true;
    }
    std::remove(m_tempPath.c_str());
    m_tempPath.clear();
    return false;
}

void AtomicFile::abandon() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        std::remove(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

SaveResult SaveFileAtomically(const std::string& path, std::string_view data) {
    AtomicFile file;
    if (!file.open(path))
        return SaveResult::CannotCreate;
    file.write(data.data(), data.size());
    return file.commit() ? SaveResult::Ok : SaveResult::WriteFailed;
}

} // namespace cellwatch
