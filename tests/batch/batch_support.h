#pragma once
// A private folder per test with copies of the example designs, and small file helpers.

#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cellwatch::test {

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The counter8 example's script with its checks replaced by body (its declarations stay).
inline std::string Counter8Script(const std::string& body) {
    return "|GRT_SYMBOL_TABLE \"counter8.sym\"\n"
           "|GRT_VECTOR_BEGIN\n"
           "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 counter8\\q2 "
           "counter8\\q1 counter8\\q0\n"
           "|GRT_VECTOR_END\n"
           "|GRT_TRACE_BEGIN\n"
           "trace count\n"
           "|GRT_TRACE_END\n"
           "setclockreg counter8\\clk\n"
           "setclockmode reg_out\n"
           "loadcal \"counter8.cal\"\n"
           "radix hex count\n"
           "clearall\n" +
           body;
}

class BatchFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::path(::testing::TempDir()) /
              ("cellwatch_batch_" + std::string(info->test_suite_name()) + "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "scratch");
        for (const char* name :
             {"counter8.cmd", "counter8.sym", "counter8.cal", "lfsr4.cmd", "lfsr4.sym", "lfsr4.cal"})
            std::filesystem::copy_file(std::filesystem::path(CELLWATCH_SOURCE_DIR) / "examples" / name,
                                       dir / name);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        WriteText(dir / name, text);
        return path(name);
    }

    std::filesystem::path dir;
};

// Runs the batch path in this process over the test's folder, collecting what it says.
class BatchRunTestBase : public BatchFolderTest {
protected:
    int run(BatchOptions options) {
        BatchHost host([this](std::string_view text) { errors += text; }, [this] { return path("scratch"); },
                       [] { return std::string("Mon Jan 01 00:00:00 2024"); });
        return runBatch(options, host, settings);
    }

    MemorySettings settings;
    std::string errors;
};

} // namespace cellwatch::test
