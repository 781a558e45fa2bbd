#!/usr/bin/env python3
"""Checks an Intel HEX file against a raw binary with an independent reader (srecord).

Usage: check_hex.py FILE.hex FILE.bin [--load ADDRESS]

The HEX file must hold one contiguous run of data (valid checksums, no holes) whose bytes
equal FILE.bin. With --load (decimal, or hex as 0x8000 / 8000h) the run must also start at
that address. Exit status: 0 when they match, 1 when they differ, 2 on a usage or tool error.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile


def parse_address(text):
    text = text.strip()
    if text.lower().endswith("h"):
        return int(text[:-1], 16)
    return int(text, 0)


def run(command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stderr or result.stdout)
        sys.exit(2)
    return result.stdout


def data_ranges(hex_path):
    """The (first, last) address pairs of the data in the file, as srec_info reports them."""
    report = run(["srec_info", hex_path, "-intel"])
    ranges = []
    in_data = False
    for line in report.splitlines():
        if line.startswith("Data:"):
            in_data = True
            line = line[len("Data:"):]
        elif not line.startswith(" "):
            in_data = False
        if in_data:
            match = re.search(r"([0-9A-Fa-f]+)\s*-\s*([0-9A-Fa-f]+)", line)
            if match:
                ranges.append((int(match.group(1), 16), int(match.group(2), 16)))
    return ranges


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("hex")
    parser.add_argument("bin")
    parser.add_argument("--load", type=parse_address)
    args = parser.parse_args()

    for tool in ("srec_cat", "srec_info"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} not found (apt-get install srecord)")

    expected = open(args.bin, "rb").read()
    ranges = data_ranges(args.hex)
    if len(ranges) != 1:
        print(f"{args.hex}: expected one contiguous data run, found {len(ranges)}: "
              + ", ".join(f"{a:X}-{b:X}" for a, b in ranges))
        return 1
    start, last = ranges[0]
    if args.load is not None and start != args.load:
        print(f"{args.hex}: data starts at {start:X}h, expected {args.load:X}h")
        return 1

    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "image.bin")
        run(["srec_cat", args.hex, "-intel", "-offset", f"-{start}", "-o", out, "-binary"])
        actual = open(out, "rb").read()

    if actual == expected:
        print(f"{args.hex}: {len(actual)} bytes at {start:X}h-{last:X}h match {args.bin}")
        return 0
    if len(actual) != len(expected):
        print(f"{args.hex}: {len(actual)} bytes, {args.bin}: {len(expected)} bytes")
    for offset, (a, b) in enumerate(zip(actual, expected)):
        if a != b:
            print(f"first difference at {start + offset:X}h: hex {a:02X}, bin {b:02X}")
            break
    return 1


if __name__ == "__main__":
    sys.exit(main())
