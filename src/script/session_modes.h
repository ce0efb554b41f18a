#pragma once
// The session's run mode and clocking method, shared by the command handlers and the run engine.

namespace cellwatch {

// Where commands come from. A parse runs in Script mode too.
enum class RunMode {
    Script = 0,      // "Run test" runs the script from its first command
    Interactive = 1, // no run in progress: commands come from the command bar
    Batch = 2,       // an unattended run from the command line
};

// How the run engine makes a clock edge for a cycle.
enum class ClockMethod {
    None = 0,       // the time advances by 10, no edge
    CbufRead = 1,   // reading the clock register's column makes the edge
    CbufAssign = 2, // as CbufRead; writing the clock register's column makes an edge too
    RegOut = 3,     // the clock register itself is written 1, then 0
    External = 4,   // the clock comes from outside; a cycle does nothing
};

// Whether the method clocks through the clock register's column buffer.
constexpr bool isCbufMethod(ClockMethod method) {
    return method == ClockMethod::CbufRead || method == ClockMethod::CbufAssign;
}

} // namespace cellwatch
