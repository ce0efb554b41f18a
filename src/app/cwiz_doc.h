#pragma once
// The session: one opened design with its symbol table and hierarchy, its command script, the board,
// the traced components, the compiled script and the result log. Views and command handlers work on
// it through the operations below; everything it asks of the user goes through its SessionHost.

#include "app/cell_read_group.h"
#include "app/cycle_plan.h"
#include "app/menu_rules.h"
#include "app/run_state.h"
#include "app/run_observer.h"
#include "app/session_host.h"
#include "app/settings.h"
#include "app/traced_component.h"
#include "app/views.h"
#include "board/board_driver.h"
#include "design/design_tree.h"
#include "design/symbol_table.h"
#include "script/line_buffer.h"
#include "script/script_session.h"
#include "trace/trace_store.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cellwatch {

// The compiled script. A list, so that the run's place in it (m_pNextCommand) survives commands
// being added or removed elsewhere in it.
using CommandList = std::list<std::unique_ptr<ScriptCommand>>;

// What the session found out about its board when it opened it.
struct BoardInfo {
    int deviceSize = 1;         // the device member: 0 (48 cells), 1 (64), 2 (96), 3 (128)
    std::uint8_t boardType = 0; // the identification code the board answered
    int sramSize = 0;           // SRAM words the board measured
    int gridColumns = 0;        // cell grid of the member: grid place (c, r) is [c * gridRows + r]
    int gridRows = 0;
};

// What became of an output a batch run writes when it ends.
enum class BatchOutput { NotWritten, Written, Failed };

// An error or warning line of the result log and the script line it belongs to.
struct ScriptProblem {
    std::size_t logLine = 0; // index into logLines()
    int scriptLine = -1;     // 0-based; -1 when it belongs to no line of the script
};

class LiveOutput;
struct LogWalkInputs;

class CWizDoc final : public ScriptSession {
public:
    // boardValue names the board opened with the session ("emulator", "emulator:128", "none", ...).
    CWizDoc(SessionHost& host, Settings& settings, std::string boardValue = "emulator");
    ~CWizDoc() override;
    CWizDoc(const CWizDoc&) = delete;
    CWizDoc& operator=(const CWizDoc&) = delete;

    // --- Opening, saving and closing (doc_open.cpp, doc_save.cpp) ---
    bool OpenSession(const std::string& path);
    // For a session without a script view: loads the .cmd file into the session's own buffer, or
    // generates a fresh script for a .sym. False when the script file cannot be read.
    bool UseOwnScript();
    bool SaveScript();
    bool SaveScriptAs();
    // Writes the log to a file the user picks; false when cancelled or not written.
    bool SaveResultLog();
    bool ConfirmClose();
    void CloseSession();
    // The "Export View Sim command script" command: asks for a file and writes the View Sim copy of
    // the script there; false when cancelled or not written (the user has been told).
    bool ExportViewSimScript();
    // After the options sheet was accepted: "Base" (the current radix as its default), "RT Update",
    // "AutoSplit" and "Hide inversion" are read again, the script view recolours and the log's
    // column header is rewritten.
    void rereadSettings();

    // --- Traces and groups (doc_traces.cpp, doc_groups.cpp) ---
    bool AddTrace(std::string_view name);
    TracedComponent& AppendTrace(TracedComponent node);
    TracedComponent* FindTrace(const DesignElement* element);
    // Frees the entry (null: only the rest), then empties the log and repaints the log views.
    void RemoveTrace(TracedComponent* node);
    void DeleteGroup(DesignElement* element);
    // The trace list's commands that also keep the script's trace section in step (AddTrace and
    // RemoveTrace only change the list). addTraceAndScriptLine traces a name dropped on the list:
    // refused with a message while a script runs or when the name is unknown or traced already;
    // the entry joins the list view and the trace section, and every view redraws.
    bool addTraceAndScriptLine(std::string_view name);
    // The selected entries, in list order, leave the list view, the trace section and the session.
    void removeTracesAndScriptLines(const std::vector<TracedComponent*>& selected);
    // The trace list's Group and Ungroup commands over the selected entries, in list order.
    // makeGroup asks the host for the name; false when nothing changed.
    bool makeGroup(const std::vector<TracedComponent*>& selected);
    bool ungroup(const std::vector<TracedComponent*>& selected);

    // --- Result log (doc_log.cpp) ---
    void LogLine(std::string_view text) override;
    void LogInfo(std::string_view text) override;
    void LogWarning(std::string_view text) override;
    void LogError(std::string_view text) override;
    // Empties the log lines and the trace store together.
    void EmptyLog();
    // Walks the stream into rows and lines; false (reported to the host) when the file is not written.
    bool WriteResultLog(const std::string& path);
    // Writes the log and the VCD file from one pass over the trace (one after the other when either
    // is a device or FIFO). The log is reported as by WriteResultLog; vcdWritten tells whether the
    // VCD file was written, as WriteTraceVcd would return it.
    bool WriteResultLogAndVcd(const std::string& logPath, const std::string& vcdPath, bool& vcdWritten);
    // Calls line for every text line and sample row of the stream, in order, without line ends.
    void WalkLog(const std::function<void(std::string_view)>& line);
    // Writes the column header of the traced components as plain log lines.
    void WriteLogHeader();
    void RewriteLogHeader();
    void RefreshLogViews(bool follow);

    // --- Parse pass (doc_parse.cpp) ---
    void ParseCommand();
    bool ParseScript();
    std::unique_ptr<ScriptCommand> DispatchCommand(std::string line);

    // --- Software clock (doc_clock.cpp) ---
    // From the hierarchy view: also writes the script's setclockreg line.
    void SelectClockFromHierarchy(DesignElement* reg);
    void DeselectClock();
    // From the clocking menu: also writes the script's setclockmode line.
    void setClockingMethod(ClockMethod method);
    bool sharesClockColumn(const DesignElement* element) const;
    void buildReadPlan();

    // --- Run engine (doc_run.cpp, doc_execute.cpp) ---
    // The "Run test" command: asks, saves, parses and runs the script from its first command.
    void RunTest();
    // Prepares a script or batch run: parse, read plan, empty log, column header, first samples.
    // False without a board or when the parse logged errors.
    bool StartRun(RunMode mode);
    // Executes commands until the run leaves the running state; finishes the run at the end of the list.
    void RunCommands();
    void ExecuteCommand(const ScriptCommand& command);
    // One tick of the run timer (id 1): cycles until about kTickBudgetNs have passed (the host's
    // clock read every kCyclesPerClockRead cycles), the command ends or the run pauses; a batch
    // run does all remaining cycles in one tick.
    void OnRunTimer(int timerId = 1);
    static constexpr std::int64_t kTickBudgetNs = 8'000'000;
    static constexpr int kCyclesPerClockRead = 32;
    void ContinueTest();
    void PauseTest();
    void StopTest();
    // A line typed on the command bar: compiled and executed at once. False when it was refused
    // before compiling (no board, or the user kept a paused run): the command bar then keeps it out
    // of its history.
    bool ExecuteTypedCommand(const std::string& line);

    // --- Cycle step and sampling (doc_cycle.cpp, doc_assign.cpp) ---
    void StepCycle();
    void RecordTraces();
    std::uint32_t ElementValue(const DesignElement* element) const;

    // --- Waveform (doc_wave.cpp) ---
    // Converts the trace to a VCD file; false when it could not be written.
    bool WriteTraceVcd(const std::string& path);
    // The "Save trace wave" command; a failed write is reported through the host.
    bool SaveTraceWave();

    // --- Unattended runs ---
    // Where a batch run leaves its log: by default the script's path (else the symbol table's) + ".log".
    void setBatchLogPath(std::string path) { m_batchLogPath = std::move(path); }
    std::string batchLogPath() const;
    // Where a batch run also leaves a VCD file; empty for none. The run then writes the log and the
    // VCD together when it ends, and batchVcdOutcome() tells how that went.
    void setBatchVcdPath(std::string path) { m_batchVcdPath = std::move(path); }
    BatchOutput batchVcdOutcome() const { return m_batchVcdOutcome; }
    void setRunObserver(RunObserver* observer) { m_pObserver = observer; }
    int failedCheckCount() const { return m_failedChecks; }
    int errorCount() const { return m_errorCount; }
    int warningCount() const { return m_warningCount; }
    // The last batch run ended because the trace store could take no more samples.
    bool endedOutOfStorage() const { return m_bOutOfStorage; }
    // The last batch run's log could not be written.
    bool logWriteFailed() const { return m_bLogWriteFailed; }
    // The last batch run's log (and VCD) were written while it ran, not by a walk at its end.
    bool outputsWrittenDuringRun() const { return m_bOutputsLive; }
    // Why the design of the open session could not be loaded (the symbol table's file and reader
    // code); empty when it was. The session still opens, on an empty design.
    const std::string& designProblem() const { return m_designProblem; }
    // The files the session reads: the script, the symbol table, the circuit file of a .sym session
    // and every CAL file the compiled script loads. A run must never write over one of them.
    std::vector<std::string> inputFiles() const;
    // A board channel the next OpenSession uses instead of the one the board value names (an
    // embedding program's own board, or an emulator a test inspects).
    void setBoardChannel(std::unique_ptr<DriverChannel> channel) { m_pendingChannel = std::move(channel); }
    // Replaces the trace store (an injected file layer or memory probe); empties the log.
    void replaceTraceStore(std::unique_ptr<TraceStore> store);

    // --- ScriptSession ---
    DesignElement* findElement(std::string_view name) override;
    DesignElement* clockElement() override { return m_pClockElement; }
    const DesignElement* clockElement() const { return m_pClockElement; }
    RunMode runMode() const override { return m_runMode; }
    DataSequence* findSequence(const DesignElement* element) override;
    void addSequence(std::unique_ptr<DataSequence> sequence) override;
    void addBreakCondition(DesignElement* element, std::uint32_t value) override;
    bool isTraced(const DesignElement* element) override;
    void traceElement(DesignElement* element) override;
    DesignElement* makeGroupElement(std::string_view name, std::vector<DesignElement*> members) override;
    void selectClockRegister(DesignElement* reg) override;
    void storeClockMethod(ClockMethod method) override;
    std::string resolveScriptPath(std::string_view path) override;

    // --- Views ---
    void setSymbolView(HierarchyView* view) { m_pSymbolView = view; }
    void setTraceView(TraceListView* view) { m_pTraceView = view; }
    void setCmdView(ScriptView* view) { m_pCmdView = view; }
    void addLogView(LogView* view);
    void removeLogView(LogView* view);
    // The script text in use: the view's, else the session's own, else null.
    TextBuffer* scriptBuffer();
    bool hasScript() const { return m_pCmdView != nullptr || m_ownScript != nullptr; }

    MenuState menuState() const;
    bool isEnabled(MenuCommand command) const { return IsMenuEnabled(command, menuState()); }

    // The trace component of a sample record's handle, or null. Read-only: only recording (and the
    // parse and clear steps) changes a component's values.
    const TracedComponent* componentOf(TraceHandle handle) const;
    // The text of a log record's handle, or null.
    const std::string* logLineOf(TraceHandle handle) const;

    // --- Reading the session (the batch runner, the views, tests) ---
    // Everything below reads; nothing changes the session. References stay valid until the next
    // operation that changes what they refer to (a parse, a run step, closing).

    RunState runState() const { return m_runState; }
    // What a tick of the run timer may change; equal snapshots mean no progress.
    RunProgress runProgress() const;
    ClockMethod clockMethod() const { return m_clockMethod; }
    // The run's time in tenths of a cycle: 10 per cycle, 5 per half cycle with a software clock.
    int time() const { return m_time; }
    // The session radix of the log and of elements without their own (2, 8, 10 or 16).
    int radix() const { return m_radix; }
    // The session has begun to close; the script view may be destroyed from now on.
    bool isClosing() const { return m_bClosing; }
    // The script's file name or modified mark changed since the title was last acknowledged.
    bool titleChanged() const { return m_bTitleChanged; }
    void acknowledgeTitleChange() { m_bTitleChanged = false; }
    // The script view's title changed (its file or its modified mark): the titles are refreshed
    // at the next idle pass.
    void markTitleChanged() { m_bTitleChanged = true; }

    // The files the session was opened with; null when it has none of that kind.
    const std::string* scriptPath() const { return m_pScriptPath.get(); }
    const std::string* symbolPath() const { return m_pSymbolPath.get(); }
    const std::string* calPath() const { return m_pCalPath.get(); }

    const SymbolTable* symbolTable() const { return m_pSymbolTable.get(); }
    // The design hierarchy; null before a file is opened. Views walk it; only the session edits it.
    const DesignTree* designTree() const { return m_pDesignTree.get(); }
    DesignTree* designTree() { return m_pDesignTree.get(); }
    const TracedComponent* clockTrace() const { return m_pClockTrace; }

    // The traced components in list order.
    const std::list<TracedComponent>& traceList() const { return m_traceList; }
    // The compiled script in execution order.
    const CommandList& commandList() const { return m_commandList; }
    const std::list<std::unique_ptr<DataSequence>>& sequenceList() const { return m_sequenceList; }
    // The texts of the log's lines; a line record's handle is its index + 1.
    const std::vector<std::string>& logLines() const { return m_logLines; }
    // Every error and warning line of the log, in order, with the script line it was logged for: the
    // line being compiled, or the line of the script step being performed (-1 for none).
    const std::vector<ScriptProblem>& scriptProblems() const { return m_scriptProblems; }
    // The log's records in time order (the log views read it through a const session). Never null.
    const TraceStore& traceStore() const { return *m_pTraceStore; }
    TraceStore& traceStore() { return *m_pTraceStore; }
    const std::vector<LogView*>& logViews() const { return m_logViews; }

    // The board the session opened; null when there is none.
    BoardDriver* board() const { return m_pBoard.get(); }
    // The bank control value of the last "bctl" command (0..3); the SRAM view puts it back after reading.
    int bank() const { return m_bank; }
    BoardInfo boardInfo() const;
    // The read plan of the last run: the cell read groups and the traced cell of each grid place
    // (column-major, see BoardInfo), null where nothing is traced.
    const std::vector<CellReadGroup>& cellGroups() const { return m_cellGroups; }
    const std::vector<DesignElement*>& traceCells() const { return m_traceCells; }

    SessionHost& host() { return m_host; }
    Settings& settings() { return m_settings; }

private:
    // --- Steps of the parse pass, the run and the cycle that only the session's own code takes ---
    void BuildCommandList();
    void AppendCommand(std::unique_ptr<ScriptCommand> node);
    void checkClockSetup();
    // The executor of "cycle n": the run timer works the cycles off.
    void StartCycles(int n);
    void ApplySequences();
    void ReadBoardCells();
    void ReadBoardCellsExceptClock();
    bool CheckBreaks();
    // Drives the element on the board; false when the clock-column rules refused the write.
    bool AssignValue(DesignElement* element, std::uint32_t value, bool log);
    void ClearRegisters();
    // The write of an assignment whose value is already spread over the element's cells.
    bool checkAssignment(DesignElement* element);

    bool openBoard();
    bool readScriptReference(const std::string& path);
    bool writeScript(const std::string& path, const char* createFailure);
    // A save dialog's request, opening in the "Last path" folder and asking before overwriting.
    FileDialogRequest saveRequest(std::string title, std::string ext,
                                  std::string filter = "All files (*.*)|*.*") const;
    void appendLogRecord(std::string text);
    // Remembers the script line that errors and warnings logged during its life belong to.
    class ProblemLineScope {
    public:
        ProblemLineScope(CWizDoc& doc, int line) : m_doc(doc), m_saved(doc.m_problemLine) {
            doc.m_problemLine = line;
        }
        ~ProblemLineScope() { m_doc.m_problemLine = m_saved; }
        ProblemLineScope(const ProblemLineScope&) = delete;
        ProblemLineScope& operator=(const ProblemLineScope&) = delete;

    private:
        CWizDoc& m_doc;
        int m_saved;
    };
    LogWalkInputs logWalkInputs();
    // A batch run's outputs written during the run (live_output.h): started with the run, finished
    // by finishLiveOutput (false when the end walk must write them), dropped by anything that
    // changes or writes the log another way.
    void startLiveOutput();
    bool finishLiveOutput(bool& logWritten);
    void dropLiveOutput();
    // The saved log with each record also handed to next (another output filled in the same pass).
    template <class Next>
    bool writeLogWalk(const std::string& path, Next& next);
    void removeClockElement();
    void emptyTraceList();
    void removeAllGroups();
    void unlinkTrace(TracedComponent* node);
    // Traces the element (AppendTrace) and shows the new entry in the trace list view.
    TracedComponent& traceAndShow(DesignElement* element);
    void addTraceLineOrLog(const TracedComponent& entry);
    void placeCells(std::vector<DesignElement*>& grid, DesignElement* element, int depth);
    void compileSection(TextBuffer& buffer, std::string_view begin, std::string_view end);
    // No run in progress, no place in the script, no cycles pending.
    void clearRunPosition();
    void finishRun();
    void finishBatchRun(int exitCode);
    bool endBatchOutOfStorage();
    // Ends the run when the board stopped answering during it; true when it did.
    bool endRunOnLostBoard();
    void readGroups(bool skipClockColumn);
    void clockedHalfCycles();
    void collectAssignCells(DesignElement* element, int depth);
    void writeAssignBatches(int skipColumn);
    // The cycle plan (cycle_plan.h), built on first use after anything it depends on changed.
    void dropCyclePlan() { m_cyclePlanReady = false; }
    void buildCyclePlan();
    void planTraceValue(TracedComponent& entry);
    void planAssignment(DesignElement* element, AssignPlan& plan);
    // The reads of the cells under elements that the read plan does not make (outside the clock
    // column under CBUF clocking), and doing them.
    void planElementReads(const std::vector<DesignElement*>& elements, ElementReads& reads);
    void readElementCells(const ElementReads& reads);
    // Reads back the cells of the break conditions' elements that no read group reads.
    void readBreakCells();
    // AssignValue(plan.element, value, false) as planned.
    void assignPlanned(const AssignPlan& plan, std::uint32_t value);
    void spreadValue(DesignElement* element, std::uint32_t value);
    // The word of the read group that reads cell, with its bit there; null when none reads it.
    std::uint32_t* readWordOf(const DesignElement* cell, std::uint32_t& bit);
    // RecordTraces; readsUnchanged: nothing was read or assigned over a read cell since the last
    // sampling, which completed. False when the trace store took no more.
    bool recordTraces(bool readsUnchanged);
    // The board of a command that drives it; a session without one never executes such a command.
    BoardDriver& requireBoard();
    void executeLoadCal(const ScriptCommand& command);
    void executeFillMem(const ScriptCommand& command);
    void executeCheck(const ScriptCommand& command);

    SessionHost& m_host;
    Settings& m_settings;
    std::string m_boardValue;
    std::unique_ptr<LineBuffer> m_ownScript;
    std::vector<TracedComponent*> m_componentTable; // handle - 1 -> entry; null once removed
    std::size_t m_headerLines = 0;                  // lines of the column header last written

    // --- State (the names the rest of the program knows them by) ---
    std::unique_ptr<SymbolTable> m_pSymbolTable;
    std::unique_ptr<DesignTree> m_pDesignTree;
    std::list<TracedComponent> m_traceList;
    // element -> its entry in m_traceList, so that tracing thousands of elements stays linear.
    std::unordered_map<const DesignElement*, TracedComponent*> m_traceIndex;
    CommandList m_commandList;
    std::vector<BreakCondition> m_breakList;
    std::list<std::unique_ptr<DataSequence>> m_sequenceList;
    DesignElement* m_pClockElement = nullptr; // lives in the design tree while it exists
    TracedComponent* m_pClockTrace = nullptr;
    HierarchyView* m_pSymbolView = nullptr;
    TraceListView* m_pTraceView = nullptr;
    ScriptView* m_pCmdView = nullptr;
    std::vector<LogView*> m_logViews;
    std::unique_ptr<std::string> m_pSymbolPath;
    std::unique_ptr<std::string> m_pScriptPath;
    std::unique_ptr<std::string> m_pCalPath;
    bool m_bClosing = false;
    // "RT Update": the run timer's period in milliseconds (1 or 0), and whether the log views
    // refresh after each cycle command (1); an int because it is a period, not only a flag.
    int m_bRealTimeUpdate = 1;
    bool m_bTitleChanged = false;
    RunState m_runState = RunState::Idle;
    RunMode m_runMode = RunMode::Interactive;
    // The command the run executes next; m_commandList.end() when none.
    CommandList::iterator m_pNextCommand = m_commandList.end();
    int m_cyclesDone = 0;
    int m_cyclesTarget = 0;
    int m_time = 0;
    bool m_bTracing = true;
    ClockMethod m_clockMethod = ClockMethod::None;
    int m_radix = 2;
    int m_sramSize = 0;
    std::vector<std::string> m_logLines;
    std::uint8_t m_bank = 0;
    std::unique_ptr<BoardDriver> m_pBoard;
    int m_deviceSize = 1;
    std::uint8_t m_boardType = 0;
    std::unique_ptr<TraceStore> m_pTraceStore;
    bool m_bComments = true;
    bool m_bLogHeader = false;
    bool m_bAutoSplit = true;
    bool m_bStepDone = false;
    bool m_bHideInversion = true;
    // Column-major: cell (column c, row r) is [c * m_gridRows + r].
    std::vector<DesignElement*> m_traceCells;
    std::vector<DesignElement*> m_assignCells;
    std::vector<CellReadGroup> m_cellGroups;
    int m_gridColumns = 0;
    int m_gridRows = 0;
    bool m_bClockReadGroup = false;
    int m_warningCount = 0;
    int m_errorCount = 0;

    // Run engine extras.
    std::unique_ptr<DriverChannel> m_pendingChannel;
    RunObserver* m_pObserver = nullptr;
    std::string m_batchLogPath;
    std::string m_batchVcdPath;
    BatchOutput m_batchVcdOutcome = BatchOutput::NotWritten;
    std::string m_designProblem;
    std::string m_boardProblem; // why the board could not be used, when its channel says
    // Log lines the trace store refused (it was full): the saved log still ends with them.
    std::vector<std::string> m_unstoredLines;
    std::vector<ScriptProblem> m_scriptProblems;
    int m_problemLine = -1; // the script line errors and warnings are logged for just now
    int m_failedChecks = 0;
    bool m_bOutOfStorage = false;
    bool m_bLogWriteFailed = false;
    bool m_bOutputsLive = false;
    // Cells of the assignment being written, as grid indexes; reused so assignments do not allocate.
    std::vector<std::size_t> m_assignList;
    // The cells of every read group, group after group in ascending rows (CellReadGroup::first).
    std::vector<DesignElement*> m_readCells;
    // Per break condition: whether it held at the last check (a batch run logs it once per onset).
    std::vector<std::uint8_t> m_breakHeld;
    // Per read group: its last word, bit i being its i-th cell's value (reads and assignments keep
    // both in step); and per grid place: read group * 32 + bit, -1 where no group reads.
    std::vector<std::uint32_t> m_readWords;
    std::vector<std::int32_t> m_readSlots;
    bool m_cyclePlanReady = false;
    std::vector<TraceValuePlan> m_traceValues; // in trace list order
    std::vector<std::uint32_t> m_unreadValues;  // those not readsOnly, in the same order
    std::vector<ValuePiece> m_valuePieces;
    AssignPlan m_clockAssign;                 // the clock register's
    std::vector<AssignPlan> m_sequenceAssigns; // in sequence list order
    ElementReads m_breakReads;                 // of every break condition's element
    // Declared after the trace store it follows, so that it goes first.
    std::unique_ptr<LiveOutput> m_liveOutput;
};

} // namespace cellwatch
