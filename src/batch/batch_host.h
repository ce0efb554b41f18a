#pragma once
// The SessionHost of an unattended run: nobody is there to answer, so every dialog is written to the
// error sink and gets the answer that changes no file, and the run timer is only recorded so that the
// batch runner can pump the session's ticks itself.

#include "app/session_host.h"
#include "batch/text_sink.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cellwatch {

// text with the bytes that would act on a terminal written as \xNN: C0 controls but tab and line
// feed, DEL, and the C1 controls (U+0080 to U+009F in UTF-8, and bytes 0x80 to 0x9F outside a UTF-8
// sequence). Every line a batch run writes to standard error goes through here.
std::string escapeForTerminal(std::string_view text);

class BatchHost final : public SessionHost {
public:
    // scratchFolder is asked once, when the session first needs it (it may create the folder);
    // localDate gives the 24-character date stamp.
    BatchHost(TextSink errors, std::function<std::string()> scratchFolder,
              std::function<std::string()> localDate);

    // The file being run and the -cal=PATH value (empty when not given): they answer the
    // "Select circuit file" dialog of a session opened from a .sym file.
    void setSessionFile(std::string sessionFile, std::string calFile);

    void messageOk(std::string_view text) override;
    Answer askYesNo(std::string_view text) override;
    Answer askYesNoCancel(std::string_view text) override;
    bool boardNotFound(std::string_view title, std::string_view text, std::string_view checkBoxText) override;
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;

    void beep() override {}
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void startRunTimer(int periodMs) override;
    void killRunTimer() override;
    void updateAllViews() override {}
    void openResultLogView() override {}
    void splitLogFrame() override {}
    void quit(int exitCode) override;
    std::string localDate() override;
    std::string scratchFolder() override;

    // Writes "cellwatch: <text>" and a line end to the error sink.
    void say(std::string_view text);
    const TextSink& errors() const { return m_errors; }

    bool timerActive() const { return m_timerActive; }
    int timerStarts() const { return m_timerStarts; }
    bool quitRequested() const { return m_quitRequested; }
    int exitCode() const { return m_exitCode; }
    // Every message box and question text, in order, as the user would have seen them.
    const std::vector<std::string>& messages() const { return m_messages; }
    // Why the circuit file dialog was cancelled; empty when it was answered or never asked.
    const std::string& circuitProblem() const { return m_circuitProblem; }

private:
    std::optional<std::string> chooseCircuitFile();

    TextSink m_errors;
    std::function<std::string()> m_scratchSource;
    std::function<std::string()> m_localDate;
    std::optional<std::string> m_scratch;
    std::string m_sessionFile;
    std::string m_calFile;
    std::vector<std::string> m_messages;
    std::string m_circuitProblem;
    bool m_timerActive = false;
    int m_timerStarts = 0;
    bool m_quitRequested = false;
    int m_exitCode = 0;
};

} // namespace cellwatch
