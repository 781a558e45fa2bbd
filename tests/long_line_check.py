#!/usr/bin/env python3
"""Runs talvo on sources with a line of 100 MB: the reader passes over what follows the first
1,023 characters as it reads, without holding the line, and counts it as one line.

A code line that long is one error at its own line number, and the lines after it keep their
numbers; a comment that long is cut silently (the assemble list shows its first 1,023
characters, as far as a row holds them), and what follows the cut, though it reads as code, is
not assembled. The largest resident size of the runs must stay far below the size of the line.

Usage: long_line_check.py --talvo PATH [--no-memory-check]   (the check is left out under
AddressSanitizer, whose shadow memory makes the resident size meaningless)
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile

LINE_BYTES = 100 * 1000 * 1000
CHUNK = 1 << 20
MAX_RESIDENT_KIB = 40 * 1024  # the line is 97,656 KiB


def write_source(path, head, pattern, tail):
    """Writes head, then pattern repeated to LINE_BYTES, then tail, in pieces."""
    piece = pattern * (CHUNK // len(pattern))
    with open(path, 'w') as f:
        f.write(head)
        written = 0
        while written < LINE_BYTES:
            f.write(piece)
            written += len(piece)
        f.write(tail)


def run(talvo, folder, options):
    return subprocess.run([talvo, '--messages=en', *options, 'prog.asm'], cwd=folder,
                          capture_output=True, timeout=120)


def code_line(talvo, folder):
    """A DB line of 100 MB on line 2; an unknown label on line 3, a syntax error on line 4."""
    write_source(os.path.join(folder, 'prog.asm'), ' ORG 0\n DB 1', ',1',
                 '\n DB UNDEF3\n DB 1,\n END\n')
    result = run(talvo, folder, [])
    expected = (b'Error prog.asm    2: Line too long (1023 characters at most)\n'
                b'Error prog.asm    4: Syntax error in expression\n'
                b'Error prog.asm    3: Unresolved label \'UNDEF3\'\n')
    problems = []
    if result.returncode != 255 or result.stdout != expected or result.stderr != b'':
        problems.append(f'code line: status {result.returncode}, '
                        f'stdout {result.stdout[:400]!r}, stderr {result.stderr[:200]!r}')
    if os.path.exists(os.path.join(folder, 'prog.bin')):
        problems.append('code line: an image was written')
    return problems


def comment_line(talvo, folder):
    """A comment of 100 MB on line 2 whose every part past the cut reads as LD A,5."""
    write_source(os.path.join(folder, 'prog.asm'), ' ORG 0\n;' + 'c' * 1022, ' LD A,5',
                 '\n DB 7\n END\n')
    result = run(talvo, folder, ['-x'])
    problems = []
    if result.returncode != 0 or result.stdout != b'' or result.stderr != b'':
        problems.append(f'comment line: status {result.returncode}, '
                        f'stdout {result.stdout[:400]!r}, stderr {result.stderr[:200]!r}')
        return problems
    with open(os.path.join(folder, 'prog.bin'), 'rb') as f:
        image = f.read()
    if image != b'\x07':
        problems.append(f'comment line: image {image[:40].hex()}, expected 07')
    with open(os.path.join(folder, 'prog.als'), 'rb') as f:
        listed = f.read().split(b'\n')
    # A listed line ends with the source line as read (as much of it as a row holds): here a
    # part of the comment's first 1,023 bytes, and nothing of what follows the cut.
    kept = b';' + b'c' * 1022
    comment_rows = [row[row.index(b';'):] for row in listed if b';' in row]
    if len(comment_rows) != 1 or not kept.startswith(comment_rows[0]) or \
            len(comment_rows[0]) < 100:
        problems.append(f'comment line: assemble list {[row[:80] for row in listed]!r}')
    if not any(row.rstrip().endswith(b'DB 7') for row in listed):
        problems.append('comment line: the line after the comment is not listed')
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True)
    parser.add_argument('--no-memory-check', action='store_true')
    args = parser.parse_args()
    talvo = os.path.abspath(args.talvo)
    problems = []
    with tempfile.TemporaryDirectory() as folder:
        problems += code_line(talvo, folder)
        problems += comment_line(talvo, folder)
    resident = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss  # KiB on Linux
    if not args.no_memory_check and resident > MAX_RESIDENT_KIB:
        problems.append(f'a run kept {resident} KiB resident, more than {MAX_RESIDENT_KIB}')
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
