#pragma once
// Writes a file so that the target is either left as it was or replaced by the complete new content:
// the bytes go to a temporary file in the target's folder, which is flushed to disk and renamed over
// the target only when every write succeeded.

#include <cstddef>
#include <string>
#include <string_view>

namespace cellwatch {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile(); // an uncommitted temporary file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside target (with the permissions of the file it will replace).
    // False when it cannot be created.
    bool open(const std::string& target);
    bool isOpen() const { return m_fd >= 0; }

    // Appends bytes; a failure is remembered and makes commit fail.
    bool write(const void* data, std::size_t size);

    // Flushes, closes and renames the temporary file over the target. False, with the target left
    // untouched and the temporary file removed, when any write, the flush or the rename failed.
    bool commit();

    // Drops the temporary file; the target is left untouched.
    void abandon();

    const std::string& tempPath() const { return m_tempPath; }

private:
    int m_fd = -1;
    bool m_failed = false;
    std::string m_target;
    std::string m_tempPath;
};

enum class SaveResult {
    Ok,
    CannotCreate, // no temporary file could be made in the target's folder
    WriteFailed,  // writing, flushing or renaming failed; the target is untouched
};

// Saves a whole file at once through an AtomicFile.
SaveResult SaveFileAtomically(const std::string& path, std::string_view data);

} // namespace cellwatch
