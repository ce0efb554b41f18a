// The file-system half of the "App path" rule; the rule itself stays free of Qt in app_path.cpp.
#include "platform/app_path.h"

#include "app/settings.h"
#include "platform/settings_catalogue.h"

#include <QFileInfo>
#include <QString>

#ifndef CELLWATCH_DATA_DIR
#define CELLWATCH_DATA_DIR "/usr/local/share/cellwatch"
#endif

namespace cellwatch {
namespace {

bool isFolder(const std::string& path) {
    if (path.empty())
        return false;
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isDir();
}

} // namespace

std::string installedDataFolder() {
#ifdef CELLWATCH_BUILD_DATA_DIR
    // A build that was never installed uses the data folder of the tree it was built from, so that
    // running it from the build folder does not tell the user to reinstall.
    if (!isFolder(CELLWATCH_DATA_DIR) && isFolder(CELLWATCH_BUILD_DATA_DIR))
        return CELLWATCH_BUILD_DATA_DIR;
#endif
    return CELLWATCH_DATA_DIR;
}

AppPath locateAppPath(const Settings& settings) {
    const std::string setting = settings.readString(settings::kEnvironment, settings::kAppPath, "");
    const std::string installed = installedDataFolder();
    return chooseAppPath(setting, isFolder(setting), installed, isFolder(installed));
}

} // namespace cellwatch
