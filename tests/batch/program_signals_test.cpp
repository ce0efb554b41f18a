// A batch run cut short by SIGINT or SIGTERM: it ends with 130 or 143 and leaves neither its
// scratch folder nor temporary files behind.
#include "../common/device_targets.h"
#include "program_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

namespace cellwatch {
namespace {

namespace fs = std::filesystem;

class ProgramSignalsTest : public test::ProgramProcessTest {
protected:
    // The run's private folder with its cache, once the run has made it.
    bool scratchExists() const {
        std::error_code error;
        for (fs::recursive_directory_iterator it(dir / "cache", error), end; !error && it != end;
             it.increment(error))
            if (it->path().filename() == "cache.dat")
                return true;
        return false;
    }
    // Processor time the process has used, which grows only while it runs its cycles.
    static double cpuSeconds(pid_t pid) {
        const std::string stat = test::ReadText("/proc/" + std::to_string(pid) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14)
                ticks += std::stol(field); // utime and stime
        return double(ticks) / double(::sysconf(_SC_CLK_TCK));
    }
    // What a run leaves behind: private folders, temporary files of saves.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("run-") || name.ends_with(".tmp") || name == "cache.dat")
                found.push_back(entry.path().string());
        }
        return found;
    }
};

TEST_F(ProgramSignalsTest, InterruptAndTerminateEndTheRunWithNothingLeftBehind) {
    write("long.cmd", test::Counter8Script("cycle 100000000\ncheck count 0\\h\n"));
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        const pid_t pid = start({"-run", "-vcd=out.vcd", "-junit=report.xml", "long.cmd"}, "long");
        // Well into the cycles: its cache exists and it has been busy for a while.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(scratchExists() && cpuSeconds(pid) >= 0.3) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(scratchExists());
        ASSERT_GE(cpuSeconds(pid), 0.3);
        ::kill(pid, signal);
        const test::ProgramResult r = finish(pid, "long");
        EXPECT_EQ(r.signal, 0) << "ended by the signal's default action";
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(dir / "out.vcd"));
    }
}

TEST_F(ProgramSignalsTest, HangUpAndQuitEndTheRunLikeAnInterrupt) {
    // What a run over SSH gets when the connection drops, and what Ctrl+\\ sends.
    write("long.cmd", test::Counter8Script("cycle 100000000\ncheck count 0\\h\n"));
    for (const auto& [signal, status] : {std::pair{SIGHUP, 129}, std::pair{SIGQUIT, 131}}) {
        SCOPED_TRACE(signal);
        const pid_t pid = start({"-run", "-vcd=out.vcd", "long.cmd"}, "long");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(scratchExists() && cpuSeconds(pid) >= 0.3) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(scratchExists());
        ::kill(pid, signal);
        const test::ProgramResult r = finish(pid, "long");
        EXPECT_EQ(r.signal, 0) << "ended by the signal's default action";
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(dir / "out.vcd"));
    }
}

TEST_F(ProgramSignalsTest, KilledRunsPrivateSettingsFolderIsSweptByTheNext) {
    // A settings FIFO makes the run keep its settings in a private folder of the temporary folder.
    fs::create_directories(dir / "tmp");
    ::setenv("TMPDIR", path("tmp").c_str(), 1);
    ASSERT_EQ(::mkfifo((dir / "settings.fifo").c_str(), 0600), 0);
    write("long.cmd", test::Counter8Script("cycle 100000000\n"));
    const pid_t pid = start({"-run", "long.cmd"}, "long", path("settings.fifo"));
    const auto privateFolders = [this] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir / "tmp"))
            if (entry.path().filename().string().starts_with("cellwatch-settings-"))
                found.push_back(entry.path().string());
        return found;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(scratchExists() && !privateFolders().empty()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(privateFolders().size(), 1u);
    ::kill(pid, SIGKILL);
    finish(pid, "long");
    ASSERT_EQ(privateFolders().size(), 1u) << "a killed run cannot clean up";
    // A link that looks like one leads elsewhere and is left alone.
    fs::create_directories(dir / "elsewhere");
    write("elsewhere/settings.ini", "[Environment]\n");
    fs::create_symlink(dir / "elsewhere", dir / "tmp" / "cellwatch-settings-999999-abcdef");

    test::FifoReader reader(dir / "next.fifo");
    const test::ProgramResult r = run({"-run", "counter8.cmd"}, path("next.fifo"));
    ::unsetenv("TMPDIR");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(privateFolders(),
              std::vector<std::string>{(dir / "tmp" / "cellwatch-settings-999999-abcdef").string()});
    EXPECT_TRUE(fs::exists(dir / "elsewhere" / "settings.ini"));
}

} // namespace
} // namespace cellwatch
