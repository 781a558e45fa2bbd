#!/usr/bin/env python3
"""Reads the make rules of --deps back with GNU make and checks that make finds every file the
run read, under its own name, whatever characters the names hold; and that a name a rule cannot
hold fails the run with nothing written.

Usage: deps_make_check.py --talvo PATH
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

TALVO = None  # set by main()

# File names with the characters that make reads as syntax: blanks, '$', '#', ':', wildcards,
# '|', '%', and backslashes in front of them or alone.
AWKWARD_NAMES = ['a b.inc', 'c$d.inc', 'e#f.inc', 'g:h.inc', 'i*j.inc', 'k?l.inc', 'm[n].inc',
                 'o|p.inc', 'q%r.inc', 's\\ t.inc', 'u\\#v.inc', 'w\\x.inc', 'tab\tx.inc']
# A recipe for every target that says what make found as its prerequisites.
MAKEFILE = 'include rule.d\n%:\n\t@$(info TARGET<$@> PREREQUISITES<$^>)true\n'


def source_including(names):
    lines = ['\tORG 100H'] + [f'\tINCLUDE "{name}"' for name in names] + ['\tEND', '']
    return '\n'.join(lines).encode('latin-1')


class MakeReadsTheRule(unittest.TestCase):
    def assemble(self, folder, output, names):
        (folder / 'main.asm').write_bytes(source_including(names))
        for name in names:
            (folder / name).write_bytes(b'\tNOP\n')
        return subprocess.run([TALVO, '--deps=rule.d', '-o', output, 'main.asm'], cwd=folder,
                              capture_output=True)

    def test_make_finds_every_file_under_its_name(self):
        if shutil.which('make') is None:
            self.skipTest('make is not installed')
        for output in ['prog.bin', 'out put%$#.bin', 'o|p.bin']:
            with self.subTest(output=output), tempfile.TemporaryDirectory() as scratch:
                folder = pathlib.Path(scratch)
                result = self.assemble(folder, output, AWKWARD_NAMES)
                self.assertEqual(result.returncode, 0, result.stdout)
                (folder / output).unlink()  # so that make runs the target's recipe
                (folder / 'Makefile').write_text(MAKEFILE)
                made = subprocess.run(['make', '--no-print-directory', output], cwd=folder,
                                      capture_output=True, text=True)
                self.assertEqual(made.returncode, 0, made.stderr)
                expected = f'TARGET<{output}> PREREQUISITES<' + ' '.join(
                    ['main.asm'] + AWKWARD_NAMES) + '>'
                self.assertIn(expected, made.stdout.splitlines())

    def test_make_goes_on_when_an_included_file_is_gone(self):
        # The included files are renamed away (the source no longer names them): make must
        # assemble again rather than stop with "No rule to make target".
        if shutil.which('make') is None:
            self.skipTest('make is not installed')
        with tempfile.TemporaryDirectory() as scratch:
            folder = pathlib.Path(scratch)
            result = self.assemble(folder, 'prog.bin', AWKWARD_NAMES)
            self.assertEqual(result.returncode, 0, result.stdout)
            (folder / 'Makefile').write_text(
                f'prog.bin: main.asm\n\t{TALVO} --deps=rule.d -o prog.bin main.asm\n'
                '-include rule.d\n')
            # make can name no target with a TAB in it: that file stays where it is.
            gone = [name for name in AWKWARD_NAMES if '\t' not in name]
            for number, name in enumerate(gone):
                (folder / name).rename(folder / f'renamed{number}')
            (folder / 'main.asm').write_bytes(source_including(['tab\tx.inc']))
            newer = (folder / 'prog.bin').stat().st_mtime + 1
            os.utime(folder / 'main.asm', (newer, newer))
            made = subprocess.run(['make', '--no-print-directory'], cwd=folder,
                                  capture_output=True, text=True)
            self.assertEqual(made.returncode, 0, made.stderr)
            self.assertIn('--deps=rule.d', made.stdout)
            self.assertEqual((folder / 'rule.d').read_text(), 'prog.bin: main.asm \\\n  tab\\\tx.inc\n')

    def test_a_name_a_rule_cannot_hold_fails_with_nothing_written(self):
        for name in ['semi;colon.inc', 'equal=sign.inc', '~tilde.inc', 'trailing\\']:
            with self.subTest(name=name), tempfile.TemporaryDirectory() as scratch:
                folder = pathlib.Path(scratch)
                result = self.assemble(folder, 'prog.bin', [name])
                self.assertEqual(result.returncode, 255)
                self.assertEqual(result.stdout.decode('latin-1'),
                                 f"File name '{name}' cannot be written into a make rule; "
                                 'nothing is written\n')
                self.assertEqual(sorted(p.name for p in folder.iterdir()),
                                 sorted(['main.asm', name]))


def main():
    global TALVO
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True, help='the talvo program to check')
    options, rest = parser.parse_known_args()
    TALVO = str(pathlib.Path(options.talvo).resolve())
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
