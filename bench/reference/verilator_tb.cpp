// The Verilator testbench of the reference models (counter8_top, and the workload128 top that the
// cross-check and compare.sh write, whose ports carry the names of a cellwatch run's vectors):
// cycles of two half cycles of 5 time units, the rising edge first, as in a cellwatch run's time
// base, the top's ports dumped to a VCD file. Built with -CFLAGS -DVTOP=V<top module>.
// Usage: V<top module> [cycles] [file.vcd]

#define VTOP_TEXT(x) #x
#define VTOP_HEADER(x) VTOP_TEXT(x.h)
#include VTOP_HEADER(VTOP)
#include "verilated.h"
#include "verilated_vcd_c.h"

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 1000;
    const char* file = argc > 2 ? argv[2] : "verilator.vcd";
    auto context = std::make_unique<VerilatedContext>();
    context->traceEverOn(true);
    auto top = std::make_unique<VTOP>(context.get());
    auto vcd = std::make_unique<VerilatedVcdC>();
    top->trace(vcd.get(), 1); // the top's ports only
    vcd->open(file);
    vluint64_t time = 0;
    top->clk = 0;
    top->eval();
    vcd->dump(time);
    for (long i = 0; i < cycles; ++i) {
        time += 5;
        top->clk = 1;
        top->eval();
        vcd->dump(time);
        time += 5;
        top->clk = 0;
        top->eval();
        vcd->dump(time);
    }
    vcd->close();
    top->final();
    return 0;
}
