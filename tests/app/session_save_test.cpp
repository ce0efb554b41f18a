// Saving the command script and the prompts around closing.

#include "session_fixture.h"

#include "common/file_text.h"
#include "script/section_rewriter.h"

namespace cellwatch {
namespace {

TEST_F(SessionTest, SaveScriptFromSymbolAsksOnlyTheFirstTime) {
    std::filesystem::copy_file(AppData("design.sym"), scratch / "design.sym");
    host->paths.push_back(AppData("design.cal"));
    CWizDoc& d = make();
    ASSERT_TRUE(d.OpenSession((scratch / "design.sym").string()));
    d.setCmdView(&scriptView);
    GenerateInitialScript(scriptView.text, *d.symbolPath(), *d.calPath(), host->localDate(), {}, {});
    scriptView.text.insertAt(0, "| edited\r\n");

    const std::string target = (scratch / "design.cmd").string();
    host->paths.push_back(target);
    ASSERT_TRUE(d.SaveScript());
    ASSERT_TRUE(d.SaveScript());
    EXPECT_EQ(host->dialogs.size(), 2u); // the circuit file, then the script name once
    EXPECT_EQ(host->dialogs[1].title, "Save command script");
    EXPECT_EQ(host->dialogs[1].defaultExt, "cmd");
    EXPECT_FALSE(scriptView.text.isModified());
    std::string text;
    ASSERT_TRUE(readFileText(target, text));
    EXPECT_EQ(text, bufferText(scriptView.text));
    EXPECT_EQ(text.substr(0, 10), "| edited\r\n");
    EXPECT_EQ(host->saved, (std::vector<std::string>{target, target}));
}

TEST_F(SessionTest, SaveFailuresKeepTheTargetAndSayWhy) {
    CWizDoc& d = openBatch("basic.cmd");
    d.scriptBuffer()->insertAt(0, "| change\r\n");
    const std::filesystem::path locked = scratch / "no_such_folder";
    host->paths.push_back((locked / "x.cmd").string());
    EXPECT_FALSE(d.SaveScriptAs());
    EXPECT_EQ(host->messages, (std::vector<std::string>{"Failed to create new file!"}));
    EXPECT_EQ(*d.scriptPath(), (locked / "x.cmd").string());
    EXPECT_FALSE(d.SaveScript());
    EXPECT_EQ(host->messages.back(), "-Failed to create new file!");
    EXPECT_TRUE(d.scriptBuffer()->isModified());
    EXPECT_FALSE(std::filesystem::exists(locked / "x.cmd"));
}

TEST_F(SessionTest, SaveAsRenamesAndMarksTheTitle) {
    CWizDoc& d = openBatch("basic.cmd");
    scriptView.text.insertAt(0, bufferText(*d.scriptBuffer()));
    d.setCmdView(&scriptView);
    host->paths.push_back((scratch / "renamed.cmd").string());
    ASSERT_TRUE(d.SaveScriptAs());
    EXPECT_EQ(*d.scriptPath(), (scratch / "renamed.cmd").string());
    EXPECT_TRUE(d.titleChanged());
    EXPECT_FALSE(scriptView.text.isModified());
    EXPECT_EQ(views.calls, (std::vector<std::string>{"script:title"}));
    EXPECT_EQ(host->viewUpdates, 1);
}

TEST_F(SessionTest, ConfirmCloseAnswers) {
    CWizDoc& d = openBatch("basic.cmd");
    EXPECT_TRUE(d.ConfirmClose());
    EXPECT_TRUE(host->questions.empty());

    d.scriptBuffer()->insertAt(0, "| change\r\n");
    host->answers = {Answer::Cancel, Answer::No};
    EXPECT_FALSE(d.ConfirmClose());
    EXPECT_EQ(host->questions[0], "Command script has been modified. Do you wish to save before closing?");
    EXPECT_TRUE(d.ConfirmClose());

    d.CloseSession();
    EXPECT_TRUE(d.isClosing());
    EXPECT_EQ(host->closings, 1);
}

TEST_F(SessionTest, ConfirmCloseSavesOnYesAndStaysOpenWhenThatSaveIsCancelled) {
    for (const char* name : {"basic.cmd", "design.sym", "design.cal"})
        std::filesystem::copy_file(AppData(name), scratch / name);
    CWizDoc& d = make();
    ASSERT_TRUE(d.OpenSession((scratch / "basic.cmd").string()));
    ASSERT_TRUE(d.UseOwnScript());
    d.scriptBuffer()->insertAt(0, "| change\r\n");
    host->answers = {Answer::Yes};
    EXPECT_TRUE(d.ConfirmClose());
    EXPECT_FALSE(d.scriptBuffer()->isModified());
    std::string text;
    ASSERT_TRUE(readFileText((scratch / "basic.cmd").string(), text));
    EXPECT_EQ(text.substr(0, 10), "| change\r\n");

    // A session opened from a symbol table has no script file yet: Yes asks for a name.
    host->paths = {(scratch / "design.cal").string()};
    CWizDoc& s = make();
    ASSERT_TRUE(s.OpenSession((scratch / "design.sym").string()));
    ASSERT_TRUE(s.UseOwnScript());
    s.scriptBuffer()->insertAt(0, "| again\r\n");
    host->answers = {Answer::Yes};
    EXPECT_FALSE(s.ConfirmClose());
    EXPECT_EQ(host->dialogs.back().title, "Save command script");
}

TEST_F(SessionTest, DestructionEmptiesTheTraceViewAndRemovesTheCache) {
    std::string cache;
    {
        CWizDoc& d = openBatch("basic.cmd");
        d.setTraceView(&list);
        d.ParseScript();
        cache = d.traceStore().cachePath();
        EXPECT_EQ(cache.rfind(scratch.string(), 0), 0u); // inside the host's private folder
        doc.reset();
    }
    EXPECT_EQ(views.calls.back(), "trace:clear");
    EXPECT_FALSE(std::filesystem::exists(cache));
}

} // namespace
} // namespace cellwatch
