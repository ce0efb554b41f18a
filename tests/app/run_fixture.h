#pragma once
// Runs over the example designs on an emulated board the test can inspect: scripts are written
// into the test's scratch folder and name the examples by absolute path.

#include "board/emulator/emulated_board.h"
#include "board/emulator/emulated_channel.h"
#include "session_fixture.h"

#include <fstream>
#include <sstream>

namespace cellwatch {

class RunTest : public SessionTest {
protected:
    static std::string Example(const std::string& name) {
        return std::string(CELLWATCH_SOURCE_DIR) + "/examples/" + name;
    }

    // A script for the example design: header lines, then body (lines end with \n).
    std::string writeScript(const std::string& design, const std::string& body,
                            const std::string& name = "run.cmd") {
        const std::string path = (scratch / name).string();
        std::ofstream out(path, std::ios::binary);
        out << "|GRT_SYMBOL_TABLE \"" << Example(design + ".sym") << "\"\n\n"
            << "loadcal \"" << Example(design + ".cal") << "\"\n"
            << body;
        return path;
    }

    // Opens the script with the session's own buffer on a fresh emulated board.
    CWizDoc& open(const std::string& path, int cells = 64) {
        make();
        auto channel = makeEmulatedChannel(cells);
        board = emulatedBoardOf(*channel);
        doc->setBoardChannel(std::move(channel));
        EXPECT_TRUE(doc->OpenSession(path));
        EXPECT_TRUE(doc->UseOwnScript());
        return *doc;
    }

    // Ticks the run timer while it runs; returns the number of ticks.
    int tick(int limit = 100000) {
        int ticks = 0;
        while (host->timerActive && ticks < limit) {
            doc->OnRunTimer(1);
            ++ticks;
        }
        return ticks;
    }

    // A batch run to its end; the log goes to the scratch folder.
    void runBatch(const std::string& path) {
        open(path);
        doc->setBatchLogPath(logPath());
        ASSERT_TRUE(doc->StartRun(RunMode::Batch));
        doc->RunCommands();
        tick();
    }

    std::string logPath() const { return (scratch / "run.log").string(); }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The log as the walk gives it, one string per line.
    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        doc->WalkLog([&](std::string_view t) { lines.emplace_back(t); });
        return lines;
    }

    std::string logText() {
        std::string all;
        for (const std::string& l : logLines())
            all += l + "\n";
        return all;
    }

    EmulatedBoard* board = nullptr;
};

} // namespace cellwatch
