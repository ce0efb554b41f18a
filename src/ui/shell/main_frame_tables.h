#pragma once
// The command tables that the main frame's menus and its enabling both walk.

#include "app/menu_rules.h"
#include "script/session_modes.h"
#include "ui/shell/main_frame.h"
#include "ui/views/wiz_view.h"

#include <array>
#include <utility>

namespace cellwatch::frame_tables {

// The clocking items in the order of their methods.
constexpr std::array<std::pair<FrameCommand, ClockMethod>, 5> kClockItems{{
    {FrameCommand::NoClock, ClockMethod::None},
    {FrameCommand::CbufRead, ClockMethod::CbufRead},
    {FrameCommand::CbufAssign, ClockMethod::CbufAssign},
    {FrameCommand::RegOut, ClockMethod::RegOut},
    {FrameCommand::ExternalClock, ClockMethod::External},
}};

// The session commands and the rule that enables each.
constexpr std::array<std::pair<FrameCommand, MenuCommand>, 12> kSessionCommands{{
    {FrameCommand::Close, MenuCommand::Close},
    {FrameCommand::SaveScript, MenuCommand::SaveScript},
    {FrameCommand::SaveScriptAs, MenuCommand::SaveScriptAs},
    {FrameCommand::ExportViewSim, MenuCommand::ExportViewSim},
    {FrameCommand::SaveTraceWave, MenuCommand::SaveTraceWave},
    {FrameCommand::SaveResultLog, MenuCommand::SaveResultLog},
    {FrameCommand::ParseScript, MenuCommand::ParseScript},
    {FrameCommand::RunTest, MenuCommand::RunTest},
    {FrameCommand::ContinueTest, MenuCommand::ContinueTest},
    {FrameCommand::PauseTest, MenuCommand::PauseTest},
    {FrameCommand::StopTest, MenuCommand::StopTest},
    {FrameCommand::DeselectClock, MenuCommand::DeselectClock},
}};

constexpr std::array<std::pair<FrameCommand, ViewKind>, 6> kViewCommands{{
    {FrameCommand::ShowHierarchy, ViewKind::Hierarchy},
    {FrameCommand::ShowScript, ViewKind::Script},
    {FrameCommand::ShowTraceList, ViewKind::TraceList},
    {FrameCommand::ShowResultLog, ViewKind::ResultLog},
    {FrameCommand::ShowSram, ViewKind::Sram},
    {FrameCommand::ShowWaveform, ViewKind::Waveform},
}};

} // namespace cellwatch::frame_tables
