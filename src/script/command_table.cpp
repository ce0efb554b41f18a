#include "script/command_table.h"

#include "script/command_args.h"
#include "script/command_handlers.h"
#include "script/scanning.h"

#include <array>

namespace cellwatch {

namespace {

// Match order is part of the language: keep new words at the end.
constexpr std::array<CommandEntry, 24> kCommands = {{
    {"assign", compileAssign},
    {"bctl", compileBctl},
    {"check", compileCheck},
    {"break", compileBreak},
    {"clear", compileClear},
    {"clearall", compileClearAll},
    {"clock", compileClock},
    {"echo", compileEcho},
    {"fm", compileFillMem},
    {"loadcal", compileLoadCal},
    {"pattern", compilePattern},
    {"pclk", compilePclk},
    {"radix", compileRadix},
    {"reset", compileReset},
    {"restart", compileRestart},
    {"setclockreg", compileSetClockReg},
    {"setclockmode", compileSetClockMode},
    {"cycle", compileCycle},
    {"stepsize", compileStepSize},
    {"trace", compileTrace},
    {"traceon", compileTraceOn},
    {"traceoff", compileTraceOff},
    {"comment", compileComment},
    {"vector", compileVector},
}};

} // namespace

std::span<const CommandEntry> commandTable() {
    return kCommands;
}

std::unique_ptr<ScriptCommand> dispatchCommand(ScriptSession& session, std::string line) {
    // The blank guarantees that the argument text of a bare word still starts with a separator.
    line.push_back(' ');
    const std::size_t bar = line.find('|');
    if (bar != std::string::npos)
        line.resize(bar);

    std::string word;
    if (!NextToken(line, word))
        return nullptr;
    DropToken(line);
    word = toLowerAscii(word);

    for (const CommandEntry& entry : kCommands)
        if (entry.word == word)
            return entry.handler(session, line);

    session.LogError(joinText({"Command \"", word, "\" is not a valid command."}));
    return nullptr;
}

} // namespace cellwatch
