#pragma once
// A full-size design for the 128-cell member: 256 16-bit counters (even ones count up, odd ones
// down), 61 128-bit Galois LFSRs and a layer of 170 mixed two-input gates reading their bits, in
// 15 659 of the 16 384 cells. It proves the emulated fabric against a simulator of the same design
// written in Verilog (bench/reference/workload128.v) and loads the fabric for speed measurements.
//
// Layout: column 0 holds the clock register alone (so every CBUF method can clock it); counter k
// has its bits in column 1 + 2 (k / 8), rows 16 (k % 8) + i, and its carry gates in the next column;
// LFSR m fills column 65 + m; the gates sit in columns 126 and 127.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cellwatch {

struct Workload128Options {
    int cycles = 1000;              // the script's one cycle command
    std::string method = "reg_out"; // reg_out, cbuf_read or cbuf_assign
    bool traced = true;             // trace every counter, LFSR word and gate vector
    bool checks = true;             // end with a check of every vector
};

// The design's behaviour, computed directly from its definition (not from cells): the state after
// the script's assignments and after each clock edge. The generator takes the checks' expected
// values from it.
// Where a bit of the workload lives in the 128-cell array.
struct Workload128Cell {
    int row;
    int column;
};

class Workload128Model {
public:
    static constexpr int kCounters = 256;
    static constexpr int kLfsrs = 61;
    static constexpr int kGates = 170;
    static constexpr int kStateBits = kCounters * 16 + kLfsrs * 128; // 11 904

    Workload128Model();

    // Value a counter takes after the script's assignment, and an LFSR's low word.
    static std::uint16_t counterStart(int counter);
    static std::uint32_t lfsrSeed(int lfsr);
    // Whether bit (1 to 127) of an LFSR takes the feedback bit in.
    static bool lfsrTap(int lfsr, int bit);
    // The two state bits (see stateBit) a gate reads, and its function (0-7: and, or, xor, xnor,
    // nand, nor, a and not b, not a or b).
    static int gateInputA(int gate);
    static int gateInputB(int gate);
    static int gateFunction(int gate);
    // Counter k's bit i is state bit 16k + i; LFSR m's bit i is 4096 + 128m + i.
    bool stateBit(int index) const;
    // The cells the design puts state bit s and gate j in.
    static Workload128Cell stateCell(int s);
    static Workload128Cell gateCell(int gate);

    void clockEdge();

    std::uint16_t counter(int k) const { return m_counters[static_cast<std::size_t>(k)]; }
    // Word w (0 = bits 31..0) of LFSR m.
    std::uint32_t lfsrWord(int m, int w) const {
        return m_lfsrs[static_cast<std::size_t>(m)][static_cast<std::size_t>(w)];
    }
    bool gate(int j) const;
    // Gates 32v + 31 .. 32v as the vector gv shows them (the last vector has 10 bits).
    std::uint32_t gateWord(int v) const;

private:
    std::vector<std::uint16_t> m_counters;
    std::vector<std::array<std::uint32_t, 4>> m_lfsrs;
};

// The total number of configured cells (clock register included).
int workload128CellCount();

// Writes workload128.sym, workload128.cal and workload128.cmd into folder (which must exist), each
// atomically. The script names the other two by file name only. False when a file cannot be written
// or the method is unknown.
bool writeWorkload128(const std::string& folder, const Workload128Options& options);

} // namespace cellwatch
