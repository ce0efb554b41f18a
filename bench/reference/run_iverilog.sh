#!/bin/sh
# Compiles the counter8 reference with Icarus Verilog and times a million-cycle simulation that
# dumps the same nine signals bench_run traces. Usage: run_iverilog.sh [work folder]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=${1:-$(mktemp -d)}
mkdir -p "$work"
cd "$work"
iverilog -o counter8.vvp "$here/counter8.v"
start=$(date +%s.%N)
vvp -n counter8.vvp >/dev/null
end=$(date +%s.%N)
seconds=$(echo "$end - $start" | bc -l)
echo "vvp: 1000000 cycles in ${seconds} s ($(echo "1000000 / $seconds" | bc) cycles/s)"
ls -l counter8.vcd
