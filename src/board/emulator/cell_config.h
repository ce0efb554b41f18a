#pragma once
// The configuration encoding of one emulated cell: three 32-bit words written at column-offsets 0, 1
// and 2 of the cell's address. The fabric decodes them and the design builder encodes them, so both
// sides share this one definition.

#include <cstdint>

namespace cellwatch {

// Where a cell input (offsets 0 and 1) comes from: 0x000000 constant 0, 0x2xxxxx constant 1,
// 0x1CCRR the output of the cell in column CC, row RR.
struct CellSource {
    enum class Kind : std::uint8_t { Zero = 0, Cell = 1, One = 2 };
    Kind kind = Kind::Zero;
    int row = 0;
    int column = 0;

    static CellSource zero() { return {}; }
    static CellSource one() { return {Kind::One, 0, 0}; }
    static CellSource cell(int row, int column) { return {Kind::Cell, row, column}; }

    std::uint32_t encode() const;
    static CellSource decode(std::uint32_t word);
    bool operator==(const CellSource&) const = default;
};

// What a cell does with its inputs.
enum class CellMode : std::uint8_t {
    Storage = 0,       // holds what is written; no clock changes it
    Combinational = 1, // its output follows f(a, b) at once
    Registered = 2,    // takes f(a, b) on each rising edge of its clock source
};

// Which edge clocks a registered cell.
enum class ClockKind : std::uint8_t {
    Global = 0,       // the board's global clock, which the emulator never ticks
    CellOutput = 1,   // rising edge of another cell's output
    ColumnRead = 2,   // strobe of every state read of the clock cell's column (CBUF read)
    ColumnAccess = 3, // strobe of every state read or write of that column (CBUF assign)
};

// The decoded configuration of one cell. Offset 2 holds the function word 0xICCRRKMT:
// T truth table (bit a + 2b is f(a, b)), M mode, K clock kind, CC RR the clock cell,
// I bit 28 = inverted read-back.
struct CellConfig {
    CellSource inputA;
    CellSource inputB;
    std::uint8_t table = 0;
    CellMode mode = CellMode::Storage;
    ClockKind clock = ClockKind::Global;
    int clockRow = 0;
    int clockColumn = 0;
    bool invertedReadBack = false;

    std::uint32_t functionWord() const;
    static CellConfig decode(std::uint32_t word0, std::uint32_t word1, std::uint32_t word2);
    bool operator==(const CellConfig&) const = default;
};

// Truth tables of the usual two-input functions (a is input A, b is input B).
namespace truth {
constexpr std::uint8_t kZero = 0x0;
constexpr std::uint8_t kAnd = 0x8;
constexpr std::uint8_t kOr = 0xE;
constexpr std::uint8_t kXor = 0x6;
constexpr std::uint8_t kXnor = 0x9;
constexpr std::uint8_t kNand = 0x7;
constexpr std::uint8_t kNor = 0x1;
constexpr std::uint8_t kA = 0xA;
constexpr std::uint8_t kNotA = 0x5;
constexpr std::uint8_t kB = 0xC;
constexpr std::uint8_t kNotB = 0x3;
constexpr std::uint8_t kOne = 0xF;
} // namespace truth

} // namespace cellwatch
