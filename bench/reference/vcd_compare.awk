# Compares a cellwatch VCD with a reference simulator's VCD of the same design, cycle by cycle.
# Usage: awk -v cycles=N -f vcd_compare.awk reference.vcd cellwatch.vcd
#
# The reference changes its registers at the rising edge (time 10k + 5); its values at time 10k are
# the state after k edges. A cellwatch run reads the board before each cycle's edge, so its sample at
# time 10(k + 1) is the state after k edges too. Every variable of the cellwatch VCD is compared with
# the reference variable of the same name for k = 0 .. cycles - 1; it prints the count of compared bit
# values and of differing ones, and exits 1 on any difference or missing variable.

function norm(v) {
    v = tolower(v)
    sub(/^0+/, "", v)
    return v == "" ? "0" : v
}

function pad(v, width) {
    while (length(v) < width)
        v = "0" v
    return v
}

function change(value, code,   n, names, i) {
    if (!(code in names_of))
        return
    n = split(names_of[code], names, " ")
    for (i = 1; i <= n; ++i)
        cur[names[i]] = norm(value)
}

# Takes the values at every cycle boundary before time `upto`.
function boundaries(upto,   name, a, b, bit, d) {
    while (10 * next_k < upto && next_k <= last_k) {
        if (file == 1) {
            for (name in width)
                ref[next_k, name] = cur[name]
        } else if (next_k >= 1) {
            for (name in width) {
                if (!((next_k - 1, name) in ref)) {
                    if (!(name in reported)) {
                        print "missing in the reference: " name
                        reported[name] = 1
                        missing++
                    }
                    continue
                }
                bits += width[name]
                if (cur[name] == ref[next_k - 1, name])
                    continue
                a = pad(cur[name], width[name])
                b = pad(ref[next_k - 1, name], width[name])
                d = 0
                for (bit = 1; bit <= width[name]; ++bit)
                    if (substr(a, length(a) - bit + 1, 1) != substr(b, length(b) - bit + 1, 1))
                        d++
                differences += d
                if (shown < 10) {
                    printf "cycle %d: %s is %s in cellwatch, %s in the reference\n", next_k - 1, name, a, b
                    shown++
                }
            }
        }
        next_k++
    }
}

function finish_file() {
    if (file == 0)
        return
    if (last_time < 10 * last_k) {
        printf "%s ends at time %d, before time %d\n", file_name, last_time, 10 * last_k
        short_file = 1
    }
    boundaries(10 * last_k + 1)
}

FNR == 1 {
    finish_file()
    file++
    file_name = FILENAME
    next_k = 0
    last_time = 0
    last_k = file == 1 ? cycles - 1 : cycles
    delete names_of
    delete width
    delete cur
    in_header = 1
}

in_header && $1 == "$var" {
    # $var kind width code name [range] $end
    names_of[$4] = ($4 in names_of) ? names_of[$4] " " $5 : $5
    width[$5] = $3 + 0
    cur[$5] = "0"
    next
}

$1 == "$enddefinitions" { in_header = 0; next }

$1 == "$dumpvars" && NF >= 3 && $2 != "$end" {
    # cellwatch writes an initial value on the $dumpvars line itself
    if ($2 ~ /^[bB]/)
        change(substr($2, 2), $3)
    else
        change(substr($2, 1, 1), substr($2, 2))
    next
}

/^#[0-9]+/ {
    t = substr($1, 2) + 0
    boundaries(t)
    last_time = t
    next
}

/^[bB]/ { change(substr($1, 2), $2); next }

/^[01xXzZ]/ { change(substr($1, 1, 1), substr($1, 2)); next }

END {
    finish_file()
    compared = 0
    for (name in width)
        compared++
    printf "cycles %d, variables %d, bits compared %d, differences %d\n", cycles, compared, bits, differences + 0
    if (differences > 0 || missing > 0 || short_file || bits == 0)
        exit 1
}
