#include "common/file_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace cellwatch {

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "is a folder";
    if (S_ISFIFO(mode))
        return "is a FIFO, not a regular file";
    if (S_ISCHR(mode))
        return "is a character device, not a regular file";
    if (S_ISBLK(mode))
        return "is a block device, not a regular file";
    if (S_ISSOCK(mode))
        return "is a socket, not a regular file";
    return "is not a regular file";
}

std::string systemReason(int error) {
    if (error == ENOENT || error == ENOTDIR)
        return "does not exist";
    return std::string("cannot be read (") + std::strerror(error) + ")";
}

void setWhy(std::string* why, std::string text) {
    if (why != nullptr)
        *why = std::move(text);
}

} // namespace

std::string inputFileProblem(const std::string& path) {
    std::string why;
    const int fd = openInputFile(path, &why);
    if (fd >= 0)
        ::close(fd);
    return why;
}

int openInputFile(const std::string& path, std::string* why) {
    setWhy(why, {});
    if (path.empty() || path.find('\0') != std::string::npos) {
        setWhy(why, "does not exist");
        return -1;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        setWhy(why, systemReason(errno));
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        setWhy(why, kindOf(st.st_mode));
        return -1;
    }
    // O_NONBLOCK: should the path turn into a FIFO between the stat and the open, the open still
    // returns at once; the fstat below then refuses it.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        setWhy(why, systemReason(errno));
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        setWhy(why, kindOf(st.st_mode));
        return -1;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxInputFileBytes) {
        ::close(fd);
        setWhy(why, "is larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB (" +
                        std::to_string(st.st_size) + " bytes), more than any script or design can be");
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool readFileText(const std::string& path, std::string& text, std::string* why) {
    text.clear();
    const int fd = openInputFile(path, why);
    if (fd < 0)
        return false;
    char chunk[65536];
    bool failed = false;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failed = true;
            setWhy(why, systemReason(errno));
            break;
        }
        if (got == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > kMaxInputFileBytes) {
            // Grown since it was opened: the same limit holds.
            failed = true;
            setWhy(why, "is larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB");
            break;
        }
    }
    ::close(fd);
    if (failed)
        text.clear();
    return !failed;
}

} // namespace cellwatch
