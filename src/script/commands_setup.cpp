// Compile halves of the set-up commands: the CAL file to load, the software clock register and
// the clocking method.

#include "common/file_text.h"
#include "design/design_element.h"
#include "script/command_args.h"
#include "script/command_handlers.h"
#include "script/scanning.h"

#include <array>

namespace cellwatch {

namespace {

struct ClockModeWord {
    std::string_view word;
    ClockMethod method;
};

constexpr std::array<ClockModeWord, 5> kClockModes = {{
    {"none", ClockMethod::None},
    {"cbuf_read", ClockMethod::CbufRead},
    {"cbuf_assign", ClockMethod::CbufAssign},
    {"reg_out", ClockMethod::RegOut},
    {"bufgp", ClockMethod::RegOut},
}};

} // namespace

std::unique_ptr<ScriptCommand> compileLoadCal(ScriptSession& session, std::string& args) {
    // A quoted path may hold blanks; an unquoted one is the next token.
    std::string path;
    std::string rest = args;
    if (!TakeQuoted(rest, path))
        NextToken(args, path);
    const std::string resolved = session.resolveScriptPath(path);
    if (const std::string why = inputFileProblem(resolved); !why.empty()) {
        session.LogError(joinText({"LOADCAL - Cannot find CAL file \"", path, "\"."}));
        // The error's words are the same for a missing file and a device; this line tells which.
        if (why != "does not exist" && why != "is a folder")
            session.LogInfo(joinText({"\"", resolved, "\" ", why, "."}));
        return nullptr;
    }
    // The step keeps the path as written; the run resolves it against the script again.
    auto command = makeCommand(CommandKind::LoadCal);
    command->text = std::move(path);
    return command;
}

std::unique_ptr<ScriptCommand> compileSetClockReg(ScriptSession& session, std::string& args) {
    // A parse has always removed the clock first, so a script's line always acts; from the command
    // bar the line replaces the clock chosen earlier.
    if (session.runMode() == RunMode::Script && session.clockElement() != nullptr)
        return nullptr;
    std::string name;
    takeToken(args, name);
    DesignElement* element = session.findElement(name);
    if (element == nullptr) {
        session.LogError(joinText({"SETCLOCKREG - Cannot clock on \"", name, "\" as it does not exist."}));
        return nullptr;
    }
    if (element->type != ElementType::Symbol || element->combinatorial != 0) {
        session.LogError(
            joinText({"SETCLOCKREG - Can only clock on registers, and \"", name, "\" is not a register."}));
        return nullptr;
    }
    session.selectClockRegister(element);
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileSetClockMode(ScriptSession& session, std::string& args) {
    std::string token;
    takeToken(args, token);
    token = toLowerAscii(token);
    for (const ClockModeWord& mode : kClockModes) {
        if (mode.word == token) {
            session.storeClockMethod(mode.method);
            return nullptr;
        }
    }
    session.LogError(joinText({"SETCLOCKMODE - Invalid clock type \"", token, "\"."}));
    return nullptr;
}

} // namespace cellwatch
