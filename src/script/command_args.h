#pragma once
// Small helpers the command handlers share for taking argument text apart and for building
// their log messages.

#include "common/join_text.h"
#include "script/scanning.h"
#include "script/script_command.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace cellwatch {

// Takes the next token off the argument text (NextToken, then DropToken). False, with an empty
// token, when only separators are left.
inline bool takeToken(std::string& args, std::string& token) {
    const bool found = NextToken(args, token);
    DropToken(args);
    return found;
}

// The tokens of a text one after the other, from a moving start: a line of a million names is read
// in one pass, where taking each token off the front of the string made long lines quadratic.
class TokenCursor {
public:
    explicit TokenCursor(std::string_view text) : m_rest(text) {}
    bool take(std::string& token) {
        std::size_t start = 0;
        while (start < m_rest.size() && isSeparator(m_rest[start]))
            ++start;
        std::size_t end = start;
        while (end < m_rest.size() && !isSeparator(m_rest[end]))
            ++end;
        token.assign(m_rest.substr(start, end - start));
        m_rest.remove_prefix(end);
        return !token.empty();
    }

private:
    std::string_view m_rest;
};

// True when the text holds nothing but separators.
inline bool isBlankText(std::string_view text) {
    for (char c : text)
        if (!isSeparator(c))
            return false;
    return true;
}

inline std::unique_ptr<ScriptCommand> makeCommand(CommandKind kind) {
    auto command = std::make_unique<ScriptCommand>();
    command->kind = kind;
    return command;
}

} // namespace cellwatch
