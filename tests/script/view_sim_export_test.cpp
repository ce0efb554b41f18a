#include "script/line_buffer.h"
#include "script/view_sim_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace cellwatch;

namespace {

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ExportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("cellwatch_export_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

} // namespace

TEST(ViewSimText, CommentsOutBoardOnlyCommands) {
    LineBuffer b("  Reset\r\nclearall\r\ncycle 10\r\nfm 0\\h 1\\h\r\n\r\n| note\r\n|GRT_TRACE_BEGIN\r\n"
                 "TraceOn\r\ntraceoff\r\nsetclockreg c\r\nsetclockmode none\r\nclear\r\nloadcal \"x\"\r\n"
                 "comment off\r\nbctl 1\r\npclk 16\r\nrestart\r\nstepsize 1\r\nclear|x\r\n\tfm\r\n");
    const std::string expected = "|   Reset\r\nclearall\r\ncycle 10\r\n| fm 0\\h 1\\h\r\n\r\n| note\r\n"
                                 "|GRT_TRACE_BEGIN\r\n| TraceOn\r\n| traceoff\r\n| setclockreg c\r\n"
                                 "| setclockmode none\r\n| clear\r\n| loadcal \"x\"\r\n| comment off\r\n"
                                 "| bctl 1\r\npclk 16\r\nrestart\r\nstepsize 1\r\nclear|x\r\n| \tfm\r\n";
    EXPECT_EQ(viewSimText(b), expected);
    EXPECT_EQ(viewSimText(LineBuffer("")), "");
}

TEST_F(ExportFiles, WritesTheCopyAndLeavesTheScriptAlone) {
    LineBuffer b("reset\r\ncycle\r\n");
    const auto target = m_dir / "out.cmd";
    ASSERT_EQ(exportViewSim(b, target.string()), SaveResult::Ok);
    EXPECT_EQ(ReadAll(target), "| reset\r\ncycle\r\n");
    EXPECT_FALSE(b.isModified());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 1) << "no temporary left";
}

TEST_F(ExportFiles, ReplacesAnExistingFileWhole) {
    const auto target = m_dir / "out.cmd";
    std::ofstream(target) << std::string(10000, 'x');
    ASSERT_EQ(exportViewSim(LineBuffer("cycle\r\n"), target.string()), SaveResult::Ok);
    EXPECT_EQ(ReadAll(target), "cycle\r\n");
}

TEST_F(ExportFiles, AFailedSaveLeavesTheTargetUntouched) {
    EXPECT_EQ(exportViewSim(LineBuffer("cycle\r\n"), (m_dir / "no" / "such" / "x.cmd").string()),
              SaveResult::CannotCreate);
    // The target is a folder: the data is written, the rename fails, the folder stays.
    const auto folder = m_dir / "dir.cmd";
    std::filesystem::create_directory(folder);
    std::ofstream(folder / "inside") << "keep";
    EXPECT_EQ(saveFileAtomically(folder.string(), "data"), SaveResult::WriteFailed);
    EXPECT_EQ(ReadAll(folder / "inside"), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 1) << "the temporary is removed";
}

TEST_F(ExportFiles, AReplacedFileKeepsItsPermissions) {
    namespace fs = std::filesystem;
    const auto target = m_dir / "script.cmd";
    std::ofstream(target) << "old";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(saveFileAtomically(target.string(), "new"), SaveResult::Ok);
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
