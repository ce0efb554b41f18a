// The full-size workload of the 128-cell member, written again as plain Verilog from its definition:
// 256 16-bit counters (even ones count up, odd ones down) starting from their assigned values, 61
// 128-bit Galois LFSRs seeded in their low words, and 170 two-input gates over their bits. One rising
// edge of clk is one clock edge of the emulated board's run.

module workload128(input clk, output [4095:0] cnt, output [7807:0] lfsr, output [169:0] gate);
    genvar k, m, j;

    generate
        for (k = 0; k < 256; k = k + 1) begin : counters
            localparam [15:0] START = 16'h1234 + k * 16'h9E37;
            reg [15:0] q = START;
            always @(posedge clk)
                if (k % 2 == 0)
                    q <= q + 16'd1;
                else
                    q <= q - 16'd1;
            assign cnt[16 * k +: 16] = q;
        end

        // Bit 0 takes bit 127; bit i takes bit i - 1, xor bit 127 where the LFSR has a tap.
        for (m = 0; m < 61; m = m + 1) begin : lfsrs
            localparam [31:0] SEED = (32'h2545F491 + m * 32'h01000193) | 32'd1;
            localparam [127:0] TAPS = (128'd1 << (2 + m % 5)) | (128'd1 << (27 + m)) |
                                      (128'd1 << (70 + (3 * m) % 50)) | (128'd1 << 101) | (128'd1 << 126);
            reg [127:0] s = {96'd0, SEED};
            always @(posedge clk)
                s <= {s[126:0], s[127]} ^ (s[127] ? TAPS : 128'd0);
            assign lfsr[128 * m +: 128] = s;
        end
    endgenerate

    // Counter k's bit i is state bit 16k + i, LFSR m's bit i is 4096 + 128m + i.
    wire [11903:0] state = {lfsr, cnt};

    generate
        for (j = 0; j < 170; j = j + 1) begin : gates
            localparam integer A = (j * 97 + 13) % 11904;
            localparam integer B = (j * 7919 + 4099) % 11904;
            wire a = state[A];
            wire b = state[B];
            case (j % 8)
                0: assign gate[j] = a & b;
                1: assign gate[j] = a | b;
                2: assign gate[j] = a ^ b;
                3: assign gate[j] = ~(a ^ b);
                4: assign gate[j] = ~(a & b);
                5: assign gate[j] = ~(a | b);
                6: assign gate[j] = a & ~b;
                default: assign gate[j] = ~a | b;
            endcase
        end
    endgenerate
endmodule
