#include "app/dispatch_stub.h"

#include "design/design_element.h"
#include "design/design_tree.h"
#include "script/scanning.h"

#include <array>
#include <string_view>
#include <utility>

namespace cellwatch {

namespace {

std::string quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

bool takeToken(std::string& args, std::string& token) {
    if (!NextToken(args, token))
        return false;
    DropToken(args);
    return true;
}

void compileTrace(ScriptSession& session, std::string args) {
    std::string name;
    if (!NextToken(args, name)) {
        session.LogWarning("TRACE - Nothing to trace!");
        return;
    }
    while (takeToken(args, name)) {
        DesignElement* element = session.findElement(name);
        if (element == nullptr) {
            session.LogError("TRACE - Element " + quoted(name) + " cannot be traced as it does not exist.");
            return;
        }
        if (element->type == ElementType::Composite) {
            session.LogError("TRACE - Cannot trace composite object " + quoted(name));
            return;
        }
        if (session.isTraced(element)) {
            session.LogError("TRACE - Trace " + quoted(name) + " has already been defined.");
            return;
        }
        session.appendTrace(element);
        session.LogInfo("Adding trace: " + element->fullName + " - Size: " + std::to_string(element->size));
    }
}

void compileVector(ScriptSession& session, std::string args) {
    std::string name;
    if (!takeToken(args, name))
        return;
    if (session.findElement(name) != nullptr) {
        session.LogError("VECTOR - Cannot redefine " + quoted(name) + ", this name is already in use.");
        return;
    }
    std::vector<DesignElement*> members;
    std::uint64_t size = 0;
    std::string token;
    while (takeToken(args, token)) {
        DesignElement* member = session.findElement(token);
        if (member == nullptr) {
            session.LogError("VECTOR - Cannot make vector " + quoted(name) + ", element " + quoted(token) +
                             " is not valid.");
            return;
        }
        members.push_back(member);
        size += member->size;
    }
    if (members.empty()) {
        session.LogError("VECTOR - Cannot make vector " + quoted(name) + ", as no componets specified.");
        return;
    }
    if (size > 32) {
        session.LogError("VECTOR - Cannot make vector " + quoted(name) +
                         ", as it is too large (32 bits max).");
        return;
    }
    session.makeGroupElement(name, std::move(members));
}

void compileClockReg(ScriptSession& session, std::string args) {
    if (session.runMode() == 0 && session.clockElement() != nullptr)
        return;
    std::string name;
    NextToken(args, name);
    DesignElement* reg = session.findElement(name);
    if (reg == nullptr) {
        session.LogError("SETCLOCKREG - Cannot clock on " + quoted(name) + " as it does not exist.");
        return;
    }
    if (reg->type != ElementType::Symbol || reg->combinatorial != 0) {
        session.LogError("SETCLOCKREG - Can only clock on registers, and " + quoted(name) +
                         " is not a register.");
        return;
    }
    session.selectClockRegister(reg);
}

void compileClockMode(ScriptSession& session, std::string args) {
    std::string token;
    NextToken(args, token);
    token = ToLowerAscii(token);
    static constexpr std::array<std::pair<std::string_view, int>, 5> kModes{
        {{"none", 0}, {"cbuf_read", 1}, {"cbuf_assign", 2}, {"reg_out", 3}, {"bufgp", 3}}};
    for (const auto& [word, method] : kModes) {
        if (token == word) {
            session.setClockMethod(method);
            return;
        }
    }
    session.LogError("SETCLOCKMODE - Invalid clock type " + quoted(token) + ".");
}

std::unique_ptr<ScriptCommand> node(CommandKind kind, std::string args) {
    auto command = std::make_unique<ScriptCommand>();
    command->kind = kind;
    SkipBlanks(args);
    command->text = std::move(args);
    return command;
}

} // namespace

std::unique_ptr<ScriptCommand> StubDispatchCommand(ScriptSession& session, std::string line) {
    line += ' ';
    if (const std::size_t bar = line.find('|'); bar != std::string::npos)
        line.erase(bar);
    std::string word;
    if (!NextToken(line, word))
        return nullptr;
    DropToken(line);
    word = ToLowerAscii(word);

    if (word == "trace") {
        compileTrace(session, std::move(line));
        return nullptr;
    }
    if (word == "vector") {
        compileVector(session, std::move(line));
        return nullptr;
    }
    if (word == "setclockreg") {
        compileClockReg(session, std::move(line));
        return nullptr;
    }
    if (word == "setclockmode") {
        compileClockMode(session, std::move(line));
        return nullptr;
    }
    if (word == "clock" || word == "pattern" || word == "radix")
        return nullptr;
    if (word == "break") {
        std::string any;
        return NextToken(line, any) ? nullptr : node(CommandKind::Break, std::move(line));
    }
    if (word == "comment") {
        std::string on;
        NextToken(line, on);
        return node(ToLowerAscii(on) == "off" ? CommandKind::CommentOff : CommandKind::CommentOn,
                    std::move(line));
    }
    static constexpr std::array<std::pair<std::string_view, CommandKind>, 17> kNodes{{
        {"assign", CommandKind::Assign},
        {"bctl", CommandKind::Bctl},
        {"check", CommandKind::Check},
        {"clear", CommandKind::Clear},
        {"clearall", CommandKind::ClearAll},
        {"echo", CommandKind::Echo},
        {"fm", CommandKind::FillMem},
        {"loadcal", CommandKind::LoadCal},
        {"pclk", CommandKind::Pclk},
        {"reset", CommandKind::Reset},
        {"restart", CommandKind::Restart},
        {"cycle", CommandKind::Cycle},
        {"stepsize", CommandKind::StepSize},
        {"traceon", CommandKind::TraceOn},
        {"traceoff", CommandKind::TraceOff},
        {"break", CommandKind::Break},
        {"comment", CommandKind::CommentOn},
    }};
    for (const auto& [w, kind] : kNodes) {
        if (word == w) {
            auto command = node(kind, line);
            if (kind == CommandKind::Cycle)
                command->value = ReadPlainDecimal(line);
            return command;
        }
    }
    session.LogError("Command " + quoted(word) + " is not a valid command.");
    return nullptr;
}

} // namespace cellwatch
