#pragma once
// A SessionHost whose dialogs answer from queues the test fills, and which records every message,
// dialog and notification in order.

#include "app/session_host.h"

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cellwatch {

class FakeHost final : public SessionHost {
public:
    explicit FakeHost(std::string scratch) : m_scratch(std::move(scratch)) {}

    void messageOk(std::string_view text) override { messages.emplace_back(text); }
    Answer askYesNo(std::string_view text) override { return answer(text); }
    Answer askYesNoCancel(std::string_view text) override { return answer(text); }
    bool boardNotFound(std::string_view title, std::string_view text, std::string_view box) override {
        notFound.push_back(std::string(title) + "|" + std::string(text) + "|" + std::string(box));
        return tickDontWarn;
    }
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        return path();
    }
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        return path();
    }
    std::optional<std::string> askText(std::string_view, std::string_view,
                                       std::string_view initial) override {
        textPrompts.emplace_back(initial);
        if (texts.empty())
            return std::nullopt;
        auto t = texts.front();
        texts.pop_front();
        return t;
    }
    void beep() override { ++beeps; }
    void beginWaitCursor() override { ++waitDepth; }
    void endWaitCursor() override { --waitDepth; }
    void startRunTimer(int period) override {
        timerActive = true;
        timerPeriod = period;
        ++timerStarts;
    }
    void killRunTimer() override { timerActive = false; }
    // A clock that moves on by clockStepNs at every read: how much a tick does depends on the
    // number of reads, never on the machine.
    std::int64_t monotonicNs() override {
        clockNs += clockStepNs;
        ++clockReads;
        return clockNs;
    }
    void updateAllViews() override { ++viewUpdates; }
    void openResultLogView() override { ++logViewsOpened; }
    void splitLogFrame() override {}
    void quit(int code) override { exitCode = code; }
    std::string localDate() override { return "Mon Jan 01 00:00:00 2024"; }
    std::string scratchFolder() override { return m_scratch; }
    void scriptSaved(std::string_view p) override { saved.emplace_back(p); }
    void sessionClosing() override { ++closings; }

    std::deque<Answer> answers;                   // for askYesNo / askYesNoCancel
    std::deque<std::optional<std::string>> paths; // for file dialogs; empty = cancel
    std::deque<std::optional<std::string>> texts; // for askText
    bool tickDontWarn = false;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> notFound;
    std::vector<FileDialogRequest> dialogs;
    std::vector<std::string> textPrompts;
    std::vector<std::string> saved;
    bool timerActive = false;
    std::int64_t clockNs = 0;
    std::int64_t clockStepNs = 1'000'000;
    int clockReads = 0;
    int timerPeriod = -1, timerStarts = 0;
    int beeps = 0, waitDepth = 0, viewUpdates = 0, logViewsOpened = 0, closings = 0, exitCode = -1;

private:
    Answer answer(std::string_view text) {
        questions.emplace_back(text);
        if (answers.empty())
            return Answer::Cancel;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> path() {
        if (paths.empty())
            return std::nullopt;
        auto p = paths.front();
        paths.pop_front();
        return p;
    }
    std::string m_scratch;
};

} // namespace cellwatch
