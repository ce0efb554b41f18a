// Configuration (CAL) files: line syntax, limits, codes and reading from disk.
#include "board/board_driver.h"
#include "board/cal_loader.h"
#include "recording_channel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace cellwatch;
using namespace cellwatch::test;

namespace {

using Writes = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

class CalLoaderTest : public ::testing::Test {
protected:
    CalLoaderTest() {
        board = std::make_unique<BoardDriver>(std::make_unique<RecordingChannel>(ChannelScript{}, &log));
        log.clear();
    }
    void TearDown() override { selectDevice(1); }

    Writes writes() const {
        Writes out;
        for (const auto& e : log)
            if (e.kind == ChannelEvent::Store)
                out.emplace_back((e.where - 0x800000u) / 4u, e.value);
        return out;
    }

    std::string tempFile(const std::string& contents) {
        char name[] = "/tmp/cellwatch_cal_XXXXXX";
        const int fd = mkstemp(name);
        EXPECT_GE(fd, 0);
        if (fd >= 0) {
            EXPECT_EQ(write(fd, contents.data(), contents.size()), static_cast<ssize_t>(contents.size()));
            ::close(fd);
        }
        m_files.emplace_back(name);
        return name;
    }
    ~CalLoaderTest() override {
        for (const auto& f : m_files)
            std::remove(f.c_str());
    }

    std::vector<ChannelEvent> log;
    std::unique_ptr<BoardDriver> board;

private:
    std::vector<std::string> m_files;
};

} // namespace

TEST_F(CalLoaderTest, ExampleFileWritesEachPairInOrder) {
    EXPECT_EQ(board->loadConfigurationText("# clear control, then set two cells\n"
                                           "C000 0\n"
                                           "0x05C9 1\n"
                                           "05CA 0\n"),
              0);
    EXPECT_EQ(writes(), (Writes{{0xC000, 0}, {0x05C9, 1}, {0x05CA, 0}}));
}

TEST_F(CalLoaderTest, BlankCommentAndExtraTokensAreHandled) {
    EXPECT_EQ(board->loadConfigurationText(""), 0);
    EXPECT_EQ(board->loadConfigurationText("\n\n   \t\n# C000 1\n#\n  #x y z\n"), 0);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(board->loadConfigurationText("\t12  0X1f  ignored tokens\n34\t5"), 0) << "no final line end";
    EXPECT_EQ(writes(), (Writes{{0x12, 0x1F}, {0x34, 5}}));
}

TEST_F(CalLoaderTest, ALineWithOneTokenFailsAfterEarlierWritesStay) {
    EXPECT_EQ(board->loadConfigurationText("10 1\nC000\n11 2\n"), 5);
    EXPECT_EQ(writes(), (Writes{{0x10, 1}}));
}

TEST_F(CalLoaderTest, AddressesStopAtTheIdentificationArea) {
    EXPECT_EQ(board->loadConfigurationText("C03F 12\n"), 0);
    EXPECT_EQ(board->loadConfigurationText("C040 12\n"), 5);
    selectDevice(3);
    EXPECT_EQ(board->loadConfigurationText("3003F 1\n"), 0);
    EXPECT_EQ(board->loadConfigurationText("30040 1\n"), 5);
    EXPECT_EQ(writes(), (Writes{{0xC03F, 0x12}, {0x3003F, 1}}));
}

TEST_F(CalLoaderTest, NumbersStopAtTheFirstNonDigitAndMustFitThirtyTwoBits) {
    EXPECT_EQ(board->loadConfigurationText("5C9h 1;c\n0x 0xFFFFFFFF\n000000000000000A 00000000FFFFFFFF\n"),
              0);
    EXPECT_EQ(writes(), (Writes{{0x5C9, 1}, {0, 0xFFFFFFFF}, {0xA, 0xFFFFFFFF}}));
    EXPECT_EQ(board->loadConfigurationText("10 100000000\n"), 5);
    EXPECT_EQ(board->loadConfigurationText("10000C000 1\n"), 5) << "an address must not wrap into range";
}

TEST_F(CalLoaderTest, TokensWithoutAnyDigitAreRefused) {
    EXPECT_EQ(board->loadConfigurationText("zz 1\n"), 5);
    EXPECT_EQ(board->loadConfigurationText("10 -1\n"), 5);
    EXPECT_EQ(board->loadConfigurationText("10 x1\n"), 5);
    EXPECT_TRUE(writes().empty());
}

TEST_F(CalLoaderTest, CrLfLinesReadLikeLfLines) {
    EXPECT_EQ(board->loadConfigurationText("# header\r\n\r\nC000 7\r\n10 2\r\n"), 0);
    EXPECT_EQ(writes(), (Writes{{0xC000, 7}, {0x10, 2}}));
    EXPECT_EQ(board->loadConfigurationText("C000\r\n"), 5);
}

TEST_F(CalLoaderTest, LongDataLinesAreRefusedLongCommentsSkipped) {
    const std::string ok79 = "10 1" + std::string(75, ' ');
    const std::string long80 = "10 1" + std::string(76, ' ');
    EXPECT_EQ(board->loadConfigurationText(ok79 + "\n"), 0);
    EXPECT_EQ(board->loadConfigurationText(ok79 + "\r\n"), 0) << "the CR is not part of the line";
    EXPECT_EQ(writes().size(), 2u);
    EXPECT_EQ(board->loadConfigurationText(long80 + "\n11 2\n"), 5);
    EXPECT_EQ(board->loadConfigurationText(std::string(5000, '1') + " 2"), 5);
    EXPECT_EQ(writes().size(), 2u) << "a cut data line writes nothing";

    EXPECT_EQ(board->loadConfigurationText("# " + std::string(300, 'c') + " 12 34\n12 3\n"), 0);
    EXPECT_EQ(board->loadConfigurationText(std::string(200, ' ') + "\n" + std::string(200, '\t')), 0);
    EXPECT_EQ(writes().back(), (std::pair<std::uint32_t, std::uint32_t>{0x12, 3}));
}

TEST_F(CalLoaderTest, ResultDoesNotDependOnHowTheBytesArrive) {
    const std::string text = "# c\r\nC000 0\n0x05C9 1\n" + std::string(90, '#') + "\n05CA 0\n";
    ASSERT_EQ(board->loadConfigurationText(text), 0);
    const Writes whole = writes();
    for (std::size_t piece = 1; piece < 8; ++piece) {
        log.clear();
        CalLoader loader(*board);
        for (std::size_t i = 0; i < text.size(); i += piece)
            loader.feed(std::string_view(text).substr(i, piece));
        EXPECT_EQ(loader.finish(), 0);
        EXPECT_EQ(writes(), whole) << "piece size " << piece;
    }
}

TEST_F(CalLoaderTest, FilesFromDisk) {
    EXPECT_EQ(board->loadConfiguration(tempFile("C000 0\r\n0x05C9 1\n").c_str()), 0);
    EXPECT_EQ(writes(), (Writes{{0xC000, 0}, {0x05C9, 1}}));
    EXPECT_EQ(board->loadConfiguration(tempFile("").c_str()), 0);
    EXPECT_EQ(board->loadConfiguration(tempFile("C040 1\n").c_str()), 5);

    // Larger than one read buffer, with a line split across the boundary.
    std::string big;
    while (big.size() < 40000)
        big += "10 1\n";
    big += "11 2\n";
    log.clear();
    EXPECT_EQ(board->loadConfiguration(tempFile(big).c_str()), 0);
    EXPECT_EQ(writes().back(), (std::pair<std::uint32_t, std::uint32_t>{0x11, 2}));
    EXPECT_EQ(writes().size(), 8001u);
}

TEST_F(CalLoaderTest, MissingOrUnreadableFiles) {
    EXPECT_EQ(board->loadConfiguration("/nonexistent/cellwatch/none.cal"), 4);
    EXPECT_EQ(board->loadConfiguration(nullptr), 4);
    // A folder opens on Linux but cannot be read; that is not a successful load.
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_EQ(board->loadConfiguration(folder.c_str()), 5);
}
