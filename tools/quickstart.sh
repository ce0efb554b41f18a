#!/usr/bin/env bash
# The README's two commands: `tools/quickstart.sh run` and `tools/quickstart.sh test`.
# Installs what a fresh Debian 12 machine lacks (as root), builds, then runs the program (its window
# when a display is there, else an unattended run) or the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ ccache qt6-base-dev libgtest-dev libgmock-dev googletest
          libbenchmark-dev gtkwave clang libclang-rt-14-dev xvfb iverilog
          scdoc librsvg2-bin dpkg-dev shared-mime-info desktop-file-utils appstream man-db)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

case "${1:-}" in
run)
    install_missing
    cmake --preset release >/dev/null
    cmake --build --preset release
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
        # The window, on settings of its own inside the build folder: they point "App path" at the
        # source tree's data folder, since this build is not installed.
        settings=build/release/quickstart-settings.ini
        [ -e "$settings" ] || printf '[Environment]\nApp%%20path=%s\n' "$PWD/data" >"$settings"
        exec env CELLWATCH_SETTINGS="$settings" build/release/src/cellwatch examples/counter8.cmd
    fi
    # No display: the script runs unattended. The log goes into the build folder so the example
    # folder stays clean.
    log=build/release/counter8.cmd.log
    status=0
    build/release/src/cellwatch -run -log="$log" examples/counter8.cmd || status=$?
    echo "== $log (exit status $status)"
    cat "$log"
    exit "$status"
    ;;
test)
    install_missing
    cmake --preset debug
    cmake --build --preset debug
    ctest --preset debug
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
