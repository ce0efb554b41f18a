// The unattended host: nothing blocks, every message reaches the error sink, and answers never
// change a file.

#include "batch/batch_host.h"

#include "batch_support.h"

#include <gtest/gtest.h>

namespace cellwatch {
namespace {

class BatchHostTest : public test::BatchFolderTest {
protected:
    BatchHost make() {
        return BatchHost([this](std::string_view text) { errors += text; },
                         [this] {
                             ++scratchAsked;
                             return path("scratch");
                         },
                         [] { return std::string("Mon Jan 01 00:00:00 2024"); });
    }
    std::string circuit(BatchHost& host) {
        FileDialogRequest request;
        request.title = "Select circuit file";
        request.mustExist = true;
        return host.openFileDialog(request).value_or("<cancelled>");
    }

    std::string errors;
    int scratchAsked = 0;
};

TEST_F(BatchHostTest, ControlsOfEveryKindAreEscapedAndOtherTextStays) {
    BatchHost host = make();
    // C0 and DEL; C1 as UTF-8 (U+009B is CSI) and as single bytes; UTF-8 text around them stays.
    host.say("a\x1b[2Jb\x7f c\xc2\x9b"
             "1m d\x9b"
             "1m \x85 é ü 中 \xc2\xa0 end");
    EXPECT_EQ(errors, "cellwatch: a\\x1b[2Jb\\x7f c\\xc2\\x9b1m d\\x9b1m \\x85 é ü 中 \xc2\xa0 end\n");
    // A lead byte cut short, and a lone continuation byte outside C1, pass as they are.
    EXPECT_EQ(escapeForTerminal("x\xc3"), "x\xc3");
    EXPECT_EQ(escapeForTerminal("\xa9\xe2\x82"), "\xa9\xe2\\x82");
}

TEST_F(BatchHostTest, QuestionsGetTheAnswerThatChangesNoFile) {
    BatchHost host = make();
    EXPECT_EQ(host.askYesNo("Currently paused session! Are you sure you wish to restart?"), Answer::No);
    EXPECT_EQ(host.askYesNoCancel("Do you wish to save command script?"), Answer::Cancel);
    FileDialogRequest save;
    save.title = "Save result log";
    EXPECT_FALSE(host.saveFileDialog(save));
    EXPECT_TRUE(
        test::Contains(errors, "cellwatch: Currently paused session! Are you sure you wish to restart?"));
    EXPECT_TRUE(test::Contains(errors, "Do you wish to save command script?"));
    EXPECT_TRUE(test::Contains(errors, "Save result log"));
    EXPECT_EQ(host.messages().size(), 3u);
}

TEST_F(BatchHostTest, BoardNotFoundIsToldButNeverSilencedForGood) {
    BatchHost host = make();
    host.messageOk("Invalid file type.");
    EXPECT_FALSE(host.boardNotFound("LC3400DS Not Found!", "Cellwatch was unable to find the driver.",
                                    "Do not show this warning again"));
    EXPECT_EQ(errors, "cellwatch: Invalid file type.\n"
                      "cellwatch: LC3400DS Not Found! Cellwatch was unable to find the driver.\n");
}

TEST_F(BatchHostTest, CircuitFileComesFromTheCalSwitchFirst) {
    BatchHost host = make();
    const std::string other = write("other.cal", "");
    host.setSessionFile(path("counter8.sym"), other);
    EXPECT_EQ(circuit(host), other);
    EXPECT_TRUE(host.circuitProblem().empty());
}

TEST_F(BatchHostTest, MissingCalSwitchFileIsNotReplacedByTheOneBesideTheSym) {
    BatchHost host = make();
    host.setSessionFile(path("counter8.sym"), path("nosuch.cal"));
    EXPECT_EQ(circuit(host), "<cancelled>");
    EXPECT_TRUE(test::Contains(host.circuitProblem(), "nosuch.cal"));
    EXPECT_TRUE(test::Contains(errors, "No circuit file"));
}

TEST_F(BatchHostTest, CircuitFileBesideTheSymUnderItsBaseName) {
    BatchHost host = make();
    host.setSessionFile(path("counter8.sym"), "");
    EXPECT_EQ(circuit(host), path("counter8.cal"));

    // A dot in a folder name is not the extension.
    std::filesystem::create_directories(dir / "v1.2");
    test::WriteText(dir / "v1.2" / "design", "");
    host.setSessionFile(path("v1.2/design"), "");
    EXPECT_EQ(circuit(host), "<cancelled>");
    EXPECT_TRUE(test::Contains(host.circuitProblem(), "v1.2/design.cal"));
}

TEST_F(BatchHostTest, NoCircuitFileCancelsAndSaysHowToGiveOne) {
    BatchHost host = make();
    std::filesystem::remove(dir / "counter8.cal");
    host.setSessionFile(path("counter8.sym"), "");
    EXPECT_EQ(circuit(host), "<cancelled>");
    EXPECT_TRUE(test::Contains(host.circuitProblem(), "-cal=PATH"));
}

TEST_F(BatchHostTest, OtherOpenDialogsAreCancelled) {
    BatchHost host = make();
    FileDialogRequest open;
    open.title = "Open file";
    EXPECT_FALSE(host.openFileDialog(open));
}

TEST_F(BatchHostTest, TimerQuitAndScratchFolderAreRecorded) {
    BatchHost host = make();
    EXPECT_FALSE(host.timerActive());
    host.startRunTimer(0);
    host.startRunTimer(0);
    EXPECT_TRUE(host.timerActive());
    EXPECT_EQ(host.timerStarts(), 2);
    host.killRunTimer();
    EXPECT_FALSE(host.timerActive());

    EXPECT_FALSE(host.quitRequested());
    host.quit(0);
    EXPECT_TRUE(host.quitRequested());
    EXPECT_EQ(host.exitCode(), 0);

    EXPECT_EQ(host.scratchFolder(), path("scratch"));
    EXPECT_EQ(host.scratchFolder(), path("scratch"));
    EXPECT_EQ(scratchAsked, 1);
    EXPECT_EQ(host.localDate().size(), 24u);
}

} // namespace
} // namespace cellwatch
