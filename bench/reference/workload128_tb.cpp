// The Verilator testbench of workload128 (through the top the cross-check writes, whose ports carry
// the names of a cellwatch run's vectors): cycles of two half cycles of 5 time units, the rising edge
// first, as in a cellwatch run's time base, every port dumped to a VCD file.
// Usage: Vworkload128_top [cycles] [file.vcd]

#include "Vworkload128_top.h"
#include "verilated.h"
#include "verilated_vcd_c.h"

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 1000;
    const char* file = argc > 2 ? argv[2] : "workload128_verilator.vcd";
    auto context = std::make_unique<VerilatedContext>();
    context->traceEverOn(true);
    auto top = std::make_unique<Vworkload128_top>(context.get());
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
