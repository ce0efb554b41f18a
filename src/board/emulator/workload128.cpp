#include "board/emulator/workload128.h"

#include "board/emulator/design_builder.h"
#include "common/atomic_file.h"

#include <algorithm>
#include <cstdio>

namespace cellwatch {

namespace {

constexpr int kCounterColumn0 = 1;
constexpr int kLfsrColumn0 = 65;
constexpr int kGateColumn0 = 126;

struct Place {
    int row;
    int column;
};

// Where state bit s (Workload128Model::stateBit numbering) lives.
Place stateCell(int s) {
    if (s < Workload128Model::kCounters * 16) {
        const int k = s / 16;
        return {16 * (k % 8) + s % 16, kCounterColumn0 + 2 * (k / 8)};
    }
    const int t = s - Workload128Model::kCounters * 16;
    return {t % 128, kLfsrColumn0 + t / 128};
}

Place gateCell(int j) {
    return {j % 128, kGateColumn0 + j / 128};
}

std::string threeDigits(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%03d", n);
    return buffer;
}
std::string twoDigits(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}
std::string hex(std::uint32_t v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x\\h", v);
    return buffer;
}

std::string counterVector(int k) {
    return "cnt" + threeDigits(k);
}
std::string counterBit(int k, int i) {
    return "counters\\k" + threeDigits(k) + "\\q" + std::to_string(i);
}
std::string lfsrVector(int m, int w) {
    return "lfsr" + twoDigits(m) + "w" + std::to_string(w);
}
std::string lfsrBit(int m, int i) {
    return "lfsrs\\m" + twoDigits(m) + "\\b" + std::to_string(i);
}
std::string gateVector(int v) {
    return "gate" + std::to_string(v);
}
std::string gateName(int j) {
    return "gates\\x" + std::to_string(j);
}
constexpr int kGateVectors = (Workload128Model::kGates + 31) / 32;

constexpr std::uint8_t kGateTables[8] = {truth::kAnd,           truth::kOr,   truth::kXor,
                                         truth::kXnor,          truth::kNand, truth::kNor,
                                         0x2 /* a and not b */, 0xD /* not a or b */};

CellSource at(Place p) {
    return CellSource::cell(p.row, p.column);
}

// Counter k: bit i toggles when every lower bit is 1 (up) or 0 (down); the carry of bit i (i >= 2)
// is a gate in the next column, chained from the one below it.
void placeCounter(DesignBuilder& d, int k, ClockKind clock) {
    const bool up = k % 2 == 0;
    const Place q0 = stateCell(16 * k);
    const auto bit = [&](int i) { return Place{q0.row + i, q0.column}; };
    const auto carry = [&](int i) { return Place{q0.row + i, q0.column + 1}; };
    for (int i = 0; i < 16; ++i) {
        CellSource b = CellSource::one();
        std::uint8_t table = truth::kXor;
        if (i == 1) {
            b = at(bit(0));
            table = up ? truth::kXor : truth::kXnor;
        } else if (i >= 2) {
            b = at(carry(i));
        }
        d.registered(counterBit(k, i), bit(i).row, bit(i).column, at(bit(i)), b, table, clock, 0, 0);
    }
    d.combinational("", carry(2).row, carry(2).column, at(bit(0)), at(bit(1)),
                    up ? truth::kAnd : truth::kNor);
    for (int i = 3; i < 16; ++i)
        d.combinational("", carry(i).row, carry(i).column, at(carry(i - 1)), at(bit(i - 1)),
                        up ? truth::kAnd : std::uint8_t{0x2});
}

// LFSR m, Galois form shifting up: bit 0 takes bit 127, bit i takes bit i - 1, xor bit 127 at taps.
void placeLfsr(DesignBuilder& d, int m, ClockKind clock) {
    const int column = kLfsrColumn0 + m;
    for (int i = 0; i < 128; ++i) {
        const CellSource previous = CellSource::cell(i == 0 ? 127 : i - 1, column);
        const bool tap = i > 0 && Workload128Model::lfsrTap(m, i);
        d.registered(lfsrBit(m, i), i, column, previous, CellSource::cell(127, column),
                     tap ? truth::kXor : truth::kA, clock, 0, 0);
    }
}

void placeGates(DesignBuilder& d) {
    for (int j = 0; j < Workload128Model::kGates; ++j) {
        const Place p = gateCell(j);
        d.combinational(gateName(j), p.row, p.column, at(stateCell(Workload128Model::gateInputA(j))),
                        at(stateCell(Workload128Model::gateInputB(j))),
                        kGateTables[Workload128Model::gateFunction(j)]);
    }
}

DesignBuilder buildDesign(ClockKind clock, const std::string& method) {
    DesignBuilder d(128,
                    "workload128: 256 counters, 61 LFSRs and 170 gates on the 128-cell member, clocked by " +
                        method);
    d.storage("clk", 0, 0);
    for (int k = 0; k < Workload128Model::kCounters; ++k)
        placeCounter(d, k, clock);
    for (int m = 0; m < Workload128Model::kLfsrs; ++m)
        placeLfsr(d, m, clock);
    placeGates(d);
    return d;
}

// Appends names as lines of "word name name ..." of at most about 300 characters.
void wrapped(std::string& out, const std::string& word, const std::vector<std::string>& names) {
    std::string line;
    for (const std::string& name : names) {
        if (line.empty())
            line = word;
        line += " " + name;
        if (line.size() > 300) {
            out += line + "\r\n";
            line.clear();
        }
    }
    if (!line.empty())
        out += line + "\r\n";
}

std::string scriptText(const Workload128Options& options) {
    std::string s = "| Generated by Halvane LC3400 Cellwatch Release Version 1.0\r\n"
                    "| Generated on Mon Jan 01 00:00:00 2024\r\n"
                    "| WARNING: DO NOT EDIT the lines beginning with |GRT_\r\n\r\n"
                    "|GRT_SYMBOL_TABLE \"workload128.sym\"\r\n\r\n|GRT_VECTOR_BEGIN\r\n";
    std::vector<std::string> traced; // every vector
    for (int k = 0; k < Workload128Model::kCounters; ++k) {
        s += "vector " + counterVector(k) + " counters\\k" + threeDigits(k) + "\\q[15:0]\r\n";
        traced.push_back(counterVector(k));
    }
    for (int m = 0; m < Workload128Model::kLfsrs; ++m)
        for (int w = 0; w < 4; ++w) {
            s += "vector " + lfsrVector(m, w) + " lfsrs\\m" + twoDigits(m) + "\\b[" +
                 std::to_string(32 * w + 31) + ":" + std::to_string(32 * w) + "]\r\n";
            traced.push_back(lfsrVector(m, w));
        }
    for (int v = 0; v < kGateVectors; ++v) {
        const int top = std::min(32 * v + 31, Workload128Model::kGates - 1);
        s += "vector " + gateVector(v) + " gates\\x[" + std::to_string(top) + ":" + std::to_string(32 * v) +
             "]\r\n";
        traced.push_back(gateVector(v));
    }
    s += "|GRT_VECTOR_END\r\n\r\n|GRT_TRACE_BEGIN\r\n";
    if (options.traced)
        wrapped(s, "trace", traced);
    s += "|GRT_TRACE_END\r\nsetclockreg clk\r\nsetclockmode " + options.method +
         "\r\n\r\n| Initial cal file\r\nloadcal \"workload128.cal\"\r\n\r\n";
    s += "| Every counter and the low word of every LFSR start from their own value.\r\n";
    wrapped(s, "radix hex", traced);
    s += "clearall\r\n";
    for (int k = 0; k < Workload128Model::kCounters; ++k)
        s += "assign " + counterVector(k) + " " + hex(Workload128Model::counterStart(k)) + "\r\n";
    for (int m = 0; m < Workload128Model::kLfsrs; ++m)
        s += "assign " + lfsrVector(m, 0) + " " + hex(Workload128Model::lfsrSeed(m)) + "\r\n";
    s += "cycle " + std::to_string(options.cycles) + "\r\n";
    if (options.checks) {
        Workload128Model model;
        for (int c = 0; c < options.cycles; ++c)
            model.clockEdge();
        s += "| The state after " + std::to_string(options.cycles) + " clock edges.\r\n";
        for (int k = 0; k < Workload128Model::kCounters; ++k)
            s += "check " + counterVector(k) + " " + hex(model.counter(k)) + "\r\n";
        for (int m = 0; m < Workload128Model::kLfsrs; ++m)
            for (int w = 0; w < 4; ++w)
                s += "check " + lfsrVector(m, w) + " " + hex(model.lfsrWord(m, w)) + "\r\n";
        for (int v = 0; v < kGateVectors; ++v)
            s += "check " + gateVector(v) + " " + hex(model.gateWord(v)) + "\r\n";
        s += "echo \"workload128 checked\"\r\n";
    }
    return s;
}

} // namespace

Workload128Model::Workload128Model() : m_counters(kCounters), m_lfsrs(kLfsrs) {
    for (int k = 0; k < kCounters; ++k)
        m_counters[static_cast<std::size_t>(k)] = counterStart(k);
    for (int m = 0; m < kLfsrs; ++m)
        m_lfsrs[static_cast<std::size_t>(m)] = {lfsrSeed(m), 0, 0, 0};
}

std::uint16_t Workload128Model::counterStart(int counter) {
    return static_cast<std::uint16_t>(0x1234u + static_cast<std::uint32_t>(counter) * 0x9E37u);
}

std::uint32_t Workload128Model::lfsrSeed(int lfsr) {
    return (0x2545F491u + static_cast<std::uint32_t>(lfsr) * 0x01000193u) | 1u;
}

bool Workload128Model::lfsrTap(int lfsr, int bit) {
    return bit == 2 + lfsr % 5 || bit == 27 + lfsr || bit == 70 + (3 * lfsr) % 50 || bit == 101 || bit == 126;
}

int Workload128Model::gateInputA(int gate) {
    return (gate * 97 + 13) % kStateBits;
}
int Workload128Model::gateInputB(int gate) {
    return (gate * 7919 + 4099) % kStateBits;
}
int Workload128Model::gateFunction(int gate) {
    return gate % 8;
}

bool Workload128Model::stateBit(int index) const {
    if (index < kCounters * 16)
        return (m_counters[static_cast<std::size_t>(index / 16)] >> (index % 16)) & 1u;
    const int t = index - kCounters * 16;
    return (m_lfsrs[static_cast<std::size_t>(t / 128)][static_cast<std::size_t>((t % 128) / 32)] >>
            (t % 32)) &
           1u;
}

void Workload128Model::clockEdge() {
    for (int k = 0; k < kCounters; ++k) {
        auto& c = m_counters[static_cast<std::size_t>(k)];
        c = static_cast<std::uint16_t>(k % 2 == 0 ? c + 1 : c - 1);
    }
    for (int m = 0; m < kLfsrs; ++m) {
        auto& w = m_lfsrs[static_cast<std::size_t>(m)];
        const std::uint32_t feedback = w[3] >> 31;
        for (int i = 3; i > 0; --i)
            w[static_cast<std::size_t>(i)] =
                (w[static_cast<std::size_t>(i)] << 1) | (w[static_cast<std::size_t>(i - 1)] >> 31);
        w[0] = (w[0] << 1) | feedback;
        if (feedback)
            for (int bit = 1; bit < 128; ++bit)
                if (lfsrTap(m, bit))
                    w[static_cast<std::size_t>(bit / 32)] ^= 1u << (bit % 32);
    }
}

bool Workload128Model::gate(int j) const {
    const bool a = stateBit(gateInputA(j));
    const bool b = stateBit(gateInputB(j));
    switch (gateFunction(j)) {
    case 0:
        return a && b;
    case 1:
        return a || b;
    case 2:
        return a != b;
    case 3:
        return a == b;
    case 4:
        return !(a && b);
    case 5:
        return !(a || b);
    case 6:
        return a && !b;
    default:
        return !a || b;
    }
}

std::uint32_t Workload128Model::gateWord(int v) const {
    std::uint32_t word = 0;
    for (int i = 0; i < 32 && 32 * v + i < kGates; ++i)
        word |= (gate(32 * v + i) ? 1u : 0u) << i;
    return word;
}

int workload128CellCount() {
    return 1 + Workload128Model::kCounters * 30 + Workload128Model::kLfsrs * 128 + Workload128Model::kGates;
}

bool writeWorkload128(const std::string& folder, const Workload128Options& options) {
    ClockKind clock;
    if (options.method == "reg_out")
        clock = ClockKind::CellOutput;
    else if (options.method == "cbuf_read")
        clock = ClockKind::ColumnRead;
    else if (options.method == "cbuf_assign")
        clock = ClockKind::ColumnAccess;
    else
        return false;
    const DesignBuilder design = buildDesign(clock, options.method);
    const std::string base = folder + "/workload128";
    return design.write(base) && SaveFileAtomically(base + ".cmd", scriptText(options)) == SaveResult::Ok;
}

} // namespace cellwatch
