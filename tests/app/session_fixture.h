#pragma once
// A session over the fake host and in-memory settings, with a private scratch folder per test and
// helpers to open the test scripts.

#include "app/cwiz_doc.h"
#include "fake_host.h"
#include "fake_views.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

namespace cellwatch {

// The compiled command at that place in the session's list.
inline const ScriptCommand& CommandAt(const CWizDoc& doc, std::size_t index) {
    return **std::next(doc.commandList().begin(), static_cast<std::ptrdiff_t>(index));
}

inline std::string AppData(const std::string& name) {
    return std::string(CELLWATCH_TEST_DATA) + "/app/" + name;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        scratch = std::filesystem::path(::testing::TempDir()) /
                  ("cellwatch_app_" + std::string(info->test_suite_name()) + "_" + info->name());
        std::filesystem::remove_all(scratch);
        std::filesystem::create_directories(scratch);
        host = std::make_unique<FakeHost>(scratch.string());
    }
    void TearDown() override {
        doc.reset();
        std::filesystem::remove_all(scratch);
    }

    CWizDoc& make(const std::string& board = "emulator") {
        doc = std::make_unique<CWizDoc>(*host, settings, board);
        return *doc;
    }
    // Opens a test script in batch style (the session's own script buffer).
    CWizDoc& openBatch(const std::string& name, const std::string& board = "emulator") {
        make(board);
        EXPECT_TRUE(doc->OpenSession(AppData(name)));
        EXPECT_TRUE(doc->UseOwnScript());
        return *doc;
    }
    std::vector<std::string> commandKinds() const {
        std::vector<std::string> kinds;
        for (const auto& c : doc->commandList())
            kinds.push_back(std::to_string(static_cast<int>(c->kind)) +
                            (c->text.empty() ? "" : " " + c->text));
        return kinds;
    }
    std::vector<std::string> traceNames() const {
        std::vector<std::string> names;
        for (const auto& t : doc->traceList())
            names.push_back(t.element->fullName);
        return names;
    }

    // Declared before the session so that they outlive it.
    ViewLog views;
    FakeHierarchyView tree{views};
    FakeTraceView list{views};
    FakeLogView logView{views};
    FakeScriptView scriptView{views};

    std::filesystem::path scratch;
    MemorySettings settings;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<CWizDoc> doc;
};

} // namespace cellwatch
