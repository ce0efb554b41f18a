// Creating, opening and closing a session, and the board it opens with.

#include "app/cwiz_doc.h"
#include "app/live_output.h"
#include "app/path_names.h"
#include "board/board_errors.h"
#include "board/board_selection.h"
#include "common/file_text.h"
#include "script/script_file.h"
#include "script/section_rewriter.h"


namespace cellwatch {

namespace {

constexpr std::string_view kEnvironment = "Environment";

} // namespace

CWizDoc::CWizDoc(SessionHost& host, Settings& settings, std::string boardValue)
    : m_host(host), m_settings(settings), m_boardValue(std::move(boardValue)) {
    m_bRealTimeUpdate = settings.readInt(kEnvironment, "RT Update", 1);
    m_radix = settings.readInt(kEnvironment, "Base", 2);
    m_bAutoSplit = settings.readInt(kEnvironment, "AutoSplit", 1) != 0;
    m_bHideInversion = settings.readInt(kEnvironment, "Hide inversion", 1) == 1;
    // The cache goes in this process's private folder, so parallel runs never share one.
    m_pTraceStore = std::make_unique<TraceStore>(host.scratchFolder());
}

void CWizDoc::rereadSettings() {
    m_radix = m_settings.readInt(kEnvironment, "Base", m_radix);
    m_bRealTimeUpdate = m_settings.readInt(kEnvironment, "RT Update", 1);
    m_bAutoSplit = m_settings.readInt(kEnvironment, "AutoSplit", 1) != 0;
    m_bHideInversion = m_settings.readInt(kEnvironment, "Hide inversion", 1) == 1;
    if (m_pCmdView != nullptr)
        m_pCmdView->recolour();
    RewriteLogHeader();
}

CWizDoc::~CWizDoc() {
    dropLiveOutput();
    // The trace list view is told first, while the elements its items show still exist.
    if (m_pTraceView != nullptr)
        m_pTraceView->removeAllItems();
    m_pSymbolPath.reset();
    m_pScriptPath.reset();
    m_pCalPath.reset();
    m_pSymbolTable.reset();
    m_pBoard.reset();
    m_traceCells.clear();
    m_assignCells.clear();
    m_pClockElement = nullptr;
    m_pDesignTree.reset();
    m_logViews.clear();
    m_sequenceList.clear();
    m_breakList.clear();
    m_breakReads = {}; // its cells went with the design tree
    dropCyclePlan();
    m_pClockTrace = nullptr;
    m_componentTable.clear();
    m_traceList.clear();
    m_traceIndex.clear();
    m_commandList.clear();
    m_pTraceStore.reset();
    m_cellGroups.clear();
    m_logLines.clear();
    m_scriptProblems.clear();
}

bool CWizDoc::OpenSession(const std::string& path) {
    // Only a regular file is opened: a FIFO or a device would never end.
    if (!inputFileProblem(path).empty()) {
        m_host.messageOk("Cannot open the file \"" + path + "\".");
        return false;
    }
    m_settings.writeString(kEnvironment, "Last path", folderOf(path));

    const std::string ext = extensionOf(path);
    if (ext == "sym") {
        FileDialogRequest request;
        request.title = "Select circuit file";
        request.filter = "CAL files (*.cal)|*.cal|All files (*.*)|*.*";
        request.startFolder = m_settings.readString(kEnvironment, "Last path", "");
        request.mustExist = true;
        std::optional<std::string> cal = m_host.openFileDialog(request);
        if (!cal)
            return false;
        m_pCalPath = std::make_unique<std::string>(*cal);
        m_pSymbolPath = std::make_unique<std::string>(path);
    } else if (ext == "cmd") {
        if (!readScriptReference(path)) {
            m_host.messageOk("Bad or corrupt command file.");
            return false;
        }
        m_pScriptPath = std::make_unique<std::string>(path);
    } else {
        m_host.messageOk("Invalid file type.");
        return false;
    }

    m_host.beginWaitCursor();
    if (!m_pSymbolPath) {
        m_host.endWaitCursor();
        m_host.messageOk("Symbol file could not be found");
        return false;
    }
    openBoard();
    m_pSymbolTable = std::make_unique<SymbolTable>(*m_pSymbolPath);
    m_designProblem.clear();
    if (!m_pSymbolTable->isLoaded()) {
        // The open goes on, on an empty design, but never in silence.
        const std::string file = SymbolTable::symbolPath(*m_pSymbolPath);
        const int code = SymbolTable::lastError();
        m_designProblem = "The symbol table \"" + file + "\" could not be loaded: code " + std::to_string(code) +
                          " (" + SymbolTable::errorText(code) + ")";
        if (std::string why = inputFileProblem(file); !why.empty())
            m_designProblem += " - the file " + why;
        m_designProblem += '.';
        LogWarning(m_designProblem);
    }
    m_pDesignTree = std::make_unique<DesignTree>(m_pSymbolTable.get());
    m_pDesignTree->buildFromSymbols();
    m_host.endWaitCursor();
    return true;
}

bool CWizDoc::readScriptReference(const std::string& path) {
    std::string symbolPath;
    if (!readDesignReference(path, symbolPath) || symbolPath.empty())
        return false;
    // Scripts name their design relative to their own folder, so they run from anywhere.
    const std::string folder = folderOf(path);
    if (!symbolPath.empty() && symbolPath.front() != '/' && !folder.empty() &&
        !pathExists(SymbolTable::symbolPath(symbolPath))) {
        const std::string joined = folder + "/" + symbolPath;
        if (pathExists(SymbolTable::symbolPath(joined)))
            symbolPath = joined;
    }
    m_pSymbolPath = std::make_unique<std::string>(symbolPath);
    return true;
}

bool CWizDoc::openBoard() {
    BoardSelection selection;
    if (m_pendingChannel) {
        selection.valid = true;
        selection.channel = std::move(m_pendingChannel);
    } else {
        selection = selectBoard(m_boardValue);
    }
    if (!selection.valid) {
        m_host.messageOk(selection.error);
        return false;
    }
    auto board = std::make_unique<BoardDriver>(std::move(selection.channel));
    if (board->error() != kBoardNoError) {
        // The board's texts do not say why; the channel's reason (a path and the system's words) does,
        // in the log of every parse.
        m_boardProblem = lastBoardFailure();
        if (!m_boardProblem.empty())
            LogInfo(m_boardProblem);
        if (board->error() != kBoardDriverNotFound) {
            m_host.messageOk(boardErrorText(board->error()));
        } else if (m_settings.readInt(kEnvironment, "Dont warn", 0) != 1) {
            const bool dontWarn = m_host.boardNotFound(
                "LC3400DS Not Found!",
                "Cellwatch was unable to find the LC3400DS device driver. You will not be able to execute "
                "any tests without one.",
                "Do not show this warning again");
            if (dontWarn)
                m_settings.writeInt(kEnvironment, "Dont warn", 1);
        }
        return false;
    }
    m_pBoard = std::move(board);
    m_pBoard->resetBoard();
    m_pBoard->setControlByte(200);
    m_pBoard->setPort24Flag(0);
    const int code = m_pBoard->identifyBoard();
    m_boardType = static_cast<std::uint8_t>(code);
    int cells = 64;
    switch (code) {
    case 1:
        m_deviceSize = 1;
        cells = 64;
        break;
    case 2:
        m_deviceSize = 0;
        cells = 48;
        break;
    case 3:
        m_deviceSize = 3;
        cells = 128;
        break;
    case 4:
        m_deviceSize = 2;
        cells = 96;
        break;
    default:
        m_deviceSize = 1;
        cells = 64;
        break;
    }
    selectDevice(m_deviceSize);
    m_gridColumns = cells;
    m_gridRows = cells;
    m_traceCells.assign(static_cast<std::size_t>(cells) * static_cast<std::size_t>(cells), nullptr);
    m_assignCells.assign(m_traceCells.size(), nullptr);
    m_sramSize = static_cast<int>(m_pBoard->measureSram());
    m_pBoard->setBankControl(m_bank);
    return true;
}

bool CWizDoc::UseOwnScript() {
    auto buffer = std::make_unique<LineBuffer>();
    if (m_pScriptPath) {
        if (!loadScriptFile(*m_pScriptPath, *buffer))
            return false;
    } else {
        GenerateInitialScript(*buffer, m_pSymbolPath ? *m_pSymbolPath : std::string(),
                              m_pCalPath ? *m_pCalPath : std::string(), m_host.localDate(), {}, {});
    }
    m_ownScript = std::move(buffer);
    return true;
}

TextBuffer* CWizDoc::scriptBuffer() {
    if (m_pCmdView != nullptr)
        return &m_pCmdView->buffer();
    return m_ownScript.get();
}

bool CWizDoc::ConfirmClose() {
    TextBuffer* buffer = scriptBuffer();
    if (buffer == nullptr || !buffer->isModified())
        return true;
    switch (m_host.askYesNoCancel("Command script has been modified. Do you wish to save before closing?")) {
    case Answer::Cancel:
        return false;
    case Answer::Yes:
        // A save that was cancelled or failed keeps the session open rather than lose the edits.
        return SaveScript();
    default:
        return true;
    }
}

void CWizDoc::CloseSession() {
    m_bClosing = true;
    m_host.sessionClosing();
}

void CWizDoc::addLogView(LogView* view) {
    if (view != nullptr)
        m_logViews.push_back(view);
}

void CWizDoc::removeLogView(LogView* view) {
    std::erase(m_logViews, view);
}

RunProgress CWizDoc::runProgress() const {
    RunProgress p;
    p.state = m_runState;
    p.time = m_time;
    p.cyclesDone = m_cyclesDone;
    p.cyclesTarget = m_cyclesTarget;
    p.nextCommand = m_pNextCommand != m_commandList.end() ? m_pNextCommand->get() : nullptr;
    p.traceRecords = m_pTraceStore->count();
    return p;
}

BoardInfo CWizDoc::boardInfo() const {
    BoardInfo info;
    info.deviceSize = m_deviceSize;
    info.boardType = m_boardType;
    info.sramSize = m_sramSize;
    info.gridColumns = m_gridColumns;
    info.gridRows = m_gridRows;
    return info;
}

MenuState CWizDoc::menuState() const {
    MenuState s;
    s.hasScript = hasScript();
    s.hasBoard = m_pBoard != nullptr;
    s.hasClock = m_pClockElement != nullptr;
    s.runState = m_runState;
    s.traceRecords = m_pTraceStore ? m_pTraceStore->count() : 0;
    return s;
}

DesignElement* CWizDoc::findElement(std::string_view name) {
    return m_pDesignTree ? m_pDesignTree->find(name) : nullptr;
}

std::vector<std::string> CWizDoc::inputFiles() const {
    std::vector<std::string> files;
    if (m_pScriptPath)
        files.push_back(*m_pScriptPath);
    if (m_pSymbolPath)
        files.push_back(SymbolTable::symbolPath(*m_pSymbolPath));
    if (m_pCalPath)
        files.push_back(*m_pCalPath);
    const std::unique_ptr<std::string>& base = m_pScriptPath ? m_pScriptPath : m_pSymbolPath;
    for (const std::unique_ptr<ScriptCommand>& command : m_commandList) {
        if (command->kind == CommandKind::LoadCal)
            files.push_back(resolveAgainstFolder(command->text, base ? folderOf(*base) : std::string()));
    }
    return files;
}

std::string CWizDoc::resolveScriptPath(std::string_view path) {
    const std::unique_ptr<std::string>& base = m_pScriptPath ? m_pScriptPath : m_pSymbolPath;
    return resolveAgainstFolder(path, base ? folderOf(*base) : std::string());
}

} // namespace cellwatch
