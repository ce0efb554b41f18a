#pragma once
// The script language's command words, in the order they are matched, and the dispatcher that
// compiles one script or command-bar line through them.

#include "script/script_command.h"
#include "script/script_session.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace cellwatch {

// Compiles the argument text (the line after the command word, starting with the separator that
// ended the word) into an executable step, or acts on the session at once and returns null.
// Every refusal is logged through the session.
using CommandHandler = std::unique_ptr<ScriptCommand> (*)(ScriptSession& session, std::string& args);

struct CommandEntry {
    std::string_view word; // lower case
    CommandHandler handler;
};

// Every command word with its handler, in match order.
std::span<const CommandEntry> commandTable();

// Compiles one line: text after the first '|' is a comment, the first token is the command word
// (matched without regard to case). Null for a blank or comment-only line, a declaration (acted on
// at once) and every error; the caller owns a returned step.
std::unique_ptr<ScriptCommand> dispatchCommand(ScriptSession& session, std::string line);

} // namespace cellwatch
