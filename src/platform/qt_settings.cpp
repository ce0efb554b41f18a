// QSettings keeps values as variants; an INI file hands every value back as text, so reads convert
// and fall back to the default whenever the text is not what the caller asked for.
#include "platform/qt_settings.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
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

QtSettings::QtSettings()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Halvane"), QStringLiteral("LC3400 Cellwatch"))) {
}

QtSettings::QtSettings(const std::string& iniPath)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

QtSettings::~QtSettings() = default;

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

void QtSettings::writeInt(std::string_view section, std::string_view key, int value) {
    m_settings->setValue(keyOf(section, key), value);
}

void QtSettings::writeString(std::string_view section, std::string_view key, std::string_view value) {
    m_settings->setValue(keyOf(section, key), toQString(value));
}

void QtSettings::remove(std::string_view section, std::string_view key) {
    m_settings->remove(keyOf(section, key));
}

bool QtSettings::sync() {
    m_settings->sync();
    // A format error only says the file read at start was garbled; it is rewritten whole all the same.
    return m_settings->status() != QSettings::AccessError;
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
