#pragma once
// The per-user settings store: integer and string values by section and key, each read with its
// default. The GUI and the batch runner use a QSettings file; tests use MemorySettings.

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace cellwatch {

class Settings {
public:
    virtual ~Settings() = default;
    virtual int readInt(std::string_view section, std::string_view key, int defaultValue) const = 0;
    virtual std::string readString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const = 0;
    virtual void writeInt(std::string_view section, std::string_view key, int value) = 0;
    virtual void writeString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// Settings held in memory, for tests and for runs that must not touch the user's file.
class MemorySettings : public Settings {
public:
    int readInt(std::string_view section, std::string_view key, int defaultValue) const override {
        auto it = m_ints.find({std::string(section), std::string(key)});
        return it == m_ints.end() ? defaultValue : it->second;
    }
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override {
        auto it = m_strings.find({std::string(section), std::string(key)});
        return it == m_strings.end() ? std::string(defaultValue) : it->second;
    }
    void writeInt(std::string_view section, std::string_view key, int value) override {
        m_ints[{std::string(section), std::string(key)}] = value;
    }
    void writeString(std::string_view section, std::string_view key, std::string_view value) override {
        m_strings[{std::string(section), std::string(key)}] = std::string(value);
    }

private:
    std::map<std::pair<std::string, std::string>, int> m_ints;
    std::map<std::pair<std::string, std::string>, std::string> m_strings;
};

} // namespace cellwatch
