#!/bin/sh
# Times a cellwatch batch run of counter8 against the same counter compiled by Verilator and run by
# Icarus Verilog: a million cycles, the eight bits and the clock dumped to VCD (and, for cellwatch,
# the log written), each program as one process from start to exit. Builds both models, runs the
# three programs in alternating rounds and prints the medians and the ratios. Every output file is
# removed before each run of either program (outside the timed part), so that no run pays for
# giving back the disk blocks of a file that an earlier run left behind.
#
# Then the full-size workload of the 128-cell member (gen_workload128: 11 904 registers and 3 754
# gates in 15 659 cells), 100 000 cycles with 432 bits traced (17 counters, one LFSR's four words, 32
# gates; log and VCD written), against the same design in Verilog (workload128.v) compiled by
# Verilator with the same 22 vectors dumped; the two programs alternate, outputs removed alike.
#
# Usage: compare.sh [-n rounds] [-c path/to/cellwatch] [work folder]
#   -n  rounds of the three programs (default 5); the order rotates from round to round
#   -c  the cellwatch program to time (default: build/release/src/cellwatch, built when missing)
# Set-up: installs the Debian packages verilator and iverilog when they are missing (as root, or
# through sudo). Nothing else on the machine is changed; the work folder holds every file made.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
rounds=5
cellwatch=""
while getopts n:c: option; do
    case $option in
    n) rounds=$OPTARG ;;
    c) cellwatch=$OPTARG ;;
    *) echo "usage: $0 [-n rounds] [-c cellwatch] [work folder]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
work=${1:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)

# --- Set-up ------------------------------------------------------------------------------------
missing=""
command -v verilator >/dev/null 2>&1 || missing="$missing verilator"
command -v iverilog >/dev/null 2>&1 || missing="$missing iverilog"
if [ -n "$missing" ]; then
    echo "installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi

if [ -z "$cellwatch" ]; then
    cellwatch=$repo/build/release/src/cellwatch
    if [ ! -x "$cellwatch" ]; then
        (cd "$repo" && cmake --preset release >/dev/null && cmake --build --preset release --target cellwatch)
    fi
fi
cellwatch=$(cd "$(dirname "$cellwatch")" && pwd)/$(basename "$cellwatch")

# --- The three programs ------------------------------------------------------------------------
cd "$work"
echo "building the Verilator model"
verilator --cc --exe --build -O3 --trace --trace-depth 1 --no-timing -Wno-fatal -j 2 \
    -CFLAGS -O2 -CFLAGS -DVTOP=Vcounter8_top -MAKEFLAGS "OPT_FAST=-O2 OPT_SLOW=-O2 OPT_GLOBAL=-O2" \
    --top-module counter8_top -Mdir "$work/verilator" \
    "$here/counter8_top.v" "$here/counter8.v" "$here/verilator_tb.cpp" >"$work/verilator.log" 2>&1 ||
    { cat "$work/verilator.log"; exit 1; }
echo "building the Icarus model"
iverilog -o "$work/counter8.vvp" "$here/counter8.v"

examples=$repo/examples
printf '|GRT_SYMBOL_TABLE "%s/counter8.sym"\r\n' "$examples" >run.cmd
printf 'trace counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 counter8\\q2 counter8\\q1 counter8\\q0 SOFTWARE_CLOCK\r\n' >>run.cmd
printf 'setclockreg counter8\\clk\r\nsetclockmode reg_out\r\nloadcal "%s/counter8.cal"\r\nclearall\r\ncycle 1000000\r\n' \
    "$examples" >>run.cmd

run_cellwatch() { "$cellwatch" -run -log="$work/run.log" -vcd="$work/run.vcd" "$work/run.cmd" >/dev/null; }
run_verilator() { "$work/verilator/Vcounter8_top" 1000000 "$work/counter8_verilator.vcd"; }
run_icarus() { vvp -n "$work/counter8.vvp" >/dev/null; } # writes counter8.vcd here
outputs="$work/run.log $work/run.vcd $work/counter8_verilator.vcd $work/counter8.vcd"
# shellcheck disable=SC2086 # the list is split on purpose; no name holds a blank
remove_outputs() { rm -f $outputs; }

# Prints the wall time of one run of a program in microseconds, every output removed first.
timed() {
    remove_outputs
    start=$(date +%s%N)
    "run_$1"
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

# Runs the named programs (run_NAME) in $rounds rounds, the order rotating from round to round,
# and collects each one's times in times_NAME.
alternate() {
    order="$*"
    i=0
    while [ "$i" -lt "$rounds" ]; do
        for program in $order; do
            t=$(timed "$program")
            eval "times_$program=\"\$times_$program $t\""
        done
        order="$(echo "$order" | cut -d' ' -f2-) $(echo "$order" | cut -d' ' -f1)"
        i=$((i + 1))
    done
    echo "load after: $(uptime | sed 's/.*load average/load average/')"
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores"
echo "load before: $(uptime | sed 's/.*load average/load average/')"
# One untimed round fills the caches; the sizes of the outputs are noted from it.
remove_outputs
run_cellwatch
run_verilator
run_icarus
sizes="$(wc -c <"$work/run.vcd") B VCD + $(wc -c <"$work/run.log") B log (cellwatch),"
sizes="$sizes $(wc -c <"$work/counter8_verilator.vcd") B (Verilator), $(wc -c <"$work/counter8.vcd") B (Icarus)"
times_cellwatch="" times_verilator="" times_icarus=""
alternate cellwatch verilator icarus

m_cellwatch=$(echo "$times_cellwatch" | median)
m_verilator=$(echo "$times_verilator" | median)
m_icarus=$(echo "$times_icarus" | median)
awk -v c="$m_cellwatch" -v v="$m_verilator" -v i="$m_icarus" -v rounds="$rounds" \
    -v tc="$times_cellwatch" -v tv="$times_verilator" -v ti="$times_icarus" 'BEGIN {
    printf "medians of %d alternating runs, counter8, 1000000 cycles, 9 signals to VCD:\n", rounds
    printf "  cellwatch -run (log + VCD)  %7.3f s   runs (us):%s\n", c / 1e6, tc
    printf "  Verilator model (VCD)       %7.3f s   runs (us):%s\n", v / 1e6, tv
    printf "  Icarus vvp (VCD)            %7.3f s   runs (us):%s\n", i / 1e6, ti
    printf "cellwatch / Verilator = %.2f\n", c / v
    printf "cellwatch / Icarus    = %.2f\n", c / i
}'
echo "outputs: $sizes"
echo "every output removed before each run"

# --- The full-size workload ----------------------------------------------------------------------
if [ ! -f "$here/workload128.v" ]; then
    echo "full-size workload: $here/workload128.v is missing, section skipped"
    exit 0
fi
generator=$(dirname "$cellwatch")/board/emulator/gen_workload128
if [ ! -x "$generator" ]; then
    (cd "$repo" && cmake --preset release >/dev/null && cmake --build --preset release --target gen_workload128 >/dev/null)
    generator=$repo/build/release/src/board/emulator/gen_workload128
fi
full=$work/workload128
mkdir -p "$full"
"$generator" -cycles=100000 -method=reg_out -untraced -nochecks "$full" >/dev/null
# bench/app/bench_workloads.cpp traces the same vectors.
traced="cnt000 cnt001 cnt002 cnt003 cnt004 cnt005 cnt006 cnt007 cnt008 cnt009 cnt010 cnt011 cnt012 cnt013"
traced="$traced cnt014 cnt015 cnt016 lfsr00w0 lfsr00w1 lfsr00w2 lfsr00w3 gate0"
awk -v traced="$traced" '/^setclockreg/ { printf "trace %s\r\n", traced } { print }' "$full/workload128.cmd" >"$full/run.cmd"
# The top's ports are the traced vectors; the design's own wires are not dumped.
awk -v traced="$traced" 'BEGIN {
    n = split(traced, name, " ")
    printf "// Written by compare.sh: the vectors a full-size cellwatch run traces, as ports.\n"
    printf "module workload128_top(input clk"
    for (i = 1; i <= n; ++i) printf ",\n    output [%d:0] %s", substr(name[i], 1, 3) == "cnt" ? 15 : 31, name[i]
    printf ");\n    /*verilator tracing_off*/\n    wire [4095:0] cnt;\n    wire [7807:0] lfsr;\n    wire [169:0] gate;\n"
    printf "    workload128 dut(.clk(clk), .cnt(cnt), .lfsr(lfsr), .gate(gate));\n    /*verilator tracing_on*/\n"
    for (i = 1; i <= n; ++i) {
        if (substr(name[i], 1, 3) == "cnt") printf "    assign %s = cnt[%d +: 16];\n", name[i], 16 * substr(name[i], 4)
        else if (substr(name[i], 1, 4) == "lfsr") printf "    assign %s = lfsr[%d +: 32];\n", name[i], 128 * substr(name[i], 5, 2) + 32 * substr(name[i], 8)
        else printf "    assign %s = gate[%d +: 32];\n", name[i], 32 * substr(name[i], 5)
    }
    printf "endmodule\n"
}' >"$full/workload128_top.v"
echo "building the Verilator model of the full-size workload"
verilator --cc --exe --build -O3 --trace --trace-depth 1 --no-timing -Wno-fatal -j 2 \
    -CFLAGS -O2 -CFLAGS -DVTOP=Vworkload128_top -MAKEFLAGS "OPT_FAST=-O2 OPT_SLOW=-O2 OPT_GLOBAL=-O2" \
    --top-module workload128_top -Mdir "$full/verilator" \
    "$full/workload128_top.v" "$here/workload128.v" "$here/verilator_tb.cpp" >"$full/verilator.log" 2>&1 ||
    { cat "$full/verilator.log"; exit 1; }

run_cellwatch128() {
    (cd "$full" && "$cellwatch" -run -board=emulator:128 -log="$full/run.log" -vcd="$full/run.vcd" "$full/run.cmd" >/dev/null)
}
run_verilator128() { "$full/verilator/Vworkload128_top" 100000 "$full/verilator.vcd"; }
outputs="$outputs $full/run.log $full/run.vcd $full/verilator.vcd"

echo "load before: $(uptime | sed 's/.*load average/load average/')"
remove_outputs
run_cellwatch128
run_verilator128
sizes="$(wc -c <"$full/run.vcd") B VCD + $(wc -c <"$full/run.log") B log (cellwatch), $(wc -c <"$full/verilator.vcd") B (Verilator)"
times_cellwatch128="" times_verilator128=""
alternate cellwatch128 verilator128
m_cellwatch=$(echo "$times_cellwatch128" | median)
m_verilator=$(echo "$times_verilator128" | median)
awk -v c="$m_cellwatch" -v v="$m_verilator" -v rounds="$rounds" \
    -v tc="$times_cellwatch128" -v tv="$times_verilator128" 'BEGIN {
    printf "medians of %d alternating runs, full-size workload (128-cell member), 100000 cycles, 432 bits to VCD:\n", rounds
    printf "  cellwatch -run (log + VCD)  %7.3f s   runs (us):%s\n", c / 1e6, tc
    printf "  Verilator model (VCD)       %7.3f s   runs (us):%s\n", v / 1e6, tv
    printf "cellwatch / Verilator = %.2f\n", c / v
}'
echo "outputs: $sizes"
echo "every output removed before each run"
