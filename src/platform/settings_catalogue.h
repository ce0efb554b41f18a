#pragma once
// Every persisted setting with its section, key, type and default, so that readers, the options pages
// and the tests agree on one list. Standard library only; it could move to app/ beside Settings.

#include <array>
#include <cstdint>
#include <string_view>

namespace cellwatch::settings {

inline constexpr std::string_view kEnvironment = "Environment";
inline constexpr std::string_view kColours = "Colours";
inline constexpr std::string_view kRecentFileList = "Recent File List";

enum class SettingType { Int, String, Colour };

// Colours default to a colour of the desktop theme, which only the GUI can ask for; the fallback
// values below stand in where no theme is known (batch runs, tests).
enum class ThemeColour { None, WindowText, Window };

// A colour setting packs red in the low byte, then green, then blue: 0x00BBGGRR.
constexpr int packColour(int red, int green, int blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
constexpr int colourRed(int colour) {
    return colour & 0xFF;
}
constexpr int colourGreen(int colour) {
    return (colour >> 8) & 0xFF;
}
constexpr int colourBlue(int colour) {
    return (colour >> 16) & 0xFF;
}

struct SettingInfo {
    std::string_view section;
    std::string_view key;
    SettingType type;
    int intDefault;                 // Int; for Colour the fallback when no theme is known
    std::string_view stringDefault; // String
    ThemeColour themeDefault;       // Colour
};

inline constexpr int kFallbackWindowText = packColour(0, 0, 0);
inline constexpr int kFallbackWindow = packColour(255, 255, 255);

// Keys, so that no caller spells them twice.
inline constexpr std::string_view kAppPath = "App path";
inline constexpr std::string_view kLastPath = "Last path";
inline constexpr std::string_view kBase = "Base";
inline constexpr std::string_view kRtUpdate = "RT Update";
inline constexpr std::string_view kAutoSplit = "AutoSplit";
inline constexpr std::string_view kHideInversion = "Hide inversion";
inline constexpr std::string_view kSaveBeforeParse = "Save before parse";
inline constexpr std::string_view kPromptBeforeSave = "Prompt before save";
inline constexpr std::string_view kWaveViewer = "Wave viewer";
inline constexpr std::string_view kDontWarn = "Dont warn";
inline constexpr std::string_view kBoard = "Board";
inline constexpr std::string_view kText = "Text";
inline constexpr std::string_view kKeywords = "Keywords";
inline constexpr std::string_view kComments = "Comments";
inline constexpr std::string_view kBackground = "Background";
inline constexpr std::string_view kWarning = "Warning";
inline constexpr std::string_view kError = "Error";

// The recent-file keys "File1" to "File4"; absent by default.
inline constexpr int kRecentFileCount = 4;
inline constexpr std::array<std::string_view, kRecentFileCount> kRecentFileKeys{"File1", "File2", "File3",
                                                                                "File4"};

inline constexpr std::array<SettingInfo, 17> kCatalogue{{
    {kEnvironment, kAppPath, SettingType::String, 0, "", ThemeColour::None},
    {kEnvironment, kLastPath, SettingType::String, 0, "", ThemeColour::None},
    {kEnvironment, kBase, SettingType::Int, 2, "", ThemeColour::None},
    {kEnvironment, kRtUpdate, SettingType::Int, 1, "", ThemeColour::None},
    {kEnvironment, kAutoSplit, SettingType::Int, 1, "", ThemeColour::None},
    {kEnvironment, kHideInversion, SettingType::Int, 1, "", ThemeColour::None},
    {kEnvironment, kSaveBeforeParse, SettingType::Int, 1, "", ThemeColour::None},
    {kEnvironment, kPromptBeforeSave, SettingType::Int, 0, "", ThemeColour::None},
    {kEnvironment, kWaveViewer, SettingType::String, 0, "", ThemeColour::None},
    {kEnvironment, kDontWarn, SettingType::Int, 0, "", ThemeColour::None},
    {kEnvironment, kBoard, SettingType::String, 0, "emulator", ThemeColour::None},
    {kColours, kText, SettingType::Colour, kFallbackWindowText, "", ThemeColour::WindowText},
    {kColours, kKeywords, SettingType::Colour, kFallbackWindowText, "", ThemeColour::WindowText},
    {kColours, kComments, SettingType::Colour, kFallbackWindowText, "", ThemeColour::WindowText},
    {kColours, kBackground, SettingType::Colour, kFallbackWindow, "", ThemeColour::Window},
    {kColours, kWarning, SettingType::Colour, kFallbackWindowText, "", ThemeColour::WindowText},
    {kColours, kError, SettingType::Colour, kFallbackWindowText, "", ThemeColour::WindowText},
}};

// The entry for section and key, or null when the catalogue does not hold it (the recent files).
constexpr const SettingInfo* findSetting(std::string_view section, std::string_view key) {
    for (const SettingInfo& info : kCatalogue) {
        if (info.section == section && info.key == key)
            return &info;
    }
    return nullptr;
}

} // namespace cellwatch::settings
