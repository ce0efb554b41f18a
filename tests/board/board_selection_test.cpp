// Which board a value names, and which value wins.
#include "board/board_driver.h"
#include "board/board_selection.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cellwatch;

TEST(BoardSelection, PrecedenceIsSwitchThenEnvironmentThenSetting) {
    EXPECT_EQ(chooseBoardValue("none", "emulator:128", "emulator:48"), "none");
    EXPECT_EQ(chooseBoardValue("", "emulator:128", "emulator:48"), "emulator:128");
    EXPECT_EQ(chooseBoardValue("", "", "emulator:48"), "emulator:48");
    EXPECT_EQ(chooseBoardValue("", "", ""), "emulator");
}

TEST(BoardSelection, NoneMeansNoChannel) {
    const BoardSelection s = selectBoard("none");
    EXPECT_TRUE(s.valid);
    EXPECT_EQ(s.channel, nullptr);
    EXPECT_TRUE(s.error.empty());
}

TEST(BoardSelection, PciPathToAMissingFolderGivesADriverThatIsNotFound) {
    const std::string folder =
        (std::filesystem::temp_directory_path() / "cellwatch-absent" / "0000:03:00.0").string();
    BoardSelection s = selectBoard("pci:" + folder);
    ASSERT_TRUE(s.valid);
    ASSERT_NE(s.channel, nullptr);
    BoardDriver board(std::move(s.channel));
    EXPECT_EQ(board.error(), 1);
    EXPECT_EQ(lastBoardFailure(), folder + ": No such file or directory");
}

TEST(BoardSelection, UnknownValuesAreRefusedWithAReason) {
    for (const char* value :
         {"", "emulator:32", "emulator:", "emulator:064", "pci:", "pci", "board", "emulator64", "none "}) {
        const BoardSelection s = selectBoard(value);
        EXPECT_FALSE(s.valid) << value;
        EXPECT_EQ(s.channel, nullptr) << value;
        EXPECT_FALSE(s.error.empty()) << value;
    }
}

TEST(BoardSelection, EmulatorValues) {
    for (const char* value :
         {"emulator", "Emulator", "emulator:48", "emulator:64", "emulator:96", "EMULATOR:128"}) {
        const BoardSelection s = selectBoard(value);
        EXPECT_TRUE(s.valid) << value;
        EXPECT_NE(s.channel, nullptr) << value;
    }
}
