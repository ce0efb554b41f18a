// The test run engine: starting a run, walking the command list, the timer-driven cycles, pause,
// continue and stop, the end of a run, and the command bar's typed lines.

#include "app/cwiz_doc.h"
#include "app/live_output.h"

#include <cassert>

namespace cellwatch {

namespace {

constexpr int kProgressEvery = 4096; // a power of two: the test is a mask

// "Save before parse": false when the user cancelled.
bool saveBeforeRun(CWizDoc& doc) {
    TextBuffer* buffer = doc.scriptBuffer();
    if (buffer == nullptr || !buffer->isModified() ||
        doc.settings().readInt("Environment", "Save before parse", 1) == 0)
        return true;
    if (doc.settings().readInt("Environment", "Prompt before save", 0) != 0) {
        const Answer answer = doc.host().askYesNoCancel("Do you wish to save command script?");
        if (answer == Answer::Cancel)
            return false;
        if (answer == Answer::Yes)
            doc.SaveScript();
        return true;
    }
    doc.SaveScript();
    return true;
}

} // namespace

void CWizDoc::RunTest() {
    if (m_runState == RunState::Paused &&
        m_host.askYesNo("Currently paused session! Are you sure you wish to restart?") != Answer::Yes)
        return;
    if (!hasScript()) {
        m_host.messageOk("No command script to run!");
        return;
    }
    if (!saveBeforeRun(*this))
        return;
    if (m_logViews.empty())
        m_host.openResultLogView();
    if (m_bAutoSplit)
        m_host.splitLogFrame();
    if (m_runState == RunState::Cycling)
        m_host.killRunTimer();
    if (!StartRun(RunMode::Script))
        return;
    for (LogView* view : m_logViews)
        view->scrollToStart();
    RunCommands();
}

bool CWizDoc::StartRun(RunMode mode) {
    if (!m_pBoard)
        return false;
    if (!ParseScript())
        return false;
    m_runMode = RunMode::Script;
    EmptyLog();
    m_bComments = true;
    m_time = 0;
    WriteLogHeader();
    // Built after the header so that its one possible error stays in the run's log.
    buildReadPlan();
    m_bLogHeader = true;
    m_runState = RunState::Running;
    m_runMode = mode;
    m_cyclesDone = 0;
    m_cyclesTarget = 0;
    m_time = 0;
    m_bTracing = true;
    m_pNextCommand = m_commandList.begin();
    if (mode == RunMode::Batch)
        m_bRealTimeUpdate = 0;
    m_failedChecks = 0;
    m_bOutOfStorage = false;
    m_bLogWriteFailed = false;
    m_bOutputsLive = false;
    m_batchVcdOutcome = BatchOutput::NotWritten;
    m_breakHeld.clear();
    ReadBoardCellsExceptClock();
    RecordTraces();
    // Spilled blocks go to the cache file from a thread of the store's own, in the window as in a
    // batch run: a view that reads a block back only reads blocks already on file.
    m_pTraceStore->setWriteBehind(true);
    if (mode == RunMode::Batch)
        startLiveOutput();
    return true;
}

void CWizDoc::RunCommands() {
    if (m_runState == RunState::Idle)
        return;
    while (m_runState == RunState::Running && m_pNextCommand != m_commandList.end()) {
        const CommandList::iterator current = m_pNextCommand;
        ExecuteCommand(**current);
        // A command that moved the run's place (or dropped it) has the last word.
        if (m_pNextCommand == current)
            ++m_pNextCommand;
        if (m_pBoard && m_pBoard->lost()) [[unlikely]]
            break;
    }
    if (endRunOnLostBoard() || endBatchOutOfStorage())
        return;
    if (m_pNextCommand == m_commandList.end() && m_runState != RunState::Cycling)
        finishRun();
}

void CWizDoc::clearRunPosition() {
    m_runState = RunState::Idle;
    m_pNextCommand = m_commandList.end();
    m_cyclesDone = 0;
    m_cyclesTarget = 0;
}

void CWizDoc::finishRun() {
    clearRunPosition();
    m_bComments = true;
    if (m_errorCount != 0 || m_warningCount != 0) {
        // Appended piece by piece: GCC 12 warns falsely about `"literal" + std::string&&` here.
        std::string summary(" ");
        summary += std::to_string(m_errorCount);
        summary += " error(s), ";
        summary += std::to_string(m_warningCount);
        summary += " warning(s) - see parse output for more information.";
        LogInfo(summary);
    }
    RefreshLogViews(true);
    if (m_runMode == RunMode::Batch) {
        finishBatchRun(0);
    } else {
        m_runMode = RunMode::Interactive;
        m_host.beep();
    }
    m_host.updateAllViews();
}

std::string CWizDoc::batchLogPath() const {
    if (!m_batchLogPath.empty())
        return m_batchLogPath;
    if (m_pScriptPath)
        return *m_pScriptPath + ".log";
    if (m_pSymbolPath)
        return *m_pSymbolPath + ".log";
    return {};
}

void CWizDoc::finishBatchRun(int exitCode) {
    // The log writers report a failure to the host themselves.
    bool logWritten = false;
    m_bOutputsLive = finishLiveOutput(logWritten);
    if (m_bOutputsLive) {
        // Written during the run.
    } else if (m_batchVcdPath.empty()) {
        logWritten = WriteResultLog(batchLogPath());
    } else {
        bool vcdWritten = false;
        logWritten = WriteResultLogAndVcd(batchLogPath(), m_batchVcdPath, vcdWritten);
        m_batchVcdOutcome = vcdWritten ? BatchOutput::Written : BatchOutput::Failed;
    }
    if (!logWritten)
        m_bLogWriteFailed = true;
    m_host.quit(exitCode);
}

bool CWizDoc::endBatchOutOfStorage() {
    if (m_runMode != RunMode::Batch || !m_bOutOfStorage || m_runState != RunState::Paused)
        return false;
    m_host.killRunTimer();
    clearRunPosition();
    m_bComments = true;
    LogError("The trace store is full: the run was ended before the end of the script.");
    RefreshLogViews(true);
    finishBatchRun(1);
    m_host.updateAllViews();
    return true;
}

bool CWizDoc::endRunOnLostBoard() {
    if (!m_pBoard || !m_pBoard->lost() || m_runState == RunState::Idle)
        return false;
    m_host.killRunTimer();
    clearRunPosition();
    m_bComments = true;
    // Nothing the run would still do could reach the board: its checks would read an empty bus.
    LogError("The board stopped answering: " + m_pBoard->lostReason() + ". The run was ended.");
    RefreshLogViews(true);
    if (m_runMode == RunMode::Batch) {
        finishBatchRun(1);
    } else {
        m_runMode = RunMode::Interactive;
        m_host.beep();
    }
    m_host.updateAllViews();
    return true;
}

void CWizDoc::StartCycles(int n) {
    m_host.startRunTimer(m_bRealTimeUpdate);
    m_runState = RunState::Cycling;
    m_cyclesTarget = n;
    m_cyclesDone = 0;
}

void CWizDoc::OnRunTimer(int timerId) {
    if (timerId != 1)
        return;
    if (m_runState != RunState::Cycling) {
        m_host.killRunTimer();
        return;
    }
    assert(m_pBoard != nullptr && "only a run on a board cycles");
    if (m_time == 0) {
        ReadBoardCellsExceptClock();
        RecordTraces();
    }
    // A window's tick works for a slice of time, then gives the event loop back; a batch run has
    // nobody to give it to. The clock is read every few dozen cycles only: a cycle costs far less.
    const bool sliced = m_runMode != RunMode::Batch;
    const std::int64_t deadline = sliced ? m_host.monotonicNs() + kTickBudgetNs : 0;
    int untilClock = kCyclesPerClockRead;
    while (m_cyclesDone < m_cyclesTarget && m_runState == RunState::Cycling) {
        ++m_cyclesDone;
        m_bStepDone = false;
        if (!m_sequenceList.empty())
            ApplySequences();
        // Break conditions compare the values read before the clock edge, as the cycle's log row
        // shows them, whether their cells are traced or not.
        if (!m_bStepDone) {
            ReadBoardCells();
            if (!m_breakList.empty())
                readBreakCells();
            StepCycle();
        } else if (!m_breakList.empty()) {
            readBreakCells();
        }
        if (m_pObserver != nullptr && (m_cyclesDone & (kProgressEvery - 1)) == 0) [[unlikely]]
            m_pObserver->cycleProgress(m_cyclesDone, m_cyclesTarget);
        if (m_runState == RunState::Paused)
            break;
        if (!m_breakList.empty() && CheckBreaks())
            break;
        if (m_pBoard->lost()) [[unlikely]]
            break;
        if (sliced && --untilClock == 0) {
            untilClock = kCyclesPerClockRead;
            if (m_host.monotonicNs() >= deadline)
                break;
        }
    }
    // The window shows values while the run goes on at a pace of its own; here only when the cycle
    // command pauses or ends.
    if (m_pTraceView != nullptr && (m_runState != RunState::Cycling || m_cyclesDone >= m_cyclesTarget))
        m_pTraceView->refreshValues();
    if (endRunOnLostBoard() || endBatchOutOfStorage())
        return;
    // A pause in the last cycle stands: Continue then completes the command.
    if (m_runState != RunState::Cycling || m_cyclesDone < m_cyclesTarget)
        return;
    if (m_pObserver != nullptr)
        m_pObserver->cycleProgress(m_cyclesDone, m_cyclesTarget);
    m_host.killRunTimer();
    m_runState = m_runMode != RunMode::Interactive ? RunState::Running : RunState::Idle;
    m_cyclesDone = 0;
    m_cyclesTarget = 0;
    if (m_bRealTimeUpdate == 1 || m_runMode == RunMode::Interactive)
        RefreshLogViews(true);
    if (m_runMode != RunMode::Interactive)
        RunCommands();
}

void CWizDoc::ContinueTest() {
    if (m_runState != RunState::Paused)
        return;
    if (m_cyclesTarget != 0) {
        m_runState = RunState::Cycling;
        m_host.startRunTimer(m_bRealTimeUpdate);
    } else {
        m_runState = RunState::Running;
        RunCommands();
    }
}

void CWizDoc::PauseTest() {
    if (m_runState == RunState::Cycling)
        m_host.killRunTimer();
    m_runState = RunState::Paused;
    LogInfo("Test run paused by break command.");
    RefreshLogViews(true);
    m_host.updateAllViews();
}

void CWizDoc::StopTest() {
    if (m_runState == RunState::Cycling)
        m_host.killRunTimer();
    clearRunPosition();
    m_runMode = RunMode::Interactive;
    LogInfo("Test run stopped by user.");
    RefreshLogViews(true);
    m_host.updateAllViews();
}

bool CWizDoc::ExecuteTypedCommand(const std::string& line) {
    if (!m_pBoard) {
        m_host.messageOk("There is no LC3400DS device driver!");
        return false;
    }
    if (m_runState == RunState::Paused) {
        if (m_host.askYesNo("Are you sure you want to use the command line? This will stop the currently "
                            "paused session.") != Answer::Yes)
            return false;
        StopTest();
    }
    if (std::unique_ptr<ScriptCommand> command = DispatchCommand(line)) {
        m_bRealTimeUpdate = m_settings.readInt("Environment", "RT Update", 1);
        ExecuteCommand(*command);
    }
    RefreshLogViews(true);
    m_host.updateAllViews();
    return true;
}

void CWizDoc::replaceTraceStore(std::unique_ptr<TraceStore> store) {
    dropLiveOutput();
    if (store)
        m_pTraceStore = std::move(store);
    EmptyLog();
}

} // namespace cellwatch
