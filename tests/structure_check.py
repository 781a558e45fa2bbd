#!/usr/bin/env python3
"""Checks the structure of src/: the folders and what each may touch of the others.

- A file includes from another folder only that folder's public headers; src/base/, the ground
  floor, includes from no other folder.
- Every function a public header declares is called from another folder (what only its own
  folder calls belongs in a private header).
- The records of AssemblerState that a folder owns are read and written inside it only, but
  for the few reads listed in SHARED_READS with their reasons.
- No file includes itself through others, and no file is longer than 600 lines.

Usage: structure_check.py [--src SRC_FOLDER]
"""
import argparse
import pathlib
import re
import sys
import unittest

SRC = pathlib.Path(__file__).resolve().parent.parent / 'src'

# The headers other folders may include; every header of src/base/ is public.
PUBLIC_HEADERS = {
    'assembler': {'assembler.h', 'emit.h'},
    'driver': {'driver.h'},
    'lexer': {'lexer.h'},
    'output': {'output.h'},
    'source': {'source.h'},
    'symbols': {'symbols.h'},
    'z80': {'z80.h'},
}

# The sub-records of AssemblerState and the folders that own them. The other sub-records
# (options, pass, expr, names, text, diag) are shared: written by one folder and read by all,
# or reached through the operations of src/base/ and src/source/.
OWNERS = {
    'scan': {'lexer'},
    'labels': {'symbols'},
    'source': {'source', 'base'},
    'code': {'assembler'},
    'fixups': {'assembler'},
    'segment': {'assembler'},
    'placement': {'assembler'},
    'listing': {'assembler', 'driver'},
}

# Reads of another folder's record that are part of its face, with the reason.
SHARED_READS = {
    # The label table's own records, iterated by its template (ForEachLabelIn) where they are
    # used: the listings and the resolution pass.
    ('symbols', 'labels', 'symbols.h'),
    # The current context by identity: the placement's block without '{' ends with the line
    # (the context) that opened it; the statement loop checks it assembles the current line.
    ('assembler', 'source', 'placement.cpp'),
    ('assembler', 'source', 'statement.cpp'),
}

MAX_LINES = 600


def source_files(src: pathlib.Path):
    return sorted(p for p in src.rglob('*') if p.suffix in ('.cpp', '.h') and p.is_file())


def folder_of(src: pathlib.Path, path: pathlib.Path) -> str:
    return path.relative_to(src).parts[0]


def code_of(path: pathlib.Path) -> str:
    """The text of a file without its comments and string literals."""
    text = path.read_text(encoding='utf-8')
    text = re.sub(r'//[^\n]*', '', text)
    text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)
    return re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)


def includes(path: pathlib.Path):
    return re.findall(r'^#include "([^"]+)"', path.read_text(encoding='utf-8'), flags=re.M)


# A function declared at the top level of a header: a line that is no statement and ends its
# parameter list with ");" or opens an inline body.
DECLARATION = re.compile(
    r'^(?=\S)(?:\[\[\w+\]\]\s+)?(?:(?:inline|constexpr|consteval|static)\s+)*'
    r'[\w:<>,\s\*&]+?[\s\*&](\w+)\([^;{]*\)\s*(?:const\s*)?(?:;|\{)', re.M)


def declared_functions(header: pathlib.Path):
    names = set()
    for match in DECLARATION.finditer(code_of(header)):
        name = match.group(1)
        if name not in ('if', 'for', 'while', 'switch', 'return', 'sizeof', 'operator'):
            names.add(name)
    return names


class Structure(unittest.TestCase):
    def setUp(self):
        self.files = source_files(SRC)
        self.codes = {path: code_of(path) for path in self.files}

    def test_folders_include_only_public_headers_of_others(self):
        for path in self.files:
            folder = folder_of(SRC, path)
            for included in includes(path):
                other, _, name = included.partition('/')
                if other == folder or not (SRC / other).is_dir():
                    continue
                with self.subTest(file=str(path.relative_to(SRC)), includes=included):
                    self.assertNotEqual(folder, 'base', 'the ground floor includes no folder')
                    if other != 'base':
                        self.assertIn(name, PUBLIC_HEADERS[other], 'a private header')

    def test_public_headers_export_only_what_other_folders_call(self):
        for folder, headers in PUBLIC_HEADERS.items():
            if folder == 'driver':
                continue  # the top: its face serves main.cpp and the tests
            others = '\n'.join(code for path, code in self.codes.items()
                               if folder_of(SRC, path) != folder)
            for header in headers:
                for name in sorted(declared_functions(SRC / folder / header)):
                    with self.subTest(header=f'{folder}/{header}', function=name):
                        if not re.search(rf'\b{name}\b', others):
                            self.fail(f'{name} is called only inside {folder}/: make it private')

    def test_owned_records_stay_in_their_folders(self):
        for path, code in self.codes.items():
            folder = folder_of(SRC, path)
            if folder == 'base':
                continue  # the ground floor defines the records
            for member, owners in OWNERS.items():
                if folder in owners or (folder, member, path.name) in SHARED_READS:
                    continue
                with self.subTest(file=str(path.relative_to(SRC)), record=member):
                    found = re.search(rf'\bst(?:\.|->){member}\b[^;]*', code)
                    if found:
                        self.fail(f'reaches the {member} record of another folder: {found[0]}')

    def test_no_include_circle(self):
        graph = {}
        for path in self.files:
            graph[path] = [SRC / name for name in includes(path) if (SRC / name) in self.codes]
        state = {}

        def visit(path, trail):
            state[path] = 'open'
            for target in graph[path]:
                if state.get(target) == 'open':
                    self.fail('include circle: ' + ' -> '.join(
                        str(p.relative_to(SRC)) for p in trail + [path, target]))
                if target not in state:
                    visit(target, trail + [path])
            state[path] = 'done'

        for path in self.files:
            if path not in state:
                visit(path, [])

    def test_no_file_over_600_lines(self):
        for path in self.files:
            with self.subTest(file=str(path.relative_to(SRC))):
                self.assertLessEqual(len(path.read_text(encoding='utf-8').splitlines()),
                                     MAX_LINES)


def main():
    global SRC
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--src', type=pathlib.Path, default=SRC,
                        help='the source folder (default: src beside this script)')
    options, rest = parser.parse_known_args()
    SRC = options.src.resolve()
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
