#!/usr/bin/env python3
"""Checks the benchmark runner and the adversarial shapes: measuring commands in paired rounds,
reporting failures and differences, and the images the shapes must give.
Run: python3 bench/test_run.py"""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run  # noqa: E402
import shapes  # noqa: E402


def result(tool, name, data):
    return {'tool': tool, 'input': name, 'lines': 1, 'wall': 0.1, 'bytes': data}


def copier(name='fake'):
    return run.Tool(name, '.fake.asm', lambda src, binary: ['cp', str(src), str(binary)])


class RunnerTest(unittest.TestCase):
    def test_measure_runs_every_tool_and_reads_its_image(self):
        with tempfile.TemporaryDirectory() as scratch:
            out = pathlib.Path(scratch)
            (out / 'program.fake.asm').write_bytes(b'line 1\nline 2\nline 3\n')
            counter = run.Tool('split', '.fake.asm', lambda src, binary: ['wc', '-l', str(src)],
                               image=False)
            first, second = run.measure([copier(), counter], 'program', out, 2)
            self.assertNotIn('failed', first)
            self.assertEqual(first['lines'], 3)
            self.assertEqual(first['bytes'], b'line 1\nline 2\nline 3\n')
            self.assertNotIn('bytes', second)
            for r in (first, second):
                self.assertEqual(len(r['times']), 2)
                self.assertGreater(r['wall'], 0)
                self.assertGreaterEqual(r['best'], 0)
                self.assertGreater(r['rss_kib'], 0)
                self.assertAlmostEqual(r['rate'], 3 / r['wall'])
            self.assertGreater(first['ratio_split'], 0)

    def test_measure_reports_a_failing_tool(self):
        with tempfile.TemporaryDirectory() as scratch:
            out = pathlib.Path(scratch)
            (out / 'program.fake.asm').write_bytes(b'x\n')
            failing = run.Tool('other', '.fake.asm',
                               lambda src, binary: ['sh', '-c', 'echo broken; exit 3'])
            results = run.measure([copier(), failing], 'program', out, 2)
            self.assertEqual(len(results), 1)
            self.assertEqual(results[0]['failed'], 3)
            self.assertIn('broken', results[0]['output'])
            self.assertTrue(any('other failed on program with status 3' in p
                                for p in run.compare(results)))

    def test_rounds_turn_the_order_and_pair_the_ratios(self):
        with tempfile.TemporaryDirectory() as scratch:
            log = pathlib.Path(scratch) / 'log'
            commands = [['sh', '-c', f'echo {n} >> {log}'] for n in 'abc']
            times, failure = run.measure_rounds(commands, 2, [scratch] * 3)
            self.assertIsNone(failure)
            self.assertEqual([len(t) for t in times], [2, 2, 2])
            self.assertEqual(log.read_text().split(), list('abcbcacab'))
        paired = run.median_ratio([(0, 1.0), (0, 4.0), (0, 9.0)], [(0, 2.0), (0, 2.0), (0, 3.0)])
        self.assertEqual(paired, 2.0)   # the ratios of the rounds are 0.5, 2 and 3

    def test_compare_names_the_first_differing_address(self):
        image = b'\x00\x01\x02'
        same = [result('talvo', 'program', image), result('gas', 'program', image),
                {'tool': 'split', 'input': 'program', 'lines': 1, 'wall': 0.1}]
        self.assertEqual(run.compare(same), [])
        differ = [result('talvo', 'program', image), result('pasmo', 'program', b'\x00\x09')]
        problems = run.compare(differ)
        self.assertEqual(len(problems), 1)
        self.assertIn('pasmo differs from talvo on program: 2 bytes against 3', problems[0])
        self.assertIn('offset 0x1 (address 0x101)', problems[0])
        shorter = [result('talvo', 'program', b'\x00\x01'), result('gas', 'program', image)]
        self.assertIn('offset 0x2', run.compare(shorter)[0])

    def test_compare_checks_that_the_large_inputs_give_the_program_bytes(self):
        results = [result('talvo', 'program', b'\x01'), result('talvo', 'large', b'\x01'),
                   result('talvo', 'large4m', b'\x02')]
        self.assertEqual(run.compare(results),
                         ['talvo: the large4m input did not give the bytes of the program'])

    def test_busy_share_is_a_fraction(self):
        share = run.busy_share(0.2)
        self.assertGreaterEqual(share, 0.0)
        self.assertLessEqual(share, 1.0)


class ShapesTest(unittest.TestCase):
    def test_sizes_grow_by_the_factor_the_limit_allows_for(self):
        self.assertEqual(shapes.GROWTH, 4)
        self.assertLessEqual(shapes.GROWTH_LIMIT, 4.4)
        self.assertEqual(set(shapes.SHAPES), {'forward', 'equ-chain', 'macro', 'rept'})

    def test_each_shape_holds_its_count(self):
        text, _ = shapes.source('forward', 50)
        self.assertEqual(text.count(b'\tJP\tF'), 50)
        self.assertEqual(text.count(b':\tNOP'), 50)
        text, _ = shapes.source('equ-chain', 50)
        self.assertEqual(text.count(b'EQU'), 50)
        text, _ = shapes.source('macro', 50)
        self.assertEqual(text.count(b'\tCOPY\t'), 50)
        text, _ = shapes.source('rept', 50)
        self.assertIn(b'\tREPT\t50\n', text)
        self.assertEqual(len(shapes.REPT_BODY), 10)

    @unittest.skipUnless(shutil.which('pasmo'), 'pasmo is needed')
    def test_images_agree_with_another_assembler(self):
        # pasmo has no anonymous labels, no OFFSET and no REPT of this form: each shape is
        # written out for it, the counted code assembled at 0 as the OFFSET section counts it
        # and the image's words at 8000H, where they are read back.
        def pasmo_image(lines, size):
            with tempfile.TemporaryDirectory() as scratch:
                work = pathlib.Path(scratch)
                (work / 's.asm').write_text('\n'.join(lines + ['\tEND']) + '\n')
                subprocess.run(['pasmo', 's.asm', 's.bin'], cwd=work, check=True,
                               stdout=subprocess.DEVNULL)
                return (work / 's.bin').read_bytes()[0x8000:0x8000 + size]

        count = 40
        _, image = shapes.source('forward', count)
        lines = ['\tORG 8000H', f'\tDW F0, F{count - 1}', '\tORG 0']
        lines += [f'\tJP F{i}' for i in range(count)] + [f'F{i}:\tNOP' for i in range(count)]
        self.assertEqual(pasmo_image(lines, 4), image)

        _, image = shapes.source('macro', count)
        lines = ['\tORG 8000H', f'\tDW A{count - 1}', '\tORG 0']
        for i in range(count):
            lines += [f'A{i}:\tLD A,({i:05X}H+2)', '\tLD (8000H),A', '\tINC HL', f'\tJP NZ,A{i}']
        self.assertEqual(pasmo_image(lines, 2), image)

        _, image = shapes.source('rept', count)
        lines = ['\tORG 8000H', f'\tDW A{count - 1}', '\tORG 0']
        for i in range(count):
            # Both references of the body reach its second anonymous label.
            body = [line.replace('@@:', f'A{i}:' if n else '') for n, line in
                    enumerate(shapes.REPT_BODY)]
            lines += [line.replace('@F', f'A{i}').replace('@B', f'A{i}') for line in body]
        self.assertEqual(pasmo_image(lines, 2), image)

    @unittest.skipUnless(shutil.which('z80-unknown-coff-as'), 'binutils-z80 is needed')
    def test_equate_chain_agrees_with_another_assembler(self):
        # Two passes cannot resolve a chain of forward equates: this one goes to GNU as.
        count = 40
        _, image = shapes.source('equ-chain', count)
        lines = ['\t.dw E0'] + [f'.equ E{i}, E{i + 1}+1' for i in range(count - 1)]
        lines.append(f'.equ E{count - 1}, 0')
        with tempfile.TemporaryDirectory() as scratch:
            work = pathlib.Path(scratch)
            (work / 's.s').write_text('\n'.join(lines) + '\n')
            for step in (['as', '-o', 's.o', 's.s'], ['objcopy', '-O', 'binary', 's.o', 's.bin']):
                subprocess.run(['z80-unknown-coff-' + step[0]] + step[1:], cwd=work, check=True)
            self.assertEqual((work / 's.bin').read_bytes(), image)


if __name__ == '__main__':
    unittest.main()
