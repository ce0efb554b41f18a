#pragma once
// Writes a file so that the target is either left as it was or replaced by the complete new content:
// the bytes go to a temporary file in the target's folder, which is flushed to disk and renamed over
// the target only when every write succeeded. Only a regular file (or a name not taken yet) is
// replaced that way: a symbolic link is followed to the file it names, and a device, FIFO or socket
// is written in place, since renaming over it would put a plain file where the device was.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace cellwatch {

class JobThread;

// Where the bytes of a save of a given path go.
struct SaveTarget {
    enum class Kind {
        Replace,  // a temporary file renamed over path (a regular file, a free name or a folder)
        InPlace,  // path is a device, FIFO or socket, opened and written as it is
        Unusable, // path cannot be looked at (a link loop, a folder that cannot be searched, ...)
    };
    Kind kind = Kind::Unusable;
    // For Replace, the end of any chain of symbolic links (a relative link is read from the link's
    // own folder); otherwise the path as given.
    std::string path;
    int error = 0; // the errno that made it Unusable
};

SaveTarget resolveSaveTarget(const std::string& path);

class AtomicFile {
public:
    AtomicFile();
    ~AtomicFile(); // an uncommitted temporary file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside the resolved target (with the permissions of the file it will
    // replace) and removes the temporary files that killed saves of the same target left there; or
    // opens a device or FIFO for writing. False when it cannot, with lastError() telling why. A FIFO
    // that no process reads fails rather than waiting for a reader that may never come.
    bool open(const std::string& target);
    bool isOpen() const { return m_fd >= 0; }

    // Appends bytes; a failure is remembered and makes commit fail.
    bool write(const void* data, std::size_t size);

    // For a large file made over a long time (a run's log): from now on a thread of its own flushes
    // what was written to the disk every 2 MiB or so, so that the flush at commit waits only for
    // the last part. Its failures make commit fail.
    void flushInBackground();

    // Sends what was written so far on its way to the disk without waiting, so that the flush of
    // another file's commit overlaps with this one's.
    void startWriteback();

    // Flushes, closes and renames the temporary file over the target. False, with the target left
    // untouched and the temporary file removed, when any write, the flush or the rename failed.
    // A target written in place is closed; false when any write or the close failed.
    bool commit();

    // Drops the temporary file; the target is left untouched (unless it is written in place).
    void abandon();

    // Empty when nothing is open or the target is written in place.
    const std::string& tempPath() const { return m_tempPath; }
    // The errno of the first failure of open, write or commit; 0 when none.
    int lastError() const { return m_error; }

private:
    void fail(int error);
    void stopFlusher();

    int m_fd = -1;
    bool m_failed = false;
    int m_error = 0;
    std::string m_target;
    std::string m_tempPath;
    std::uint64_t m_ticket = 0; // the temporary file's entry in the signal clean-up list
    static constexpr std::uint64_t kWritebackChunk = std::uint64_t{2} << 20;
    std::uint64_t m_written = 0;       // bytes written so far
    std::uint64_t m_writebackFrom = 0; // bytes before this are already on their way to the disk
    std::uint64_t m_syncedTo = 0;      // bytes before this are on the disk
    std::unique_ptr<JobThread> m_flusher;
    std::uint64_t m_flushJob = 0; // the number of the last flush handed to m_flusher
    int m_flushError = 0;         // the first failed flush's errno; written by m_flusher's jobs
};

enum class SaveResult {
    Ok,
    CannotCreate, // no temporary file could be made in the target's folder
    WriteFailed,  // writing, flushing or renaming failed; the target is untouched
};

// Drops the cached pages of the regular file at path (links followed), if there is one; its
// contents stay as they are. A run about to replace a large output calls it early, so that the
// rename at its end does not have to free them.
void dropCachedPages(const std::string& path);

// Saves a whole file at once through an AtomicFile. When it fails and reason is given, reason gets
// a sentence for the user that names the file and the cause ("Cannot save PATH: CAUSE").
SaveResult saveFileAtomically(const std::string& path, std::string_view data, std::string* reason = nullptr);

} // namespace cellwatch
