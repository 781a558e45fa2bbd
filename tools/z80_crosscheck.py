#!/usr/bin/env python3
"""Cross-checks the all-opcodes table against other Z80 assemblers.

Each form of tools/z80_table.py is assembled on its own by every assembler found on the
PATH (pasmo; GNU as for z80, z80-unknown-coff-as or z80-elf-as), after translating the few
spellings that differ, and the bytes are compared with the table. A form an assembler does
not accept is counted as refused, not as a failure. Exit status 1 when any accepted form
gives other bytes than the table.

Not part of the test suite: the assemblers are installed with apt-get (pasmo, binutils-z80).
Usage: z80_crosscheck.py [-v] [-j JOBS]
"""
import argparse
import concurrent.futures
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import z80_table  # noqa: E402

# LD r,<rotate or bit change> (IX+d): the form that also loads the result into r.
RESULT_FORM = re.compile(r'^LD ([A-Z]),((?:RLC|RRC|RL|RR|SLA|SRA|SLL|SRL|BIT|RES|SET) .*)$')
# NV and V, further names of the conditions PO and PE, are this assembler's own.
CONDITION_ALIAS = re.compile(r'^(JP|CALL|RET) N?V\b')


def pasmo_text(line):
    """pasmo spells everything like the table but has no register-result CB forms."""
    return None if RESULT_FORM.match(line) or CONDITION_ALIAS.match(line) else line


def gnu_text(line):
    """GNU as writes the register-result forms as RLC (IX+d),r and has no BIT form of them."""
    if CONDITION_ALIAS.match(line):
        return None
    match = RESULT_FORM.match(line)
    if match is None:
        return line
    register, operation = match.groups()
    if operation.startswith('BIT'):
        return None
    return f'{operation},{register}'


def run_pasmo(tool, text, scratch):
    source = scratch / 'form.asm'
    binary = scratch / 'form.bin'
    source.write_text(f'\tORG 8000H\n\t{text}\n')
    result = subprocess.run([tool, '--bin', str(source), str(binary)], capture_output=True)
    return binary.read_bytes() if result.returncode == 0 and binary.exists() else None


def run_gnu(tool, text, scratch):
    source = scratch / 'form.s'
    obj = scratch / 'form.o'
    binary = scratch / 'form.bin'
    source.write_text(f'\t{text}\n')
    result = subprocess.run([tool, '-march=z80+full', '-o', str(obj), str(source)],
                            capture_output=True)
    if result.returncode != 0 or result.stderr:
        return None  # refused, or accepted with a warning (a value cut to size)
    objcopy = tool[:-2] + 'objcopy'
    result = subprocess.run([objcopy, '-O', 'binary', '-j', '.text', str(obj), str(binary)],
                            capture_output=True)
    return binary.read_bytes() if result.returncode == 0 else None


ASSEMBLERS = [
    ('pasmo', ['pasmo'], pasmo_text, run_pasmo),
    ('GNU as', ['z80-unknown-coff-as', 'z80-elf-as', 'z80-unknown-elf-as'], gnu_text, run_gnu),
]


def check_one(runner, tool, text):
    with tempfile.TemporaryDirectory() as scratch:
        return runner(tool, text, pathlib.Path(scratch))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('-v', '--verbose', action='store_true', help='list refused forms')
    parser.add_argument('-j', '--jobs', type=int, default=os.cpu_count() or 2)
    options = parser.parse_args()

    forms = z80_table.forms()
    any_tool = False
    mismatches = 0
    for name, candidates, translate, runner in ASSEMBLERS:
        tool = next((shutil.which(c) for c in candidates if shutil.which(c)), None)
        if tool is None:
            print(f'{name}: not installed, skipped')
            continue
        any_tool = True
        work = [(line, bytes(code), translate(line)) for line, code in forms]
        with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
            results = list(pool.map(
                lambda item: None if item[2] is None else check_one(runner, tool, item[2]),
                work))
        agree = differ = refused = untranslatable = 0
        for (line, expected, text), got in zip(work, results):
            if text is None:
                untranslatable += 1
            elif got is None:
                refused += 1
                if options.verbose:
                    print(f'  {name} refuses: {text}')
            elif got == expected:
                agree += 1
            else:
                differ += 1
                print(f'  {name} DIFFERS: {line:<28} table {expected.hex(" ").upper()}'
                      f'   {name} {got.hex(" ").upper()}')
        mismatches += differ
        print(f'{name}: {agree} agree, {differ} differ, {refused} refused, '
              f'{untranslatable} not expressible, of {len(work)} forms')
    if not any_tool:
        print('no other assembler found (apt-get install pasmo binutils-z80)')
    return 1 if mismatches else 0


if __name__ == '__main__':
    sys.exit(main())
