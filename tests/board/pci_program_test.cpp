// The program run as a process with `-board=pci:FOLDER` over fake device folders: a board that cannot
// be used stops the run with status 2, and standard error says which file failed and why.
#include "fake_pci_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace cellwatch {
namespace {

struct Result {
    int status = -1;
    int signal = 0; // the signal that ended the process, if one did
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

    // Starts the program in the work folder, with settings, home and cache inside it.
    pid_t start(const std::string& board, const std::string& script = "counter8.cmd") {
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
        std::vector<std::string> args = {CELLWATCH_PROGRAM, "-run", "-board=" + board, script};
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
        EXPECT_EQ(rc, 0);
        return rc == 0 ? pid : -1;
    }
    Result finish(pid_t pid) {
        Result r;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid) {
            if (WIFEXITED(status))
                r.status = WEXITSTATUS(status);
            else if (WIFSIGNALED(status))
                r.signal = WTERMSIG(status);
        }
        r.err = readText(dir / "run.err");
        return r;
    }
    Result run(const std::string& board) { return finish(start(board)); }

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

TEST_F(PciProgram, WindowThatShrinksDuringTheRunEndsItWithItsReasonAndNothingLeft) {
    test::FakePciFolder fake;
    std::string script = readText(dir / "counter8.cmd");
    const std::size_t cycles = script.find("cycle 250");
    ASSERT_NE(cycles, std::string::npos);
    script.replace(cycles, 9, "cycle 100000000");
    std::ofstream(dir / "long.cmd", std::ios::binary) << script;

    const pid_t pid = start("pci:" + fake.path(), "long.cmd");
    // Well into its cycles: the log it writes while it runs has grown (the trace cache can exist
    // before the board is mapped). The run could not end by itself for minutes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto cycling = [this] {
        std::error_code error;
        for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (!name.starts_with(".long.cmd.log.") || !name.ends_with(".tmp"))
                continue;
            std::error_code sizeError;
            const auto size = std::filesystem::file_size(it->path(), sizeError);
            if (!sizeError && size > 256 * 1024)
                return true;
        }
        return false;
    };
    while (!cycling() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(cycling());
    fake.sizeFile("resource0", 0);

    const Result r = finish(pid);
    EXPECT_EQ(r.signal, 0) << "ended by signal " << r.signal;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("cellwatch: " + fake.path() + "/resource0 shrank to 0 bytes during the run\n"),
              std::string::npos)
        << r.err;
    const std::string log = readText(dir / "long.cmd.log");
    EXPECT_NE(log.find("ERROR: The board stopped answering: " + fake.path() + "/resource0 shrank to 0 bytes"),
              std::string::npos)
        << log.substr(0, 2000);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with("run-") || name.ends_with(".tmp") || name == "cache.dat")
            << entry.path();
    }
}

} // namespace
} // namespace cellwatch
