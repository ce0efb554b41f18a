#pragma once
// A stand-in for the script module's command dispatcher until its command table is in the build:
// it knows every command word, compiles the declarations the parse pass depends on (trace, vector,
// setclockreg, setclockmode) and turns the other words into bare steps.

#include "script/script_command.h"
#include "script/script_session.h"

#include <memory>
#include <string>

namespace cellwatch {

std::unique_ptr<ScriptCommand> StubDispatchCommand(ScriptSession& session, std::string line);

} // namespace cellwatch
