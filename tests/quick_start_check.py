#!/usr/bin/env python3
"""Holds the README's quick start to what it says.

- Its first shell block installs the required packages with one apt-get line (git among them)
  and then gives the two commands, `make demo` and `make test`.
- Its second shell block writes a program and assembles it; run in a scratch folder with the
  given talvo in place of build-demo/talvo, it must succeed and print exactly the block that
  follows it.

With --installed the packages of the apt-get line must also be installed (dpkg-query), as on
the machine that runs the quick start (CI's fresh-machine step).

Usage: quick_start_check.py --talvo TALVO [--installed]
"""
import argparse
import pathlib
import re
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
REQUIRED = {'git', 'cmake', 'g++', 'make', 'python3', 'libgtest-dev'}


def quick_start_blocks(readme: str):
    """The fenced blocks of the Quick start section, as (language, text)."""
    start = readme.index('## Quick start')
    end = readme.index('\n## ', start + 1)
    section = readme[start:end]
    return [(m.group(1), m.group(2)) for m in re.finditer(r'```(\w*)\n(.*?)```', section, re.S)]


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    parser.add_argument('--installed', action='store_true')
    args = parser.parse_args()
    talvo = str(pathlib.Path(args.talvo).resolve())
    failures = []

    blocks = quick_start_blocks((ROOT / 'README.md').read_text(encoding='utf-8'))
    if len(blocks) < 3 or blocks[0][0] != 'sh' or blocks[1][0] != 'sh':
        print('quick start: expected two sh blocks and the printed text')
        return 1
    setup = [line.split('#')[0].strip() for line in blocks[0][1].splitlines()]
    apt = [line for line in setup if 'apt-get install' in line]
    packages = set(apt[0].split('install', 1)[1].split()) - {'-y'} if len(apt) == 1 else set()
    if len(apt) != 1 or not REQUIRED <= packages:
        failures.append(f'one apt-get line with {sorted(REQUIRED)}; found {apt}')
    if setup[1:3] != ['make demo', 'make test']:
        failures.append(f'the two commands after apt-get: found {setup[1:3]}')
    if args.installed:
        for package in sorted(packages):
            found = subprocess.run(['dpkg-query', '-W', '-f=${Status}', package],
                                   capture_output=True, text=True)
            if 'install ok installed' not in found.stdout:
                failures.append(f'package {package} of the apt-get line is not installed')

    script = blocks[1][1].replace('build-demo/talvo', f"'{talvo}'")
    expected = blocks[2][1]
    with tempfile.TemporaryDirectory() as scratch:
        run = subprocess.run(['bash', '-e', '-c', script], cwd=scratch, capture_output=True)
        if run.returncode != 0 or run.stderr:
            failures.append(f'the program block failed ({run.returncode}): {run.stderr!r}')
        if run.stdout.decode('ascii', 'replace') != expected:
            failures.append(f'printed {run.stdout!r}, the README shows {expected!r}')
        if not (pathlib.Path(scratch) / 'first.mzt').exists():
            failures.append('the program block wrote no first.mzt')

    for failure in failures:
        print('quick start:', failure)
    print(f'quick start: {len(failures)} failures')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
