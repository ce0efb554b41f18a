#pragma once
// Where the program's installed data (keywords.dat) lives: the "App path" setting when it names a
// folder that exists, else the installed data folder; the warning only when neither exists.

#include <string>
#include <string_view>

namespace cellwatch {

class Settings;

inline constexpr std::string_view kRegistryEntryMessage =
    "The registry entry for this program is incorrect, you may want to reinstall LC3400 Cellwatch to "
    "correct this problem.";

struct AppPath {
    std::string folder; // always ends with exactly one '/' added by us (never doubled)
    bool warn = false;  // show kRegistryEntryMessage
};

// folder with a trailing '/', unless it already ends with one; "/" for an empty folder.
std::string withTrailingSeparator(std::string_view folder);

// The rule without the file system: which folder to use given whether each candidate exists.
AppPath chooseAppPath(std::string_view setting, bool settingExists, std::string_view installedFolder,
                      bool installedExists);

// The installed data folder this build was made for (CMAKE_INSTALL_FULL_DATADIR/cellwatch); while that
// does not exist, the data folder of the source tree the program was built from, when that exists.
std::string installedDataFolder();

// chooseAppPath with the "App path" setting and the file system.
AppPath locateAppPath(const Settings& settings);

} // namespace cellwatch
