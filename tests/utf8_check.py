#!/usr/bin/env python3
"""Holds --source-encoding=utf-8 against Python's cp932 codec, character by character.

- Every code point of U+0000..U+FFFF that the codec encodes, written into DB strings of a UTF-8
  source (NUL and LF, which end a line, and the '"' that ends a string, as character constants),
  assembles to the codec's bytes.
- Every other code point of U+0000..U+FFFF but the surrogates, one DB string a line, fails
  with "no code in Shift-JIS" at its own line, naming that code point and no other.
- The committed table is what tools/gen_cp932.py makes of the codec.

Usage: utf8_check.py --talvo PATH [unittest options]
"""
import argparse
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent
TALVO = None
PER_LINE = 48  # characters of one DB string: at most 192 bytes of UTF-8
PER_RUN = 9000  # error lines of one run, below the run's limit of error lines
# The characters no DB string can hold, by the line that writes them: NUL and LF, which cannot
# stand in a line, as numbers; '"' as a character constant.
NOT_IN_STRINGS = {' DB 0': 0x00, ' DB 0AH': 0x0A, " DB '\"'": 0x22}


def encodable():
    """{code point: CP932 bytes} of every code point of the BMP that the codec encodes."""
    codes = {}
    for code_point in range(0x10000):
        try:
            codes[code_point] = chr(code_point).encode('cp932')
        except UnicodeEncodeError:
            pass
    return codes


def assemble(folder: pathlib.Path, source: str):
    (folder / 'chars.asm').write_bytes(source.encode('utf-8'))
    return subprocess.run([str(TALVO), '--source-encoding=utf-8', '--messages=en', 'chars.asm'],
                          cwd=folder, capture_output=True)


class Codec(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.codes = encodable()

    def test_every_encodable_character_gives_the_codec_bytes(self):
        in_strings = [c for c in sorted(self.codes) if c not in NOT_IN_STRINGS.values()]
        lines, expected = [], bytearray()
        for start in range(0, len(in_strings), PER_LINE):
            chunk = in_strings[start:start + PER_LINE]
            lines.append(' DB "' + ''.join(map(chr, chunk)) + '"')
            expected += b''.join(self.codes[c] for c in chunk)
        for line, code_point in NOT_IN_STRINGS.items():
            lines.append(line)
            expected += self.codes[code_point]
        with tempfile.TemporaryDirectory() as scratch:
            result = assemble(pathlib.Path(scratch), '\n'.join(lines) + '\n END\n')
            self.assertEqual(result.returncode, 0, result.stdout.decode('utf-8', 'replace'))
            image = (pathlib.Path(scratch) / 'chars.bin').read_bytes()
        self.assertEqual(len(image), len(expected))
        for offset, (got, want) in enumerate(zip(image, expected)):
            if got != want:
                self.fail(f'first difference at offset {offset}: {got:02X}, codec {want:02X}')

    def test_every_other_character_fails_at_its_line(self):
        others = [c for c in range(0x10000)
                  if c not in self.codes and not 0xD800 <= c <= 0xDFFF]
        self.assertGreater(len(others), 50000)
        error = re.compile(r"Error chars\.asm +(\d+): Character U\+([0-9A-F]{4,6})\b.* has no "
                           r"code in Shift-JIS$")
        with tempfile.TemporaryDirectory() as scratch:
            for start in range(0, len(others), PER_RUN):
                chunk = others[start:start + PER_RUN]
                source = ''.join(f' DB "a{chr(c)}b"\n' for c in chunk) + ' END\n'
                result = assemble(pathlib.Path(scratch), source)
                self.assertEqual(result.returncode, 255)
                named = {}
                for line in result.stdout.decode('utf-8', 'replace').split('\n')[:-1]:
                    found = error.match(line)
                    self.assertIsNotNone(found, line)
                    named[int(found.group(1))] = int(found.group(2), 16)
                self.assertEqual(named, {n + 1: c for n, c in enumerate(chunk)})

    def test_beyond_the_bmp_nothing_has_a_code(self):
        with tempfile.TemporaryDirectory() as scratch:
            chars = [0x10000, 0x1F600, 0x20B9F, 0x10FFFF]
            result = assemble(pathlib.Path(scratch),
                              ''.join(f" DW '{chr(c)}'\n" for c in chars) + ' END\n')
            lines = result.stdout.decode('utf-8', 'replace').splitlines()
            self.assertEqual(lines, [f"Error chars.asm {n + 1:4d}: Character U+{c:04X} "
                                     f"'{chr(c)}' has no code in Shift-JIS"
                                     for n, c in enumerate(chars)])

    def test_the_committed_table_is_the_generated_one(self):
        result = subprocess.run([sys.executable, str(ROOT / 'tools' / 'gen_cp932.py'), '--check'],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


def main():
    global TALVO
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True, type=pathlib.Path, help='the talvo program')
    options, rest = parser.parse_known_args()
    TALVO = options.talvo.resolve()
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
