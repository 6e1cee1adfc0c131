#!/usr/bin/env bash
# Scan benchmark: a fresh Wine prefix with a large synthetic COM registry,
# then, in the same run,
#   (a) TamselCli scan --category "COM/ActiveX Entries" of that registry,
#   (b) the floor: a bare walk of the same keys (RegEnumKeyExW/RegEnumValueW
#       and one FindFirstFileW per path), TamselBench walk.
# Prints both times, items per second, the ratio a/b and peak memory.
# With --window, also in the same run and the same registry:
#   (c) a scan started from the program's scan page (TamselWindowBench, the
#       real main window under the display or an own Xvfb), against
#   (d) TamselCli scan with the same settings file,
# and prints the ratio c/d: what the window costs the scan.
#
# With --baseline DIR, also in the same rounds:
#   (a0) the TamselCli.exe of another build's bin folder DIR (an older engine,
#        say), and prints the ratio a/a0: what the changes since cost.
#
#   bench/run-scan-bench.sh [--classes N] [--broken PERCENT] [--rounds N] [--reuse] [--window] [--baseline DIR]
# --reuse keeps an already filled prefix instead of building a fresh one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAMSEL_BUILD:-$root/build/x86_64}
classes=20000
broken=3
rounds=3
reuse=0
window=0
baseline=
while [ $# -gt 0 ]; do
    case "$1" in
        --classes) classes=$2; shift 2 ;;
        --broken) broken=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --reuse) reuse=1; shift ;;
        --window) window=1; shift ;;
        --baseline) baseline=$(cd "$2" && pwd); shift 2 ;;
        *) echo "run-scan-bench.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done

prefix=$build/benchprefix
run="$root/tools/wine-run.sh $prefix"
bin=$build/bin

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets="tamsel_cli tamsel_bench"
[ "$window" = 1 ] && targets="$targets tamsel_window_bench"
cmake --build "$build" --target $targets >/dev/null

now_ms() { date +%s%3N; }
# Both read their whole input: a reader that stops early would end the
# writer with SIGPIPE, which pipefail turns into a failure.
field() { # first "name": number of a JSON document
    tr -d "\r" | awk -v key="\"$1\": " '!done && (i = index($0, key)) {
        rest = substr($0, i + length(key)); match(rest, /^[0-9]+/); print substr(rest, 1, RLENGTH); done = 1 }'
}
pair() { # name=value of a TamselBench line
    tr -d '\r' | tr ' ' '\n' | awk -F= -v key="$1" '!done && $1 == key { print $2; done = 1 }'
}

xvfb_pid=
stop_server() {
    "$root/tools/wine-run.sh" "$prefix" --stop
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap stop_server EXIT

if [ "$reuse" = 0 ] || [ ! -f "$prefix/.bench-filled" ]; then
    [ -d "$prefix" ] && "$root/tools/wine-run.sh" "$prefix" --stop || true
    rm -rf "$prefix" "$prefix.lock"
    echo "creating the prefix $prefix ..."
    timeout 600 "$root/tools/wine-run.sh" "$prefix" --start
    mkdir -p "$prefix/drive_c/bench"
    t0=$(now_ms)
    gen=$(timeout 600 $run "$bin/TamselBench.exe" gen 'C:\bench\com.reg' 'C:\benchcom' "$classes" "$broken")
    echo "synthetic registry: $gen"
    # regedit is Wine's own: the 64-bit loader runs it in the 64-bit view.
    WINEPREFIX=$prefix WINEDEBUG=-all timeout 1800 /usr/lib/wine/wine64 regedit /S 'C:\bench\com.reg'
    "$root/tools/wine-run.sh" "$prefix" --stop  # the server writes the registry files
    echo "imported in $(( ($(now_ms) - t0) / 1000 )) s"
    echo "$gen" > "$prefix/.bench-filled"
fi
timeout 600 "$root/tools/wine-run.sh" "$prefix" --start

scan() {  # [bin folder]
    local t0 t1 out
    t0=$(now_ms)
    out=$(timeout 1800 $run "${1:-$bin}/TamselCli.exe" scan --json --quiet --category "COM/ActiveX Entries") || [ $? -le 1 ]
    t1=$(now_ms)
    scan_ms=$(field durationMs <<<"$out")
    scan_items=$(field itemsExamined <<<"$out")
    scan_problems=$(field shownProblemCount <<<"$out")
    scan_peak=$(field peakWorkingSetBytes <<<"$out")
    scan_wall=$((t1 - t0))
}
walk() {
    local t0 t1 out
    t0=$(now_ms)
    out=$(timeout 1800 $run "$bin/TamselBench.exe" walk)
    t1=$(now_ms)
    walk_ms=$(pair ms <<<"$out")
    walk_keys=$(pair keys <<<"$out")
    walk_values=$(pair values <<<"$out")
    walk_paths=$(pair paths <<<"$out")
    walk_missing=$(pair missing <<<"$out")
    walk_peak=$(pair peak <<<"$out")
    walk_wall=$((t1 - t0))
}

# One round of each to warm the registry and file caches, then the best of
# the measured rounds, alternating.
walk; scan
best_scan=; best_walk=; best_base=
for ((i = 1; i <= rounds; i++)); do
    if [ -n "$baseline" ]; then
        scan "$baseline"
        base_problems=$scan_problems
        echo "round $i: baseline scan ${scan_ms} ms"
        if [ -z "$best_base" ] || [ "$scan_ms" -lt "$best_base" ]; then best_base=$scan_ms; fi
    fi
    walk
    scan
    echo "round $i: scan ${scan_ms} ms (process ${scan_wall} ms), floor ${walk_ms} ms (process ${walk_wall} ms)"
    if [ -z "$best_scan" ] || [ "$scan_ms" -lt "$best_scan" ]; then best_scan=$scan_ms; fi
    if [ -z "$best_walk" ] || [ "$walk_ms" -lt "$best_walk" ]; then best_walk=$walk_ms; fi
done

per_s() { [ "$2" -gt 0 ] && echo $(( $1 * 1000 / $2 )) || echo "-"; }
echo
echo "registry: $walk_keys keys, $walk_values values, $walk_paths paths ($walk_missing missing) below the COM roots, both views"
echo "(a) TamselCli scan:  ${best_scan} ms, ${scan_items} items, $(per_s "$scan_items" "$best_scan") items/s, ${scan_problems} problems, peak working set $((scan_peak / 1024)) KiB"
echo "(b) floor walk:      ${best_walk} ms, ${walk_values} values, $(per_s "$walk_values" "$best_walk") values/s, peak working set $((walk_peak / 1024)) KiB"
if [ "$best_walk" -gt 0 ]; then
    echo "ratio a/b: $(awk "BEGIN { printf \"%.2f\", $best_scan / $best_walk }")"
fi
if [ -n "$baseline" ]; then
    echo "(a0) baseline scan:  ${best_base} ms, ${base_problems} problems ($baseline)"
    echo "ratio a/a0: $(awk "BEGIN { printf \"%.3f\", $best_scan / $best_base }")"
fi

[ "$window" = 1 ] || exit 0

# (c) against (d): both scan the COM category only, from one folder holding
# the program, the engine, the images and a settings file with the other
# categories switched off.
work=$build/benchwindow
rm -rf "$work"
cp -r "$bin" "$work"
sed -E '/<ComActiveX /! s/flag="true"/flag="false"/' "$bin/scanSetting.xml" > "$work/scanSetting.xml"
if [ -z "${DISPLAY:-}" ]; then
    Xvfb :59 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:59
    sleep 1
fi
cli_scan() {
    local out
    out=$(cd "$work" && timeout 1800 $run "$work/TamselCli.exe" scan --json --quiet --settings scanSetting.xml) || [ $? -le 1 ]
    cli_ms=$(field durationMs <<<"$out")
    cli_problems=$(field shownProblemCount <<<"$out")
}
window_scan() {
    local out
    out=$(cd "$work" && timeout 1800 $run "$work/TamselWindowBench.exe" 1 </dev/null)
    window_ms=$(pair ms <<<"$out")
    window_problems=$(pair problems <<<"$out")
    window_peak=$(pair peak <<<"$out")
}
cli_scan; window_scan
best_cli=; best_window=
for ((i = 1; i <= rounds; i++)); do
    cli_scan
    window_scan
    echo "round $i: scan page ${window_ms} ms (${window_problems} problems), console ${cli_ms} ms (${cli_problems} problems)"
    if [ -z "$best_cli" ] || [ "$cli_ms" -lt "$best_cli" ]; then best_cli=$cli_ms; fi
    if [ -z "$best_window" ] || [ "$window_ms" -lt "$best_window" ]; then best_window=$window_ms; fi
done
echo
echo "(c) scan page:       ${best_window} ms, ${window_problems} problems, peak working set $((window_peak / 1024)) KiB"
echo "(d) TamselCli scan:  ${best_cli} ms, ${cli_problems} problems"
if [ "$best_cli" -gt 0 ]; then
    echo "ratio c/d: $(awk "BEGIN { printf \"%.2f\", $best_window / $best_cli }")"
fi
