#include "platform/app_path.h"

#include "app/settings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace cellwatch {
namespace {

TEST(AppPathTest, TrailingSeparatorIsNeverDoubled) {
    EXPECT_EQ(withTrailingSeparator("/opt/cellwatch"), "/opt/cellwatch/");
    EXPECT_EQ(withTrailingSeparator("/opt/cellwatch/"), "/opt/cellwatch/");
    EXPECT_EQ(withTrailingSeparator(""), "/");
    EXPECT_EQ(withTrailingSeparator("/"), "/");
}

TEST(AppPathTest, SettingWinsWhenItExists) {
    for (const char* setting : {"/opt/cw", "/opt/cw/"}) {
        const AppPath path = chooseAppPath(setting, true, "/usr/share/cellwatch", true);
        EXPECT_EQ(path.folder, "/opt/cw/");
        EXPECT_FALSE(path.warn);
    }
}

TEST(AppPathTest, InstalledFolderWithoutWarningWhenSettingMissingOrEmpty) {
    AppPath path = chooseAppPath("", false, "/usr/share/cellwatch", true);
    EXPECT_EQ(path.folder, "/usr/share/cellwatch/");
    EXPECT_FALSE(path.warn);
    path = chooseAppPath("/gone/", false, "/usr/share/cellwatch/", true);
    EXPECT_EQ(path.folder, "/usr/share/cellwatch/");
    EXPECT_FALSE(path.warn);
}

TEST(AppPathTest, WarnsOnlyWhenNeitherExists) {
    AppPath path = chooseAppPath("/gone/", false, "/usr/share/cellwatch", false);
    EXPECT_TRUE(path.warn);
    EXPECT_EQ(path.folder, "/gone/");
    path = chooseAppPath("", false, "/usr/share/cellwatch", false);
    EXPECT_TRUE(path.warn);
    EXPECT_EQ(path.folder, "/usr/share/cellwatch/");
    EXPECT_EQ(kRegistryEntryMessage, "The registry entry for this program is incorrect, you may want to "
                                     "reinstall LC3400 Cellwatch to correct this problem.");
}

TEST(AppPathTest, LookupChecksTheFileSystem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MemorySettings settings;
    settings.writeString("Environment", "App path", dir.path().toStdString() + "/");
    AppPath path = locateAppPath(settings);
    EXPECT_EQ(path.folder, dir.path().toStdString() + "/");
    EXPECT_FALSE(path.warn);

    // A folder that is gone falls back to the installed folder, or warns when that is missing too.
    const std::string gone = dir.filePath("gone").toStdString();
    settings.writeString("Environment", "App path", gone);
    path = locateAppPath(settings);
    if (path.warn)
        EXPECT_EQ(path.folder, gone + "/");
    else
        EXPECT_EQ(path.folder, withTrailingSeparator(installedDataFolder()));
    EXPECT_FALSE(installedDataFolder().empty());
}

} // namespace
} // namespace cellwatch
