#pragma once
// The per-user settings store over QSettings: an INI file with the sections "Environment",
// "Colours" and "Recent File List". Unreadable or mistyped values read as their defaults.

#include "app/settings.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QSettings;
class QTemporaryDir;

namespace cellwatch {

class QtSettings : public Settings {
public:
    // The user's own file: organisation "Halvane", application "LC3400 Cellwatch", INI format. A device
    // or FIFO there is treated as below.
    QtSettings();
    // A file of our choosing (tests, and runs redirected with CELLWATCH_SETTINGS). A symbolic link is
    // followed. A device or FIFO is never read (it may never end) and never replaced: the store starts
    // empty, works on a private INI file, and sync() writes that file's bytes to it in place.
    explicit QtSettings(const std::string& iniPath);
    ~QtSettings() override;
    QtSettings(const QtSettings&) = delete;
    QtSettings& operator=(const QtSettings&) = delete;

    int readInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    void writeInt(std::string_view section, std::string_view key, int value) override;
    void writeString(std::string_view section, std::string_view key, std::string_view value) override;

    // Removes a key (a recent-file entry that failed to open).
    void remove(std::string_view section, std::string_view key);
    // Writes pending changes to disk; false when the file could not be written. A file that does not
    // read as INI is never written (it may be a script or a design named by mistake). A device or FIFO
    // is written only when values changed since the last sync.
    bool sync();
    // The file behind the store (for a device or FIFO, the private INI file).
    std::string fileName() const;
    // The file as it was named (the user's file, or the redirection), for comparing with other files.
    const std::string& path() const { return m_path; }

    // False when the file exists but does not read as INI: its values are not used, and it is left
    // as it is; changes then stay in memory.
    bool readsAsIni() const { return !m_garbled; }
    // What to tell the user, once, when the file does not read as INI; empty when it does.
    std::string notReadNotice() const;

    // From now on changes stay in memory (reads see them) until releaseChanges() hands them to the
    // file; a store destroyed while holding drops them. A batch run holds its changes until it knows
    // that the settings file is none of its own files.
    void holdChanges() { m_holding = true; }
    void releaseChanges();

private:
    void open(const std::string& iniPath);
    void changed() { m_deviceBehind = !m_devicePath.empty(); }
    // The value under key reads back as exactly text.
    bool holds(const QString& key, const QString& text) const;
    QVariant valueOf(const QString& key) const;
    void put(const QString& key, std::optional<QVariant> value);

    std::string m_devicePath; // the device or FIFO the INI text is written to; empty for a file
    bool m_deviceBehind = false; // values changed since the INI text was last written to the device
    std::unique_ptr<QTemporaryDir> m_privateFolder; // holds the INI file while m_devicePath is set
    std::uint64_t m_cleanupTicket = 0;
    std::unique_ptr<QSettings> m_settings;
    std::string m_path;
    bool m_garbled = false;
    bool m_holding = false;
    // Changes not handed to QSettings (held, or the file does not read as INI); nullopt: removed.
    std::map<QString, std::optional<QVariant>> m_pending;
};

// The store a run should use: the file named by the environment variable CELLWATCH_SETTINGS when it
// is set (so scripted runs never touch the user's own settings), else the user's file.
std::unique_ptr<QtSettings> openUserSettings();

} // namespace cellwatch
