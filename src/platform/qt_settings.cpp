// QSettings keeps values as variants; an INI file hands every value back as text, so reads convert
// and fall back to the default whenever the text is not what the caller asked for.
#include "platform/qt_settings.h"

#include "common/atomic_file.h"
#include "common/termination_cleanup.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

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

} // namespace

QtSettings::QtSettings() {
    // A user's file pointed at a device gets the same care as a redirected one; QSettings would read
    // it on construction, so its path is worked out first, where QSettings keeps it. A plain file
    // keeps QSettings' own lookup, system-wide fallbacks included.
    const std::string file =
        (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Halvane/LC3400 Cellwatch.ini"))
            .toStdString();
    const SaveTarget target = ResolveSaveTarget(file);
    if (target.kind == SaveTarget::Kind::Replace && target.path == file)
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QStringLiteral("Halvane"), QStringLiteral("LC3400 Cellwatch"));
    else
        open(file);
}

QtSettings::QtSettings(const std::string& iniPath) {
    open(iniPath);
}

void QtSettings::open(const std::string& iniPath) {
    // QSettings saves by renaming a new file over its own, which would replace a link by a plain
    // file and a device by a plain file; it only ever sees a regular file's path here.
    const SaveTarget target = ResolveSaveTarget(iniPath);
    std::string file = target.kind == SaveTarget::Kind::Replace ? target.path : iniPath;
    if (target.kind == SaveTarget::Kind::InPlace) {
        m_cleanupTicket = CreateRemovable(RemovableKind::Folder, [this] {
            m_privateFolder =
                std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/cellwatch-settings-XXXXXX"));
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
}

QtSettings::~QtSettings() {
    if (m_devicePath.empty())
        return;
    if (m_deviceBehind)
        sync();
    m_settings.reset();
    SettleRemovable(m_cleanupTicket, [this] { m_privateFolder.reset(); });
}

int QtSettings::readInt(std::string_view section, std::string_view key, int defaultValue) const {
    const QVariant value = m_settings->value(keyOf(section, key));
    if (!value.isValid() || value.typeId() == QMetaType::QStringList)
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok, 10);
    return ok ? number : defaultValue;
}

std::string QtSettings::readString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
    const QVariant value = m_settings->value(keyOf(section, key));
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
    const QVariant stored = m_settings->value(key);
    return stored.isValid() && stored.typeId() == QMetaType::QString && stored.toString() == text;
}

void QtSettings::writeInt(std::string_view section, std::string_view key, int value) {
    const QString k = keyOf(section, key);
    if (holds(k, QString::number(value)))
        return;
    m_settings->setValue(k, value);
    changed();
}

void QtSettings::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const QString k = keyOf(section, key);
    const QString text = toQString(value);
    if (holds(k, text))
        return;
    m_settings->setValue(k, text);
    changed();
}

void QtSettings::remove(std::string_view section, std::string_view key) {
    m_settings->remove(keyOf(section, key));
    changed();
}

bool QtSettings::sync() {
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
