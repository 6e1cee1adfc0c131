#!/usr/bin/env bash
# Installs what Tamsel's build and tests need on a fresh Debian 12 machine:
# the two mingw-w64 cross compilers, Wine (64-bit and 32-bit), Xvfb for the
# window tests, GoogleTest's sources, the native compiler and clang's fuzzer. Run as root or
# as a user who may sudo.
set -euo pipefail
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
# A mirror in the middle of a sync fails an index now and then: try again,
# and go on with what was fetched when it keeps failing (the install below
# then says whether anything is really missing).
for attempt in 1 2 3; do
    if $sudo apt-get update -qq; then break; fi
    echo "setup-debian.sh: apt-get update failed (attempt $attempt)" >&2
    [ "$attempt" -lt 3 ] && sleep 15
done
$sudo apt-get install -y -qq --no-install-recommends \
    cmake ninja-build g++ python3 clang libclang-rt-14-dev \
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools \
    wine wine64 wine32:i386 \
    xvfb xauth \
    googletest \
    >/dev/null
echo "setup-debian.sh: build and test tools are installed"
