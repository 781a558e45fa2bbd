#!/usr/bin/env python3
"""Checks the benchmark runner: measuring a command, reporting failures and differences.
Run: python3 bench/test_run.py"""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run  # noqa: E402


def result(tool, name, data):
    return {'tool': tool, 'input': name, 'lines': 1, 'wall': 0.1, 'bytes': data}


class RunnerTest(unittest.TestCase):
    def test_measure_runs_the_command_and_reads_its_image(self):
        with tempfile.TemporaryDirectory() as scratch:
            out = pathlib.Path(scratch)
            (out / 'program.fake.asm').write_bytes(b'line 1\nline 2\nline 3\n')
            copier = run.Tool('fake', '.fake.asm',
                              lambda src, binary: ['cp', str(src), str(binary)])
            r = run.measure(copier, 'program', out, 2)
            self.assertNotIn('failed', r)
            self.assertEqual(r['lines'], 3)
            self.assertEqual(r['bytes'], b'line 1\nline 2\nline 3\n')
            self.assertGreater(r['wall'], 0)
            self.assertGreaterEqual(r['best'], 0)
            self.assertGreater(r['rss_kib'], 0)
            self.assertAlmostEqual(r['rate'], 3 / r['wall'])

    def test_measure_reports_a_failing_tool(self):
        with tempfile.TemporaryDirectory() as scratch:
            out = pathlib.Path(scratch)
            (out / 'program.fake.asm').write_bytes(b'x\n')
            failing = run.Tool('fake', '.fake.asm',
                               lambda src, binary: ['sh', '-c', 'echo broken; exit 3'])
            r = run.measure(failing, 'program', out, 2)
            self.assertEqual(r['failed'], 3)
            self.assertIn('broken', r['output'])
            self.assertTrue(any('fake failed on program with status 3' in p
                                for p in run.compare([r])))

    def test_compare_names_the_first_differing_address(self):
        image = b'\x00\x01\x02'
        same = [result('talvo', 'program', image), result('gas', 'program', image)]
        self.assertEqual(run.compare(same), [])
        differ = [result('talvo', 'program', image), result('pasmo', 'program', b'\x00\x09')]
        problems = run.compare(differ)
        self.assertEqual(len(problems), 1)
        self.assertIn('pasmo differs from talvo on program: 2 bytes against 3', problems[0])
        self.assertIn('offset 0x1 (address 0x101)', problems[0])
        shorter = [result('talvo', 'program', b'\x00\x01'), result('gas', 'program', image)]
        self.assertIn('offset 0x2', run.compare(shorter)[0])

    def test_compare_checks_that_the_large_input_gives_the_program_bytes(self):
        results = [result('talvo', 'program', b'\x01'), result('talvo', 'large', b'\x02')]
        self.assertEqual(run.compare(results),
                         ['talvo: the large input did not give the bytes of the program'])

    def test_busy_share_is_a_fraction(self):
        share = run.busy_share(0.2)
        self.assertGreaterEqual(share, 0.0)
        self.assertLessEqual(share, 1.0)


if __name__ == '__main__':
    unittest.main()
