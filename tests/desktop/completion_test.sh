#!/usr/bin/env bash
# bash completion of cellwatch, driven as bash drives it: COMP_LINE and COMP_POINT set, _cellwatch
# called, COMPREPLY read. Usage: completion_test.sh COMPLETION_FILE PROGRAM WORK_FOLDER
set -u
export LC_ALL=C
completion=$1 program=$2 work=$3
rm -rf "$work" && mkdir -p "$work/bin" "$work/files/designs" && cd "$work/files" || exit 1
# shellcheck source=/dev/null
source "$completion"

failures=0
# complete LINE: what bash would offer with the cursor at the end of LINE, sorted, one a line.
complete_line() {
    COMP_LINE=$1
    COMP_POINT=${#1}
    read -ra COMP_WORDS <<<"$1"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    [[ $1 == *' ' ]] && { COMP_WORDS+=(""); COMP_CWORD=${#COMP_WORDS[@]}-1; }
    COMPREPLY=()
    _cellwatch 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {
    local line=$1 expected=$2 got
    got=$(complete_line "$line" | paste -sd' ')
    if [[ $got != "$expected" ]]; then
        echo "FAIL: '$line' offers [$got], expected [$expected]"
        failures=$((failures + 1))
    fi
}

# A stand-in program whose board list is known; the real one lists this machine's PCI devices.
cat >"$work/bin/cellwatch" <<'LIST'
#!/bin/sh
[ "$1" = --list-boards ] || exit 2
cat <<'TEXT'
Boards (-board=VALUE, CELLWATCH_BOARD or the "Board" setting):
  emulator            the emulated LC3400DS, 64 cells (the default)
  emulator:48         the emulated LC3400DS, 48 cells
  emulator:128        the emulated LC3400DS, 128 cells
  none                no board

PCI devices in /sys/bus/pci/devices:
  pci:0000:00:02.0     8086:46a6  not usable: no I/O region
  pci:0000:03:00.0     10ee:7021  usable
TEXT
LIST
chmod +x "$work/bin/cellwatch"
stub="$work/bin/cellwatch"

# Switches: all of them, or those that start with what was typed; none after a plain word.
expect "$stub -" "--help --list-boards -board= -cal= -junit= -log= -run -vcd="
expect "$stub -b" "-board="
expect "$stub --l" "--list-boards"

# Board values: bash replaces only what follows the last '=' or ':', so the offers are cut there.
expect "$stub -board=" "emulator emulator:128 emulator:48 none pci:0000:00:02.0 pci:0000:03:00.0"
expect "$stub -board=em" "emulator emulator:128 emulator:48"
expect "$stub -board=emulator:1" "128"
expect "$stub -board=pci:" "0000:00:02.0 0000:03:00.0"
expect "$stub -board=pci:0000:03" "03:00.0"
expect "$stub -run --board=n" "none"

# Files: scripts and symbol tables (any case) and folders as the file; .cal files for -cal=.
touch a.cmd B.SYM c.txt d.cal designs/e.cmd "with blank.cmd"
expect "$stub " "B.SYM a.cmd designs with blank.cmd"
expect "$stub -run -board=emulator a" "a.cmd"
expect "$stub designs/" "designs/e.cmd"
expect "$stub -cal=" "d.cal designs"
expect "$stub -log=c" "c.txt"
expect "$stub -junit=" "B.SYM a.cmd c.txt d.cal designs with blank.cmd"
# A name with a wildcard in it is offered as it is, not expanded.
mkdir ../odd && touch "../odd/a*.cmd" ../odd/ab.cmd
expect "$stub ../odd/a" "../odd/a*.cmd ../odd/ab.cmd"

# A program that cannot be run (a path bash could not expand, say) still gets the fixed values.
expect "$work/bin/missing -board=e" "emulator emulator:128 emulator:48 emulator:64 emulator:96"
expect "$work/bin/missing -board=p" "pci:"

# The real program's list has the same layout: its emulated boards and "none" are offered.
real=$(complete_line "$program -board=" | paste -sd' ')
for value in emulator emulator:48 emulator:64 emulator:96 emulator:128 none; do
    [[ " $real " == *" $value "* ]] || { echo "FAIL: the real program's list lacks $value: [$real]"; failures=$((failures + 1)); }
done
listed=$("$program" --list-boards | awk '$1 ~ /^pci:/ { print $1 }' | sort | paste -sd' ')
offered=$(printf '%s\n' $real | grep '^pci:' | sort | paste -sd' ')
[[ $listed == "$offered" ]] || { echo "FAIL: pci boards listed [$listed], offered [$offered]"; failures=$((failures + 1)); }

((failures == 0)) && echo "all completions as expected"
exit $((failures > 0))
