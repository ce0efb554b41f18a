#pragma once
// The lock file that marks a private scratch folder as in use: the same file, in the same format
// and with the same native locks, as QLockFile makes, so that QLockFile (in this program and in
// other versions of it) tells a live owner from a dead one, but without QLockFile's flush to the
// disk. That flush waits for every write other programs have pending on the same disk, and the
// lock means something only while this process lives.

#include <string>

namespace cellwatch {

class OwnerLock {
public:
    OwnerLock() = default;
    ~OwnerLock(); // releases the lock
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;

    // Creates path (which must not exist) and locks it. False when it cannot.
    bool take(const std::string& path);
    // Unlocks and removes the file, as QLockFile::unlock does.
    void release();

    // What QLockFile writes into a lock file of this process.
    static std::string contents();

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace cellwatch
