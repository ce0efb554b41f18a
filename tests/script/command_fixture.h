#pragma once
// The fixture the command tests share: a fake session over the bench design of tests/data/script.

#include "fake_script_session.h"
#include "script/command_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace cellwatch {

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.loaded());
        s.scriptFolder = CELLWATCH_TEST_DATA "/script";
    }

    std::unique_ptr<ScriptCommand> compile(const std::string& line) { return dispatchCommand(s, line); }

    // Compiles a line that must log nothing and make no step.
    void declare(const std::string& line) {
        const std::size_t before = s.log.size();
        EXPECT_EQ(compile(line), nullptr) << line;
        EXPECT_EQ(s.log.size(), before) << line << " logged " << s.lastLine();
    }

    FakeScriptSession s{ReadWholeTestFile(CELLWATCH_TEST_DATA "/script/bench.sym")};
};

using Lines = std::vector<std::string>;

} // namespace cellwatch
