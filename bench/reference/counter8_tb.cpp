// The Verilator testbench of counter8: a million cycles of two half cycles of 5 time units, as in
// a cellwatch run's time base, dumping the clock and the eight bits to a VCD file.
// Usage: Vcounter8_top [cycles] [file.vcd]

#include "Vcounter8_top.h"
#include "verilated.h"
#include "verilated_vcd_c.h"

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 1000000;
    const char* file = argc > 2 ? argv[2] : "counter8_verilator.vcd";
    auto context = std::make_unique<VerilatedContext>();
    context->traceEverOn(true);
    auto top = std::make_unique<Vcounter8_top>(context.get());
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
