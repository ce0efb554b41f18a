// QSettings keeps values as variants; an INI file hands every value back as text, so reads convert
// and fall back to the default whenever the text is not what the caller asked for.
#include "platform/qt_settings.h"

#include "common/atomic_file.h"
#include "common/file_text.h"
#include "common/termination_cleanup.h"
#include "platform/ini_text.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cellwatch {
namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Section and key become one QSettings key; '/' and '\' would be read as further groups, so they
// cannot appear in a key of their own and are replaced.
QString keyOf(std::string_view section, std::string_view key) {
    QString k = toQString(key);
    k.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    QString s = toQString(section);
    s.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return s + QLatin1Char('/') + k;
}

constexpr const char* kPrivatePrefix = "cellwatch-settings-";

// Private folders of processes that are gone (killed before they could remove theirs): each name
// carries its process's id. Only real folders of this user are touched, never through a link, and
// they hold only the INI file and its lock.
void removeDeadPrivateFolders(const QString& tempPath) {
    const int folderFd = ::open(QFile::encodeName(tempPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return;
    const QStringList names =
        QDir(tempPath).entryList({QString::fromLatin1(kPrivatePrefix) + QLatin1Char('*')},
                                 QDir::Dirs | QDir::NoSymLinks | QDir::Hidden);
    for (const QString& name : names) {
        const QStringList parts = name.mid(int(std::strlen(kPrivatePrefix))).split(QLatin1Char('-'));
        bool numeric = false;
        const qint64 pid = parts.size() == 2 ? parts[0].toLongLong(&numeric) : 0;
        if (!numeric || pid <= 0 || pid == ::getpid() || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        const QByteArray entry = QFile::encodeName(name);
        struct stat st {};
        if (::fstatat(folderFd, entry.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        const int fd = ::openat(folderFd, entry.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (DIR* dir = ::fdopendir(fd)) {
            while (const dirent* file = ::readdir(dir)) {
                if (std::strcmp(file->d_name, ".") != 0 && std::strcmp(file->d_name, "..") != 0)
                    ::unlinkat(fd, file->d_name, 0); // a folder inside is left, and so is this one
            }
            ::closedir(dir);
        } else {
            ::close(fd);
        }
        ::unlinkat(folderFd, entry.constData(), AT_REMOVEDIR);
    }
    ::close(folderFd);
}

// False for an existing file that does not read as INI text (or is too large for settings).
bool fileReadsAsIni(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return true; // a new file, or one QSettings cannot touch anyway
    std::string text;
    return readFileText(path, text) && readsAsIniText(text);
}

} // namespace

QtSettings::QtSettings() {
    // A user's file pointed at a device gets the same care as a redirected one; QSettings would read
    // it on construction, so its path is worked out first, where QSettings keeps it. A plain file
    // keeps QSettings' own lookup, system-wide fallbacks included.
    const std::string file =
        (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Halvane/LC3400 Cellwatch.ini"))
            .toStdString();
    const SaveTarget target = resolveSaveTarget(file);
    if (target.kind == SaveTarget::Kind::Replace && target.path == file) {
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QStringLiteral("Halvane"), QStringLiteral("LC3400 Cellwatch"));
        m_path = file;
        m_garbled = !fileReadsAsIni(file);
    } else {
        open(file);
    }
}

QtSettings::QtSettings(const std::string& iniPath) {
    open(iniPath);
}

void QtSettings::open(const std::string& iniPath) {
    // QSettings saves by renaming a new file over its own, which would replace a link by a plain
    // file and a device by a plain file; it only ever sees a regular file's path here.
    const SaveTarget target = resolveSaveTarget(iniPath);
    std::string file = target.kind == SaveTarget::Kind::Replace ? target.path : iniPath;
    if (target.kind == SaveTarget::Kind::InPlace) {
        removeDeadPrivateFolders(QDir::tempPath());
        m_cleanupTicket = createRemovable(RemovableKind::Folder, [this] {
            m_privateFolder = std::make_unique<QTemporaryDir>(
                QDir::tempPath() + QLatin1Char('/') + QLatin1String(kPrivatePrefix) +
                QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
            return m_privateFolder->isValid() ? m_privateFolder->path().toStdString() : std::string();
        });
        if (m_cleanupTicket != 0) {
            m_devicePath = iniPath;
            file = m_privateFolder->filePath(QStringLiteral("settings.ini")).toStdString();
        }
        // Without a private folder the device itself is opened, as before: reads see nothing useful
        // and writes fail, which sync() reports.
    }
    m_settings = std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat);
    m_path = iniPath;
    // QSettings would rewrite a garbled file whole from the little it understood of it: a script or a
    // design named here by mistake would be lost.
    m_garbled = target.kind == SaveTarget::Kind::Replace && !fileReadsAsIni(target.path);
}

QtSettings::~QtSettings() {
    if (m_devicePath.empty())
        return;
    if (m_deviceBehind)
        sync();
    m_settings.reset();
    settleRemovable(m_cleanupTicket, [this] { m_privateFolder.reset(); });
}

QVariant QtSettings::valueOf(const QString& key) const {
    if (const auto it = m_pending.find(key); it != m_pending.end())
        return it->second ? *it->second : QVariant();
    return m_settings->value(key);
}

void QtSettings::put(const QString& key, std::optional<QVariant> value) {
    if (m_holding || m_garbled) {
        m_pending[key] = std::move(value);
        return;
    }
    if (value)
        m_settings->setValue(key, *value);
    else
        m_settings->remove(key);
    changed();
}

int QtSettings::readInt(std::string_view section, std::string_view key, int defaultValue) const {
    const QVariant value = valueOf(keyOf(section, key));
    if (!value.isValid() || value.typeId() == QMetaType::QStringList)
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok, 10);
    return ok ? number : defaultValue;
}

std::string QtSettings::readString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
    const QVariant value = valueOf(keyOf(section, key));
    if (!value.isValid())
        return std::string(defaultValue);
    // An unquoted comma in a hand-edited INI file splits the value into a list; a path may hold one.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    if (!value.canConvert<QString>())
        return std::string(defaultValue);
    return value.toString().toStdString();
}

// A value written again unchanged leaves the file alone: every batch run writes "Last path", and
// rewriting the file (with its lock and flush) at each run's end is time the run does not need.
bool QtSettings::holds(const QString& key, const QString& text) const {
    const QVariant stored = valueOf(key);
    return stored.isValid() && stored.typeId() == QMetaType::QString && stored.toString() == text;
}

void QtSettings::writeInt(std::string_view section, std::string_view key, int value) {
    const QString k = keyOf(section, key);
    if (holds(k, QString::number(value)))
        return;
    put(k, QVariant(value));
}

void QtSettings::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const QString k = keyOf(section, key);
    const QString text = toQString(value);
    if (holds(k, text))
        return;
    put(k, QVariant(text));
}

void QtSettings::remove(std::string_view section, std::string_view key) {
    put(keyOf(section, key), std::nullopt);
}

void QtSettings::releaseChanges() {
    m_holding = false;
    if (m_garbled)
        return;
    std::map<QString, std::optional<QVariant>> pending;
    pending.swap(m_pending);
    for (auto& [key, value] : pending)
        put(key, std::move(value));
}

std::string QtSettings::notReadNotice() const {
    if (!m_garbled)
        return {};
    return "the settings file \"" + m_path +
           "\" does not read as settings (INI text): its values are not used, and it is left as it is "
           "(no setting is saved to it)";
}

bool QtSettings::sync() {
    if (m_garbled)
        return true; // nothing of ours goes into it
    m_settings->sync();
    // A format error only says the file read at start was garbled; it is rewritten whole all the same.
    if (m_settings->status() == QSettings::AccessError)
        return false;
    if (!m_deviceBehind)
        return true;
    QFile ini(m_settings->fileName());
    QByteArray bytes; // no file yet: every value was removed again
    if (ini.exists()) {
        if (!ini.open(QIODevice::ReadOnly))
            return false;
        bytes = ini.readAll();
    }
    AtomicFile device;
    if (!device.open(m_devicePath) || !device.write(bytes.constData(), std::size_t(bytes.size())) ||
        !device.commit())
        return false;
    m_deviceBehind = false;
    return true;
}

std::string QtSettings::fileName() const {
    return m_settings->fileName().toStdString();
}

std::unique_ptr<QtSettings> openUserSettings() {
    const QByteArray redirected = qgetenv("CELLWATCH_SETTINGS");
    if (!redirected.isEmpty())
        return std::make_unique<QtSettings>(redirected.toStdString());
    return std::make_unique<QtSettings>();
}

} // namespace cellwatch
