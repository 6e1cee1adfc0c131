#!/usr/bin/env bash
# Makes the release from the two builds' runnable folders (build/i686/bin
# and build/x86_64/bin, built first when missing) into dist/ ($TAMSEL_DIST):
#   Tamsel-<version>-win32-portable.zip
#   Tamsel-<version>-win64-portable.zip
#   Tamsel-<version>-setup.exe   (NSIS; installs the build that fits the Windows)
#   winget/                      the winget manifest set for the installer
#   chocolatey/tools/chocolateyInstall.ps1
#   SHA256SUMS                   every file above
#
# Signed when TAMSEL_SIGN_PFX (a PKCS#12 file) and TAMSEL_SIGN_PASSWORD_FILE
# (a file holding its password) are set, with a time stamp from
# TAMSEL_SIGN_TIMESTAMP_URL when that is set too (tools/sign.sh); otherwise
# unsigned, said in one line.
#
# Reproducible: unsigned, the same commit gives the same bytes in any folder
# on any day. Every time stored is SOURCE_DATE_EPOCH (default: the commit's
# time), files go in a fixed order with fixed permissions, and the binaries
# carry no build time or folder (cmake/Reproducible.cmake).
#
# The installer's download folder named in the manifests: TAMSEL_RELEASE_URL.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
stage=build/package/stage
dist="${TAMSEL_DIST:-dist}"
release=(python3 package/release.py)
export LC_ALL=C TZ=UTC

sign=()
if [ -n "${TAMSEL_SIGN_PFX:-}" ] || [ -n "${TAMSEL_SIGN_PASSWORD_FILE:-}" ]; then
    # Half a configuration is a mistake, never a reason to ship unsigned.
    for f in "${TAMSEL_SIGN_PFX:-}" "${TAMSEL_SIGN_PASSWORD_FILE:-}"; do
        if [ -z "$f" ] || [ ! -r "$f" ]; then
            echo "package.sh: signing needs both TAMSEL_SIGN_PFX and TAMSEL_SIGN_PASSWORD_FILE as readable files" >&2
            exit 1
        fi
    done
    command -v osslsigncode >/dev/null || { echo "package.sh: osslsigncode is not installed" >&2; exit 1; }
    sign=("$root/tools/sign.sh")
    echo "package.sh: signing with $TAMSEL_SIGN_PFX${TAMSEL_SIGN_TIMESTAMP_URL:+, time stamps from $TAMSEL_SIGN_TIMESTAMP_URL}"
else
    echo "package.sh: unsigned (set TAMSEL_SIGN_PFX and TAMSEL_SIGN_PASSWORD_FILE to sign)"
fi

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
        echo "package.sh: not a git checkout; set SOURCE_DATE_EPOCH to the sources' time" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

for preset in i686 x86_64; do
    if [ ! -f "build/$preset/bin/Tamsel.exe" ]; then
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" --target tamsel_exe tamsel_cli corvex_dll tamsel_data
    fi
done
version=$(cat build/x86_64/bin-version.txt)
if [ "$version" != "$(cat build/i686/bin-version.txt)" ]; then
    echo "package.sh: the two builds have different versions; rebuild both" >&2
    exit 1
fi

# What a user's folder holds: the programs, the engine, the C++ runtime,
# the data files (as data/ lists them), the skin and the help with the
# screenshots kept in docs/. Nothing from the tests, nothing the program
# writes at run time.
shots=(main-menu main-menu-144 scan-page select-page clean-page)
stage_build() {  # preset name strip
    local bin="build/$1/bin" out="$stage/$2"
    rm -rf "$out"
    mkdir -p "$out"
    cp "$bin/Tamsel.exe" "$bin/TamselCli.exe" "$bin/Corvex.dll" "$bin"/lib*.dll "$out/"
    (cd data && find . -type f ! -name CMakeLists.txt -printf '%P\n') | while read -r f; do
        mkdir -p "$out/$(dirname "$f")"
        cp "$bin/$f" "$out/$f"
    done
    mkdir -p "$out/Help/shots"
    for s in "${shots[@]}"; do cp "docs/screenshots/$s.png" "$out/Help/shots/"; done
    # strip rewrites the PE header with the time SOURCE_DATE_EPOCH names (or
    # the clock's); 0 keeps the header as the linker left it, without a time.
    SOURCE_DATE_EPOCH=0 "$3" --strip-debug "$out"/*.exe "$out"/*.dll
    if [ ${#sign[@]} -gt 0 ]; then
        for f in Tamsel.exe TamselCli.exe Corvex.dll; do "${sign[@]}" "$out/$f"; done
    fi
    # The installer stores each file's time, the zips each entry's.
    find "$out" -type d -exec chmod 755 {} +
    find "$out" -type f -exec chmod 644 {} +
    find "$out" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}
stage_build i686 win32 i686-w64-mingw32-strip
stage_build x86_64 win64 x86_64-w64-mingw32-strip

# Only this run's files are the release.
mkdir -p "$dist"
rm -rf "$dist"/Tamsel-*-portable.zip "$dist"/Tamsel-*-setup.exe "$dist/SHA256SUMS" "$dist/winget" "$dist/chocolatey"
made=()
for kind in win32 win64; do
    zip="Tamsel-$version-$kind-portable.zip"
    "${release[@]}" zip "$stage/$kind" "$dist/$zip" "$SOURCE_DATE_EPOCH"
    made+=("$zip")
done

"${release[@]}" nsh "$stage/win32" "$stage/win64" build/package/shipped.nsh
setup="Tamsel-$version-setup.exe"
nsis_sign=()
if [ ${#sign[@]} -gt 0 ]; then nsis_sign=("-DSIGN_COMMAND=${sign[0]}"); fi
makensis -V2 -NOCD \
    "-DVERSION=$version" \
    "-DSHIPPED=build/package/shipped.nsh" \
    "-DDATADIR=$stage/win64" \
    "-DSIZE32=$("${release[@]}" size "$stage/win32")" "-DSIZE64=$("${release[@]}" size "$stage/win64")" \
    "-DICON=app/res/Tamsel.ico" \
    "-DOUTFILE=$dist/$setup" \
    "${nsis_sign[@]}" \
    package/Tamsel.nsi
made+=("$setup")

"${release[@]}" manifests "$version" "$dist/$setup" \
    "${TAMSEL_RELEASE_URL:-https://quorv.example/tamsel/releases/$version}" "$dist"
while read -r f; do made+=("$f"); done < <(cd "$dist" && find winget chocolatey -type f | sort)
"${release[@]}" sums "$dist" "${made[@]}"
(cd "$dist" && ls -l "${made[@]}" SHA256SUMS)
