#pragma once
// When the session's menu commands are enabled: pure functions of a snapshot of the session, so the
// GUI's menus and the tests read the same rules.

#include "app/run_state.h"

#include <cstdint>

namespace cellwatch {

enum class MenuCommand {
    Close,
    SaveScript,
    SaveScriptAs,
    ExportViewSim,
    SaveTraceWave,
    SaveResultLog,
    ParseScript,
    RunTest,
    ContinueTest,
    PauseTest,
    StopTest,
    DeselectClock,
};

struct MenuState {
    bool hasScript = false; // a command script view exists (or a batch session's own script)
    bool hasBoard = false;
    bool hasClock = false; // a software clock element exists
    RunState runState = RunState::Idle;
    std::uint32_t traceRecords = 0;
};

bool IsMenuEnabled(MenuCommand command, const MenuState& state);

} // namespace cellwatch
