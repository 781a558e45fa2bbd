#!/usr/bin/env python3
"""Measures talvo's peak memory and time on hostile sources that once cost it gigabytes.

- arguments: 1,000,000 macro calls with 900-character arguments (released after each call),
  without and with the listing run (-x), whose assemble list is itself about 570 MB of text;
- scopes: 300,000 empty PROC/ENDP blocks from a 48-byte REPT;
- nested waits: 256 nested scopes (the deepest allowed), each referring to a label that the
  root defines last;
- deep lookups: 60,000 macro calls from the deepest of 256 nested scopes, each looking the
  macro up through all of them.

Each source is checked for its image. Peak memory is the "Maximum resident set size" of
/usr/bin/time -v; the time is the wall time around it.
Usage: hostile.py [--talvo PATH]   (builds a Release talvo in build-bench/ without it)
"""
import argparse
import pathlib
import sys
import time

import run

LONG_ARGUMENT = '+1' + '+0' * 449  # 900 characters that add up to 1
CALLS = 1000000

CASES = [
    ('arguments', [], f'COUNT MACRO\nX = X %1\n ENDM\nX = 0\n ORG 0\n REPT {CALLS}\n'
                      f' COUNT {LONG_ARGUMENT}\n ENDM\n DW X\n END\n',
     (CALLS % 65536).to_bytes(2, 'little')),
    ('arguments -x', ['-x'], None, (CALLS % 65536).to_bytes(2, 'little')),
    ('scopes', [], ' ORG 0\n REPT 300000\n PROC\n ENDP\n ENDM\n NOP\n END\n', b'\0'),
    ('nested waits', [], ' ORG 0\n REPT 256\n PROC\n DB LARGE\n ENDM\n REPT 256\n ENDP\n'
                         ' ENDM\nLARGE EQU FWD\nFWD EQU 7\n END\n', b'\7' * 256),
    ('deep lookups', [], 'PUT MACRO\n DB 1\n ENDM\n ORG 0\n REPT 256\n PROC\nHERE:\n ENDM\n'
                         ' REPT 60000\n PUT\n ENDM\n REPT 256\n ENDP\n ENDM\n END\n', b'\1' * 60000),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', type=pathlib.Path)
    options = parser.parse_args()
    talvo = options.talvo.resolve() if options.talvo else run.build_talvo(run.ROOT / 'build-bench')
    work = run.BENCH / 'out' / 'hostile'
    work.mkdir(parents=True, exist_ok=True)
    print(f'| source | seconds | peak MiB |\n|---|---|---|')
    failed = False
    source = None
    for name, options_used, text, image in CASES:
        source = text or source  # a case without text reuses the one before
        (work / 'case.asm').write_text(source)
        (work / 'case.bin').unlink(missing_ok=True)
        start = time.perf_counter()
        peak_kib = run.peak_memory_kib([str(talvo), *options_used, 'case.asm'], work)
        wall = time.perf_counter() - start
        made = work / 'case.bin'
        ok = made.exists() and made.read_bytes() == image
        failed = failed or not ok
        print(f'| {name} | {wall:.2f} | {peak_kib / 1024:.1f} |' + ('' if ok else ' FAILED'))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
