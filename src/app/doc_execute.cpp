// The execution half of every script command: what a compiled step does to the board, the session
// and the result log when the run engine or the command bar performs it.

#include "app/cwiz_doc.h"
#include "board/board_errors.h"
#include "board/cal_loader.h"
#include "design/design_element.h"

#include <cassert>
#include <cstdio>

namespace cellwatch {

BoardDriver& CWizDoc::requireBoard() {
    // Runs start only with a board and the command bar refuses without one: no command gets here
    // without it.
    assert(m_pBoard != nullptr);
    return *m_pBoard;
}

void CWizDoc::ExecuteCommand(const ScriptCommand& command) {
    const ProblemLineScope scope(*this, command.line);
    switch (command.kind) {
    case CommandKind::Assign:
        AssignValue(command.element, static_cast<std::uint32_t>(command.value), true);
        break;
    case CommandKind::Cycle:
        StartCycles(command.value);
        break;
    case CommandKind::StepSize:
        break;
    case CommandKind::Reset:
        requireBoard().resetBoard();
        ReadBoardCellsExceptClock();
        RecordTraces();
        LogInfo("Board reset.");
        break;
    case CommandKind::Break:
        if (m_runMode == RunMode::Batch) {
            LogInfo("Break command skipped");
            break;
        }
        m_runState = RunState::Paused;
        LogInfo("Test run paused by break command.");
        m_host.beep();
        RecordTraces();
        RefreshLogViews(true);
        m_host.updateAllViews();
        break;
    case CommandKind::Clear:
        requireBoard().assertClear();
        ReadBoardCellsExceptClock();
        RecordTraces();
        LogInfo("Board clear line asserted");
        break;
    case CommandKind::LoadCal:
        executeLoadCal(command);
        break;
    case CommandKind::TraceOn:
        m_bTracing = true;
        LogInfo("Turning trace on");
        break;
    case CommandKind::TraceOff:
        m_bTracing = false;
        LogInfo("Turning trace off");
        break;
    case CommandKind::Check:
        executeCheck(command);
        break;
    case CommandKind::Echo:
        LogLine("| " + command.text);
        break;
    case CommandKind::Restart:
        if (m_runMode != RunMode::Interactive) {
            LogInfo("RESTART only works from the interactive command line!");
            break;
        }
        m_cyclesDone = 0;
        m_cyclesTarget = 0;
        m_time = 0;
        m_pTraceStore->reset();
        m_host.updateAllViews();
        break;
    case CommandKind::ClearAll:
        ClearRegisters();
        LogInfo("Board cleared.");
        break;
    case CommandKind::CommentOn:
        m_bComments = true;
        break;
    case CommandKind::CommentOff:
        m_bComments = false;
        break;
    case CommandKind::Bctl:
        m_bank = static_cast<std::uint8_t>(command.value & 3);
        requireBoard().setBankControl(m_bank);
        LogInfo("Bank control set.");
        break;
    case CommandKind::FillMem:
        executeFillMem(command);
        break;
    case CommandKind::Pclk: {
        m_host.beginWaitCursor();
        const double obtained = requireBoard().setClockFrequency(16.0, command.frequency);
        m_host.endWaitCursor();
        char text[64];
        std::snprintf(text, sizeof text, "frequency = %3.4fMHz", obtained);
        LogInfo(text);
        break;
    }
    default:
        break;
    }
}

void CWizDoc::executeLoadCal(const ScriptCommand& command) {
    const std::string path = resolveScriptPath(command.text);
    CalProblem problem;
    if (const int code = requireBoard().loadConfiguration(path.c_str(), &problem); code != 0) {
        LogError("Failed to load \"" + command.text + "\" onto board.");
        // Written even with comments off: it is the only place that says why.
        std::string why = "|CAL file \"" + path + "\"";
        if (problem.line > 0)
            why += ", line " + std::to_string(problem.line);
        why += ": code " + std::to_string(code) + " (" + boardErrorText(code) + ") - ";
        why += problem.line > 0 ? problem.reason : "the file " + problem.reason;
        why += '.';
        LogLine(why);
        return;
    }
    LogInfo("Loaded \"" + command.text + "\" onto board.");
    requireBoard().setBusWidth(32);
    if (m_time != 0)
        m_time = static_cast<int>(static_cast<std::uint32_t>(m_time) + 10u); // as the cycle step counts
}

void CWizDoc::executeFillMem(const ScriptCommand& command) {
    // Every word stays inside the SRAM the board measured: past it lies the device's own address
    // space, and past the window nothing at all.
    const std::uint64_t limit = static_cast<std::uint64_t>(m_sramSize > 0 ? m_sramSize : 0) * 4u;
    const auto address = static_cast<std::uint32_t>(command.address);
    auto count = static_cast<std::uint32_t>(command.value);
    if (count == 0)
        return;
    char text[160];
    if (static_cast<std::uint64_t>(address) + 4u > limit) {
        std::snprintf(text, sizeof text,
                      "FILLMEM - Address %x lies outside the board's SRAM (%llx bytes); nothing written.",
                      static_cast<unsigned>(address), static_cast<unsigned long long>(limit));
        LogError(text);
        return;
    }
    const std::uint64_t room = (limit - address) / 4u;
    if (count > room) {
        std::snprintf(text, sizeof text,
                      "FILLMEM - Fill at %x stops at the end of the board's SRAM: %llu of %u words written.",
                      static_cast<unsigned>(address), static_cast<unsigned long long>(room),
                      static_cast<unsigned>(count));
        LogError(text);
        count = static_cast<std::uint32_t>(room);
    }
    requireBoard().fillSram(address, static_cast<std::uint32_t>(command.data), count, m_bank);
}

void CWizDoc::executeCheck(const ScriptCommand& command) {
    ReadBoardCellsExceptClock();
    ElementReads reads;
    planElementReads({command.element}, reads);
    readElementCells(reads);
    const std::uint32_t read = ElementValue(command.element);
    const bool passed = read == static_cast<std::uint32_t>(command.value);
    std::string message;
    if (!passed) {
        message = "Assertion failed on " + (command.element != nullptr ? command.element->shortName : "");
        LogWarning(message);
        ++m_failedChecks;
        if (m_runMode != RunMode::Batch)
            m_runState = RunState::Paused;
        RefreshLogViews(true);
        m_host.updateAllViews();
    }
    if (m_pObserver != nullptr) {
        CheckResult result;
        result.passed = passed;
        result.read = read;
        result.radix = command.element != nullptr && command.element->radix > 0 ? command.element->radix : m_radix;
        result.message = message;
        m_pObserver->checkExecuted(command, result);
    }
}

} // namespace cellwatch
