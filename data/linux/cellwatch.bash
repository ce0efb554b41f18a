# bash completion for cellwatch: its switches, the -board= values (the boards `cellwatch
# --list-boards` finds) and file names (.cmd scripts and .sym symbol tables as the file, .cal files
# for -cal=, any file for the outputs). Installed as share/bash-completion/completions/cellwatch.

# The argument being typed, up to the cursor. COMP_WORDS cannot be used for it: bash splits
# "-board=pci:0000:03:00.0" at every '=' and ':'.
_cellwatch_argument() {
    local line=${COMP_LINE:0:COMP_POINT}
    line=${line##*[[:space:]]}
    printf '%s' "$line"
}

# The boards the program itself lists (the first word of each line that names one); the fixed
# values when it cannot be run.
_cellwatch_boards() {
    local program=$1 first rest list IFS=$' \t\n'
    list=$("$program" --list-boards 2>/dev/null | while read -r first rest; do
        case $first in
            emulator* | none | pci:*) printf '%s\n' "$first" ;;
        esac
    done)
    [[ -n $list ]] || list=$'emulator\nemulator:48\nemulator:64\nemulator:96\nemulator:128\nnone\npci:'
    printf '%s\n' "$list"
}

# Files (and folders, to walk into) whose names end in one of the given extensions, any case.
_cellwatch_files() {
    local partial=$1 name
    shift
    while IFS= read -r name; do
        if [[ -d $name ]]; then
            printf '%s\n' "$name"
            continue
        fi
        local extension
        for extension in "$@"; do
            if [[ ${name,,} == *."$extension" ]]; then
                printf '%s\n' "$name"
                break
            fi
        done
    done < <(compgen -f -- "$partial")
}

_cellwatch() {
    local argument program=${COMP_WORDS[0]/#\~/$HOME}
    argument=$(_cellwatch_argument)
    COMPREPLY=()
    local -a candidates=()
    local IFS=$'\n'
    local value prefix
    case $argument in
        -board=* | --board=*)
            prefix=${argument%%=*}=
            value=${argument#*=}
            mapfile -t candidates < <(compgen -P "$prefix" -W "$(_cellwatch_boards "$program")" -- "$value")
            ;;
        -cal=* | --cal=*)
            prefix=${argument%%=*}=
            value=${argument#*=}
            mapfile -t candidates < <(_cellwatch_files "$value" cal)
            candidates=("${candidates[@]/#/$prefix}")
            compopt -o filenames 2>/dev/null
            ;;
        -log=* | --log=* | -vcd=* | --vcd=* | -junit=* | --junit=*)
            prefix=${argument%%=*}=
            value=${argument#*=}
            mapfile -t candidates < <(compgen -f -- "$value")
            candidates=("${candidates[@]/#/$prefix}")
            compopt -o filenames 2>/dev/null
            ;;
        -*)
            mapfile -t candidates < <(compgen -W $'-run\n-board=\n-log=\n-vcd=\n-junit=\n-cal=\n--list-boards\n--help' \
                -- "$argument")
            ;;
        *)
            mapfile -t candidates < <(_cellwatch_files "$argument" cmd sym)
            compopt -o filenames 2>/dev/null
            ;;
    esac
    # A switch that takes a value gets no blank after its "=", nor "pci:" after its ":" (folders
    # get their "/" from bash).
    if [[ ${#candidates[@]} -eq 1 && ${candidates[0]} == *[=:] ]]; then
        compopt -o nospace 2>/dev/null
    fi
    # Bash replaces only the part after the last word-break character ('=', ':' ...), so the
    # candidates lose what comes before it.
    local breaks=${COMP_WORDBREAKS-$'"\'><=;|&(:'}
    local head=${argument%[${breaks//[[:space:]]/}]*}
    if [[ $head != "$argument" ]]; then
        head=${argument:0:${#head}+1}
        candidates=("${candidates[@]#"$head"}")
    fi
    COMPREPLY=("${candidates[@]}")
}
complete -F _cellwatch cellwatch cellwatch-window
