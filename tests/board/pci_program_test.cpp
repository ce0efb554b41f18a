// The program run as a process with `-board=pci:FOLDER` over fake device folders: a board that cannot
// be used stops the run with status 2, and standard error says which file failed and why.
#include "fake_pci_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace cellwatch {
namespace {

struct Result {
    int status = -1;
    std::string err;
};

std::string readText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PciProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = work.path();
        for (const char* ext : {".cmd", ".sym", ".cal"})
            std::filesystem::copy_file(std::string(CELLWATCH_SOURCE_DIR "/examples/counter8") + ext,
                                       dir / (std::string("counter8") + ext));
        std::filesystem::create_directories(dir / "home");
        std::filesystem::create_directories(dir / "cache");
    }

    // Runs the program in the work folder, with settings, home and cache inside it.
    Result run(const std::string& board) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (!entry.starts_with("CELLWATCH_") && !entry.starts_with("HOME=") &&
                !entry.starts_with("XDG_CACHE_HOME=") && !entry.starts_with("XDG_CONFIG_HOME="))
                env.push_back(entry);
        }
        env.push_back("CELLWATCH_SETTINGS=" + (dir / "settings.ini").string());
        env.push_back("HOME=" + (dir / "home").string());
        env.push_back("XDG_CACHE_HOME=" + (dir / "cache").string());
        env.push_back("XDG_CONFIG_HOME=" + (dir / "home/.config").string());
        std::vector<std::string> args = {CELLWATCH_PROGRAM, "-run", "-board=" + board, "counter8.cmd"};
        std::vector<char*> argp, envp;
        for (auto& a : args)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        const std::string errPath = (dir / "run.err").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        Result r;
        EXPECT_EQ(rc, 0);
        int status = 0;
        if (rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            r.status = WEXITSTATUS(status);
        r.err = readText(errPath);
        return r;
    }

    test::TempDir work;
    std::filesystem::path dir;
};

TEST_F(PciProgram, MissingFolderFollowsTheNotFoundWarningWithItsReason) {
    const std::string folder = (dir / "0000:03:00.0").string();
    const Result r = run("pci:" + folder);
    EXPECT_EQ(r.status, 2) << r.err;
    const std::string warning = "cellwatch: LC3400DS Not Found! Cellwatch was unable to find the LC3400DS device "
                                "driver. You will not be able to execute any tests without one.\n";
    const std::string reason = "cellwatch: " + folder + ": No such file or directory\n";
    EXPECT_NE(r.err.find(warning + reason), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(reason), r.err.rfind(reason)) << "said once: " << r.err;
}

TEST_F(PciProgram, UnusableRegionGivesInitialisationFailedAndWhy) {
    test::FakePciFolder fake;
    fake.sizeFile("resource0", 0x1000);
    const Result r = run("pci:" + fake.path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("cellwatch: Device Driver initialisation failed.\ncellwatch: " + fake.path() +
                         "/resource0: the region is 4096 bytes, the memory window needs 16777216\n"),
              std::string::npos)
        << r.err;
}

TEST_F(PciProgram, UsableFolderLetsTheRunStart) {
    // The fake's window is plain memory, so the counter does not count: the run starts and ends with
    // failed checks, not with "cannot start".
    test::FakePciFolder fake;
    const Result r = run("pci:" + fake.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.find(fake.path()), std::string::npos) << r.err;
    // The CAL file went through the window into the region.
    bool written = false;
    for (std::uint64_t a = 0; a < 0x4000 && !written; ++a)
        written = fake.word("resource0", 0x800000 + 4 * a) != 0;
    EXPECT_TRUE(written);
}

} // namespace
} // namespace cellwatch
