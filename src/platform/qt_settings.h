#pragma once
// The per-user settings store over QSettings: an INI file with the sections "Environment",
// "Colours" and "Recent File List". Unreadable or mistyped values read as their defaults.

#include "app/settings.h"

#include <memory>
#include <string>

class QSettings;

namespace cellwatch {

class QtSettings : public Settings {
public:
    // The user's own file: organisation "Halvane", application "LC3400 Cellwatch", INI format.
    QtSettings();
    // A file of our choosing (tests, and runs redirected with CELLWATCH_SETTINGS).
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
    // Writes pending changes to disk; false when the file could not be written. A garbled file is
    // replaced by the values this store holds.
    bool sync();
    // The file behind the store.
    std::string fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

// The store a run should use: the file named by the environment variable CELLWATCH_SETTINGS when it
// is set (so scripted runs never touch the user's own settings), else the user's file.
std::unique_ptr<QtSettings> openUserSettings();

} // namespace cellwatch
