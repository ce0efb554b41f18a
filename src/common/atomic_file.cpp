#include "common/atomic_file.h"

#include "common/job_thread.h"
#include "common/termination_cleanup.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cellwatch {
namespace {

// Deeper chains are refused, as the kernel refuses them (ELOOP).
constexpr int kMaxLinkHops = 40;
// A name near the file system's limit of 255 bytes must still leave room for the additions.
constexpr std::size_t kNameKept = 200;

std::size_t fileNameStart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

bool readLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// "dir/.name.<pid>-<n>.tmp" beside "dir/name": hidden, and unique across processes and attempts.
std::string tempNameFor(const std::string& target, unsigned attempt) {
    const std::size_t nameStart = fileNameStart(target);
    std::string name = target.substr(0, nameStart);
    name += '.';
    name.append(target, nameStart, kNameKept);
    static std::atomic<unsigned> counter = 0;
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()), ++counter + attempt);
    name += suffix;
    return name;
}

// The pid in "<pid>-<n>.tmp", or 0 when rest is not exactly that.
long pidOfTempSuffix(std::string_view rest) {
    long pid = 0;
    std::size_t i = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && pid < 1'000'000'000L; ++i)
        pid = pid * 10 + (rest[i] - '0');
    if (i == 0 || i >= rest.size() || rest[i] != '-')
        return 0;
    const std::size_t digits = ++i;
    while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9')
        ++i;
    return i > digits && rest.substr(i) == ".tmp" ? pid : 0;
}

// A save killed outright (SIGKILL, power loss) leaves its temporary file; the next save of the same
// target removes those whose process is gone. A pid that is in use again only delays that.
void removeOrphanedTemporaries(const std::string& target) {
    const std::size_t nameStart = fileNameStart(target);
    const std::string folder = nameStart == 0 ? std::string(".") : target.substr(0, nameStart);
    const std::string prefix = '.' + target.substr(nameStart, kNameKept) + '.';
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> orphans;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        const long pid = pidOfTempSuffix(name.substr(prefix.size()));
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            orphans.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : orphans) {
        const std::string path = target.substr(0, nameStart) + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(path.c_str());
    }
}

} // namespace

SaveTarget resolveSaveTarget(const std::string& path) {
    // stat follows links the way the kernel will when the file is opened, which also copes with
    // links such as /dev/stdout whose target is no path at all ("pipe:[1234]").
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            return SaveTarget{SaveTarget::Kind::InPlace, path};
    } else if (errno != ENOENT) {
        return SaveTarget{SaveTarget::Kind::Unusable, path, errno};
    }
    // The file to replace is at the end of the chain of links; a dangling link names the file to
    // create.
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat link {};
        if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return SaveTarget{SaveTarget::Kind::Replace, current};
        std::string next;
        if (!readLink(current, next))
            return SaveTarget{SaveTarget::Kind::Unusable, path, errno};
        current = next.starts_with('/') ? next : current.substr(0, fileNameStart(current)) + next;
    }
    return SaveTarget{SaveTarget::Kind::Unusable, path, ELOOP};
}

AtomicFile::AtomicFile() = default;

AtomicFile::~AtomicFile() {
    abandon();
}

void AtomicFile::flushInBackground() {
    if (m_fd >= 0 && !m_tempPath.empty() && !m_flusher) {
        m_flusher = std::make_unique<JobThread>();
        m_flushJob = 0;
        m_flushError = 0;
    }
}

void AtomicFile::stopFlusher() {
    if (!m_flusher)
        return;
    m_flusher->waitIdle();
    m_flusher.reset();
    // Read once the jobs have run: they wrote it on the flusher's thread.
    if (m_flushError != 0)
        fail(m_flushError);
}

void AtomicFile::fail(int error) {
    if (!m_failed)
        m_error = error;
    m_failed = true;
}

bool AtomicFile::open(const std::string& target) {
    m_written = 0;
    m_writebackFrom = 0;
    m_syncedTo = 0;
    abandon();
    m_failed = false;
    m_error = 0;
    const SaveTarget resolved = resolveSaveTarget(target);
    m_target = resolved.path;
    if (resolved.kind == SaveTarget::Kind::Unusable) {
        fail(resolved.error);
        return false;
    }
    if (resolved.kind == SaveTarget::Kind::InPlace) {
        // Non-blocking only for the open: a FIFO without a reader fails at once (ENXIO).
        do
            m_fd = ::open(m_target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0) {
            fail(errno);
            return false;
        }
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        return true;
    }

    removeOrphanedTemporaries(m_target);
    int error = 0;
    // Created with the clean-up list locked, so SIGINT or SIGTERM removes it whenever they come.
    m_ticket = createRemovable(RemovableKind::File, [&] {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            m_tempPath = tempNameFor(m_target, attempt);
            m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return m_tempPath;
            error = errno;
            if (error != EEXIST && error != EINTR)
                break;
        }
        m_tempPath.clear();
        return std::string();
    });
    if (m_fd < 0) {
        fail(error);
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(m_fd, old.st_mode & 07777);
    return true;
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
            fail(n < 0 ? errno : EIO);
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        m_written += static_cast<std::uint64_t>(n);
    }
    // A large file goes to the disk while the rest is still being made, so that the flush at
    // commit waits only for the last part and the writer never gets far ahead of the disk: each
    // part is started on its way, and the one before it waited for (by the flusher, when there is
    // one, so that the writer goes on meanwhile). Failures show at the flush at commit.
    if (!m_tempPath.empty() && m_written - m_writebackFrom >= kWritebackChunk) {
        if (m_flusher) {
            // One flush at a time: a part written while one is under way goes with the next.
            if (m_flusher->done() == m_flushJob)
                m_flushJob = m_flusher->post([this](std::stop_token) {
                    if (::fdatasync(m_fd) != 0 && m_flushError == 0)
                        m_flushError = errno;
                });
        } else if (m_writebackFrom > m_syncedTo)
            ::sync_file_range(m_fd, static_cast<off_t>(m_syncedTo), static_cast<off_t>(m_writebackFrom - m_syncedTo),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        m_syncedTo = m_writebackFrom;
        ::sync_file_range(m_fd, static_cast<off_t>(m_writebackFrom), static_cast<off_t>(m_written - m_writebackFrom),
                          SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_written;
    }
    return true;
}

void AtomicFile::startWriteback() {
    if (m_fd < 0 || m_failed || m_tempPath.empty() || m_written == m_writebackFrom)
        return;
    ::sync_file_range(m_fd, static_cast<off_t>(m_writebackFrom), static_cast<off_t>(m_written - m_writebackFrom),
                      SYNC_FILE_RANGE_WRITE);
    m_writebackFrom = m_written;
}

bool AtomicFile::commit() {
    if (m_fd < 0)
        return false;
    if (m_tempPath.empty()) {
        // Written in place: there is nothing to flush to disk or rename (a terminal or pipe cannot
        // fsync), and close reports a device's delayed write error.
        const bool closed = ::close(m_fd) == 0;
        if (!closed)
            fail(errno);
        m_fd = -1;
        return !m_failed;
    }
    stopFlusher();
    if (!m_failed && ::fsync(m_fd) != 0)
        fail(errno);
    if (::close(m_fd) != 0)
        fail(errno);
    m_fd = -1;
    // The rename is made outside the list's lock: replacing a large file gives its blocks back
    // meanwhile, and two saves (a run's log and VCD) should not wait for each other's. A signal
    // taken in between removes a temporary name that is no longer there, or the file before it
    // is renamed: the target is whole either way.
    if (!m_failed && std::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        fail(errno);
    settleRemovable(m_ticket, [this] {
        if (m_failed)
            std::remove(m_tempPath.c_str());
    });
    m_ticket = 0;
    m_tempPath.clear();
    return !m_failed;
}

void AtomicFile::abandon() {
    m_flusher.reset(); // before the descriptor goes
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        settleRemovable(m_ticket, [this] { std::remove(m_tempPath.c_str()); });
        m_ticket = 0;
        m_tempPath.clear();
    }
}

void dropCachedPages(const std::string& path) {
    // Non-blocking: a FIFO put there meanwhile must not hold the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

SaveResult saveFileAtomically(const std::string& path, std::string_view data, std::string* reason) {
    if (path.empty()) {
        if (reason != nullptr)
            *reason = "Cannot save: no file name.";
        return SaveResult::CannotCreate;
    }
    AtomicFile file;
    SaveResult result = SaveResult::Ok;
    if (!file.open(path)) {
        result = SaveResult::CannotCreate;
    } else {
        file.write(data.data(), data.size());
        if (!file.commit())
            result = SaveResult::WriteFailed;
    }
    if (result != SaveResult::Ok && reason != nullptr)
        *reason = "Cannot save " + path + ": " + std::strerror(file.lastError());
    return result;
}

} // namespace cellwatch
