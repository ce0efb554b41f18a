#pragma once
// Small helpers the command handlers share for taking argument text apart and for building
// their log messages.

#include "script/scanning.h"
#include "script/script_command.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace cellwatch {

// Takes the next token off the argument text (NextToken, then DropToken). False, with an empty
// token, when only separators are left.
inline bool TakeToken(std::string& args, std::string& token) {
    const bool found = NextToken(args, token);
    DropToken(args);
    return found;
}

// True when the text holds nothing but separators.
inline bool IsBlankText(std::string_view text) {
    for (char c : text)
        if (!IsSeparator(c))
            return false;
    return true;
}

// The pieces of a message joined into one text.
inline std::string JoinText(std::initializer_list<std::string_view> pieces) {
    std::size_t length = 0;
    for (std::string_view p : pieces)
        length += p.size();
    std::string text;
    text.reserve(length);
    for (std::string_view p : pieces)
        text += p;
    return text;
}

inline std::unique_ptr<ScriptCommand> MakeCommand(CommandKind kind) {
    auto command = std::make_unique<ScriptCommand>();
    command->kind = kind;
    return command;
}

} // namespace cellwatch
