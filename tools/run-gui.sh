#!/usr/bin/env bash
# Starts the built Tamsel.exe under Wine in the build's own prefix: on your
# display when DISPLAY is set, otherwise on a virtual X display, where it
# saves a screenshot and says where it is.
#   tools/run-gui.sh [build-dir] [-- tamsel arguments]     (default build/x86_64)
# Only the x86_64 build runs on machines whose kernel cannot run 32-bit
# programs. Stop with Ctrl+C (or, headless, it ends after TAMSEL_RUN_SECONDS).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/x86_64}"
[ "${1:-}" = "--" ] && build="$root/build/x86_64"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
shift $(( $# > 0 ? 1 : 0 ))
[ "${1:-}" = "--" ] && shift
exe="$build/bin/Tamsel.exe"
[ -f "$exe" ] || { echo "run-gui.sh: $exe not built (cmake --build $build)" >&2; exit 1; }
# The build's own prefix unless the caller names one (tools/run-tamsel.sh
# passes the user's).
prefix="${TAMSEL_PREFIX:-$build/wineprefix64}"
run="$root/tools/wine-run.sh"

if [ -n "${DISPLAY:-}" ]; then
    "$run" "$prefix" --start
    exec "$run" "$prefix" "$exe" "$@"
fi

command -v Xvfb >/dev/null || { echo "run-gui.sh: no DISPLAY and no Xvfb (apt-get install xvfb)" >&2; exit 1; }
display=":${TAMSEL_XVFB_DISPLAY:-79}"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=$display
sleep 1
"$run" "$prefix" --start
# No window manager here: Wine draws the window frames itself.
WINEPREFIX="$prefix" /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
"$run" "$prefix" "$exe" "$@" &
app=$!
sleep "${TAMSEL_SHOT_DELAY:-8}"
# A program that could not start (a DLL missing beside it, say) has ended by
# now: say so instead of saving a picture of an empty screen.
if ! kill -0 $app 2>/dev/null; then
    wait $app
    echo "run-gui.sh: $exe ended before its window could be shown (exit code $?)" >&2
    "$run" "$prefix" --stop
    exit 1
fi
shot="$build/screenshots/tamsel-run.png"
mkdir -p "$(dirname "$shot")"
if command -v import >/dev/null; then
    import -window root "$shot" && echo "screenshot: $shot"
elif command -v xwd >/dev/null; then
    xwd -root -silent > "${shot%.png}.xwd" && echo "screenshot: ${shot%.png}.xwd"
else
    echo "run-gui.sh: no screenshot tool (apt-get install imagemagick)" >&2
fi
sleep "${TAMSEL_RUN_SECONDS:-2}"
kill $app 2>/dev/null
"$run" "$prefix" --stop
