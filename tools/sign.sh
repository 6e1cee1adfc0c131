#!/usr/bin/env bash
# sign.sh FILE: signs a Windows program, DLL or installer in place with
# Authenticode (SHA-256), with the certificate and key of the PKCS#12 file
# $TAMSEL_SIGN_PFX, whose password is in the file $TAMSEL_SIGN_PASSWORD_FILE,
# and an RFC 3161 time stamp from $TAMSEL_SIGN_TIMESTAMP_URL when set (the
# signature then stays valid after the certificate expires).
# Used by tools/package.sh, also for the installer's uninstaller before it
# is embedded and for the installer itself.
set -euo pipefail
file=${1:?file}
: "${TAMSEL_SIGN_PFX:?}" "${TAMSEL_SIGN_PASSWORD_FILE:?}"
signed="$file.signing"
trap 'rm -f "$signed"' EXIT
args=(sign -pkcs12 "$TAMSEL_SIGN_PFX" -readpass "$TAMSEL_SIGN_PASSWORD_FILE"
      -h sha256 -n Tamsel -in "$file" -out "$signed")
if [ -n "${TAMSEL_SIGN_TIMESTAMP_URL:-}" ]; then args+=(-ts "$TAMSEL_SIGN_TIMESTAMP_URL"); fi
if ! out=$(osslsigncode "${args[@]}" 2>&1); then
    echo "sign.sh: cannot sign $file: $out" >&2
    exit 1
fi
mv -f "$signed" "$file"
