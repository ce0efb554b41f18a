// Saves to targets that are not plain files, the temporary files a killed save leaves, and what a
// signal removes. Every target is made in the test's own folder.
#include "common/atomic_file.h"
#include "common/termination_cleanup.h"
#include "device_targets.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace cellwatch {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) /
              ("cellwatch_common_" + std::string(info->test_suite_name()) + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    // Names in the folder, hidden ones included: a left temporary file shows here.
    static std::set<std::string> names(const fs::path& folder) {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.insert(entry.path().filename().string());
        return found;
    }

    fs::path dir;
};

TEST_F(AtomicFileTest, ALargeFileSentToTheDiskWhileWrittenArrivesWhole) {
    // Pieces of uneven sizes, past several of the stretches that go to the disk early; with and
    // without a thread flushing them meanwhile, and dropped half way.
    const auto writeLarge = [this](const std::string& name, bool background, std::size_t bytes) {
        std::string expected;
        auto file = std::make_unique<AtomicFile>();
        EXPECT_TRUE(file->open(path(name)));
        if (background)
            file->flushInBackground();
        std::uint32_t seed = 7;
        for (int piece = 0; expected.size() < bytes; ++piece) {
            std::string text(static_cast<std::size_t>(1 + (piece * 7919) % (3 << 20)), '\0');
            for (char& c : text) {
                seed = seed * 1664525u + 1013904223u;
                c = static_cast<char>('a' + (seed >> 27));
            }
            EXPECT_TRUE(file->write(text.data(), text.size()));
            expected += text;
        }
        return std::make_pair(std::move(file), expected);
    };
    for (const bool background : {false, true}) {
        auto [file, expected] = writeLarge("large.log", background, std::size_t{27} << 20);
        ASSERT_TRUE(file->commit());
        EXPECT_TRUE(read(dir / "large.log") == expected);
        EXPECT_EQ(names(dir), std::set<std::string>{"large.log"});
    }
    const auto before = fs::file_size(dir / "large.log");
    writeLarge("large.log", true, std::size_t{20} << 20).first.reset();
    EXPECT_EQ(names(dir), std::set<std::string>{"large.log"});
    EXPECT_EQ(fs::file_size(dir / "large.log"), before) << "the file it would have replaced stays as it was";

    // Replacing a file that has another name leaves that name holding the old content; nothing
    // else is left in the folder once the commit returns.
    fs::create_hard_link(dir / "large.log", dir / "old.log");
    auto [file, expected] = writeLarge("large.log", true, std::size_t{18} << 20);
    ASSERT_TRUE(file->commit());
    EXPECT_TRUE(read(dir / "large.log") == expected);
    EXPECT_EQ(fs::file_size(dir / "old.log"), before);
    EXPECT_EQ(names(dir), (std::set<std::string>{"large.log", "old.log"}));
}

TEST_F(AtomicFileTest, LinksAreFollowedToTheFileTheyNameAndStayLinks) {
    // out -> sub/hop -> ../real.txt: relative targets are read from each link's own folder.
    write("real.txt", "old");
    fs::permissions(dir / "real.txt", fs::perms(0640));
    fs::create_directories(dir / "sub");
    fs::create_symlink("../real.txt", dir / "sub" / "hop");
    fs::create_symlink("sub/hop", dir / "out");
    ASSERT_EQ(saveFileAtomically(path("out"), "new bytes\r\n"), SaveResult::Ok);
    EXPECT_TRUE(test::IsLinkTo(dir / "out", "sub/hop"));
    EXPECT_TRUE(test::IsLinkTo(dir / "sub" / "hop", "../real.txt"));
    EXPECT_EQ(read(dir / "real.txt"), "new bytes\r\n");
    EXPECT_EQ(fs::status(dir / "real.txt").permissions(), fs::perms(0640));
    EXPECT_EQ(names(dir), (std::set<std::string>{"out", "real.txt", "sub"}));
    EXPECT_EQ(names(dir / "sub"), std::set<std::string>{"hop"});

    // A dangling link makes the file it names.
    fs::create_symlink(dir / "sub" / "made.txt", dir / "dangling");
    ASSERT_EQ(saveFileAtomically(path("dangling"), "made"), SaveResult::Ok);
    EXPECT_TRUE(test::IsLinkTo(dir / "dangling", dir / "sub" / "made.txt"));
    EXPECT_EQ(read(dir / "sub" / "made.txt"), "made");

    // A loop is refused, with neither link replaced.
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    AtomicFile loop;
    EXPECT_FALSE(loop.open(path("loop1")));
    EXPECT_EQ(loop.lastError(), ELOOP);
    EXPECT_TRUE(test::IsLinkTo(dir / "loop1", "loop2"));
    EXPECT_TRUE(test::IsLinkTo(dir / "loop2", "loop1"));
}

TEST_F(AtomicFileTest, DevicesAndFifosAreWrittenInPlace) {
    {
        test::FifoReader reader(dir / "fifo");
        AtomicFile file;
        ASSERT_TRUE(file.open(path("fifo")));
        EXPECT_EQ(file.tempPath(), "");
        EXPECT_TRUE(file.write("first ", 6));
        EXPECT_TRUE(file.write("second", 6));
        EXPECT_TRUE(file.commit());
        EXPECT_EQ(reader.bytes(), "first second");
    }
    EXPECT_TRUE(test::IsFifo(dir / "fifo"));
    // Nobody reading: the save fails at once instead of waiting for a reader that may never come.
    EXPECT_EQ(saveFileAtomically(path("fifo"), "lost"), SaveResult::CannotCreate);
    EXPECT_TRUE(test::IsFifo(dir / "fifo"));

    // A directory fails as it always did, and stays.
    fs::create_directories(dir / "folder");
    EXPECT_EQ(saveFileAtomically(path("folder"), "x"), SaveResult::WriteFailed);
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(names(dir), (std::set<std::string>{"fifo", "folder"}));

    if (!test::MakeNullDeviceCopy(dir / "null"))
        GTEST_SKIP() << "a device copy needs root";
    fs::create_symlink("null", dir / "null-link");
    EXPECT_EQ(saveFileAtomically(path("null"), "gone"), SaveResult::Ok);
    EXPECT_EQ(saveFileAtomically(path("null-link"), "gone"), SaveResult::Ok);
    EXPECT_TRUE(test::IsNullDeviceCopy(dir / "null"));
    EXPECT_TRUE(test::IsLinkTo(dir / "null-link", "null"));
}

TEST_F(AtomicFileTest, TemporariesOfKilledSavesGoWithTheNextSaveButThoseOfLiveOnesStay) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child); // reaped: its pid names no process now
    const std::string dead = std::to_string(child);
    const std::string live = std::to_string(::getpid());
    for (const std::string& name : {".out.log." + dead + "-1.tmp", ".out.log." + dead + "-27.tmp",
                                    ".out.log." + live + "-1.tmp", ".other.log." + dead + "-1.tmp",
                                    ".out.log." + dead + "-1.tmp.keep", ".out.log.x" + dead + "-1.tmp"})
        write(name, "partial");
    ASSERT_EQ(saveFileAtomically(path("out.log"), "complete"), SaveResult::Ok);
    EXPECT_EQ(names(dir), (std::set<std::string>{".other.log." + dead + "-1.tmp",
                                                    ".out.log." + dead + "-1.tmp.keep",
                                                    ".out.log." + live + "-1.tmp",
                                                    ".out.log.x" + dead + "-1.tmp", "out.log"}));
    EXPECT_EQ(read(dir / "out.log"), "complete");
}

// In a child process: saves in progress and a scratch folder, then the signal.
[[noreturn]] void CutShort(const fs::path& dir, int signal) {
    if (!startTerminationWatch())
        ::_exit(1);
    EXPECT_EQ(saveFileAtomically((dir / "done.txt").string(), "done"), SaveResult::Ok);
    AtomicFile first, second;
    first.open((dir / "first.txt").string());
    second.open((dir / "second.txt").string());
    first.write("partial", 7);
    createRemovable(RemovableKind::Folder, [&] {
        fs::create_directories(dir / "scratch" / "deeper");
        std::ofstream(dir / "scratch" / "deeper" / "cache.dat") << "cache";
        return (dir / "scratch").string();
    });
    ::kill(::getpid(), signal); // to the process, as kill(1) and the terminal send it
    for (;;)
        ::pause();
}

TEST_F(AtomicFileTest, SignalRemovesSavesInProgressAndScratchFoldersThenExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CutShort(dir, SIGINT), ::testing::ExitedWithCode(130), "");
    EXPECT_EQ(names(dir), std::set<std::string>{"done.txt"});
    EXPECT_EXIT(CutShort(dir, SIGTERM), ::testing::ExitedWithCode(143), "");
    EXPECT_EQ(names(dir), std::set<std::string>{"done.txt"});
    EXPECT_EQ(read(dir / "done.txt"), "done");
}

} // namespace
} // namespace cellwatch
