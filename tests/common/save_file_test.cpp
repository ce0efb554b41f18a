// A whole file saved at once: written new, replaced whole, and on failure a reason that names the
// file while the target stays as it was and no temporary file is left.
#include "common/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace cellwatch {
namespace {

namespace fs = std::filesystem;

class SaveFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / ("cellwatch_save_" + std::string(info->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string pathOf(const char* name) const { return (dir / name).string(); }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return "<unreadable>";
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path dir;
};

TEST_F(SaveFileTest, WritesNewFileAndReplacesOldOne) {
    const std::string path = pathOf("run.log");
    std::string bytes("line one\r\nline two\r\n");
    bytes += '\0';
    bytes += "\xFF";
    std::string reason;
    ASSERT_EQ(saveFileAtomically(path, bytes, &reason), SaveResult::Ok) << reason;
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(contents(path), bytes);

    ASSERT_EQ(saveFileAtomically(path, "short", &reason), SaveResult::Ok) << reason;
    EXPECT_EQ(contents(path), "short");
    ASSERT_EQ(saveFileAtomically(path, "", &reason), SaveResult::Ok) << reason;
    EXPECT_EQ(contents(path), "");
    // No temporary file is left beside the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(SaveFileTest, FailureNamesTheFileAndLeavesNothingBehind) {
    const std::string path = pathOf("missing-folder/out.vcd");
    std::string reason;
    EXPECT_NE(saveFileAtomically(path, "data", &reason), SaveResult::Ok);
    EXPECT_NE(reason.find(path), std::string::npos) << reason;
    EXPECT_EQ(saveFileAtomically("", "data", &reason), SaveResult::CannotCreate);
    EXPECT_EQ(reason, "Cannot save: no file name.");
    // A folder in the target's place is not replaced.
    fs::create_directory(dir / "taken");
    EXPECT_NE(saveFileAtomically(pathOf("taken"), "data", &reason), SaveResult::Ok);
    EXPECT_NE(reason.find(pathOf("taken")), std::string::npos) << reason;
    EXPECT_TRUE(fs::is_directory(dir / "taken"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

} // namespace
} // namespace cellwatch
