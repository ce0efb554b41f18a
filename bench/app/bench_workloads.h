#pragma once
// The batch workloads the run benchmarks and the reference comparison share: counter8 with its eight
// bits and the software clock traced, wide64, 64 traced cells of the 128-cell member in vectors
// of 32, 16, 8 and 8 bits under any clocking method, and the full-size workload of the 128-cell member.

#include <string>

namespace cellwatch::bench {

// The script of a million-cycle (or cycles) counter8 run over the shipped example.
std::string counter8Script(int cycles);

// Writes wide64.sym and wide64_<method>.cal into folder and returns the script of the run: a
// 32-bit counter, a 16-bit and an 8-bit Johnson counter and an 8-bit counter, shown in hex,
// binary, octal and decimal, clocked by the method ("none", "cbuf_read", "cbuf_assign", "reg_out").
// Empty when the files cannot be written. Runs on the board "emulator:128".
std::string wide64Script(const std::string& folder, const std::string& method, int cycles);

// The vectors a full-size run traces: 17 counters, one LFSR's four words and the first 32 gates, 432
// bits (bench/reference/compare.sh traces the same).
extern const char* const kWorkload128Traced;

// Writes workload128.sym and workload128.cal (the full-size design, 15 659 of the 16 384 cells, see
// board/emulator/workload128.h) into folder and returns the script of its run under REG 0/1
// clocking with kWorkload128Traced traced and no checks, to be saved in folder (it names the other
// two files by name). Empty when the files cannot be written.
// Runs on the board "emulator:128".
std::string workload128Script(const std::string& folder, int cycles);

} // namespace cellwatch::bench
