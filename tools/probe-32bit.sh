#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 programs: runs a 93-byte static
# ELF that only calls exit(0). Some virtual machines boot with 32-bit
# emulation off; there neither the 32-bit Wine loader nor the i686 suite can run.
probe="$(mktemp)"
trap 'rm -f "$probe"' EXIT
base64 -d >"$probe" <<'ELF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAA
AAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A
ELF
chmod +x "$probe"
"$probe" 2>/dev/null
