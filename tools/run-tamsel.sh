#!/usr/bin/env bash
# Run Tamsel in your own Wine prefix.
#
#   tools/run-tamsel.sh [-- program arguments]   the program's window with the main menu
#                                                 (on $DISPLAY, or on a virtual display
#                                                 with a screenshot saved)
#   tools/run-tamsel.sh --console [scan options]  a read-only scan with TamselCli,
#                                                 e.g. --json, --category "COM/ActiveX Entries"
#
# Uses $WINEPREFIX, or ~/.wine when it is not set, and creates that prefix
# when it does not exist yet. The console scan only reads: nothing is fixed,
# backed up or written to the registry. (This is the one script that touches
# the user's prefix; tests and benchmarks use throwaway prefixes in the build
# tree.)
#
# The 32-bit build is the primary one and is used when build/i686 holds it
# and this machine can run 32-bit programs; otherwise the x86_64 build is
# built when needed and used.
set -u
mode=window
if [ "${1:-}" = "--console" ]; then
    mode=console
    shift
fi
[ "${1:-}" = "--" ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${WINEPREFIX:-$HOME/.wine}
case "$prefix" in /*) ;; *) prefix=$PWD/$prefix ;; esac
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts when the prefix is new.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64 || true)
[ -x "$wine32" ] || wine32=$(command -v wine || true)
server=/usr/lib/wine/wineserver
[ -x "$server" ] || server=$(command -v wineserver || true)
die() { echo "run-tamsel.sh: $*" >&2; exit 2; }

if [ ! -f "$prefix/system.reg" ]; then
    [ -n "$wine64" ] || die "no 64-bit Wine loader (wine64) found"
    echo "run-tamsel.sh: creating the Wine prefix $prefix" >&2
    "$wine64" wineboot -i >/dev/null 2>&1 || die "could not create $prefix"
    [ -n "$server" ] && "$server" -w
fi
arch=win64
grep -q '^#arch=win32' "$prefix/system.reg" 2>/dev/null && arch=win32

build=$root/build/x86_64
ensure_x86_64() { # $1: target
    if [ ! -f "$build/build.ninja" ]; then
        echo "run-tamsel.sh: configuring $build" >&2
        cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || die "cmake configure failed"
    fi
    echo "run-tamsel.sh: building $1 in $build" >&2
    cmake --build "$build" --target "$1" >/dev/null || die "build failed (run: cmake --build $build)"
}

if [ "$mode" = window ]; then
    [ "$arch" = win64 ] || die "$prefix is a 32-bit prefix; the window runs from the x86_64 build here"
    ensure_x86_64 tamsel_exe
    TAMSEL_PREFIX=$prefix exec "$root/tools/run-gui.sh" "$build" -- "$@"
fi

# A 32-bit program runs only where the kernel and Wine allow it: try one.
exe=
loader=
i686=$root/build/i686/bin/TamselCli.exe
if [ -f "$i686" ] && [ -n "$wine32" ] && timeout 60 "$wine32" "$i686" --help >/dev/null 2>&1; then
    exe=$i686
    loader=$wine32
elif [ "$arch" = win32 ]; then
    die "$prefix is a 32-bit prefix, and no runnable 32-bit build was found in build/i686"
else
    ensure_x86_64 tamsel_cli
    exe=$build/bin/TamselCli.exe
    loader=$wine64
fi
[ -n "$loader" ] || die "no Wine loader found"
exec "$loader" "$exe" scan "$@"
