#!/usr/bin/env bash
# Makes the release packages from the two builds' runnable folders
# (build/i686/bin and build/x86_64/bin, built first when missing):
#   dist/Tamsel-<version>-win32-portable.zip
#   dist/Tamsel-<version>-win64-portable.zip
#   dist/Tamsel-<version>-setup.exe   (NSIS; installs the build that fits the Windows)
# The help pages get the screenshots the window tests saved in
# build/x86_64/screenshots (run the tests first: tools/test.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
stage=build/package/stage
dist=dist

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

shots=(main-menu scan-page select-page clean-page)
for s in "${shots[@]}"; do
    if [ ! -f "build/x86_64/screenshots/$s.png" ]; then
        echo "package.sh: build/x86_64/screenshots/$s.png is missing: run the tests first (tools/test.sh)" >&2
        exit 1
    fi
done

# What a user's folder holds: the programs, the engine, the C++ runtime,
# the data files (as data/ lists them), the skin and the help. Nothing from
# the tests, nothing the program writes at run time.
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
    for s in "${shots[@]}"; do cp "build/x86_64/screenshots/$s.png" "$out/Help/shots/"; done
    "$3" --strip-debug "$out"/*.exe "$out"/*.dll
}
stage_build i686 win32 i686-w64-mingw32-strip
stage_build x86_64 win64 x86_64-w64-mingw32-strip

mkdir -p "$dist"
for kind in win32 win64; do
    python3 - "$stage/$kind" "$dist/Tamsel-$version-$kind-portable.zip" <<'PY'
import os, sys, zipfile
src, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out + ".tmp", "w", zipfile.ZIP_DEFLATED) as z:
    for folder, dirs, files in os.walk(src):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(folder, f)
            z.write(path, os.path.join("Tamsel", os.path.relpath(path, src)))
os.replace(out + ".tmp", out)
PY
done

size_kib() { du -sk "$1" | cut -f1; }
makensis -V2 -NOCD \
    "-DVERSION=$version" \
    "-DWIN32DIR=$stage/win32" "-DWIN64DIR=$stage/win64" \
    "-DSIZE32=$(size_kib "$stage/win32")" "-DSIZE64=$(size_kib "$stage/win64")" \
    "-DICON=app/res/Tamsel.ico" \
    "-DOUTFILE=$dist/Tamsel-$version-setup.exe" \
    package/Tamsel.nsi
ls -l "$dist"/Tamsel-"$version"-*
