// Compile halves of the commands that observe the design and steer a run: checks, breaks,
// traces, vectors, display radices, echo lines and comments.

#include "design/design_element.h"
#include "design/design_tree.h"
#include "script/command_args.h"
#include "script/command_handlers.h"
#include "script/scanning.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

namespace cellwatch {

namespace {

// The vector name the session gives its software clock; a group under that name would make two
// elements share one key as soon as a clock register is chosen.
bool isReservedName(std::string_view name) {
    return toLowerAscii(name) == toLowerAscii(kSoftwareClockName);
}

struct RadixWord {
    std::string_view word;
    int base;
};

constexpr std::array<RadixWord, 4> kRadixWords = {{{"bin", 2}, {"oct", 8}, {"dec", 10}, {"hex", 16}}};

} // namespace

std::unique_ptr<ScriptCommand> compileCheck(ScriptSession& session, std::string& args) {
    std::string name;
    takeToken(args, name);
    DesignElement* element = session.findElement(name);
    if (element == nullptr) {
        session.LogError(
            joinText({"CHECK - Cannot assert on element \"", name, "\", as it does not exist."}));
        return nullptr;
    }
    std::string token;
    takeToken(args, token);
    std::uint32_t value = 0;
    if (!ParseValue(token, value)) {
        session.LogError(joinText({"CHECK - Cannot parse value \"", token, "\"."}));
        return nullptr;
    }
    auto command = makeCommand(CommandKind::Check);
    command->element = element;
    command->value = static_cast<std::int32_t>(value);
    return command;
}

std::unique_ptr<ScriptCommand> compileBreak(ScriptSession& session, std::string& args) {
    if (isBlankText(args))
        return makeCommand(CommandKind::Break);
    std::string name;
    takeToken(args, name);
    DesignElement* element = session.findElement(name);
    if (element == nullptr) {
        session.LogError(joinText({"BREAK - Cannot break on element \"", name, "\" as it does not exist."}));
        return nullptr;
    }
    std::string token;
    takeToken(args, token);
    std::uint32_t value = 0;
    if (!ParseValue(token, value)) {
        session.LogError(joinText({"BREAK - Cannot parse value \"", token, "\"."}));
        return nullptr;
    }
    session.addBreakCondition(element, value);
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileTrace(ScriptSession& session, std::string& args) {
    if (isBlankText(args)) {
        session.LogWarning("TRACE - Nothing to trace!");
        return nullptr;
    }
    std::string name;
    TokenCursor names(args);
    while (names.take(name)) {
        // The first bad name ends the line: the names after it are neither traced nor reported.
        DesignElement* element = session.findElement(name);
        if (element == nullptr) {
            session.LogError(
                joinText({"TRACE - Element \"", name, "\" cannot be traced as it does not exist."}));
            return nullptr;
        }
        if (element->type == ElementType::Composite) {
            session.LogError(joinText({"TRACE - Cannot trace composite object \"", name, "\""}));
            return nullptr;
        }
        if (session.isTraced(element)) {
            session.LogError(joinText({"TRACE - Trace \"", name, "\" has already been defined."}));
            return nullptr;
        }
        session.traceElement(element);

        char size[16];
        const auto end = std::to_chars(size, size + sizeof size, element->size).ptr;
        session.LogInfo(
            joinText({"Adding trace: ", element->fullName, " - Size: ", std::string_view(size, end - size)}));
        if (!isReadable(*element))
            session.LogWarning(
                joinText({"TRACE - Element \"", name,
                          "\" contains cells that cannot be read. Using cell outputs instead."}));
    }
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileTraceOn(ScriptSession&, std::string&) {
    return makeCommand(CommandKind::TraceOn);
}

std::unique_ptr<ScriptCommand> compileTraceOff(ScriptSession&, std::string&) {
    return makeCommand(CommandKind::TraceOff);
}

std::unique_ptr<ScriptCommand> compileVector(ScriptSession& session, std::string& args) {
    std::string name;
    takeToken(args, name);
    if (session.findElement(name) != nullptr || isReservedName(name)) {
        session.LogError(joinText({"VECTOR - Cannot redefine \"", name, "\", this name is already in use."}));
        return nullptr;
    }

    std::vector<DesignElement*> members;
    // Summed wide: a bus range may name thousands of members.
    std::uint64_t bits = 0;
    std::string token;
    std::string member;
    int depth = 0;
    TokenCursor tokens(args);
    while (tokens.take(token)) {
        if (!ExpandBus(token)) {
            session.LogError(joinText({"VECTOR - Cannot expand bus in vector \"", name, "\"."}));
            return nullptr;
        }
        TokenCursor expanded(token);
        while (expanded.take(member)) {
            DesignElement* element = session.findElement(member);
            if (element == nullptr) {
                session.LogError(joinText(
                    {"VECTOR - Cannot make vector \"", name, "\", element \"", member, "\" is not valid."}));
                return nullptr;
            }
            members.push_back(element);
            bits += element->size;
            depth = std::max(depth, groupDepth(element));
        }
    }
    if (members.empty()) {
        session.LogError(
            joinText({"VECTOR - Cannot make vector \"", name, "\", as no componets specified."}));
        return nullptr;
    }
    if (bits > 32) {
        session.LogError(
            joinText({"VECTOR - Cannot make vector \"", name, "\", as it is too large (32 bits max)."}));
        return nullptr;
    }
    if (depth + 1 > kMaxGroupDepth) {
        // Deeper nests would be logged as assigned and traced while nothing reached their cells.
        session.LogError(
            joinText({"VECTOR - Cannot make vector \"", name, "\", as its groups nest more than ",
                      std::to_string(kMaxGroupDepth), " deep."}));
        return nullptr;
    }
    // The name was free a moment ago; a refusal now means the design tree is full.
    if (session.makeGroupElement(name, std::move(members)) == nullptr)
        session.LogError(joinText({"VECTOR - Cannot redefine \"", name, "\", this name is already in use."}));
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileRadix(ScriptSession& session, std::string& args) {
    // The whole line is lower-cased, so the messages show the words lower-cased too.
    args = toLowerAscii(args);
    std::string token;
    takeToken(args, token);
    int base = 0;
    for (const RadixWord& radix : kRadixWords)
        if (radix.word == token)
            base = radix.base;
    if (base == 0) {
        session.LogError(joinText({"RADIX - \"", token, "\" is not a valid base."}));
        return nullptr;
    }
    std::string name;
    while (takeToken(args, name)) {
        if (DesignElement* element = session.findElement(name))
            element->radix = base;
        else
            session.LogError(
                joinText({"RADIX - Cannot set radix on element \"", name, "\" as it does not exist."}));
    }
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileEcho(ScriptSession&, std::string& args) {
    auto command = makeCommand(CommandKind::Echo);
    // Without a quoted string the line is still an echo, of nothing.
    TakeQuoted(args, command->text);
    return command;
}

std::unique_ptr<ScriptCommand> compileComment(ScriptSession& session, std::string& args) {
    std::string token;
    NextToken(toLowerAscii(args), token);
    if (token == "on")
        return makeCommand(CommandKind::CommentOn);
    if (token == "off")
        return makeCommand(CommandKind::CommentOff);
    session.LogError("COMMENT - Takes only on and off as parameters.");
    return nullptr;
}

} // namespace cellwatch
