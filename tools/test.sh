#!/usr/bin/env bash
# Builds Tamsel (x86_64 and i686 Windows builds, the native build of the
# portable logic) and runs every test suite that this machine can run:
#   native   the portable logic under AddressSanitizer and UBSan
#   fuzz     the IgnoreList.dat and scan report readers under libFuzzer: the seed
#            corpora, then a minute of fuzzing each
#   x86_64   the engine and tools under Wine, in a throwaway 64-bit prefix
#   i686     the primary build under Wine in a 64-bit prefix (WOW64) and in a
#            pure 32-bit prefix, where the host kernel can run 32-bit programs
# Ends with one "N passed, N failed" line; exits non-zero on any failure.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${TAMSEL_JOBS:-2}"
status=0
builds=()
timings=()

step() { printf '\n== %s\n' "$*"; }

configure_build() {  # name toolchain-or-empty
    local dir="build/$1" args=(-S . -B "build/$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    [ -n "$2" ] && args+=(--toolchain "$2")
    local started=$SECONDS
    step "build $1"
    cmake "${args[@]}" >/dev/null || return 1
    cmake --build "$dir" -j "$jobs" || return 1
    timings+=("build $1 $((SECONDS - started)) s")
}

run_suite() {  # name [ctest args]
    local name=$1; shift
    step "test $name"
    rm -rf "build/$name/results" && mkdir -p "build/$name/results"
    local started=$SECONDS
    (cd "build/$name" && timeout -k 60 2400 ctest --output-on-failure --timeout 900 -j "$jobs" --output-junit ctest-junit.xml "$@") || status=1
    builds+=("$name")
    timings+=("$name $((SECONDS - started)) s")
}

# Start a virtual display for the window tests when none is there.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:77
    trap 'kill $xvfb_pid 2>/dev/null' EXIT
fi

if configure_build native ""; then run_suite native; else status=1; echo "native build failed"; fi
if CXX=clang++ cmake -S tests/fuzz -B build/fuzz -G Ninja >/dev/null && cmake --build build/fuzz -j "$jobs"; then
    run_suite fuzz
else
    status=1; echo "fuzz build failed"
fi
if configure_build x86_64 cmake/toolchain-x86_64-w64-mingw32.cmake; then run_suite x86_64; else status=1; echo "x86_64 build failed"; fi
if configure_build i686 cmake/toolchain-i686-w64-mingw32.cmake; then
    # 32-bit Windows programs need the 32-bit Wine loader, a 32-bit Linux
    # program; some kernels are booted without 32-bit support.
    if ! tools/probe-32bit.sh; then
        step "test i686: SKIPPED - this kernel cannot run 32-bit programs, so Wine cannot run the i686 build here"
    elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        step "test i686: SKIPPED - the 32-bit Wine loader (Debian's wine32:i386) is not installed"
    else
        run_suite i686
    fi
else
    status=1; echo "i686 build failed"
fi

# The release packages, made from the builds just tested, and their checks
# (zips, help, the installer under Wine in a prefix of their own).
if [ -f build/x86_64/bin/Tamsel.exe ] && [ -f build/i686/bin/Tamsel.exe ]; then
    step "package"
    started=$SECONDS
    rm -rf build/package/results
    with32=()
    tools/probe-32bit.sh && /usr/lib/wine/wine --version >/dev/null 2>&1 && with32=(--with-i686)
    if tools/package.sh && python3 tests/package/check_package.py "${with32[@]}"; then :; else status=1; fi
    builds+=(package)
    timings+=("package $((SECONDS - started)) s")
fi

printf '\n== times: %s\n' "$(IFS=,; echo "${timings[*]}" | sed 's/,/, /g')"

# One summary line over every test program's results.
python3 - "${builds[@]}" <<'PY' || status=1
import glob, sys, xml.etree.ElementTree as ET
passed = failed = skipped = 0
for build in sys.argv[1:]:
    for path in sorted(glob.glob(f"build/{build}/results/*.xml")):
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            failed += 1
            continue
        for case in root.iter("testcase"):
            if case.find("failure") is not None:
                failed += 1
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    # A suite without GoogleTest results (the fuzzer) counts its ctest tests.
    if not glob.glob(f"build/{build}/results/*.xml"):
        try:
            for case in ET.parse(f"build/{build}/ctest-junit.xml").getroot().iter("testcase"):
                if case.get("status") == "fail":
                    failed += 1
                else:
                    passed += 1
        except (OSError, ET.ParseError):
            failed += 1
        continue
    # The package checks are no ctest suite: their one results file is all.
    if build == "package":
        continue
    # A test program that failed without a failing case of its own (it
    # crashed, hung or wrote no results) counts as one failure.
    try:
        ctest = ET.parse(f"build/{build}/ctest-junit.xml").getroot()
    except (OSError, ET.ParseError):
        failed += 1
        continue
    for case in ctest.iter("testcase"):
        if case.get("status") != "fail":
            continue
        own = f"build/{build}/results/{case.get('name')}.xml"
        try:
            if any(c.find("failure") is not None for c in ET.parse(own).getroot().iter("testcase")):
                continue
        except (OSError, ET.ParseError):
            pass
        failed += 1
print(f"{passed} passed, {failed} failed, {skipped} skipped")
sys.exit(1 if failed else 0)
PY
exit $status
