// Reference for bench_run, Verilator side: counter8 (from counter8.v) with its eight bits as the
// top's own ports, so that the VCD holds exactly the nine signals a cellwatch run traces.

module counter8_top(input clk, output q7, q6, q5, q4, q3, q2, q1, q0);
    counter8 dut(.clk(clk), .q({q7, q6, q5, q4, q3, q2, q1, q0}));
endmodule
