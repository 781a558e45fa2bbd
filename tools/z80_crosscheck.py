#!/usr/bin/env python3
"""Cross-checks the opcode golden cases (tests/cases/z80/opcodes_*) against other Z80 assemblers.

Each form of tools/z80_table.py, page by page as the cases hold them, is assembled on its own by
every assembler found on the PATH (pasmo; GNU as for z80, z80-unknown-coff-as or z80-elf-as),
after translating the few spellings that differ, and the bytes are compared with the table. A
form an assembler does not accept is counted as refused, not as a failure. The case files are
first compared with what the table writes, so that the check holds for the files as they are.
Exit status 1 when a case file is out of date or any accepted form gives other bytes than the
table.

Not part of the test suite: the assemblers are installed with apt-get (pasmo, binutils-z80).
Usage: z80_crosscheck.py [-v] [-j JOBS] [--cases FOLDER]
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


def stale_cases(folder):
    """The case files in folder that are not what tools/z80_table.py writes now."""
    stale = []
    for name, description, page_forms in z80_table.pages():
        source, image = z80_table.case_files(description, page_forms)
        for file_name, content in ((f'{name}.asm', source.encode()), (f'{name}.bin', image)):
            path = folder / file_name
            if not path.is_file() or path.read_bytes() != content:
                stale.append(file_name)
    return stale


def check_assembler(name, tool, translate, runner, jobs, verbose):
    """Assembles every form with one assembler; prints a tally per case and in all and
    returns the number of forms whose bytes differ from the table."""
    work = [(case, line, bytes(code), translate(line))
            for case, _, page_forms in z80_table.pages() for line, code in page_forms]
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        results = list(pool.map(
            lambda item: None if item[3] is None else check_one(runner, tool, item[3]), work))
    # [agree, differ, refused, not expressible, forms] of each case, and of all of them last
    tallies = {case: [0] * 5 for case, _, _ in z80_table.pages()}
    tallies[''] = [0] * 5
    for (case, line, expected, text), got in zip(work, results):
        if text is None:
            column = 3
        elif got is None:
            column = 2
            if verbose:
                print(f'  {name} refuses: {text}')
        elif got == expected:
            column = 0
        else:
            column = 1
            print(f'  {name} DIFFERS in {case}: {line:<28} table {expected.hex(" ").upper()}'
                  f'   {name} {got.hex(" ").upper()}')
        for tally in (tallies[case], tallies['']):
            tally[column] += 1
            tally[4] += 1
    for case, (agree, differ, refused, untranslatable, count) in tallies.items():
        print(f'{name} {case or "in all"}: {agree} agree, {differ} differ, {refused} refused, '
              f'{untranslatable} not expressible, of {count} forms')
    return tallies[''][1]


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('-v', '--verbose', action='store_true', help='list refused forms')
    parser.add_argument('-j', '--jobs', type=int, default=os.cpu_count() or 2)
    parser.add_argument('--cases', type=pathlib.Path, default=root / 'tests' / 'cases' / 'z80',
                        help='the folder of the opcode cases (default: tests/cases/z80)')
    options = parser.parse_args()

    stale = stale_cases(options.cases)
    for file_name in stale:
        print(f'{file_name} is not what tools/z80_table.py writes: run it again')
    any_tool = False
    mismatches = 0
    for name, candidates, translate, runner in ASSEMBLERS:
        tool = next((shutil.which(c) for c in candidates if shutil.which(c)), None)
        if tool is None:
            print(f'{name}: not installed, skipped')
            continue
        any_tool = True
        mismatches += check_assembler(name, tool, translate, runner, options.jobs,
                                      options.verbose)
    if not any_tool:
        print('no other assembler found (apt-get install pasmo binutils-z80)')
    return 1 if mismatches or stale else 0


if __name__ == '__main__':
    sys.exit(main())
