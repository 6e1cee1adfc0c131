#!/usr/bin/env bash
# Runs a Windows program of the build under Wine in a throwaway prefix.
#   wine-run.sh PREFIX --start        create PREFIX if needed, keep one wineserver alive
#   wine-run.sh PREFIX --start-pristine
#                                     as --start, with the registry put back first
#                                     to the state it had when PREFIX was made
#   wine-run.sh PREFIX --stop         end that wineserver
#   wine-run.sh PREFIX --fresh PROGRAM ARGS
#                                     end that wineserver, start a new one, run PROGRAM
#   wine-run.sh PREFIX PROGRAM ARGS   run PROGRAM (the prefix is created on first use)
# A prefix whose name ends in "32" is a pure 32-bit one (WINEARCH=win32).
# The user's own prefix is never used: WINEPREFIX is always set here.
set -u
prefix=${1:?prefix}
shift
case "$prefix" in
    /*) ;;
    *) echo "wine-run.sh: the prefix must be an absolute path" >&2; exit 2 ;;
esac
export WINEPREFIX="$prefix"
export WINEDEBUG="${TAMSEL_WINEDEBUG:--all}"
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
case "$prefix" in
    *32) export WINEARCH=win32 ;;
    *) export WINEARCH=win64 ;;
esac
# Wine's Recycle Bin is the freedesktop trash under XDG_DATA_HOME: give the
# prefix a data folder of its own, so recycled files never reach the user's.
export XDG_DATA_HOME="$prefix-data"

wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
[ -x "$wine64" ] || wine64=$(command -v wine64 || true)
# Wine and its server run on one CPU by default: each server call is far
# cheaper when the two do not bounce between cores.
cpus="${TAMSEL_WINE_CPUS-0}"
pin=()
if [ -n "$cpus" ] && command -v taskset >/dev/null; then pin=(taskset -c "$cpus"); fi

# The loader that matches a PE file's machine: 0x8664 needs wine64.
loader_for() {
    local off machine
    off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    machine=$(od -An -tx2 -j$((off + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    if [ "$machine" = "8664" ]; then echo "$wine64"; else echo "$wine32"; fi
}

# Wine links the prefix user's shell folders (Desktop, Documents, ...) to the
# Linux home. Each such link out of the prefix becomes a real, empty folder
# inside it, so nothing that runs here writes into the user's files.
own_shell_folders() {
    local link target
    for link in "$prefix"/drive_c/users/*/* "$prefix"/drive_c/users/*/AppData/*/*; do
        [ -L "$link" ] || continue
        target=$(readlink -f "$link" 2>/dev/null || true)
        case "$target" in "$prefix"/*) continue ;; esac
        rm -f "$link" && mkdir -p "$link"
    done
}

# The registry files as wineboot made them, kept for --start-pristine.
pristine="$prefix/registry-as-made"
keep_pristine_registry() {
    mkdir -p "$pristine" && cp "$prefix"/*.reg "$pristine"/
}

ensure_prefix() {
    if [ -f "$prefix/system.reg" ]; then own_shell_folders; return 0; fi
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/system.reg" ]; then
            local boot=$wine64
            [ "$WINEARCH" = win32 ] && boot=$wine32
            "${pin[@]}" "$boot" wineboot -i >/dev/null 2>&1
            "$server" -w
            [ -f "$prefix/system.reg" ] && keep_pristine_registry
        fi
    ) 9>"$prefix.lock"
    [ -f "$prefix/system.reg" ] || { echo "wine-run.sh: could not create $prefix" >&2; return 1; }
    own_shell_folders
}

# The server and the services Wine starts with the first program outlive
# it: start them here, detached from the caller's output, or a test runner
# waits for their pipes to close.
start_server() {
    "${pin[@]}" "$server" -p </dev/null >/dev/null 2>&1
    "${pin[@]}" "$wine64" wineboot </dev/null >/dev/null 2>&1
    own_shell_folders  # a prefix update may have made the links again
    # With a display, the first program that makes a window starts Wine's
    # desktop process, which then keeps that program's output pipes open.
    if [ -n "${DISPLAY:-}" ]; then
        setsid "${pin[@]}" "$wine64" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
        sleep 1
    fi
}

case "${1:-}" in
    --start)
        ensure_prefix || exit 1
        start_server
        exit 0 ;;
    --start-pristine)
        # For tests that change the whole machine's keys: each run starts
        # from the same registry, whatever an earlier run left. The server
        # is ended first, so it writes nothing over the files afterwards.
        "$server" -k 2>/dev/null
        "$server" -w 2>/dev/null
        ensure_prefix || exit 1
        if [ -d "$pristine" ]; then
            cp "$pristine"/*.reg "$prefix"/ || exit 1
        else
            keep_pristine_registry || exit 1  # a prefix made before this option: its registry now
        fi
        start_server
        exit 0 ;;
    --stop)
        "$server" -k 2>/dev/null
        exit 0 ;;
    --fresh)
        # A new server, so the services Wine starts on demand are stopped
        # again; then the program runs as below. Only for a program that
        # nothing else runs beside.
        shift
        "$server" -k 2>/dev/null
        "$server" -w 2>/dev/null
        ensure_prefix || exit 1
        start_server ;;
    "")
        echo "wine-run.sh: no program given" >&2; exit 2 ;;
esac
[ -n "${1:-}" ] || { echo "wine-run.sh: no program given" >&2; exit 2; }

ensure_prefix || exit 1
program=$1
shift
exec "${pin[@]}" "$(loader_for "$program")" "$program" "$@"
