// Each private folder holds a lock file owned by its process; a later process that can take that
// lock knows the owner has died and removes the folder, so crashed runs do not pile up.
#include "platform/temp_folder.h"

#include "common/termination_cleanup.h"
#include "platform/owner_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace cellwatch {
namespace {

constexpr const char* kFolderName = "HLC_temp";
constexpr const char* kPrivatePrefix = "run-";
constexpr const char* kOwnerLockName = "owner.lock";

void removeDeadPrivateFolders(const QDir& folder, const QString& keep) {
    const QStringList names = folder.entryList({QString::fromLatin1(kPrivatePrefix) + QLatin1Char('*')},
                                               QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        if (path == keep)
            continue;
        const QString lockPath = path + QLatin1Char('/') + QLatin1String(kOwnerLockName);
        if (!QFileInfo::exists(lockPath))
            continue; // being set up by a process that has not taken its lock yet
        QLockFile owner(lockPath);
        owner.setStaleLockTime(0);
        if (owner.tryLock(0)) {
            owner.unlock();
            QDir(path).removeRecursively();
        }
    }
}

} // namespace

TempFolder::TempFolder(const std::string& base) : m_base(base.empty() ? defaultBase() : base) {}

TempFolder::~TempFolder() {
    if (m_privateFolder.empty())
        return;
    SettleRemovable(m_cleanupTicket, [this] {
        if (m_ownerLock)
            m_ownerLock->release();
        QDir(QString::fromStdString(m_privateFolder)).removeRecursively();
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
    const std::uint64_t ticket = CreateRemovable(RemovableKind::Folder, [&] {
        privateDir = std::make_unique<QTemporaryDir>(folder + QLatin1Char('/') +
                                                     QLatin1String(kPrivatePrefix) + QStringLiteral("XXXXXX"));
        return privateDir->isValid() ? privateDir->path().toStdString() : std::string();
    });
    if (ticket == 0)
        return false;
    auto lock = std::make_unique<OwnerLock>();
    if (!lock->take(privateDir->filePath(QLatin1String(kOwnerLockName)).toStdString())) {
        SettleRemovable(ticket, [&] { privateDir.reset(); }); // removes the new folder
        return false;
    }
    privateDir->setAutoRemove(false);

    removeDeadPrivateFolders(QDir(folder), privateDir->path());
    m_folder = folder.toStdString();
    m_privateFolder = privateDir->path().toStdString();
    m_ownerLock = std::move(lock);
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
