// How `pci:` values name a device folder, and what --list-boards says about a folder of devices.
#include "board/board_selection.h"
#include "board/pci/pci_channel.h"
#include "board/pci/pci_device.h"
#include "board/pci/pci_listing.h"
#include "fake_pci_folder.h"

#include <gtest/gtest.h>

using namespace cellwatch;

TEST(PciAddress, KernelFormIsKeptAndShortFormsGetTheDomain) {
    EXPECT_EQ(pci::normalisePciAddress("0000:03:00.0"), "0000:03:00.0");
    EXPECT_EQ(pci::normalisePciAddress("03:00.0"), "0000:03:00.0");
    EXPECT_EQ(pci::normalisePciAddress("0000:0A:1f.7"), "0000:0a:1f.7");
    EXPECT_EQ(pci::normalisePciAddress("1:3:0.1"), "0001:03:00.1");
    EXPECT_EQ(pci::normalisePciAddress("10000:00:02.0"), "10000:00:02.0");
}

TEST(PciAddress, AnythingElseIsRefused) {
    for (const char* bad : {"", ".", "::.", "0000:03:00", "0000:03:00.", "0000:03:20.0", "0000:03:00.8",
                            "0000:103:00.0", "0000:03:000.0", "000000000:03:00.0", "0000:03:00.0 ",
                            " 03:00.0", "0000:03:00.00", "0000:-3:00.0", "0000:+3:00.0", "zz:00.0",
                            "0000:03.00.0", "0:0:03:00.0", "emulator"}) {
        EXPECT_FALSE(pci::normalisePciAddress(bad).has_value()) << bad;
        EXPECT_FALSE(pci::deviceFolder(bad).has_value()) << bad;
    }
}

TEST(PciAddress, ValueWithASlashIsAPathKeptAsWritten) {
    EXPECT_EQ(pci::deviceFolder("03:00.0"), "/sys/bus/pci/devices/0000:03:00.0");
    EXPECT_EQ(pci::deviceFolder("/srv/board/"), "/srv/board/");
    EXPECT_EQ(pci::deviceFolder("./board"), "./board");
    EXPECT_EQ(pci::deviceFolder("a b/c:d"), "a b/c:d");
    EXPECT_FALSE(pci::deviceFolder(std::string_view("/x\0y", 4)).has_value());
}

TEST(PciSelection, ValuesGiveAChannelOverTheNamedFolderWithoutOpeningIt) {
    struct Case {
        const char* value;
        const char* folder;
    };
    for (const Case c : {Case{"pci:0000:03:00.0", "/sys/bus/pci/devices/0000:03:00.0"},
                         Case{"PCI:03:00.0", "/sys/bus/pci/devices/0000:03:00.0"},
                         Case{"pci:/tmp/none/board", "/tmp/none/board"}}) {
        BoardSelection s = selectBoard(c.value);
        ASSERT_TRUE(s.valid) << c.value << ": " << s.error;
        auto* channel = dynamic_cast<PciChannel*>(s.channel.get());
        ASSERT_NE(channel, nullptr) << c.value;
        EXPECT_EQ(channel->folder(), c.folder);
        EXPECT_FALSE(channel->mapped());
        EXPECT_TRUE(channel->failureReason().empty());
    }
    const BoardSelection bad = selectBoard("pci:3:0");
    EXPECT_FALSE(bad.valid);
    EXPECT_NE(bad.error.find("pci:3:0"), std::string::npos) << bad.error;
    EXPECT_NE(bad.error.find("0000:03:00.0"), std::string::npos) << bad.error;
}

TEST(PciHeader, FieldsAreLittleEndianAtTheirOffsets) {
    const auto bytes = test::boardConfig(0xE001, 64);
    const auto h = pci::decodeHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(h);
    EXPECT_EQ(h->vendor, 0x4C43);
    EXPECT_EQ(h->device, 0x3400);
    EXPECT_EQ(h->memoryBar, 0xF4000000u);
    EXPECT_TRUE(h->ioSpace());
    EXPECT_EQ(h->portBase(), 0xE000);
    EXPECT_FALSE(pci::decodeHeader(bytes.data(), 63));
    EXPECT_FALSE(pci::decodeHeader(nullptr, 64));
}

namespace {

// A devices folder: one usable board, and devices that each lack something.
class DeviceList : public ::testing::Test {
protected:
    void SetUp() override {
        root = board.root();
        const auto make = [this](const char* name) {
            std::filesystem::create_directory(root / name);
            std::filesystem::copy_file(board.file("config"), root / name / "config");
            return root / name;
        };
        const auto bridge = make("0000:00:00.0"); // no regions at all
        (void)bridge;
        const auto small = make("0000:00:02.0");
        std::filesystem::resize_file(std::filesystem::path(small / "config"), 64);
        { std::ofstream(small / "resource0") << "x"; }
        std::filesystem::resize_file(small / "resource0", 4096);
        const auto noIo = make("0000:00:1f.3");
        { std::ofstream(noIo / "config", std::ios::binary | std::ios::trunc); }
        std::ofstream(root / "stray-file") << "not a device";
    }

    test::FakePciFolder board; // 0000:03:00.0
    std::filesystem::path root;
};

} // namespace

TEST_F(DeviceList, EveryFolderIsListedWithWhatKeepsItFromBeingUsed) {
    std::string reason;
    const auto checks = pci::checkDevices(root.string(), &reason);
    ASSERT_TRUE(checks) << reason;
    ASSERT_EQ(checks->size(), 4u);
    EXPECT_EQ((*checks)[0].address, "0000:00:00.0");
    EXPECT_EQ((*checks)[3].address, "0000:03:00.0");
    EXPECT_TRUE((*checks)[3].usable());
    ASSERT_TRUE((*checks)[3].header);
    EXPECT_EQ((*checks)[3].header->device, 0x3400);

    const auto problems = [&](std::size_t i) {
        std::string all;
        for (const auto& p : (*checks)[i].problems)
            all += p + "|";
        return all;
    };
    EXPECT_EQ(problems(0), "no resource0|no resource1|");
    EXPECT_EQ(problems(1), "resource0 is 4096 bytes, the memory window needs 16777216|no resource1|");
    EXPECT_EQ(problems(2), "config gives 0 bytes of header|no resource0|no resource1|");
}

TEST_F(DeviceList, TextHasALinePerDeviceAndTheEmulatedBoards) {
    const std::string text = boardListText(root.string());
    EXPECT_NE(text.find("PCI devices in " + root.string() + ":\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  pci:" + board.path() + " 4c43:3400  usable\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0000:00:00.0 4c43:3400  not usable: no resource0; no resource1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("0000:00:1f.3 ????:????  not usable: config gives 0 bytes"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("stray-file"), std::string::npos);
    EXPECT_NE(text.find("  none "), std::string::npos);
    EXPECT_NE(text.find("  emulator:128"), std::string::npos) << text;
}

TEST(DeviceListMissing, UnreadableRootSaysWhy) {
    test::TempDir dir;
    const std::string missing = (dir.path() / "devices").string();
    std::string reason;
    EXPECT_FALSE(pci::checkDevices(missing, &reason));
    EXPECT_EQ(reason, missing + ": No such file or directory");
    EXPECT_NE(pci::deviceListText(missing).find("none can be listed: " + missing), std::string::npos);
}
