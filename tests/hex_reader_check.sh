#!/usr/bin/env bash
# Assembles a source that crosses 10000h as a raw binary and as Intel HEX, and checks the HEX
# file with an independent reader (srecord) against the binary. Without srecord the check
# reports itself skipped to CTest (status 77).
set -euo pipefail
for tool in srec_cat srec_info; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool not found (install the Debian package srecord)"
    exit 77
  fi
done
talvo=$1
checker=$(cd "$(dirname "$0")" && pwd)/check_hex.py
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$source" "$scratch/case.asm"
cd "$scratch"
"$talvo" case.asm >/dev/null
"$talvo" -i case.asm >/dev/null
python3 "$checker" case.hex case.bin --load "$3"
echo "HEX file read back by srecord equals the binary"
