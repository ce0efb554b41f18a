// Each private folder holds a lock file on which its process holds a plain flock for as long as it
// lives (the kernel lets go of it however the process ends); a later process that can take that
// lock knows the owner has died and removes the folder, so crashed runs do not pile up. QLockFile
// takes flock on its file as well, so a folder that an earlier version locked that way is seen as
// held, and its checks see this lock file (which holds no owner's details) as never stale.
#include "platform/temp_folder.h"

#include "common/termination_cleanup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cellwatch {
namespace {

constexpr const char* kFolderName = "HLC_temp";
constexpr const char* kPrivatePrefix = "run-";
constexpr const char* kOwnerLockName = "owner.lock";

// Whether name in folderFd is a real folder (not a link to one) that belongs to this user.
bool isOwnFolderAt(int folderFd, const char* name) {
    struct stat st {};
    return ::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid();
}

// Removes the folder name in parentFd with everything in it, walking by descriptors opened with
// O_NOFOLLOW: a link inside is removed as a link and is never entered, and a folder swapped for a
// link between the check and the removal is not entered either.
void removeTreeAt(int parentFd, const char* name) {
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (DIR* dir = ::fdopendir(fd)) {
        std::vector<std::string> folders;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view entryName = entry->d_name;
            if (entryName == "." || entryName == "..")
                continue;
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                folders.emplace_back(entryName);
            else
                ::unlinkat(fd, entry->d_name, 0);
        }
        for (const std::string& folder : folders)
            removeTreeAt(fd, folder.c_str());
        ::closedir(dir); // closes fd
    } else {
        ::close(fd);
    }
    ::unlinkat(parentFd, name, AT_REMOVEDIR);
}

// Locks a new lock file at path and returns its descriptor, or -1. The file is made and locked under
// another name first: a sweep that found it unlocked would take the new folder for a dead one.
int takeOwnerLock(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const QByteArray fresh = name + ".new";
    int fd = -1;
    do
        fd = ::open(fresh.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(fresh.constData(), name.constData()) != 0) {
        ::close(fd);
        ::unlink(fresh.constData());
        return -1;
    }
    return fd;
}

// Whether the lock file at path is held by nobody: its owner has ended.
bool ownerIsGone(const QString& path) {
    // Non-blocking and without following a link: whatever was put there must not hold the sweep.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool gone = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return gone;
}

void removeDeadPrivateFolders(const QDir& folder, const QString& keep) {
    // Only real folders of this user are swept: a run-* link (to a folder anywhere) or someone else's
    // folder is left alone, whatever lock it holds.
    const int folderFd =
        ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0)
        return;
    const QStringList names = folder.entryList({QString::fromLatin1(kPrivatePrefix) + QLatin1Char('*')},
                                               QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        if (path == keep)
            continue;
        const QByteArray entry = QFile::encodeName(name);
        if (!isOwnFolderAt(folderFd, entry.constData()))
            continue;
        const QString lockPath = path + QLatin1Char('/') + QLatin1String(kOwnerLockName);
        if (!QFileInfo::exists(lockPath))
            continue; // being set up by a process that has not taken its lock yet
        if (ownerIsGone(lockPath))
            removeTreeAt(folderFd, entry.constData());
    }
    ::close(folderFd);
}

} // namespace

TempFolder::TempFolder(const std::string& base) : m_base(base.empty() ? defaultBase() : base) {}

TempFolder::~TempFolder() {
    if (m_privateFolder.empty())
        return;
    settleRemovable(m_cleanupTicket, [this] {
        QDir(QString::fromStdString(m_privateFolder)).removeRecursively();
        ::close(m_ownerLock);
    });
}

bool TempFolder::prepare() {
    if (isPrepared())
        return true;
    QString base = QString::fromStdString(m_base);
    if (base.isEmpty())
        base = QStringLiteral("/");
    // No second separator when the base already ends with one.
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    const QString folder = base + QLatin1String(kFolderName);
    if (!QDir().mkpath(folder))
        return false;

    // QTemporaryDir makes a folder only this user can enter, with a name no other process has.
    std::unique_ptr<QTemporaryDir> privateDir;
    const std::uint64_t ticket = createRemovable(RemovableKind::Folder, [&] {
        privateDir = std::make_unique<QTemporaryDir>(folder + QLatin1Char('/') +
                                                     QLatin1String(kPrivatePrefix) + QStringLiteral("XXXXXX"));
        return privateDir->isValid() ? privateDir->path().toStdString() : std::string();
    });
    if (ticket == 0)
        return false;
    const int lock = takeOwnerLock(privateDir->filePath(QLatin1String(kOwnerLockName)));
    if (lock < 0) {
        settleRemovable(ticket, [&] { privateDir.reset(); }); // removes the new folder
        return false;
    }
    privateDir->setAutoRemove(false);

    removeDeadPrivateFolders(QDir(folder), privateDir->path());
    m_folder = folder.toStdString();
    m_privateFolder = privateDir->path().toStdString();
    m_ownerLock = lock;
    m_cleanupTicket = ticket;
    return true;
}

std::string createUniqueTempFile(const std::string& folder) {
    if (folder.empty())
        return std::string();
    QTemporaryFile file(QString::fromStdString(folder) + QStringLiteral("/HLCXXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        return std::string();
    const QString name = file.fileName();
    file.close();
    return name.toStdString();
}

std::string TempFolder::createUniqueFile() const {
    return createUniqueTempFile(m_folder);
}

int TempFolder::removeLeftovers() const {
    if (m_folder.empty())
        return 0;
    const QDir folder(QString::fromStdString(m_folder));
    int removed = 0;
    for (const char* pattern : {"HLC*.tmp", "HLC*.vcd"}) {
        const QStringList names = folder.entryList({QString::fromLatin1(pattern)},
                                                   QDir::Files | QDir::Hidden | QDir::CaseSensitive);
        for (const QString& name : names) {
            if (QFile::remove(folder.filePath(name)))
                ++removed;
        }
    }
    return removed;
}

std::string TempFolder::defaultBase() {
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        cache = QDir::tempPath();
    return (cache + QStringLiteral("/Halvane/LC3400 Cellwatch")).toStdString();
}

} // namespace cellwatch
