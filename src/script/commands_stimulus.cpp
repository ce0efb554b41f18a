// Compile halves of the commands that drive the device: values, data sequences, SRAM fills, the
// clock generator, the bank control and the board's reset and clear lines.

#include "design/design_element.h"
#include "script/command_args.h"
#include "script/command_handlers.h"
#include "script/scanning.h"

#include <cstdint>

namespace cellwatch {

namespace {

// The messages of one sequence command: clock (cyclic) or pattern (one-shot).
struct SequenceWords {
    std::string_view prefix; // "CLOCK - " or "PATTERN - "
    std::string_view verb;   // "clock" or "pattern"
    bool cyclic;
};

void compileSequence(ScriptSession& session, std::string& args, const SequenceWords& words) {
    std::string name;
    takeToken(args, name);
    DesignElement* element = session.findElement(name);
    if (element == nullptr) {
        session.LogError(
            joinText({words.prefix, "Cannot ", words.verb, " element \"", name, "\" as it does not exist."}));
        return;
    }
    if (session.findSequence(element) != nullptr) {
        session.LogError(
            joinText({words.prefix, "Data sequence already exists for element \"", name, "\"."}));
        return;
    }

    auto sequence = std::make_unique<DataSequence>();
    sequence->element = element;
    sequence->cyclic = words.cyclic;
    std::string token;
    while (takeToken(args, token)) {
        std::uint32_t value = 0;
        // A bad value is reported and left out; the values after it still count.
        if (ParseValue(token, value))
            sequence->values.push_back(value);
        else
            session.LogError(joinText({words.prefix, "Cannot parse value \"", token, "\"."}));
    }
    sequence->current = 0;
    session.addSequence(std::move(sequence));
}

} // namespace

std::unique_ptr<ScriptCommand> compileAssign(ScriptSession& session, std::string& args) {
    std::string name;
    takeToken(args, name);
    DesignElement* element = session.findElement(name);
    if (element == nullptr) {
        session.LogError(
            joinText({"ASSIGN - Cannot assign value to element \"", name, "\", as it does not exist."}));
        return nullptr;
    }
    if (element == session.clockElement()) {
        session.LogError("ASSIGN - Cannot assign a value to the software clock!");
        return nullptr;
    }
    std::string token;
    takeToken(args, token);
    std::uint32_t value = 0;
    if (!ParseValue(token, value)) {
        session.LogError(joinText({"ASSIGN - Cannot parse value \"", token, "\"."}));
        return nullptr;
    }
    if (element->size < 32 && (value >> element->size) != 0)
        session.LogWarning(
            joinText({"ASSIGN - Data loss when assigning ", token, " to element \"", name, "\""}));

    auto command = makeCommand(CommandKind::Assign);
    command->element = element;
    command->value = static_cast<std::int32_t>(value);
    return command;
}

std::unique_ptr<ScriptCommand> compileClock(ScriptSession& session, std::string& args) {
    compileSequence(session, args, {"CLOCK - ", "clock", true});
    return nullptr;
}

std::unique_ptr<ScriptCommand> compilePattern(ScriptSession& session, std::string& args) {
    compileSequence(session, args, {"PATTERN - ", "pattern", false});
    return nullptr;
}

std::unique_ptr<ScriptCommand> compileFillMem(ScriptSession& session, std::string& args) {
    std::string token;
    takeToken(args, token);
    std::uint32_t address = 0;
    if (!ParseValue(token, address)) {
        session.LogError(joinText({"FILLMEM - Bad memory address value \"", token, "\"."}));
        return nullptr;
    }
    takeToken(args, token);
    std::uint32_t data = 0;
    if (!ParseValue(token, data)) {
        session.LogError(joinText({"FILLMEM - Bad data value \"", token, "\"."}));
        return nullptr;
    }
    std::uint32_t count = 1;
    if (takeToken(args, token) && !ParseValue(token, count)) {
        session.LogError(joinText({"FILLMEM - Bad count value \"", token, "\"."}));
        return nullptr;
    }

    auto command = makeCommand(CommandKind::FillMem);
    command->address = static_cast<std::int32_t>(address);
    command->data = static_cast<std::int32_t>(data);
    command->value = static_cast<std::int32_t>(count);
    return command;
}

std::unique_ptr<ScriptCommand> compilePclk(ScriptSession& session, std::string& args) {
    std::string token;
    takeToken(args, token);
    // Not-a-number reads as 0, which the range refuses along with everything outside it.
    const float frequency = readDecimalFloat(token);
    if (!(frequency >= 1.0f && frequency <= 66.0f)) {
        session.LogError(joinText({"PCLK - Freqency range is 1 to 66MHz (not \"", token, "\")."}));
        return nullptr;
    }
    auto command = makeCommand(CommandKind::Pclk);
    command->frequency = frequency;
    return command;
}

std::unique_ptr<ScriptCommand> compileBctl(ScriptSession& session, std::string& args) {
    std::string token;
    if (!takeToken(args, token)) {
        session.LogError("BCTL - Require one parameter (see online help for more details).");
        return nullptr;
    }
    // Leading zeros are allowed; a long run of digits reads as a large number and is refused.
    const int bank = IsDecimalNumber(token) ? readPlainDecimal(token) : -1;
    if (bank < 0 || bank > 3) {
        session.LogError(
            joinText({"BCTL - Takes a number between 0 and 3 as a parameter, not \"", token, "\"."}));
        return nullptr;
    }
    auto command = makeCommand(CommandKind::Bctl);
    command->value = bank;
    return command;
}

std::unique_ptr<ScriptCommand> compileClear(ScriptSession&, std::string&) {
    return makeCommand(CommandKind::Clear);
}

std::unique_ptr<ScriptCommand> compileClearAll(ScriptSession&, std::string&) {
    return makeCommand(CommandKind::ClearAll);
}

std::unique_ptr<ScriptCommand> compileReset(ScriptSession&, std::string&) {
    return makeCommand(CommandKind::Reset);
}

std::unique_ptr<ScriptCommand> compileRestart(ScriptSession&, std::string&) {
    return makeCommand(CommandKind::Restart);
}

std::unique_ptr<ScriptCommand> compileCycle(ScriptSession& session, std::string& args) {
    std::string token;
    const int cycles = takeToken(args, token) ? readPlainDecimal(token) : 1;
    if (cycles <= 0) {
        session.LogError(joinText({"CYCLE - Invlaid number of cycles specified: \"", token, "\"."}));
        return nullptr;
    }
    auto command = makeCommand(CommandKind::Cycle);
    command->value = cycles;
    return command;
}

std::unique_ptr<ScriptCommand> compileStepSize(ScriptSession&, std::string& args) {
    std::string token;
    takeToken(args, token);
    auto command = makeCommand(CommandKind::StepSize);
    command->value = readPlainDecimal(token);
    return command;
}

} // namespace cellwatch
