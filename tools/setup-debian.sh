#!/usr/bin/env bash
# Installs what Tamsel's build and tests need on a fresh Debian 12 machine:
# the two mingw-w64 cross compilers, Wine and its own fonts, Xvfb for the window tests,
# ImageMagick for the run command's screenshot, GoogleTest's sources, the native
# compiler and clang's fuzzer, and for the release NSIS, osslsigncode and
# openssl (signing and its check) and python3-yaml (the manifests' check).
# Run as root or as a user who may sudo.
#
# Two steps: the tools for the 64-bit build and its tests first (the script
# fails only when these cannot be installed), then the 32-bit Wine loader,
# only where the kernel runs 32-bit programs. When the second step fails it
# warns, says what is missing, and the 32-bit suite is skipped by the tests.
set -euo pipefail
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# A mirror in the middle of a sync fails an index now and then: try again,
# and go on with what was fetched when it keeps failing (the install below
# then says whether anything is really missing).
apt_update() {
    local attempt
    for attempt in 1 2 3; do
        if $sudo apt-get update -qq; then return 0; fi
        echo "setup-debian.sh: apt-get update failed (attempt $attempt)" >&2
        [ "$attempt" -lt 3 ] && sleep 15
    done
    return 0
}

# Step 1: everything the 64-bit build, the native build and their tests need.
apt_update
$sudo apt-get install -y -qq --no-install-recommends \
    cmake ninja-build g++ python3 clang libclang-rt-14-dev \
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools \
    wine wine64 fonts-wine nsis osslsigncode openssl python3-yaml \
    xvfb xauth imagemagick \
    googletest \
    >/dev/null
echo "setup-debian.sh: build and test tools are installed"

# Step 2: the 32-bit Wine loader, for the i686 build's suite.
if ! "$(dirname "$0")/probe-32bit.sh"; then
    echo "setup-debian.sh: warning: this kernel does not run 32-bit programs;" \
         "wine32:i386 is not installed and the i686 suite will be skipped" >&2
    exit 0
fi
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
    echo "setup-debian.sh: the 32-bit Wine loader is installed"
    exit 0
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    apt_update
fi
if $sudo apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; then
    echo "setup-debian.sh: the 32-bit Wine loader is installed"
else
    echo "setup-debian.sh: warning: wine32:i386 (the 32-bit Wine loader) could not" \
         "be installed; the i686 build is still built, but its suite will be skipped" >&2
fi
exit 0
