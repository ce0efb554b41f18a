#pragma once
// The compile halves of the script commands, one per command word. Each takes the argument text
// and either returns the step the run engine performs later or acts on the session at once; the
// command table lists them in match order.

#include "script/script_command.h"
#include "script/script_session.h"

#include <memory>
#include <string>

namespace cellwatch {

// Stimulus: driving values, SRAM, clock generator, board lines, CAL files and the software clock.
std::unique_ptr<ScriptCommand> compileAssign(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileBctl(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileClear(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileClearAll(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileClock(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileFillMem(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileLoadCal(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compilePattern(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compilePclk(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileReset(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileRestart(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileSetClockReg(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileSetClockMode(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileCycle(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileStepSize(ScriptSession& session, std::string& args);

// Observation and control: checks, breaks, traces, vectors, radices, echo and comments.
std::unique_ptr<ScriptCommand> compileCheck(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileBreak(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileEcho(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileRadix(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileTrace(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileTraceOn(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileTraceOff(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileComment(ScriptSession& session, std::string& args);
std::unique_ptr<ScriptCommand> compileVector(ScriptSession& session, std::string& args);

} // namespace cellwatch
