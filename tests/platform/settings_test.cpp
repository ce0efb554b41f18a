// Every Settings implementation goes through the same cases; the QSettings one also against real
// INI files, always in a temporary folder so the user's own settings are never touched.
#include "platform/ini_text.h"
#include "platform/qt_settings.h"
#include "platform/settings_catalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace cellwatch {
namespace {

template <typename T> struct SettingsMaker;

template <> struct SettingsMaker<MemorySettings> {
    std::unique_ptr<Settings> make() { return std::make_unique<MemorySettings>(); }
};

template <> struct SettingsMaker<QtSettings> {
    QTemporaryDir dir;
    std::unique_ptr<Settings> make() {
        return std::make_unique<QtSettings>(dir.filePath("settings.ini").toStdString());
    }
};

template <typename T> class SettingsConformance : public ::testing::Test {
protected:
    SettingsMaker<T> maker;
};

using Implementations = ::testing::Types<MemorySettings, QtSettings>;
TYPED_TEST_SUITE(SettingsConformance, Implementations);

TYPED_TEST(SettingsConformance, EmptyStoreGivesEveryDefault) {
    auto store = this->maker.make();
    for (const settings::SettingInfo& info : settings::kCatalogue) {
        if (info.type == settings::SettingType::String)
            EXPECT_EQ(store->readString(info.section, info.key, info.stringDefault), info.stringDefault);
        else
            EXPECT_EQ(store->readInt(info.section, info.key, info.intDefault), info.intDefault);
    }
    EXPECT_EQ(store->readString(settings::kRecentFileList, "File1", "none"), "none");
}

TYPED_TEST(SettingsConformance, ValuesRoundTripPerSectionAndKey) {
    auto store = this->maker.make();
    store->writeInt("Environment", "Base", 16);
    store->writeInt("Colours", "Text", settings::packColour(0x12, 0x34, 0x56));
    store->writeInt("Environment", "Dont warn", -1);
    store->writeString("Environment", "Wave viewer", "/opt/wave tools/viewer --flag \"x\"");
    store->writeString("Recent File List", "File1", "/home/me/a, b.cmd");
    store->writeString("Environment", "Last path", "");
    store->writeString("Environment", "App path", "/opt/\xC3\xA9t\xC3\xA9/");

    EXPECT_EQ(store->readInt("Environment", "Base", 2), 16);
    EXPECT_EQ(store->readInt("Colours", "Text", 0), 0x563412);
    EXPECT_EQ(store->readInt("Environment", "Dont warn", 0), -1);
    EXPECT_EQ(store->readString("Environment", "Wave viewer", ""), "/opt/wave tools/viewer --flag \"x\"");
    EXPECT_EQ(store->readString("Recent File List", "File1", ""), "/home/me/a, b.cmd");
    EXPECT_EQ(store->readString("Environment", "Last path", "default"), "");
    EXPECT_EQ(store->readString("Environment", "App path", ""), "/opt/\xC3\xA9t\xC3\xA9/");
    // Same key, other section.
    EXPECT_EQ(store->readInt("Colours", "Base", 7), 7);
    store->writeInt("Environment", "Base", 8);
    EXPECT_EQ(store->readInt("Environment", "Base", 2), 8);
}

TEST(SettingsCatalogueTest, ListsEachSettingOnceWithItsDefault) {
    std::set<std::pair<std::string_view, std::string_view>> seen;
    for (const settings::SettingInfo& info : settings::kCatalogue)
        EXPECT_TRUE(seen.insert({info.section, info.key}).second) << info.key;
    EXPECT_EQ(seen.size(), 17u);
    const settings::SettingInfo* board = settings::findSetting("Environment", "Board");
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->stringDefault, "emulator");
    ASSERT_NE(settings::findSetting("Environment", "RT Update"), nullptr);
    EXPECT_EQ(settings::findSetting("Environment", "RT Update")->intDefault, 1);
    EXPECT_EQ(settings::findSetting("Environment", "Base")->intDefault, 2);
    EXPECT_EQ(settings::findSetting("Environment", "Prompt before save")->intDefault, 0);
    EXPECT_EQ(settings::findSetting("Colours", "Background")->themeDefault, settings::ThemeColour::Window);
    EXPECT_EQ(settings::findSetting("Recent File List", "File1"), nullptr);
    EXPECT_EQ(settings::findSetting("environment", "Base"), nullptr);
    const int colour = settings::packColour(1, 2, 3);
    EXPECT_EQ(settings::colourRed(colour), 1);
    EXPECT_EQ(settings::colourGreen(colour), 2);
    EXPECT_EQ(settings::colourBlue(colour), 3);
}

class QtSettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path() const { return dir.filePath("settings.ini").toStdString(); }
    void writeFile(const QByteArray& bytes) {
        QFile file(QString::fromStdString(path()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

TEST_F(QtSettingsFileTest, ValuesSurviveANewStoreOverTheSameFile) {
    {
        QtSettings store(path());
        store.writeInt("Environment", "RT Update", 0);
        store.writeString("Recent File List", "File4", "/tmp/x.sym");
        store.writeString("Environment", "Board", "emulator:128");
        EXPECT_TRUE(store.sync());
        EXPECT_EQ(store.fileName(), path());
    }
    QtSettings again(path());
    EXPECT_EQ(again.readInt("Environment", "RT Update", 1), 0);
    EXPECT_EQ(again.readString("Recent File List", "File4", ""), "/tmp/x.sym");
    EXPECT_EQ(again.readString("Environment", "Board", "emulator"), "emulator:128");
    again.remove("Recent File List", "File4");
    EXPECT_EQ(again.readString("Recent File List", "File4", "absent"), "absent");
}

TEST_F(QtSettingsFileTest, HandWrittenFileIsRead) {
    writeFile("[Environment]\nBase=10\nRT%20Update = 0\nWave%20viewer=/usr/bin/viewer\n"
              "Last%20path=/home/me/a,b\n[Colours]\nError=255\n");
    QtSettings store(path());
    EXPECT_EQ(store.readInt("Environment", "Base", 2), 10);
    EXPECT_EQ(store.readInt("Environment", "RT Update", 1), 0);
    EXPECT_EQ(store.readString("Environment", "Wave viewer", ""), "/usr/bin/viewer");
    // An unquoted comma must not lose the value.
    EXPECT_EQ(store.readString("Environment", "Last path", ""), "/home/me/a, b");
    EXPECT_EQ(store.readInt("Colours", "Error", 0), 255);
}

TEST_F(QtSettingsFileTest, ValuesWrittenAgainUnchangedLeaveTheFileAlone) {
    // Every batch run writes "Last path"; a file rewritten each time would lose its hand-made layout.
    const QByteArray text = "[Environment]\nBase = 10\nLast%20path = /home/me\n";
    writeFile(text);
    {
        QtSettings store(path());
        store.writeInt("Environment", "Base", 10);
        store.writeString("Environment", "Last path", "/home/me");
        EXPECT_TRUE(store.sync());
    }
    QFile file(QString::fromStdString(path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), text);
    file.close();
    QtSettings store(path());
    store.writeString("Environment", "Last path", "/home/you");
    store.writeInt("Environment", "Base", 16);
    EXPECT_TRUE(store.sync());
    QtSettings again(path());
    EXPECT_EQ(again.readString("Environment", "Last path", ""), "/home/you");
    EXPECT_EQ(again.readInt("Environment", "Base", 2), 16);
}

TEST_F(QtSettingsFileTest, MistypedValuesReadAsDefaults) {
    writeFile("[Environment]\nBase=sixteen\nAutoSplit=\nHide%20inversion=1,2\nRT%20Update=99999999999\n");
    QtSettings store(path());
    EXPECT_EQ(store.readInt("Environment", "Base", 2), 2);
    EXPECT_EQ(store.readInt("Environment", "AutoSplit", 1), 1);
    EXPECT_EQ(store.readInt("Environment", "Hide inversion", 1), 1);
    EXPECT_EQ(store.readInt("Environment", "RT Update", 1), 1);
    // An integer read as a string is its text.
    EXPECT_EQ(store.readString("Environment", "Base", ""), "sixteen");
}

TEST_F(QtSettingsFileTest, GarbledOrMissingFileGivesDefaults) {
    {
        QtSettings missing(dir.filePath("no/such/folder/settings.ini").toStdString());
        EXPECT_EQ(missing.readInt("Environment", "Base", 2), 2);
        EXPECT_EQ(missing.readString("Environment", "Board", "emulator"), "emulator");
    }
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) & 0xFF));
    garbage.append("\n[Environ\n=\n[[[]]]\n\\\n%zz=%\n");
    writeFile(garbage);
    QtSettings store(path());
    for (const settings::SettingInfo& info : settings::kCatalogue) {
        EXPECT_EQ(store.readInt(info.section, info.key, info.intDefault), info.intDefault);
        EXPECT_EQ(store.readString(info.section, info.key, info.stringDefault), info.stringDefault);
    }
    // Writing still works for the run, but a file that does not read as INI is never rewritten: it
    // may be a script or a design named as the settings file by mistake. The user is told.
    EXPECT_FALSE(store.readsAsIni());
    EXPECT_NE(store.notReadNotice().find(path()), std::string::npos) << store.notReadNotice();
    store.writeInt("Environment", "Base", 16);
    EXPECT_EQ(store.readInt("Environment", "Base", 2), 16);
    EXPECT_TRUE(store.sync());
    QFile file(QString::fromStdString(path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
    EXPECT_EQ(QtSettings(path()).readInt("Environment", "Base", 2), 2);
}

TEST_F(QtSettingsFileTest, HeldChangesReachTheFileOnlyWhenReleased) {
    {
        QtSettings store(path());
        EXPECT_TRUE(store.readsAsIni());
        EXPECT_EQ(store.notReadNotice(), "");
        store.holdChanges();
        store.writeInt("Environment", "Base", 8);
        store.writeString("Environment", "Last path", "/work");
        EXPECT_EQ(store.readInt("Environment", "Base", 2), 8);
        EXPECT_TRUE(store.sync());
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path())));
    } // dropped with the store
    EXPECT_EQ(QtSettings(path()).readInt("Environment", "Base", 2), 2);
    {
        QtSettings store(path());
        store.holdChanges();
        store.writeInt("Environment", "Base", 16);
        store.releaseChanges();
        EXPECT_TRUE(store.sync());
    }
    EXPECT_EQ(QtSettings(path()).readInt("Environment", "Base", 2), 16);
}

TEST_F(QtSettingsFileTest, UnwritableFileIsReportedBySync) {
    QtSettings store("/proc/cellwatch-no-such-place/settings.ini");
    store.writeInt("Environment", "Base", 8);
    EXPECT_FALSE(store.sync());
}

TEST_F(QtSettingsFileTest, KeysWithSeparatorsStayInTheirSection) {
    QtSettings store(path());
    store.writeInt("Environment", "a/b", 3);
    EXPECT_EQ(store.readInt("Environment", "a/b", 0), 3);
    EXPECT_EQ(store.readInt("Environment/a", "b", 0), 0);
    EXPECT_EQ(store.readInt("Environment", "a", 0), 0);
}

TEST(IniText, SettingsReadAsIniAndScriptsOrDesignsDoNot) {
    for (const char* ini :
         {"", "\n\n", "[Environment]\r\nBase=16\r\n", "; note\n# note\n[Colours]\nText = 0\n",
          "\xEF\xBB\xBF[Environment]\nLast%20path=/a,b\n", "[A]\nlong=one \\\ntwo\n"})
        EXPECT_TRUE(readsAsIniText(ini)) << ini;
    for (const char* other : {"|GRT_SYMBOL_TABLE \"x.sym\"\r\nloadcal \"x.cal\"\r\n",
                              "# a CAL file\n8000 5\n", "[Environment\nBase=2\n", "My notes\n"})
        EXPECT_FALSE(readsAsIniText(other)) << other;
    EXPECT_FALSE(readsAsIniText(std::string_view("[A]\nkey=1\n\0", 11)));
}

} // namespace
} // namespace cellwatch
