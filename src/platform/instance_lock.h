#pragma once
// Keeps a second copy of the GUI from starting: a per-user lock file held for the life of the
// process. A lock left by a process that has died does not count.

#include <memory>
#include <string>

class QLockFile;

namespace cellwatch {

class InstanceLock {
public:
    // The lock file "PreventSecondInstance.lock" in folder, or in the per-user runtime folder
    // (else the cache folder) when folder is empty.
    explicit InstanceLock(const std::string& folder = std::string());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting. False when another live process (or another InstanceLock of
    // this process) holds it, or when the lock file cannot be made.
    bool tryLock();
    bool isLocked() const;
    void unlock();

    std::string lockFilePath() const { return m_path; }
    // Why tryLock failed: "held by process N", or the file error.
    std::string errorText() const { return m_error; }

    static std::string defaultFolder();

private:
    std::string m_path;
    std::string m_error;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace cellwatch
