// Reference for bench_run: the counter8 example as plain Verilog. An 8-bit counter on the rising
// edge of its clock register, with q0..q7 and the clock dumped as bench_run traces them.

module counter8(input clk, output reg [7:0] q);
    initial q = 8'd0;
    always @(posedge clk)
        q <= q + 8'd1;
endmodule

module counter8_tb;
    reg clk = 1'b0;
    wire [7:0] q;
    wire q0 = q[0], q1 = q[1], q2 = q[2], q3 = q[3], q4 = q[4], q5 = q[5], q6 = q[6], q7 = q[7];
    integer i;

    counter8 dut(.clk(clk), .q(q));

    initial begin
        $dumpfile("counter8.vcd");
        $dumpvars(0, counter8_tb.q7, counter8_tb.q6, counter8_tb.q5, counter8_tb.q4,
                  counter8_tb.q3, counter8_tb.q2, counter8_tb.q1, counter8_tb.q0, counter8_tb.clk);
        // One cycle is two half cycles of 5 time units, as in a run's time base.
        for (i = 0; i < 1000000; i = i + 1) begin
            #5 clk = 1'b1;
            #5 clk = 1'b0;
        end
        $finish;
    end
endmodule
