#pragma once
// The cellwatch program started as a process in a test's folder, with settings, home and cache
// pointed into that folder so the user's own files are never touched.

#include "batch_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cellwatch::test {

struct ProgramResult {
    int status = -1; // the exit status; -1 when a signal ended the process
    int signal = 0;  // the signal that ended it
    std::string out;
    std::string err;
};

class ProgramProcessTest : public BatchFolderTest {
protected:
    void SetUp() override {
        BatchFolderTest::SetUp();
        std::filesystem::create_directories(dir / "home");
        std::filesystem::create_directories(dir / "cache");
    }

    // Starts the program with args in the test folder; settings names the settings file
    // (CELLWATCH_SETTINGS), "settings.ini" in the folder when empty.
    pid_t start(const std::vector<std::string>& args, const std::string& tag, std::string settings = {}) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            bool keep = true;
            // No display either: a batch run must not need one, and a run without -run must not open a
            // window on the tester's screen.
            for (const char* drop : {"CELLWATCH_", "HOME=", "XDG_CACHE_HOME=", "XDG_CONFIG_HOME=", "DISPLAY=",
                                     "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="})
                keep = keep && !entry.starts_with(drop);
            if (keep)
                env.push_back(entry);
        }
        env.push_back("CELLWATCH_SETTINGS=" + (settings.empty() ? path("settings.ini") : settings));
        env.push_back("HOME=" + path("home"));
        env.push_back("XDG_CACHE_HOME=" + path("cache"));
        env.push_back("XDG_CONFIG_HOME=" + path("home/.config"));
        env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());

        std::vector<std::string> argv = {CELLWATCH_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp, envp;
        for (auto& a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, path(tag + ".out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, path(tag + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0);
        return pid;
    }
    ProgramResult finish(pid_t pid, const std::string& tag) {
        ProgramResult r;
        int status = 0;
        if (waitpid(pid, &status, 0) == pid) {
            if (WIFEXITED(status))
                r.status = WEXITSTATUS(status);
            else if (WIFSIGNALED(status))
                r.signal = WTERMSIG(status);
        }
        r.out = ReadText(dir / (tag + ".out"));
        r.err = ReadText(dir / (tag + ".err"));
        std::filesystem::remove(dir / (tag + ".out"));
        std::filesystem::remove(dir / (tag + ".err"));
        return r;
    }
    // More NAME=VALUE entries for the processes this test starts (a display for the window).
    std::vector<std::string> extraEnvironment;

    ProgramResult run(const std::vector<std::string>& args, std::string settings = {}) {
        return finish(start(args, "run", std::move(settings)), "run");
    }
};

} // namespace cellwatch::test
