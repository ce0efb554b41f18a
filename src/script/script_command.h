#pragma once
// What compiling a script produces: executable steps (ScriptCommand) for the run engine, and the
// declarations that live in the session's lists (DataSequence, BreakCondition).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cellwatch {

class DesignElement;

enum class CommandKind : std::int32_t {
    Assign = 0,
    Cycle = 1,
    StepSize = 2,
    Reset = 3,
    Break = 4,
    Clear = 5,
    LoadCal = 6,
    TraceOn = 7,
    TraceOff = 8,
    Check = 9,
    Echo = 10,
    Restart = 11,
    ClearAll = 12,
    CommentOn = 13,
    CommentOff = 14,
    Bctl = 15,
    FillMem = 16,
    Pclk = 17,
};

// One compiled executable step. Fields a kind does not use are never read.
struct ScriptCommand {
    CommandKind kind = CommandKind::Assign;
    DesignElement* element = nullptr; // not owned: assign and check
    std::int32_t value = 0;           // assign/check value, cycle count, step size, bank, fill count
    std::int32_t address = 0;         // fill start (SRAM byte address)
    std::int32_t data = 0;            // fill data word
    std::string text;                 // echo text, CAL file path
    float frequency = 0.0f;           // requested clock frequency in MHz
    int line = -1;                    // 0-based script line it was compiled from; -1 when typed
};

// The values a `clock` (cyclic) or `pattern` (one-shot) line drives into one element, one per cycle.
struct DataSequence {
    DesignElement* element = nullptr; // not owned
    std::vector<std::uint32_t> values;
    bool cyclic = false;     // clock: after the last value comes the first again
    std::size_t current = 0; // the value for the next cycle; values.size() when run out

    bool hasCurrent() const { return current < values.size(); }
    std::uint32_t currentValue() const { return values[current]; }
    void advance() {
        if (++current == values.size() && cyclic)
            current = 0;
    }
};

// A run pauses when the element holds the value.
struct BreakCondition {
    DesignElement* element = nullptr; // not owned
    std::uint32_t value = 0;
};

} // namespace cellwatch
