#!/bin/sh
# Cross-checks the emulated board against an independent simulator: the full-size workload of the
# 128-cell member (gen_workload128) runs in cellwatch and, written again in Verilog
# (workload128.v), in Verilator; every traced value of every cycle of the two VCD files must agree.
#
# Usage: crosscheck.sh [-n cycles] [-m method] [-b] [-B build folder] [work folder]
#   -n  cycles to run (default 1000)
#   -m  the clocking method of the cellwatch run: reg_out (default), cbuf_read or cbuf_assign
#   -b  broken control: one gate's configuration word is changed (and -> or) before the run; the
#       cross-check must then find differences, and the script fails when it finds none
#   -B  the build folder holding src/cellwatch and src/board/emulator/gen_workload128 (default
#       build/release, configured and built when they are missing)
# Exit status: 0 when the outputs agree (with -b: when they differ), 1 otherwise, 2 on a set-up failure.
# Set-up: needs verilator (the Debian package); nothing outside the work folder is changed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cycles=1000
method=reg_out
broken=0
build=$repo/build/release
while getopts n:m:bB: option; do
    case $option in
    n) cycles=$OPTARG ;;
    m) method=$OPTARG ;;
    b) broken=1 ;;
    B) build=$OPTARG ;;
    *) echo "usage: $0 [-n cycles] [-m method] [-b] [-B build folder] [work folder]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
work=${1:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)

case $build in /*) ;; *) build=$PWD/$build ;; esac
command -v verilator >/dev/null 2>&1 || { echo "crosscheck: verilator is not installed" >&2; exit 2; }
cellwatch=$build/src/cellwatch
generator=$build/src/board/emulator/gen_workload128
if [ ! -x "$cellwatch" ] || [ ! -x "$generator" ]; then
    (cd "$repo" && cmake --preset release >/dev/null &&
        cmake --build --preset release --target cellwatch gen_workload128) || exit 2
fi

# --- cellwatch ---------------------------------------------------------------------------------
cd "$work"
"$generator" -cycles="$cycles" -method="$method" -nochecks "$work" >/dev/null || exit 2
if [ "$broken" -eq 1 ]; then
    # gates\x0 is an AND (truth table 8): its function word's last digit becomes e, an OR.
    awk '/^# gates\\x0 / { n = 3 } n > 0 && !/^#/ { if (--n == 0) { sub(/.$/, "e"); changed = 1 } }
         { print } END { if (!changed) exit 1 }' workload128.cal >broken.cal || exit 2
    mv broken.cal workload128.cal
    echo "broken control: gates\\x0 changed from and to or ($(grep -A3 '^# gates\\x0 ' workload128.cal | tail -n1))"
fi
start=$(date +%s)
status=0
"$cellwatch" -run -board=emulator:128 -log="$work/cellwatch.log" -vcd="$work/cellwatch.vcd" \
    "$work/workload128.cmd" >"$work/cellwatch.out" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/cellwatch.out"; tail -n 20 "$work/cellwatch.log"
    echo "crosscheck: the cellwatch run ended with status $status" >&2
    exit 2
fi
echo "cellwatch: $cycles cycles ($method) in $(($(date +%s) - start)) s"

# --- Verilator ---------------------------------------------------------------------------------
# The top names its ports as the cellwatch run names its vectors.
awk 'BEGIN {
    printf "// Written by crosscheck.sh: the ports of workload128 named as a cellwatch run traces them.\n"
    printf "module workload128_top(input clk"
    for (k = 0; k < 256; ++k) printf ",\n    output [15:0] cnt%03d", k
    for (m = 0; m < 61; ++m) for (w = 0; w < 4; ++w) printf ",\n    output [31:0] lfsr%02dw%d", m, w
    for (v = 0; v < 6; ++v) printf ",\n    output [%d:0] gate%d", v == 5 ? 9 : 31, v
    printf ");\n    wire [4095:0] cnt;\n    wire [7807:0] lfsr;\n    wire [169:0] gate;\n"
    printf "    workload128 dut(.clk(clk), .cnt(cnt), .lfsr(lfsr), .gate(gate));\n"
    for (k = 0; k < 256; ++k) printf "    assign cnt%03d = cnt[%d +: 16];\n", k, 16 * k
    for (m = 0; m < 61; ++m) for (w = 0; w < 4; ++w) printf "    assign lfsr%02dw%d = lfsr[%d +: 32];\n", m, w, 128 * m + 32 * w
    for (v = 0; v < 6; ++v) printf "    assign gate%d = gate[%d +: %d];\n", v, 32 * v, v == 5 ? 10 : 32
    printf "endmodule\n"
}' >workload128_top.v
model=$work/verilator/Vworkload128_top
if [ ! -x "$model" ] || [ "$here/workload128.v" -nt "$model" ] || [ "$here/verilator_tb.cpp" -nt "$model" ]; then
    start=$(date +%s)
    verilator --cc --exe --build -O1 --trace --trace-depth 1 --no-timing -Wno-fatal -j 2 \
        -CFLAGS -O1 -CFLAGS -DVTOP=Vworkload128_top -MAKEFLAGS "OPT_FAST=-O1 OPT_SLOW=-O0 OPT_GLOBAL=-O1" \
        --top-module workload128_top -Mdir "$work/verilator" \
        workload128_top.v "$here/workload128.v" "$here/verilator_tb.cpp" >"$work/verilator.log" 2>&1 ||
        { tail -n 40 "$work/verilator.log"; echo "crosscheck: the Verilator model did not build" >&2; exit 2; }
    echo "Verilator model built in $(($(date +%s) - start)) s"
fi
"$model" "$cycles" "$work/verilator.vcd"

# --- Every traced value of every cycle ---------------------------------------------------------
status=0
awk -v cycles="$cycles" -f "$here/vcd_compare.awk" "$work/verilator.vcd" "$work/cellwatch.vcd" || status=$?
if [ "$broken" -eq 1 ]; then
    if [ "$status" -eq 0 ]; then
        echo "crosscheck: FAILED: the broken configuration went unnoticed"
        exit 1
    fi
    echo "crosscheck: the broken configuration was caught"
    exit 0
fi
if [ "$status" -ne 0 ]; then
    echo "crosscheck: FAILED: cellwatch and Verilator differ"
    exit 1
fi
echo "crosscheck: cellwatch and Verilator agree"
