#!/usr/bin/env bash
# Scan benchmark: a Wine prefix with a large synthetic registry, then, in the
# same rounds,
#   (a) TamselCli scan --category "COM/ActiveX Entries" of that registry,
#   (b) the floor: a bare walk of the same keys (RegEnumKeyExW/RegEnumValueW
#       and one FindFirstFileW per path), TamselBench walk.
# Prints both times, items per second, the ratio a/b and peak memory.
# With --full, the registry also fills the other eleven categories, and the
# same rounds also measure
#   (f) TamselCli scan of all twelve categories with the shipped settings,
#   (g) the full floor, TamselBench walk --full: the same keys and folders,
#       in the views the scan reads them in, one existence test per path,
# and print their times, the ratio f/g, peak memory and peak memory per
# 1,000 problems.
# The scans run on the engine's own number of threads (printed as
# "threads"); in the same rounds each is also run on one thread
# (TamselCli --threads 1: (a1), (f1)), so the gain of the threads, the
# peak memory against one thread's and "same problems" between the two are
# printed too. Wine is not pinned to one CPU here (TAMSEL_WINE_CPUS empty,
# unless set), or the threads would share one core.
# With --window, also in the same run and the same registry:
#   (c) a scan started from the program's scan page (TamselWindowBench, the
#       real main window under the display or an own Xvfb), against
#   (d) TamselCli scan with the same settings file,
# and prints the ratio c/d: what the window costs the scan.
#
# With --baseline DIR, also in the same rounds:
#   (a0) the TamselCli.exe of another build's bin folder DIR (an older engine,
#        say), and prints the ratio a/a0 (and f/f0 with --full) and whether
#        both found the same problems, in the same order.
#
# When the build has the counting engine (target corvex_counted_dll, output
# <build>/benchcounted/Corvex.dll), one more, untimed scan of each kind runs
# with it and the script prints its calls next to the floor's.
#
#   bench/run-scan-bench.sh [--classes N | --sizes "N1 N2 ..."] [--broken PERCENT | --problems N]
#                           [--full] [--rounds N] [--reuse] [--window] [--baseline DIR] [--build x86_64|i686]
# Each size and content has its own prefix, <build>/benchprefix-CLASSES-CONTENT-KIND; --reuse keeps
# an already filled one instead of building it afresh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=x86_64
sizes=
broken=3
problems=
full=0
rounds=3
reuse=0
window=0
baseline=
while [ $# -gt 0 ]; do
    case "$1" in
        --classes) sizes=$2; shift 2 ;;
        --sizes) sizes=$2; shift 2 ;;
        --broken) broken=$2; shift 2 ;;
        --problems) problems=$2; shift 2 ;;
        --full) full=1; shift ;;
        --rounds) rounds=$2; shift 2 ;;
        --reuse) reuse=1; shift ;;
        --window) window=1; shift ;;
        --baseline) baseline=$(cd "$2" && pwd); shift 2 ;;
        --build) arch=$2; shift 2 ;;
        *) echo "run-scan-bench.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
sizes=${sizes:-20000}
case "$arch" in
    x86_64 | i686) ;;
    *) echo "run-scan-bench.sh: --build takes x86_64 or i686" >&2; exit 2 ;;
esac
if [ "$arch" = i686 ] && ! "$root/tools/probe-32bit.sh"; then
    echo "note: this machine does not run 32-bit programs (tools/probe-32bit.sh); the i686 benchmark is skipped"
    exit 0
fi

# Unpinned unless the caller pins it: a scan on several threads needs
# several CPUs. The floor and every scan run alike.
export TAMSEL_WINE_CPUS=${TAMSEL_WINE_CPUS-}
build=${TAMSEL_BUILD:-$root/build/$arch}
bin=$build/bin
report="python3 $root/bench/scan-report.py"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets="tamsel_cli tamsel_bench"
[ "$window" = 1 ] && targets="$targets tamsel_window_bench"
cmake --build "$build" --target $targets >/dev/null

# The programs as they ship, without debug information: Wine reads a PE
# file's debug sections in with the image, and they would count in every
# working set measured here.
stage_stripped() {  # from to
    rm -rf "$2" && cp -r "$1" "$2"
    "$arch-w64-mingw32-strip" --strip-debug "$2"/*.exe "$2"/*.dll
}
stage_stripped "$bin" "$build/benchbin"
bin=$build/benchbin
if [ -n "$baseline" ]; then
    stage_stripped "$baseline" "$build/benchbaseline"
    baseline=$build/benchbaseline
fi

# The counting engine, when this build has its target.
counted=$build/benchcounted
have_counted=0
if cmake --build "$build" --target help 2>/dev/null | grep -q '^corvex_counted_dll\b'; then
    cmake --build "$build" --target corvex_counted_dll >/dev/null
    if [ -f "$counted/Corvex.dll" ]; then
        have_counted=1
        # The console tool and everything next to it but the engine.
        for f in "$bin"/*; do
            case "$(basename "$f")" in Corvex.dll | TamselBench.exe | TamselWindowBench.exe) continue ;; esac
            cp -r "$f" "$counted/"
        done
    fi
fi

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
ratio() { [ "${2:-0}" -gt 0 ] && awk "BEGIN { printf \"%.${3:-2}f\", $1 / $2 }" || echo "-"; }
per_s() { [ "$2" -gt 0 ] && echo $(( $1 * 1000 / $2 )) || echo "-"; }
kib() { echo $(( ${1:-0} / 1024 )); }
per_1000() { [ "${2:-0}" -gt 0 ] && echo $(( ${1:-0} / 1024 * 1000 / $2 )) || echo "-"; }  # KiB per 1,000 problems

xvfb_pid=
used_prefixes=()
stop_server() {
    for p in "${used_prefixes[@]}"; do "$root/tools/wine-run.sh" "$p" --stop; done
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap stop_server EXIT

content=${broken}pct
[ -n "$problems" ] && content=${problems}prob
kind=com
[ "$full" = 1 ] && kind=full
com_category="COM/ActiveX Entries"

# Fills the prefix of one size (unless --reuse finds it filled).
fill_prefix() {  # classes
    local gen t0 args
    if [ "$reuse" = 1 ] && [ -f "$prefix/.bench-filled" ]; then return; fi
    [ -d "$prefix" ] && "$root/tools/wine-run.sh" "$prefix" --stop || true
    rm -rf "$prefix" "$prefix.lock" "$prefix-data"
    echo "creating the prefix $prefix ..."
    timeout 600 "$root/tools/wine-run.sh" "$prefix" --start
    mkdir -p "$prefix/drive_c/bench"
    t0=$(now_ms)
    args=("$1" "$broken")
    [ -n "$problems" ] && args+=(--problems "$problems")
    [ "$full" = 1 ] && args+=(--full)
    gen=$(timeout 1200 $run "$bin/TamselBench.exe" gen 'C:\bench\com.reg' 'C:\benchcom' "${args[@]}")
    echo "synthetic registry: $gen"
    # regedit is Wine's own: the 64-bit loader runs it in the 64-bit view.
    WINEPREFIX=$prefix WINEDEBUG=-all timeout 1800 /usr/lib/wine/wine64 regedit /S 'C:\bench\com.reg'
    "$root/tools/wine-run.sh" "$prefix" --stop  # the server writes the registry files
    echo "imported in $(( ($(now_ms) - t0) / 1000 )) s"
    echo "$gen" > "$prefix/.bench-filled"
}

scan() {  # full|com [bin folder] [json file] [threads]
    local t0 t1 out
    local -a what=(--category "$com_category")
    [ "$1" = full ] && what=()
    [ -n "${4:-}" ] && what+=(--threads "$4")
    t0=$(now_ms)
    out=$(timeout 1800 $run "${2:-$bin}/TamselCli.exe" scan --json --quiet "${what[@]}") || [ $? -le 1 ]
    t1=$(now_ms)
    [ -n "${3:-}" ] && printf '%s\n' "$out" > "$3"
    scan_ms=$(field durationMs <<<"$out")
    scan_items=$(field itemsExamined <<<"$out")
    scan_problems=$(field shownProblemCount <<<"$out")
    scan_peak=$(field peakWorkingSetBytes <<<"$out")
    scan_threads=$(field scanThreads <<<"$out")
    scan_wall=$((t1 - t0))
}
walk() {  # full|com
    local t0 t1 out
    local -a what=()
    [ "$1" = full ] && what=(--full)
    t0=$(now_ms)
    out=$(timeout 1800 $run "$bin/TamselBench.exe" walk "${what[@]}")
    t1=$(now_ms)
    walk_out=$out
    walk_line=$(head -n 1 <<<"$out")
    walk_ms=$(pair ms <<<"$walk_line")
    walk_keys=$(pair keys <<<"$walk_line")
    walk_values=$(pair values <<<"$walk_line")
    walk_items=$(pair items <<<"$walk_line")
    walk_paths=$(pair paths <<<"$walk_line")
    walk_missing=$(pair missing <<<"$walk_line")
    walk_peak=$(pair peak <<<"$walk_line")
    walk_wall=$((t1 - t0))
}
better() { [ -z "$1" ] || [ "$2" -lt "$1" ]; }

# The summary rows, one per size.
summary=()
first_com_peak=; first_full_peak=

run_size() {  # classes
    local classes=$1 i out_dir
    prefix=$build/benchprefix-$classes-$content-$kind
    run="$root/tools/wine-run.sh $prefix"
    used_prefixes+=("$prefix")
    out_dir=$build/benchout/$classes-$content-$kind
    mkdir -p "$out_dir"
    echo
    echo "=== $classes classes, $content broken, $kind registry ($arch) ==="
    fill_prefix "$classes"
    timeout 600 "$root/tools/wine-run.sh" "$prefix" --start

    # One round of each to warm the registry and file caches, then the best
    # of the measured rounds, alternating.
    walk com; scan com
    if [ "$full" = 1 ]; then walk full; scan full; fi
    local best_scan= best_walk= best_base= best_fscan= best_fwalk= best_fbase= best_cpart= part_ms
    local best_scan1= best_fscan1= com_peak1= full_peak1= com_threads= full_threads=
    local base_problems= fbase_problems=
    for ((i = 1; i <= rounds; i++)); do
        if [ -n "$baseline" ]; then
            scan com "$baseline" "$out_dir/com-baseline.json"
            base_problems=$scan_problems
            better "$best_base" "$scan_ms" && best_base=$scan_ms
            echo "round $i: baseline scan ${scan_ms} ms"
        fi
        scan com "" "$out_dir/com-1thread.json" 1
        better "$best_scan1" "$scan_ms" && best_scan1=$scan_ms
        com_peak1=$scan_peak
        echo "round $i: scan on one thread ${scan_ms} ms"
        walk com
        scan com "" "$out_dir/com.json"
        com_threads=$scan_threads
        echo "round $i: scan ${scan_ms} ms on ${scan_threads} threads (process ${scan_wall} ms), floor ${walk_ms} ms (process ${walk_wall} ms)"
        better "$best_scan" "$scan_ms" && best_scan=$scan_ms
        better "$best_walk" "$walk_ms" && best_walk=$walk_ms
        com_walk_line=$walk_line com_walk_keys=$walk_keys com_walk_values=$walk_values
        com_walk_paths=$walk_paths com_walk_missing=$walk_missing com_walk_peak=$walk_peak
        com_items=$scan_items com_problems=$scan_problems com_peak=$scan_peak
        [ "$full" = 1 ] || continue
        if [ -n "$baseline" ]; then
            scan full "$baseline" "$out_dir/full-baseline.json"
            fbase_problems=$scan_problems
            better "$best_fbase" "$scan_ms" && best_fbase=$scan_ms
            echo "round $i: baseline full scan ${scan_ms} ms"
        fi
        scan full "" "$out_dir/full-1thread.json" 1
        better "$best_fscan1" "$scan_ms" && best_fscan1=$scan_ms
        full_peak1=$scan_peak
        echo "round $i: full scan on one thread ${scan_ms} ms"
        walk full
        scan full "" "$out_dir/full.json"
        full_threads=$scan_threads
        echo "round $i: full scan ${scan_ms} ms on ${scan_threads} threads (process ${scan_wall} ms), full floor ${walk_ms} ms (process ${walk_wall} ms)"
        better "$best_fscan" "$scan_ms" && best_fscan=$scan_ms
        better "$best_fwalk" "$walk_ms" && best_fwalk=$walk_ms
        full_walk_out=$walk_out full_walk_line=$walk_line
        part_ms=$(grep '^part=com ' <<<"$walk_out" | pair ms)
        better "$best_cpart" "$part_ms" && best_cpart=$part_ms
        full_items=$scan_items full_problems=$scan_problems full_peak=$scan_peak
    done

    echo
    echo "registry: $com_walk_keys keys, $com_walk_values values, $com_walk_paths paths ($com_walk_missing missing) below the COM roots, both views"
    echo "(a) TamselCli scan:  ${best_scan} ms on ${com_threads} threads, ${com_items} items, $(per_s "$com_items" "$best_scan") items/s, ${com_problems} problems, peak working set $(kib "$com_peak") KiB"
    echo "(a1) on one thread:  ${best_scan1} ms, peak working set $(kib "$com_peak1") KiB"
    echo "(b) floor walk:      ${best_walk} ms, ${com_walk_values} values, $(per_s "$com_walk_values" "$best_walk") values/s, peak working set $(kib "$com_walk_peak") KiB"
    echo "ratio a/b: $(ratio "$best_scan" "$best_walk") on ${com_threads} threads, a1/b: $(ratio "$best_scan1" "$best_walk") on one; a/a1: $(ratio "$best_scan" "$best_scan1")"
    echo "peak a/a1: $(ratio "$com_peak" "$com_peak1")"
    echo "COM scan, one thread against ${com_threads}: $($report compare "$out_dir/com-1thread.json" "$out_dir/com.json")"
    if [ -n "$baseline" ]; then
        echo "(a0) baseline scan:  ${best_base} ms, ${base_problems} problems ($baseline)"
        echo "ratio a/a0: $(ratio "$best_scan" "$best_base" 3)"
        echo "COM scan: $($report compare "$out_dir/com-baseline.json" "$out_dir/com.json")"
    fi
    local full_ratio=- fpeak_per=- fkib=- full_ratio1=- full_peak_ratio=-
    if [ "$full" = 1 ]; then
        local fw_keys fw_values fw_paths fw_missing fw_peak
        fw_keys=$(pair keys <<<"$full_walk_line"); fw_values=$(pair values <<<"$full_walk_line")
        fw_paths=$(pair paths <<<"$full_walk_line"); fw_missing=$(pair missing <<<"$full_walk_line")
        fw_peak=$(pair peak <<<"$full_walk_line")
        full_ratio=$(ratio "$best_fscan" "$best_fwalk")
        fpeak_per=$(per_1000 "$full_peak" "$full_problems")
        fkib=$(kib "$full_peak")
        echo
        echo "full registry walked: $fw_keys keys, $fw_values values, $fw_paths paths ($fw_missing missing)"
        echo "(f) TamselCli full scan: ${best_fscan} ms on ${full_threads} threads, ${full_items} items, $(per_s "$full_items" "$best_fscan") items/s, ${full_problems} problems, peak working set ${fkib} KiB (${fpeak_per} KiB per 1,000 problems)"
        echo "(f1) on one thread:      ${best_fscan1} ms, peak working set $(kib "$full_peak1") KiB"
        echo "(g) full floor:          ${best_fwalk} ms, $(pair items <<<"$full_walk_line") items, peak working set $(kib "$fw_peak") KiB"
        full_ratio1=$(ratio "$best_fscan1" "$best_fwalk")
        full_peak_ratio=$(ratio "$full_peak" "$full_peak1")
        echo "ratio f/g: $full_ratio on ${full_threads} threads, f1/g: $full_ratio1 on one; f/f1: $(ratio "$best_fscan" "$best_fscan1")"
        echo "peak f/f1: $full_peak_ratio"
        echo "full scan, one thread against ${full_threads}: $($report compare "$out_dir/full-1thread.json" "$out_dir/full.json")"
        # The COM floor (b) walks every key below the COM roots; the scan and
        # the full floor's COM part only the keys the scan's scope enters.
        echo "COM part of (g): ${best_cpart} ms; ratio a/(COM part of g): $(ratio "$best_scan" "$best_cpart")"
        echo "floor per category (last round):"
        grep '^part=' <<<"$full_walk_out" | tr -d '\r' | awk '{ printf "  %-11s %s %s %s %s %s %s\n", substr($1, 6), $2, $3, $4, $7, $5, $6 }'
        echo "problems per category (full scan):"
        $report categories "$out_dir/full.json" | awk -F'\t' '{ printf "  %-28s %s\n", $1, $2 }'
        if [ -n "$baseline" ]; then
            echo "(f0) baseline full scan: ${best_fbase} ms, ${fbase_problems} problems"
            echo "ratio f/f0: $(ratio "$best_fscan" "$best_fbase" 3)"
            echo "full scan: $($report compare "$out_dir/full-baseline.json" "$out_dir/full.json")"
        fi
    fi

    # The counting engine's calls against the floor's, one untimed scan each.
    echo
    if [ "$have_counted" = 1 ]; then
        rm -f "$prefix/drive_c/bench/counts-com.txt" "$prefix/drive_c/bench/counts-full.txt"
        TAMSEL_CALL_COUNTS='C:\bench\counts-com.txt' timeout 1800 $run "$counted/TamselCli.exe" scan --json --quiet \
            --category "$com_category" >/dev/null || [ $? -le 1 ]
        if [ -f "$prefix/drive_c/bench/counts-com.txt" ]; then
            $report calls "COM scan" "$prefix/drive_c/bench/counts-com.txt" "$com_items" "$com_walk_line"
        else
            echo "note: the counting engine wrote no counts for the COM scan"
        fi
        if [ "$full" = 1 ]; then
            TAMSEL_CALL_COUNTS='C:\bench\counts-full.txt' timeout 1800 $run "$counted/TamselCli.exe" scan --json \
                --quiet >/dev/null || [ $? -le 1 ]
            if [ -f "$prefix/drive_c/bench/counts-full.txt" ]; then
                $report calls "full scan" "$prefix/drive_c/bench/counts-full.txt" "$full_items" "$full_walk_line"
            else
                echo "note: the counting engine wrote no counts for the full scan"
            fi
        fi
    else
        echo "note: no counting engine in this build (target corvex_counted_dll); the call table is left out"
        echo "floor calls (COM): $(cut -d' ' -f7- <<<"$com_walk_line" | sed 's/ peak=.*//')"
        [ "$full" = 1 ] && echo "floor calls (full): $(cut -d' ' -f7- <<<"$full_walk_line" | sed 's/ peak=.*//')"
    fi

    [ -z "$first_com_peak" ] && first_com_peak=$com_peak && first_full_peak=${full_peak:-0}
    local threads_used=$com_threads
    [ "$full" = 1 ] && threads_used=$full_threads
    summary+=("$(printf '%-8s %7s %9s %9s %10s %10s %12s %12s %10s %14s %14s %12s %12s' "$classes" "$threads_used" \
        "$(ratio "$best_scan" "$best_walk")" "$(ratio "$best_scan1" "$best_walk")" "$full_ratio" "$full_ratio1" \
        "$(kib "$com_peak")" "$fkib" "$full_peak_ratio" "$(per_1000 "$com_peak" "$com_problems")" "$fpeak_per" \
        "$(ratio "$com_peak" "$first_com_peak")" "$( [ "$full" = 1 ] && ratio "$full_peak" "$first_full_peak" || echo -)")")

    [ "$window" = 1 ] && run_window
    "$root/tools/wine-run.sh" "$prefix" --stop
}

# (c) against (d): both scan the COM category only, from one folder holding
# the program, the engine, the images and a settings file with the other
# categories switched off.
run_window() {
    local work=$build/benchwindow i
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
        window_scanned=$(pair scanned <<<"$out")
        window_shown=$(pair shown <<<"$out")
        window_threads=$(pair threads <<<"$out")
        window_problems=$(pair problems <<<"$out")
        window_peak=$(pair peak <<<"$out")
    }
    cli_scan; window_scan
    local best_cli= best_window= best_window_scanned=
    for ((i = 1; i <= rounds; i++)); do
        cli_scan
        window_scan
        echo "round $i: scan page ${window_ms} ms on ${window_threads} threads (${window_problems} problems; OnScanFinished after ${window_scanned} ms, the selection page shown ${window_shown} ms later), console ${cli_ms} ms (${cli_problems} problems)"
        better "$best_cli" "$cli_ms" && best_cli=$cli_ms
        better "$best_window" "$window_ms" && best_window=$window_ms && best_window_scanned=$window_scanned
    done
    echo
    echo "(c) scan page:       ${best_window} ms, ${window_problems} problems, peak working set $((window_peak / 1024)) KiB (OnScanFinished after ${best_window_scanned} ms)"
    echo "(d) TamselCli scan:  ${best_cli} ms, ${cli_problems} problems"
    echo "ratio c/d: $(ratio "$best_window" "$best_cli")"
}

for classes in $sizes; do run_size "$classes"; done

echo
echo "summary ($arch, $content broken, $kind registry; a1/b and f1/g on one thread; peaks in KiB; the last two columns: peak against the first size's)"
printf '%-8s %7s %9s %9s %10s %10s %12s %12s %10s %14s %14s %12s %12s\n' size threads "COM a/b" "a1/b" \
    "full f/g" "f1/g" "COM peak" "full peak" "peak f/f1" "COM /1000 pr." "full /1000 pr." "COM peaks" "full peaks"
for row in "${summary[@]}"; do echo "$row"; done
if [ -z "$problems" ] && [ "${#summary[@]}" -gt 1 ]; then
    echo "(the problem count grows with the size here; --problems N keeps it fixed for comparing the peaks)"
fi
