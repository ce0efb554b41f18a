#include "platform/app_path.h"

namespace cellwatch {

std::string withTrailingSeparator(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != '/')
        result += '/';
    return result;
}

AppPath chooseAppPath(std::string_view setting, bool settingExists, std::string_view installedFolder,
                      bool installedExists) {
    AppPath path;
    if (!setting.empty() && settingExists) {
        path.folder = withTrailingSeparator(setting);
    } else if (!installedFolder.empty() && installedExists) {
        path.folder = withTrailingSeparator(installedFolder);
    } else {
        // Nothing usable: keep the user's own choice if there is one, so the message and any later
        // "file not found" name the folder the user wrote.
        path.folder = withTrailingSeparator(setting.empty() ? installedFolder : setting);
        path.warn = true;
    }
    return path;
}

} // namespace cellwatch
