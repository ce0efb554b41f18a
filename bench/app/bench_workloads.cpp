#include "bench_workloads.h"

#include "board/emulator/design_builder.h"
#include "board/emulator/workload128.h"
#include "common/atomic_file.h"

#include <fstream>
#include <sstream>

namespace cellwatch::bench {
namespace {

std::string vectorLine(const std::string& vector, const std::string& prefix, int bits) {
    std::string line = "vector " + vector;
    for (int i = bits - 1; i >= 0; --i)
        line += " " + prefix + std::to_string(i);
    return line + "\r\n";
}

struct Clocking {
    ClockKind kind;
    int row;
    int column;
};

Clocking clockingOf(const std::string& method) {
    if (method == "cbuf_read")
        return {ClockKind::ColumnRead, 0, 0};
    if (method == "cbuf_assign")
        return {ClockKind::ColumnAccess, 0, 0};
    return {ClockKind::CellOutput, 0, 0}; // reg_out; under none nobody writes it
}

// A synchronous up-counter: bit i toggles when every lower bit is 1, carries in the next column.
void counter(DesignBuilder& d, const std::string& prefix, int bits, int firstRow, int column, Clocking c) {
    for (int i = 0; i < bits; ++i) {
        CellSource carry = CellSource::one();
        if (i == 1)
            carry = CellSource::cell(firstRow, column);
        else if (i >= 2)
            carry = CellSource::cell(firstRow + i, column + 1);
        d.registered(prefix + std::to_string(i), firstRow + i, column, CellSource::cell(firstRow + i, column),
                     carry, truth::kXor, c.kind, c.row, c.column);
    }
    for (int i = 2; i < bits; ++i) {
        const CellSource lower = i == 2 ? CellSource::cell(firstRow, column) : CellSource::cell(firstRow + i - 1, column + 1);
        d.combinational("", firstRow + i, column + 1, lower, CellSource::cell(firstRow + i - 1, column), truth::kAnd);
    }
}

// A Johnson counter: a shift register fed with its inverted last bit, 2 * bits states from zero.
void johnson(DesignBuilder& d, const std::string& prefix, int bits, int firstRow, int column, Clocking c) {
    for (int i = 0; i < bits; ++i) {
        const CellSource from = CellSource::cell(firstRow + (i == 0 ? bits - 1 : i - 1), column);
        d.registered(prefix + std::to_string(i), firstRow + i, column, from, CellSource::zero(),
                     i == 0 ? truth::kNotA : truth::kA, c.kind, c.row, c.column);
    }
}

} // namespace

std::string counter8Script(int cycles) {
    const std::string examples = std::string(CELLWATCH_SOURCE_DIR) + "/examples/";
    return "|GRT_SYMBOL_TABLE \"" + examples + "counter8.sym\"\r\n"
           "trace counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 counter8\\q2 "
           "counter8\\q1 counter8\\q0 SOFTWARE_CLOCK\r\n"
           "setclockreg counter8\\clk\r\nsetclockmode reg_out\r\n"
           "loadcal \"" + examples + "counter8.cal\"\r\nclearall\r\n"
           "cycle " + std::to_string(cycles) + "\r\n";
}

std::string wide64Script(const std::string& folder, const std::string& method, int cycles) {
    const Clocking c = clockingOf(method);
    DesignBuilder d(128, "wide64: 64 traced cells of the 128-cell member clocked by " + method);
    d.storage("wide\\clk", 0, 0);
    counter(d, "wide\\c", 32, 0, 1, c); // one full read group
    johnson(d, "wide\\j", 16, 0, 3, c);
    counter(d, "wide\\b", 8, 40, 4, c);
    johnson(d, "wide\\k", 8, 96, 6, c); // the map register's last word
    const std::string base = folder + "/wide64";
    const std::string cal = folder + "/wide64_" + method + ".cal";
    if (!d.write(base) || saveFileAtomically(cal, d.calText()) != SaveResult::Ok)
        return {};
    return "|GRT_SYMBOL_TABLE \"" + base + ".sym\"\r\n" + vectorLine("c32", "wide\\c", 32) +
           vectorLine("j16", "wide\\j", 16) + vectorLine("b8", "wide\\b", 8) + vectorLine("k8", "wide\\k", 8) +
           "trace c32 j16 b8 k8 SOFTWARE_CLOCK\r\nsetclockreg wide\\clk\r\nsetclockmode " + method +
           "\r\nloadcal \"" + cal + "\"\r\nradix hex c32\r\nradix dec b8\r\nradix oct k8\r\nclearall\r\n"
           "cycle " + std::to_string(cycles) + "\r\n";
}

const char* const kWorkload128Traced = "cnt000 cnt001 cnt002 cnt003 cnt004 cnt005 cnt006 cnt007 cnt008 cnt009 "
                                      "cnt010 cnt011 cnt012 cnt013 cnt014 cnt015 cnt016 "
                                      "lfsr00w0 lfsr00w1 lfsr00w2 lfsr00w3 gate0";

std::string workload128Script(const std::string& folder, int cycles) {
    Workload128Options options;
    options.cycles = cycles;
    options.traced = false;
    options.checks = false;
    if (!writeWorkload128(folder, options))
        return {};
    std::ifstream in(folder + "/workload128.cmd", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string script = text.str();
    // The trace line goes where the generator puts its own, before the clock register is named; the
    // script names the .sym and .cal by file name, so it is run from folder.
    const std::size_t at = script.find("setclockreg");
    if (!in || at == std::string::npos)
        return {};
    script.insert(at, std::string("trace ") + kWorkload128Traced + "\r\n");
    return script;
}

} // namespace cellwatch::bench
