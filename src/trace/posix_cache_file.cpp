// CacheFile over a POSIX file descriptor. One descriptor serves reads and writes, so no flush is
// needed before a written block can be read back.

#include "trace/cache_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace cellwatch {
namespace {

class PosixCacheFile final : public CacheFile {
public:
    ~PosixCacheFile() override { close(); }

    bool open(const std::string& path) override {
        close();
        do {
            m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        } while (m_fd < 0 && errno == EINTR);
        return m_fd >= 0;
    }

    bool isOpen() const override { return m_fd >= 0; }

    std::size_t writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
        if (m_fd < 0)
            return 0;
        const char* p = static_cast<const char*>(data);
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(m_fd, p + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
        if (m_fd < 0)
            return 0;
        char* p = static_cast<char*>(data);
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::pread(m_fd, p + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    bool truncate(std::uint64_t size) override {
        return m_fd >= 0 && ::ftruncate(m_fd, static_cast<off_t>(size)) == 0;
    }

    void close() override {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool remove(const std::string& path) override { return std::remove(path.c_str()) == 0; }

private:
    int m_fd = -1;
};

} // namespace

std::unique_ptr<CacheFile> makePosixCacheFile() {
    return std::make_unique<PosixCacheFile>();
}

} // namespace cellwatch
