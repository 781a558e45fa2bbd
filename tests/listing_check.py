#!/usr/bin/env python3
"""Runs every successful golden case again with -x, -l and -Y added and checks that:

- the listing run changes nothing: every file the plain run wrote is written again byte for
  byte, and the console text of the plain run comes first, unchanged;
- the assemble list shows every byte of a raw binary image exactly once and in order, for
  programs where every byte is emitted by a listed line (no BINCLUDE and no placement).

The bytes are read back from the .als text by its column layout (bytes in columns 8 to 18 of
a line with text, and after column 8 of a continuation line), independently of the program.
"""
import argparse
import pathlib
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run_cases  # noqa: E402

UNLISTED_BYTES = re.compile(rb'\b(BINCLUDE|ARRANGE|OFFSET|IN_PAGE|PAGE_ALIGNED)\b', re.I)
INCLUDED = re.compile(rb'\bINCLUDE\s+"?([^\s";]+)', re.I)


def run(talvo, folder, args):
    """Runs talvo in a scratch copy of folder; returns (status, stdout, {written name: bytes})."""
    with tempfile.TemporaryDirectory() as scratch_dir:
        scratch = pathlib.Path(scratch_dir)
        inputs = run_cases.copy_inputs(folder, scratch)
        result = subprocess.run([talvo] + args, cwd=scratch, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=60)
        return result.returncode, result.stdout, run_cases.written_files(scratch, inputs)


def listed_bytes(listing: bytes):
    out = bytearray()
    for line in listing.split(b'\n'):
        if len(line) > 24:
            field = line[8:19]
        elif len(line) > 4:
            field = line[8:]
        else:
            continue
        out.extend(bytes.fromhex(field.decode('ascii')))
    return bytes(out)


def every_byte_is_listed(folder, source):
    """True when no file the source reads (itself and its INCLUDE files) has unlisted bytes."""
    seen = set()
    pending = [source]
    while pending:
        name = pending.pop()
        path = folder / name
        if name in seen or not path.is_file():
            continue
        seen.add(name)
        text = path.read_bytes()
        if UNLISTED_BYTES.search(text):
            return False
        pending.extend(m.group(1).decode('latin-1') for m in INCLUDED.finditer(text))
    return True


def check_case(talvo, folder, name):
    status_file = folder / f'{name}.status'
    if status_file.exists() and status_file.read_text().strip() != '0':
        return []
    args = run_cases.arguments(folder, name)
    sources = [a for a in args if not a.startswith('-') and (folder / a).is_file()]
    if not sources:
        return []  # the usage text: nothing is assembled
    plain_status, plain_out, plain_files = run(talvo, folder, args)
    if plain_status != 0:
        return [f'plain run failed with status {plain_status}']
    status, out, files = run(talvo, folder, ['-x', '-l', '-Y'] + args)
    problems = []
    if status != 0:
        problems.append(f'listing run failed with status {status}')
    if not out.startswith(plain_out):
        problems.append('the console text of the plain run changed')
    for written, content in plain_files.items():
        if files.get(written) != content:  # the listings asked for by the case itself too
            problems.append(f'{written} differs with -x')
    listings = {n: c for n, c in files.items() if n.endswith(('.lst', '.sym', '.als'))}
    for extension in ('.lst', '.sym', '.als'):
        if not any(n.endswith(extension) for n in listings):
            problems.append(f'no {extension} written')
    images = [c for n, c in plain_files.items() if n.endswith('.bin') and n != 'D000.bin']
    als = [c for n, c in listings.items() if n.endswith('.als')]
    if (len(images) == 1 and als
            and all(every_byte_is_listed(folder, s) for s in sources)
            and listed_bytes(als[0]) != images[0]):
        problems.append('the bytes of the assemble list are not the image')
    return problems


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    parser.add_argument('folders', nargs='+')
    options = parser.parse_args()
    talvo = str(pathlib.Path(options.talvo).resolve())
    return run_cases.check_folders(options.folders,
                                   lambda folder, name: check_case(talvo, folder, name))


if __name__ == '__main__':
    sys.exit(main())
