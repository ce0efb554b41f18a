#pragma once
// Output targets that are not plain files, made inside a test's own folder (never the machine's
// /dev): a FIFO with a reader, a copy of the null device, and what a path is right now.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace cellwatch::test {

// A FIFO whose reading end is open from construction on, so a writer finds a reader at once; a
// thread collects what is written until the writer closes it.
class FifoReader {
public:
    explicit FifoReader(const std::filesystem::path& path) {
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(m_fd, 0) << path;
        m_thread = std::thread([this] { collect(); });
    }
    ~FifoReader() {
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    // What the writer sent, once it has closed its end (or after a generous deadline).
    std::string bytes() {
        if (m_thread.joinable())
            m_thread.join();
        return m_bytes;
    }

private:
    void collect() {
        // Before a writer has come, the reading end reports neither data nor hang-up.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (m_fd >= 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                m_bytes.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EAGAIN)
                return;
        }
    }

    int m_fd = -1;
    std::string m_bytes;
    std::thread m_thread;
};

// A character device like the null device, inside the test folder; false when not root.
inline bool MakeNullDeviceCopy(const std::filesystem::path& path) {
    if (::geteuid() != 0)
        return false;
    EXPECT_EQ(::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << path;
    return true;
}

inline bool IsNullDeviceCopy(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3);
}

inline bool IsFifo(const std::filesystem::path& path) {
    return std::filesystem::is_fifo(std::filesystem::symlink_status(path));
}

inline bool IsLinkTo(const std::filesystem::path& link, const std::filesystem::path& target) {
    return std::filesystem::is_symlink(std::filesystem::symlink_status(link)) &&
           std::filesystem::read_symlink(link) == target;
}

} // namespace cellwatch::test
