#!/usr/bin/env python3
"""Checks that a call passing a catalogue message arguments its conversions do not take fails
to compile, and that the same call with matching arguments compiles.

Usage: message_args_check.py --cxx COMPILER --src SRC_FOLDER
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile

HEADER = '#include <cstdint>\n#include "base/diagnostics.h"\n'

# (call, compiles): each call alone in a function taking AssemblerState &st, int32_t line.
CALLS = [
    ('Report(st, Msg::RangeWarning, line, -128, 127);', True),
    ('Report(st, Msg::RangeWarning, line, "text", 127);', False),
    ('Report(st, Msg::RangeWarning, line, -128);', False),
    ('ReportAtLine(st, line, 0, Msg::NoMatchingEndm);', True),
    ('ReportAt(st, SourceLocation{}, Msg::UnresolvedLabel, line);', False),
    ('ConsoleMessage(Msg::SyntaxError, "extra");', False),
    ('ConsoleMessage(Msg::FreeSpace, 1u, 2u, line);', True),
    ('ConsoleMessage(Msg::FreeSpace, 1L, 2u, line);', False),
    ('SetError(st, Msg::UndefinedIdentifier, "NAME");', True),
    ('SetError(st, Msg::UndefinedIdentifier, line);', False),
    ('(void)FormatMessage(Msg::CannotRead, "disk.d88");', True),
    ('(void)FormatMessage(Msg::CannotRead);', False),
]


def compiles(cxx: str, src: str, call: str, folder: pathlib.Path):
    source = folder / 'call.cpp'
    source.write_text(HEADER + 'void Call(AssemblerState &st, int32_t line) {\n  (void)st;\n'
                      f'  (void)line;\n  {call}\n}}\n')
    result = subprocess.run([cxx, '-std=c++20', '-fsyntax-only', '-I', src, str(source)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode == 0, result.stdout


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--cxx', required=True)
    parser.add_argument('--src', required=True)
    options = parser.parse_args()
    failed = 0
    with tempfile.TemporaryDirectory() as scratch:
        for call, want in CALLS:
            ok, output = compiles(options.cxx, options.src, call, pathlib.Path(scratch))
            # A refused call must be refused by the check, not by some other error.
            right = ok if want else (not ok and 'ArgumentsDoNotMatchTheMessage' in output)
            if not right:
                failed += 1
                print(f'FAIL {call} (expected to {"compile" if want else "be refused"})')
                print(output)
    print(f'{len(CALLS) - failed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
