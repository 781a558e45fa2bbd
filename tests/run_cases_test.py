#!/usr/bin/env python3
"""Checks that tests/run_cases.py explains a failing golden case: a differing binary image by
its first differing offset, the two bytes and the source line that put the byte there; a
differing text by a unified diff of the CP932 text; and that a case whose outputs are the
expected ones passes, also after --update has rewritten them.

Each test builds small case folders in a temporary folder and runs the real program on them.
Usage: run_cases_test.py --talvo PATH [unittest options]
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run_cases  # noqa: E402

TALVO = None  # set by main()

# Two ORG segments, the second following the first without a gap, and a DB whose bytes go on
# over a continuation line of the assemble list. Image offsets in the comments.
SEGMENTS = '''\tORG 8000H
START:\tLD HL,TABLE\t\t; 0-2
\tCALL 1234H\t\t; 3-5
\tRET\t\t\t; 6
TABLE:\tDB 10H,20H,30H,40H,50H,60H\t; 7-12
\tORG 9000H
\tDW 0BEEFH\t\t; 13-14
\tEND
'''

# An ARRANGE patch, without pairs: assembling goes on from 8001h over the LD A,1, so that the
# assemble list shows the patched byte twice and out of image order.
PATCHED = '''\tORG 8000H
\tLD A,1
\tARRANGE 8001H
\tDB 2
\tLD B,3
\tEND
'''

# Bytes that no source line lists.
INCLUDED = '''\tORG 8000H
\tNOP
\tBINCLUDE "data.dat"
\tRET
\tEND
'''

# Twelve failing lines, so that a change in the middle leaves lines out of the diff's context.
FAILING = ''.join(f'\tDB LABEL{i:02}\n' for i in range(1, 13))


class CaseFolder:
    """A temporary case folder whose expected files are written by run_cases --update."""

    def __init__(self, test: unittest.TestCase, files: dict):
        scratch = tempfile.TemporaryDirectory()
        test.addCleanup(scratch.cleanup)
        self.path = pathlib.Path(scratch.name)
        for name, content in files.items():
            data = content.encode('cp932') if isinstance(content, str) else content
            (self.path / name).write_bytes(data)
        for name in run_cases.case_names(self.path):
            run_cases.run_case(TALVO, self.path, name, update=True)

    def change(self, name: str, change):
        path = self.path / name
        data = bytearray(path.read_bytes())
        path.write_bytes(bytes(change(data) or data))

    def problems(self, name: str) -> str:
        return '\n'.join(run_cases.run_case(TALVO, self.path, name, update=False))


def flip(offset):
    def change(data):
        data[offset] ^= 0xFF
    return change


class BinaryDifference(unittest.TestCase):
    def test_names_the_offset_the_bytes_and_the_source_line(self):
        # (offset, address of the byte, text of the line that put it there)
        for offset, address, line in ((0, '8000h', 'START:  LD HL,TABLE'),
                                      (12, '800Ch', 'TABLE:  DB 10H,20H,30H,40H,50H,60H'),
                                      (14, '9001h', 'DW 0BEEFH')):
            with self.subTest(offset=offset):
                case = CaseFolder(self, {'prog.asm': SEGMENTS})
                actual = (case.path / 'prog.bin').read_bytes()[offset]
                case.change('prog.bin', flip(offset))
                problems = case.problems('prog')
                self.assertIn(f'prog.bin differs from prog.bin: first difference at offset '
                              f'0x{offset:04X} ({offset}): expected {actual ^ 0xFF:02X}, '
                              f'actual {actual:02X}', problems)
                self.assertIn(f'the byte at {address} comes from the line: {line}', problems)
                self.assertNotIn('bytes, actual', problems)  # same length: no lengths

    def test_a_different_length_is_told_with_the_last_actual_byte(self):
        case = CaseFolder(self, {'prog.asm': SEGMENTS})
        case.change('prog.bin', lambda data: data + b'\x00\x01')
        problems = case.problems('prog')
        self.assertIn('first difference at offset 0x000F (15): expected 00, '
                      'actual (end of file)\nexpected 17 bytes, actual 15 bytes', problems)
        self.assertIn('the byte at 9001h comes from the line: DW 0BEEFH', problems)

    def test_bytes_listed_out_of_order_or_not_at_all(self):
        case = CaseFolder(self, {'prog.asm': PATCHED, 'data.asm': INCLUDED,
                                 'data.dat': b'\x11\x22\x33'})
        self.assertEqual((case.path / 'prog.bin').read_bytes(), bytes([0x3E, 2, 6, 3]))
        case.change('prog.bin', flip(1))
        self.assertIn('the byte at 8001h comes from the line: DB 2', case.problems('prog'))
        case.change('data.bin', flip(2))
        problems = case.problems('data')
        self.assertIn('first difference at offset 0x0002 (2): expected DD, actual 22', problems)
        self.assertIn('the source line cannot be determined: the assemble list does not show',
                      problems)
        # A listing that disagrees with the image anywhere tells nothing, even where it agrees.
        listed = run_cases.listing_lines(b'8000    3E 01           \tLD A,1\n'
                                         b'8002    00 00 00 00     \tDS 6\n8006    00 00\n')
        image = b'\x3e\x01' + bytes(6)
        self.assertEqual(run_cases.byte_origin(listed, image, 7), (0x8007, listed[1]))
        self.assertIsNone(run_cases.byte_origin(listed, image[:-1] + b'\x01', 1))
        self.assertIsNone(run_cases.byte_origin(listed, image[:-1], 1))


class TextDifference(unittest.TestCase):
    def test_console_text_gives_a_unified_diff_of_the_decoded_lines(self):
        case = CaseFolder(self, {'prog.asm': FAILING})
        case.change('prog.out', lambda data: data.replace(b"'LABEL06'", b"'LABEL6X'"))
        lines = case.problems('prog').splitlines()
        self.assertEqual(lines[:3], ['stdout differs from prog.out:', '--- expected prog.out',
                                     '+++ actual stdout'])
        self.assertEqual(lines[3], '@@ -4,7 +4,7 @@')  # three lines of context each side
        self.assertEqual(lines[7:9], ["-Error prog.asm    6: 未解決のラベル 'LABEL6X'",
                                      "+Error prog.asm    6: 未解決のラベル 'LABEL06'"])
        self.assertEqual(len(lines), 12)

    def test_a_written_text_file_gives_a_unified_diff(self):
        case = CaseFolder(self, {'prog.asm': SEGMENTS, 'prog.flags': '-l'})
        case.change('prog.lst', lambda data: data.replace(b'08000H', b'08001H'))
        self.assertIn('prog.lst differs from prog.lst:\n--- expected prog.lst\n'
                      '+++ actual prog.lst\n@@ -1,2 +1,2 @@\n-START\t\tEQU\t08001H\n'
                      '+START\t\tEQU\t08000H', case.problems('prog'))

    def test_invisible_differences_are_shown(self):
        diff = run_cases.text_difference(b'one\r\ntwo\n', b'one\ntwo', 'e', 'a')
        self.assertIn('\n-one\\r\n+one\n', diff)
        self.assertTrue(diff.endswith('\n+\\ No newline at end of file'), diff)
        # Bytes that do not decode to distinct characters fall back to the first offset.
        self.assertEqual(run_cases.text_difference(b'A\x82 B\n', b'A\x83 B\n', 'e', 'a'),
                         'the texts differ only in bytes that are not CP932 text: first '
                         'difference at offset 0x0001 (1): expected 82, actual 83')


class SameOutputs(unittest.TestCase):
    def run_folder(self, folder, *options):
        result = subprocess.run([sys.executable, str(pathlib.Path(run_cases.__file__)),
                                 '--talvo', TALVO, *options, str(folder)], capture_output=True,
                                text=True, timeout=120)
        return result.returncode, result.stdout.splitlines()[-1]

    def test_expected_outputs_pass_and_update_restores_them(self):
        case = CaseFolder(self, {'image.asm': SEGMENTS, 'image.flags': '-x -Y',
                                 'failing.asm': FAILING, 'hex.asm': PATCHED, 'hex.flags': '-i'})
        self.assertTrue((case.path / 'failing.status').exists())
        self.assertEqual(self.run_folder(case.path), (0, '3 passed, 0 failed'))
        case.change('image.bin', flip(3))
        case.change('failing.out', lambda data: data[:-2])
        case.change('hex.hex', lambda data: data.replace(b':00', b':01'))
        self.assertEqual(self.run_folder(case.path), (1, '0 passed, 3 failed'))
        self.run_folder(case.path, '--update')
        self.assertEqual(self.run_folder(case.path), (0, '3 passed, 0 failed'))


def main():
    global TALVO
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True, help='the program to run the cases with')
    options, rest = parser.parse_known_args()
    TALVO = str(pathlib.Path(options.talvo).resolve())
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
