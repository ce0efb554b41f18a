// The real-board channel over a fake sysfs device folder: the open sequence, where window and port
// accesses land in the files, and every way the folder can be unusable, with its code and reason.
#include "board/board_driver.h"
#include "board/board_errors.h"
#include "board/board_selection.h"
#include "fake_pci_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace cellwatch;
using test::FakePciFolder;

namespace {

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// A BoardDriver over the fake folder, chosen the way a user names it.
std::unique_ptr<BoardDriver> openBoard(const FakePciFolder& fake) {
    BoardSelection s = selectBoard("pci:" + fake.path());
    EXPECT_TRUE(s.valid) << s.error;
    return std::make_unique<BoardDriver>(std::move(s.channel));
}

} // namespace

TEST(PciChannel, OpenSequenceReadsTheConfigurationAndMapsTheWindow) {
    FakePciFolder fake;
    auto board = openBoard(fake);
    ASSERT_EQ(board->error(), kBoardNoError) << lastBoardFailure();
    EXPECT_TRUE(board->ok());
    EXPECT_EQ(board->portBase(), 0xE000);
    EXPECT_EQ(board->memoryBase(), 0xF4000000u);
    const auto expected = test::boardConfig();
    for (std::size_t i = 0; i < BoardDriver::kPciConfigSize; ++i)
        ASSERT_EQ(board->pciConfig()[i], expected[i]) << "byte " << i;
    EXPECT_TRUE(lastBoardFailure().empty());
}

TEST(PciChannel, ConfigurationBeyondWhatTheFileGivesIsZero) {
    // Unprivileged readers get only the 64-byte header from sysfs.
    FakePciFolder fake;
    fake.writeConfig(test::boardConfig(0xE001, 64));
    PciChannel channel(fake.path());
    ASSERT_TRUE(channel.open());
    std::uint32_t n = 0;
    EXPECT_FALSE(channel.control(0, nullptr, 0, n));
    std::uint8_t data[148];
    std::memset(data, 0xAA, sizeof data);
    EXPECT_TRUE(channel.control(5, data, sizeof data, n));
    EXPECT_EQ(n, 148u);
    EXPECT_EQ(data[0], 0x43);
    EXPECT_EQ(data[20], 0x01);
    for (std::size_t i = 64; i < sizeof data; ++i)
        ASSERT_EQ(data[i], 0) << i;
    // A smaller buffer gets only what fits.
    std::uint8_t small[8] = {};
    EXPECT_TRUE(channel.control(5, small, sizeof small, n));
    EXPECT_EQ(n, 8u);
    EXPECT_FALSE(channel.control(99, nullptr, 0, n));
}

TEST(PciChannel, WindowStoresAndLoadsLandAtTheirFileOffsets) {
    FakePciFolder fake;
    {
        auto board = openBoard(fake);
        ASSERT_EQ(board->error(), 0) << lastBoardFailure();
        board->writeDeviceWord(0xC000, 5);
        const std::uint32_t sram[2] = {0x11223344, 0x55667788};
        board->writeBlock(0x100, sram, 2);
        board->writeDeviceWord(0x3003F, 0xCAFEF00D); // the 128-cell member's last identification byte

        EXPECT_EQ(fake.word("resource0", 0x830000), 5u);
        EXPECT_EQ(fake.word("resource0", 0x100), 0x11223344u);
        EXPECT_EQ(fake.word("resource0", 0x104), 0x55667788u);
        EXPECT_EQ(fake.word("resource0", 0x800000 + 4 * 0x3003F), 0xCAFEF00Du);

        // Loads see what is in the region, not a copy.
        fake.putWord("resource0", 0x800000 + 4 * 0xC010, 0x0BADBEEF);
        EXPECT_EQ(board->readDeviceWord(0xC010), 0x0BADBEEFu);
        fake.putWord("resource0", 0x7FFFC, 0x01020304);
        std::uint32_t v = 0;
        board->readBlock(0x7FFFC, &v, 1);
        EXPECT_EQ(v, 0x01020304u);
    }
    // The mapping is shared: what was stored stays in the region after the board is closed.
    EXPECT_EQ(fake.word("resource0", 0x830000), 5u);
}

TEST(PciChannel, UnalignedSramAccessesAndStrayOffsetsAreSafe) {
    FakePciFolder fake;
    PciChannel channel(fake.path());
    ASSERT_TRUE(channel.open());
    std::uint32_t n = 0;
    ASSERT_FALSE(channel.control(0, nullptr, 0, n)) << channel.failureReason();

    // The SRAM probe's unaligned offsets: little-endian bytes at exactly that place.
    channel.store(42, 0xA1B2C3D4);
    EXPECT_EQ(fake.word("resource0", 40), 0xC3D40000u);
    EXPECT_EQ(fake.word("resource0", 44), 0x0000A1B2u);
    EXPECT_EQ(channel.load(42), 0xA1B2C3D4u);
    EXPECT_EQ(channel.load(43), 0x00A1B2C3u);

    // Past the window: nothing is touched and loads read as an empty bus.
    channel.store(0x1000000, 7);
    channel.store(0xFFFFFFFE, 7);
    channel.store(0xFFFFFD, 7); // the last word would run one byte past the end
    EXPECT_EQ(channel.load(0x1000000), 0xFFFFFFFFu);
    EXPECT_EQ(channel.load(0xFFFFFFFC), 0xFFFFFFFFu);
    EXPECT_EQ(std::filesystem::file_size(fake.file("resource0")), pci::kWindowBytes);
    EXPECT_EQ(fake.word("resource0", 0xFFFFFC), 0u);

    // Code 4 unmaps; the window is then an empty bus too.
    EXPECT_TRUE(channel.mapped());
    EXPECT_TRUE(channel.control(4, nullptr, 0, n));
    EXPECT_FALSE(channel.mapped());
    EXPECT_EQ(channel.load(0), 0xFFFFFFFFu);
    std::uint8_t window[4];
    EXPECT_FALSE(channel.control(6, window, 4, n));
    channel.close();
}

TEST(PciChannel, PortWritesLandAtTheirOffsetsOfTheIoRegion) {
    FakePciFolder fake;
    {
        auto board = openBoard(fake);
        ASSERT_EQ(board->error(), 0) << lastBoardFailure();
        board->resetBoard();
        EXPECT_EQ(fake.word("resource1", 0x10), 1u);
        board->assertClear();
        EXPECT_EQ(fake.word("resource1", 0x10), 2u);
        board->setControlByte(200);
        board->setPort24Flag(1);
        EXPECT_EQ(fake.word("resource1", 0x24), 0x1C8u);
        board->setBankControl(6);
        EXPECT_EQ(fake.word("resource1", 0x2c), 2u);
        board->serialBit(3);
        EXPECT_EQ(fake.word("resource1", 0x14), 1u);
        // Nothing else was written.
        for (std::uint64_t off = 0; off < FakePciFolder::kPortFileBytes; off += 4) {
            if (off != 0x10 && off != 0x14 && off != 0x24 && off != 0x2c) {
                EXPECT_EQ(fake.word("resource1", off), 0u) << off;
            }
        }
    }
    // Ports outside the region, below the base or past its end, are dropped.
    PciChannel channel(fake.path());
    ASSERT_TRUE(channel.open());
    std::uint32_t n = 0;
    ASSERT_FALSE(channel.control(0, nullptr, 0, n));
    channel.portOut(0xDFFC, 9);
    channel.portOut(0xE000 + 0x3E, 9);
    channel.portOut(0xFFFF, 9);
    channel.portOut(0xE000, 0x12345678);
    EXPECT_EQ(fake.word("resource1", 0), 0x12345678u);
    EXPECT_EQ(std::filesystem::file_size(fake.file("resource1")), FakePciFolder::kPortFileBytes);
}

TEST(PciChannel, WindowAnswerIsTheMappingAddress) {
    FakePciFolder fake;
    PciChannel channel(fake.path());
    ASSERT_TRUE(channel.open());
    std::uint32_t n = 0;
    std::uint8_t window[4] = {};
    EXPECT_FALSE(channel.control(6, window, 4, n)) << "nothing is mapped before the initialise call";
    EXPECT_EQ(n, 0u);
    ASSERT_FALSE(channel.control(0, nullptr, 0, n));
    EXPECT_TRUE(channel.control(6, window, 4, n));
    EXPECT_EQ(n, 4u);
    std::uint32_t low = 0;
    std::memcpy(&low, window, 4);
    EXPECT_EQ(low % 4096, 0u) << "a mapping starts on a page";
}

// Each way a folder can be unusable: the code BoardDriver ends with, and the reason the channel gives.
struct FailureCase {
    const char* name;
    int code;
    const char* reasonPart; // besides the path, which every reason names
    const char* pathSuffix; // the file the reason names, after the folder
    void (*spoil)(FakePciFolder&);
};

class PciChannelFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PciChannelFailure, GivesItsCodeAndAReasonNamingThePath) {
    const FailureCase& c = GetParam();
    FakePciFolder fake;
    c.spoil(fake);
    auto board = openBoard(fake);
    EXPECT_EQ(board->error(), c.code) << lastBoardFailure();
    EXPECT_FALSE(board->ok());
    const std::string& reason = lastBoardFailure();
    EXPECT_TRUE(contains(reason, fake.path() + c.pathSuffix)) << reason;
    EXPECT_TRUE(contains(reason, c.reasonPart)) << reason;
    // A failed board never touches the files again.
    board->writeDeviceWord(0xC000, 5);
    board->resetBoard();
    if (std::filesystem::is_regular_file(fake.file("resource0")) &&
        std::filesystem::file_size(fake.file("resource0")) > 0x830000) {
        EXPECT_EQ(fake.word("resource0", 0x830000), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folder, PciChannelFailure,
    ::testing::Values(
        FailureCase{"MissingFolder", kBoardDriverNotFound, "No such file or directory", "",
                    [](FakePciFolder& f) { std::filesystem::remove_all(f.path()); }},
        FailureCase{"FolderIsAFile", kBoardDriverNotFound, "not a folder", "",
                    [](FakePciFolder& f) {
                        std::filesystem::remove_all(f.path());
                        std::ofstream(f.path()) << "x";
                    }},
        FailureCase{"MissingConfig", kBoardDriverNotFound, "No such file or directory", "/config",
                    [](FakePciFolder& f) { std::filesystem::remove(f.file("config")); }},
        FailureCase{"WindowIsAFolder", kBoardDriverNotFound, "resource0", "/resource0",
                    [](FakePciFolder& f) { f.replaceWithFolder("resource0"); }},
        FailureCase{"PortsAreAFifo", kBoardDriverNotFound, "not a regular file", "/resource1",
                    [](FakePciFolder& f) {
                        std::filesystem::remove(f.file("resource1"));
                        ::mkfifo(f.file("resource1").c_str(), 0600);
                    }},
        FailureCase{"ShortHeader", kBoardDriverInitFailed, "20 bytes", "/config",
                    [](FakePciFolder& f) { f.writeConfig(test::boardConfig(0xE001, 20)); }},
        FailureCase{"HeaderWithoutIoBit", kBoardDriverInitFailed, "not an I/O region", "/config",
                    [](FakePciFolder& f) { f.writeConfig(test::boardConfig(0xE000)); }},
        FailureCase{"ShortWindow", kBoardDriverInitFailed, "is 1048576 bytes", "/resource0",
                    [](FakePciFolder& f) { f.sizeFile("resource0", 0x100000); }},
        FailureCase{"ShortPorts", kBoardDriverInitFailed, "is 16 bytes", "/resource1",
                    [](FakePciFolder& f) { f.sizeFile("resource1", 16); }}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(PciChannel, MissingFolderReasonIsPathAndSystemText) {
    const std::string where = (std::filesystem::temp_directory_path() / "cellwatch-no-such-board").string();
    BoardSelection s = selectBoard("pci:" + where);
    ASSERT_TRUE(s.valid);
    BoardDriver board(std::move(s.channel));
    EXPECT_EQ(board.error(), kBoardDriverNotFound);
    EXPECT_EQ(lastBoardFailure(), where + ": No such file or directory");
}

TEST(PciChannel, UnreadableFileGivesNotFoundWithTheSystemsReason) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file modes do not stop root";
    FakePciFolder fake;
    std::filesystem::permissions(fake.file("resource0"), std::filesystem::perms::owner_read);
    auto board = openBoard(fake);
    EXPECT_EQ(board->error(), kBoardDriverNotFound);
    EXPECT_TRUE(contains(lastBoardFailure(), fake.path() + "/resource0: Permission denied")) << lastBoardFailure();
    EXPECT_TRUE(contains(lastBoardFailure(), "udev rule"));
}

TEST(PciChannel, RefusedMappingGivesInitialisationFailed) {
    // A write-sealed memory file opens for writing and has the size, but no shared writable mapping.
    const int fd = ::memfd_create("cellwatch-window", MFD_ALLOW_SEALING | MFD_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(pci::kWindowBytes)), 0);
    ASSERT_EQ(::fcntl(fd, F_ADD_SEALS, F_SEAL_WRITE), 0);
    FakePciFolder fake;
    std::filesystem::remove(fake.file("resource0"));
    std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(fd), fake.file("resource0"));

    auto board = openBoard(fake);
    EXPECT_EQ(board->error(), kBoardDriverInitFailed);
    EXPECT_TRUE(contains(lastBoardFailure(), fake.path() + "/resource0: the memory window cannot be mapped"))
        << lastBoardFailure();
    board.reset();
    ::close(fd);
}

TEST(PciChannel, ReasonIsClearedByTheNextSelection) {
    FakePciFolder fake;
    fake.writeConfig(test::boardConfig(0xE000));
    ASSERT_NE(openBoard(fake)->error(), 0);
    EXPECT_FALSE(lastBoardFailure().empty());
    fake.writeConfig(test::boardConfig());
    EXPECT_EQ(openBoard(fake)->error(), 0);
    EXPECT_TRUE(lastBoardFailure().empty());
    (void)selectBoard("none");
    EXPECT_TRUE(lastBoardFailure().empty());
}

TEST(PciChannel, ReopeningAfterAFailureStartsClean) {
    FakePciFolder fake;
    fake.sizeFile("resource1", 4);
    PciChannel channel(fake.path());
    ASSERT_TRUE(channel.open());
    std::uint32_t n = 0;
    EXPECT_TRUE(channel.control(0, nullptr, 0, n));
    EXPECT_FALSE(channel.failureReason().empty());
    // Fixed while open: the next initialise succeeds and forgets the old reason.
    fake.sizeFile("resource1", FakePciFolder::kPortFileBytes);
    EXPECT_FALSE(channel.control(0, nullptr, 0, n));
    EXPECT_TRUE(channel.failureReason().empty());
    EXPECT_TRUE(channel.mapped());
    channel.close();
    EXPECT_FALSE(channel.mapped());
    fake.sizeFile("resource1", 4);
    ASSERT_TRUE(channel.open());
    EXPECT_TRUE(channel.control(0, nullptr, 0, n));
    EXPECT_NE(channel.failureReason().find("is 4 bytes"), std::string::npos) << channel.failureReason();
}

// The device's file shrinks while the window is mapped: hot unplug, a driver unbound, a truncated
// fake. Touching the lost pages must fail the board, never end the process with a bus error.
TEST(PciChannel, WindowThatShrinksDuringUseFailsTheBoardNotTheProcess) {
    FakePciFolder fake;
    auto board = openBoard(fake);
    ASSERT_EQ(board->error(), kBoardNoError) << lastBoardFailure();
    board->writeDeviceWord(0xC000, 5);
    EXPECT_EQ(board->readDeviceWord(0xC000), 5u);
    EXPECT_FALSE(board->lost());

    fake.sizeFile("resource0", 0x1000);
    EXPECT_EQ(board->readDeviceWord(0xC010), 0xFFFFFFFFu);
    EXPECT_TRUE(board->lost());
    const std::string reason = fake.path() + "/resource0 shrank to 4096 bytes during the run";
    EXPECT_EQ(board->lostReason(), reason);
    EXPECT_EQ(lastBoardFailure(), reason);
    // Whatever the run still does is dropped or reads an empty bus.
    board->writeDeviceWord(0xC000, 7);
    std::uint32_t block[4] = {1, 2, 3, 4};
    board->writeBlock(0x800000, block, 4);
    board->readBlock(0x800000, block, 4);
    EXPECT_EQ(block[0], 0xFFFFFFFFu);

    // A store is the first to find the loss just as well, on a second board.
    FakePciFolder other;
    auto second = openBoard(other);
    ASSERT_EQ(second->error(), kBoardNoError) << lastBoardFailure();
    other.sizeFile("resource0", 0);
    second->writeDeviceWord(0xC000, 9);
    EXPECT_TRUE(second->lost());
    EXPECT_EQ(second->lostReason(), other.path() + "/resource0 shrank to 0 bytes during the run");
    EXPECT_FALSE(contains(board->lostReason(), other.path()));
}

TEST(PciChannel, BusErrorOutsideAnyWindowStillEndsTheProcess) {
    // The guard takes only faults inside a board's window; any other is as fatal as before: the child
    // never reaches its exit(0).
    FakePciFolder fake;
    auto board = openBoard(fake);
    ASSERT_EQ(board->error(), kBoardNoError) << lastBoardFailure();
    const std::filesystem::path file = fake.root() / "other.bin";
    EXPECT_EXIT(
        {
            { std::ofstream touch(file, std::ios::binary); }
            std::filesystem::resize_file(file, 8192);
            const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
            void* p = ::mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            std::filesystem::resize_file(file, 0);
            static_cast<volatile std::uint8_t*>(p)[4096] = 1;
            std::exit(0);
        },
        // By the signal; under a sanitizer, whose handler was there first, by its report.
        [](int status) { return (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) || (WIFEXITED(status) && WEXITSTATUS(status) != 0); },
        "");
}
