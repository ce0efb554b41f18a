// QLockFile writes the owner's process id into the file and treats the lock as stale when that
// process no longer runs, which is what a crashed copy of the program leaves behind.
#include "platform/instance_lock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QString>

#include <string>

namespace cellwatch {

InstanceLock::InstanceLock(const std::string& folder) {
    const std::string base = folder.empty() ? defaultFolder() : folder;
    QDir().mkpath(QString::fromStdString(base));
    m_path = base + "/PreventSecondInstance.lock";
    m_lock = std::make_unique<QLockFile>(QString::fromStdString(m_path));
    // A live owner keeps the lock however long it runs; only a dead owner makes it stale.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock() {
    if (m_lock->isLocked())
        return true;
    if (m_lock->tryLock(0)) {
        m_error.clear();
        return true;
    }
    switch (m_lock->error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString application;
        if (m_lock->getLockInfo(&pid, &host, &application))
            m_error = "held by process " + std::to_string(pid);
        else
            m_error = "held by another process";
        break;
    }
    case QLockFile::PermissionError:
        m_error = "no permission to create " + m_path;
        break;
    default:
        m_error = "cannot create " + m_path;
        break;
    }
    return false;
}

bool InstanceLock::isLocked() const {
    return m_lock->isLocked();
}

void InstanceLock::unlock() {
    m_lock->unlock();
}

std::string InstanceLock::defaultFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return (folder + QStringLiteral("/cellwatch")).toStdString();
}

} // namespace cellwatch
