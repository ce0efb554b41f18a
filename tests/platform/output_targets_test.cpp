// The platform's writers on targets that are not plain files: a symbolic link is followed and stays
// a link; a FIFO or device gets the bytes in place and stays what it was.
#include "../common/device_targets.h"
#include "common/atomic_file.h"
#include "platform/qt_settings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace cellwatch {
namespace {

namespace fs = std::filesystem;

class OutputTargetsTest : public ::testing::Test {
protected:
    QTemporaryDir temp;
    fs::path dir = temp.path().toStdString();
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(OutputTargetsTest, FileSaveFollowsLinksAndWritesFifosInPlace) {
    fs::create_symlink("real.cmd", dir / "link.cmd"); // dangling: the save makes real.cmd
    std::string reason;
    ASSERT_EQ(saveFileAtomically((dir / "link.cmd").string(), "cycle 1\r\n", &reason), SaveResult::Ok) << reason;
    EXPECT_TRUE(test::IsLinkTo(dir / "link.cmd", "real.cmd"));
    EXPECT_EQ(read(dir / "real.cmd"), "cycle 1\r\n");

    {
        test::FifoReader reader(dir / "fifo");
        ASSERT_EQ(saveFileAtomically((dir / "fifo").string(), "to the reader", &reason), SaveResult::Ok) << reason;
        EXPECT_EQ(reader.bytes(), "to the reader");
    }
    EXPECT_TRUE(test::IsFifo(dir / "fifo"));
    EXPECT_NE(saveFileAtomically((dir / "fifo").string(), "nobody reads", &reason), SaveResult::Ok);
    EXPECT_NE(reason.find((dir / "fifo").string()), std::string::npos) << reason;
    EXPECT_TRUE(test::IsFifo(dir / "fifo"));
}

TEST_F(OutputTargetsTest, TheUsersOwnSettingsFileOnAFifoIsWrittenInPlace) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
    fs::create_directories(dir / "config" / "Halvane");
    const fs::path user = dir / "config" / "Halvane" / "LC3400 Cellwatch.ini";
    std::string ini;
    {
        test::FifoReader reader(user);
        {
            QtSettings store;
            store.writeInt("Environment", "Base", 16);
            EXPECT_TRUE(store.sync());
        }
        ini = reader.bytes();
    }
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_TRUE(test::IsFifo(user));
    EXPECT_NE(ini.find("Base=16"), std::string::npos) << ini;
}

TEST_F(OutputTargetsTest, SettingsOnAFifoOrDeviceAreWrittenInPlaceAndNeverReplaced) {
    std::string privateFile;
    {
        test::FifoReader reader(dir / "settings.fifo");
        {
            // Never read from the FIFO: the store starts empty and works on a private copy.
            QtSettings store((dir / "settings.fifo").string());
            privateFile = store.fileName();
            EXPECT_EQ(store.readInt("Environment", "Dont warn", 7), 7);
            store.writeInt("Environment", "Dont warn", 1);
            EXPECT_EQ(store.readInt("Environment", "Dont warn", 0), 1);
            EXPECT_TRUE(store.sync());
        }
        const std::string ini = reader.bytes();
        EXPECT_NE(ini.find("[Environment]"), std::string::npos) << ini;
        EXPECT_NE(ini.find("Dont%20warn=1"), std::string::npos) << ini;
    }
    EXPECT_TRUE(test::IsFifo(dir / "settings.fifo"));
    EXPECT_FALSE(fs::exists(fs::path(privateFile).parent_path())) << privateFile;

    if (!test::MakeNullDeviceCopy(dir / "null"))
        GTEST_SKIP() << "a device copy needs root";
    {
        QtSettings store((dir / "null").string());
        store.writeString("Environment", "Last path", "/designs");
        EXPECT_TRUE(store.sync());
    }
    EXPECT_TRUE(test::IsNullDeviceCopy(dir / "null"));
}

} // namespace
} // namespace cellwatch
