// Compile halves of the set-up commands: the CAL file to load, the software clock register and
// the clocking method.

#include "design/design_element.h"
#include "script/command_args.h"
#include "script/command_handlers.h"
#include "script/scanning.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace cellwatch {

namespace {

// Whether the file can be opened for reading. A folder opens on this platform but is no CAL file,
// so it counts as missing: the script then fails when it is compiled rather than when it runs.
bool canOpenForReading(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

struct ClockModeWord {
    std::string_view word;
    int method;
};

constexpr std::array<ClockModeWord, 5> kClockModes = {{
    {"none", 0},
    {"cbuf_read", 1},
    {"cbuf_assign", 2},
    {"reg_out", 3},
    {"bufgp", 3},
}};

} // namespace

std::unique_ptr<ScriptCommand> compileLoadCal(ScriptSession& session, std::string& args) {
    // A quoted path may hold blanks; an unquoted one is the next token.
    std::string path;
    std::string rest = args;
    if (!TakeQuoted(rest, path))
        NextToken(args, path);
    if (!canOpenForReading(session.resolveScriptPath(path))) {
        session.LogError(JoinText({"LOADCAL - Cannot find CAL file \"", path, "\"."}));
        return nullptr;
    }
    // The step keeps the path as written; the run resolves it against the script again.
    auto command = MakeCommand(CommandKind::LoadCal);
    command->text = std::move(path);
    return command;
}

std::unique_ptr<ScriptCommand> compileSetClockReg(ScriptSession& session, std::string& args) {
    // A parse has always removed the clock first, so a script's line always acts; from the command
    // bar the line replaces the clock chosen earlier.
    if (session.runMode() == 0 && session.clockElement() != nullptr)
        return nullptr;
    std::string name;
    TakeToken(args, name);
    DesignElement* element = session.findElement(name);
    if (element == nullptr) {
        session.LogError(JoinText({"SETCLOCKREG - Cannot clock on \"", name, "\" as it does not exist."}));
        return nullptr;
    }
    if (element->type != ElementType::Symbol || element->combinatorial != 0) {
        session.LogError(
            JoinText({"SETCLOCKREG - Can only clock on registers, and \"", name, "\" is not a register."}));
        return nullptr;
    }
    session.selectClockRegister(element);
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileSetClockMode(ScriptSession& session, std::string& args) {
    std::string token;
    TakeToken(args, token);
    token = ToLowerAscii(token);
    for (const ClockModeWord& mode : kClockModes) {
        if (mode.word == token) {
            session.setClockMethod(mode.method);
            return nullptr;
        }
    }
    session.LogError(JoinText({"SETCLOCKMODE - Invalid clock type \"", token, "\"."}));
    return nullptr;
}

} // namespace cellwatch
