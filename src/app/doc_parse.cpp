// The parse pass: emptying the compiled state, compiling the script in its section order, and the
// checks and summary that follow.

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "script/command_table.h"
#include "script/scanning.h"
#include "script/script_file.h"

namespace cellwatch {

namespace {

constexpr std::size_t kMainPassLineLimit = 511;

// Whether cutting line at the main pass's limit loses nothing the line says: the cut part is blank, or
// is (or lies inside) a comment.
bool cutIsHarmless(const std::string& line) {
    if (line.find('|') < kMainPassLineLimit)
        return true;
    const std::size_t more = line.find_first_not_of(" \t\r", kMainPassLineLimit);
    return more == std::string::npos || line[more] == '|';
}

bool firstTokenIs(const std::string& line, std::string_view word) {
    std::string token;
    return NextToken(line, token) && toLowerAscii(token) == word;
}

} // namespace

std::unique_ptr<ScriptCommand> CWizDoc::DispatchCommand(std::string line) {
    return dispatchCommand(*this, std::move(line));
}

void CWizDoc::AppendCommand(std::unique_ptr<ScriptCommand> node) {
    if (node)
        m_commandList.push_back(std::move(node));
}

void CWizDoc::compileSection(TextBuffer& buffer, std::string_view begin, std::string_view end) {
    const int start = findMarkerLine(buffer, begin);
    if (start < 0)
        return;
    const int count = buffer.lineCount();
    for (int n = start + 1; n < count; ++n) {
        std::string line = buffer.line(n);
        if (line.empty())
            continue;
        if (line.front() == '|') {
            if (line == end)
                return;
            continue;
        }
        const ProblemLineScope scope(*this, n);
        std::unique_ptr<ScriptCommand> command = DispatchCommand(std::move(line));
        if (command)
            command->line = n;
        AppendCommand(std::move(command));
    }
}

void CWizDoc::BuildCommandList() {
    TextBuffer* buffer = scriptBuffer();
    if (buffer == nullptr)
        return;
    const bool modified = buffer->isModified();
    if (m_pCmdView != nullptr)
        m_pCmdView->recolour();

    // The clock register comes first so that every line sees the software clock.
    if (const int clockLine = findCommandLine(*buffer, "setclockreg"); clockLine >= 0) {
        const ProblemLineScope scope(*this, clockLine);
        (void)DispatchCommand(buffer->line(clockLine));
    }

    compileSection(*buffer, kVectorBeginMarker, kVectorEndMarker);
    compileSection(*buffer, kTraceBeginMarker, kTraceEndMarker);

    // The main pass leaves out exactly the lines the section passes compiled, so that no line is
    // compiled twice and none is dropped. A begin marker that stands a second time (left by a merge
    // or a paste) is refused: silently ignoring the lines after it made failing tests pass.
    const SectionRange sections[] = {findSection(*buffer, kVectorBeginMarker, kVectorEndMarker),
                                     findSection(*buffer, kTraceBeginMarker, kTraceEndMarker)};
    const std::string_view beginMarkers[] = {kVectorBeginMarker, kTraceBeginMarker};
    const auto inSection = [&sections](int n) {
        for (const SectionRange& s : sections) {
            if (s.found() && n >= s.beginLine && (n < s.last || n == s.endLine))
                return true;
        }
        return false;
    };
    const int count = buffer->lineCount();
    for (int n = 0; n < count; ++n) {
        std::string line = buffer->line(n);
        for (int k = 0; k < 2; ++k) {
            if (line == beginMarkers[k] && n != sections[k].beginLine)
                LogError("Line " + std::to_string(n + 1) + " repeats the marker " +
                         std::string(beginMarkers[k]) + " of line " +
                         std::to_string(sections[k].beginLine + 1) +
                         "; a section begins only once: remove the line or mend the script's sections.");
        }
        const bool inside = inSection(n);
        bool cutLoses = false;
        if (line.size() > kMainPassLineLimit) {
            cutLoses = !cutIsHarmless(line);
            line.resize(kMainPassLineLimit);
        }
        if (inside || line.empty() || firstTokenIs(line, "setclockreg"))
            continue;
        const ProblemLineScope scope(*this, n);
        if (cutLoses) {
            // Run cut, the line would be another command (a check that passes, a different value).
            LogError("Line " + std::to_string(n + 1) + " is longer than " + std::to_string(kMainPassLineLimit) +
                     " characters; the part beyond them is not read.");
            continue;
        }
        std::unique_ptr<ScriptCommand> command = DispatchCommand(std::move(line));
        if (command)
            command->line = n;
        AppendCommand(std::move(command));
    }
    buffer->setModified(modified);
}

bool CWizDoc::ParseScript() {
    m_runMode = RunMode::Script;
    m_time = 0;
    m_warningCount = 0;
    m_errorCount = 0;

    m_commandList.clear();
    m_pNextCommand = m_commandList.end();
    EmptyLog();
    removeClockElement();
    emptyTraceList();
    m_sequenceList.clear();
    m_breakList.clear();
    m_cellGroups.clear();
    dropCyclePlan();

    removeAllGroups();
    if (m_pDesignTree) {
        for (DesignElement* e = m_pDesignTree->first(); e != nullptr; e = e->next)
            e->radix = -1;
    }
    m_clockMethod = ClockMethod::None;
    m_pClockTrace = nullptr;

    // Every parse's log says so when the design behind the script was never loaded.
    if (!m_designProblem.empty())
        LogWarning(m_designProblem);
    if (!m_boardProblem.empty())
        LogInfo(m_boardProblem);
    if (hasScript())
        BuildCommandList();
    checkClockSetup();
    RefreshLogViews(true);
    m_runMode = RunMode::Interactive;

    std::string summary = " ";
    summary += std::to_string(m_errorCount);
    summary += " error(s), ";
    summary += std::to_string(m_warningCount);
    summary += " warning(s)";
    LogInfo(summary);
    return m_errorCount == 0;
}

void CWizDoc::ParseCommand() {
    if (m_runState == RunState::Paused &&
        m_host.askYesNo("Currently paused session! Are you sure you wish to restart?") != Answer::Yes)
        return;
    TextBuffer* buffer = scriptBuffer();
    if (buffer != nullptr && buffer->isModified() &&
        m_settings.readInt("Environment", "Save before parse", 1) != 0) {
        if (m_settings.readInt("Environment", "Prompt before save", 0) != 0) {
            const Answer answer = m_host.askYesNoCancel("Do you wish to save command script?");
            if (answer == Answer::Cancel)
                return;
            if (answer == Answer::Yes)
                SaveScript();
        } else {
            SaveScript();
        }
    }
    if (m_logViews.empty())
        m_host.openResultLogView();
    m_host.beginWaitCursor();
    m_runState = RunState::Idle;
    m_pNextCommand = m_commandList.end();
    ParseScript();
    if (m_pBoard)
        buildReadPlan();
    m_runMode = RunMode::Interactive;
    m_host.endWaitCursor();
}

} // namespace cellwatch
