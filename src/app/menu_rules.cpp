#include "app/menu_rules.h"

namespace cellwatch {

bool IsMenuEnabled(MenuCommand command, const MenuState& s) {
    const bool idleOrPaused = s.runState == RunState::Idle || s.runState == RunState::Paused;
    switch (command) {
    case MenuCommand::Close:
        return true;
    case MenuCommand::SaveScript:
    case MenuCommand::SaveScriptAs:
    case MenuCommand::ExportViewSim:
        return s.hasScript;
    case MenuCommand::SaveTraceWave:
    case MenuCommand::SaveResultLog:
        return s.traceRecords > 0 && s.runState != RunState::Cycling;
    case MenuCommand::ParseScript:
        return s.hasScript && idleOrPaused;
    case MenuCommand::RunTest:
        return s.hasScript && idleOrPaused && s.hasBoard;
    case MenuCommand::ContinueTest:
        return s.runState == RunState::Paused && s.hasBoard;
    case MenuCommand::PauseTest:
        return s.runState == RunState::Cycling && s.hasBoard;
    case MenuCommand::StopTest:
        return s.runState != RunState::Idle && s.hasBoard;
    case MenuCommand::DeselectClock:
        return s.hasClock;
    }
    return false;
}

} // namespace cellwatch
