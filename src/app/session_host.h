#pragma once
// Everything the session asks of its surroundings: dialogs, the run timer, view-wide refreshes and
// the clock. The GUI answers with Qt; batch runs and tests answer with scripted defaults, so the
// session never blocks on a user who is not there.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cellwatch {

enum class Answer { Ok, Yes, No, Cancel };

// What an open or save dialog asks for.
struct FileDialogRequest {
    std::string title;       // "Select circuit file", "Save command script", ...
    std::string filter;      // e.g. "CAL files (*.cal)|*.cal|All files (*.*)|*.*"
    std::string defaultExt;  // "cmd", "log", "vcd"; empty for none
    std::string startFolder; // the "Last path" setting; empty for none
    bool mustExist = false;  // open dialogs
    bool overwritePrompt = false;
};

class SessionHost {
public:
    virtual ~SessionHost() = default;

    // Message boxes with fixed texts. The answer is Ok for messageOk.
    virtual void messageOk(std::string_view text) = 0;
    virtual Answer askYesNo(std::string_view text) = 0;
    virtual Answer askYesNoCancel(std::string_view text) = 0;
    // The "LC3400DS Not Found!" warning; returns whether "Do not show this warning again" was ticked.
    virtual bool boardNotFound(std::string_view title, std::string_view text,
                               std::string_view checkBoxText) = 0;

    // Path chosen in an open or save dialog; nullopt when cancelled.
    virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& request) = 0;

    // A one-line text dialog ("Enter name for new component", "Component name:"), opened with the
    // initial text; nullopt when cancelled. The session checks the answer and asks again.
    virtual std::optional<std::string> askText(std::string_view title, std::string_view label,
                                               std::string_view initial) {
        (void)title;
        (void)label;
        (void)initial;
        return std::nullopt;
    }

    virtual void beep() = 0;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;

    // The run timer (id 1): ticks call the session's OnRunTimer until killed.
    virtual void startRunTimer(int periodMs) = 0;
    virtual void killRunTimer() = 0;

    virtual void updateAllViews() = 0;
    // Opens a result log view when none is open.
    virtual void openResultLogView() = 0;
    // Splits the result log frame before a run.
    virtual void splitLogFrame() = 0;
    // Ends the application with that exit status (batch runs).
    virtual void quit(int exitCode) = 0;

    // The session was saved under a new path: the recent-file list and the window title follow it.
    virtual void scriptSaved(std::string_view path) { (void)path; }
    // The session is closing: the application forgets it and closes its view frames.
    virtual void sessionClosing() {}

    // A monotonic clock in nanoseconds: the run timer's ticks are measured against it. Tests give
    // a clock of their own so that how many cycles a tick does never depends on the machine.
    virtual std::int64_t monotonicNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // Local date and time in the 24-character form "Mon Dec 07 23:20:00 2026".
    virtual std::string localDate() = 0;
    // A private folder for this process's scratch files (the trace cache).
    virtual std::string scratchFolder() = 0;
};

} // namespace cellwatch
