#pragma once
// The file layer under the trace store's scratch file. The store only ever writes whole blocks at
// fixed offsets and reads them back, so positioned reads and writes are all it needs; tests replace
// it to simulate a full disk or an unreadable block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace cellwatch {

class CacheFile {
public:
    virtual ~CacheFile() = default;

    // Creates the file, or truncates it if it exists, open for reading and writing. Closes a file that
    // is already open first. False when the file cannot be created.
    virtual bool open(const std::string& path) = 0;
    virtual bool isOpen() const = 0;

    // Writes size bytes at offset; returns how many were stored (less than size on a full disk or
    // another error, 0 when no file is open). Data written is visible to readAt at once.
    virtual std::size_t writeAt(std::uint64_t offset, const void* data, std::size_t size) = 0;

    // Reads up to size bytes at offset; returns how many were read (less at the end of the file or
    // on an error, 0 when no file is open).
    virtual std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) = 0;

    // Cuts the file to size bytes, giving back the space of anything beyond.
    virtual bool truncate(std::uint64_t size) = 0;

    virtual void close() = 0;

    // Deletes the file at path (which need not be open); false when it cannot be removed.
    virtual bool remove(const std::string& path) = 0;
};

// The real thing: a POSIX file descriptor with pread/pwrite.
std::unique_ptr<CacheFile> makePosixCacheFile();

} // namespace cellwatch
