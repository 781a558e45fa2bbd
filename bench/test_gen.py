#!/usr/bin/env python3
"""Checks the benchmark generator: determinism, label resolution, padding, and agreement of the
other assemblers with the model. Run: python3 bench/test_gen.py"""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import gen  # noqa: E402

SEED = 1979
PROGRAM = gen.Program(SEED)
LINES = PROGRAM.build()


def assembled(lines):
    """Yields the lines outside IF 0 blocks."""
    depth = 0
    for line in lines:
        if line[0] == 'if':
            depth += 1 if depth or line[1] == 0 else 0
        elif line[0] == 'endif' and depth:
            depth -= 1
        elif not depth:
            yield line


def references(line):
    """The expressions of one line's operands or data items, flattened to their leaves."""
    stack = [op[-1] for op in line[3] if op[0] in ('imm', 'mem', 'idx')] if line[0] == 'ins' else \
        [item for item in line[2] if item[0] != 'str'] if line[0] in ('db', 'dw') else []
    while stack:
        e = stack.pop()
        if e[0] in ('n', 's', 'r'):
            yield e
        else:
            stack.extend(e[1:])


class GeneratorTest(unittest.TestCase):
    def test_same_seed_same_text_and_other_seed_other_text(self):
        again = gen.Program(SEED).build()
        for dialect in gen.DIALECTS:
            first = gen.Renderer(dialect, 5).render(LINES)
            self.assertEqual(first, gen.Renderer(dialect, 5).render(again))
        other = gen.Renderer('talvo', 5).render(gen.Program(SEED + 1).build())
        self.assertNotEqual(gen.Renderer('talvo', 5).render(LINES), other)

    def test_program_size_and_shape(self):
        size = PROGRAM.pc - gen.ORIGIN
        self.assertTrue(58 * 1024 <= size <= 62 * 1024, size)
        self.assertLess(PROGRAM.pc, 0xF800)   # the code stays below the variables
        self.assertTrue(28_000 <= len(LINES) <= 32_000, len(LINES))
        used = {line[2] for line in LINES if line[0] == 'ins'}
        for mnemonic in ['LD', 'ADD', 'ADC', 'SBC', 'SUB', 'AND', 'XOR', 'OR', 'CP', 'INC', 'DEC',
                         'RLCA', 'RL', 'SRL', 'BIT', 'SET', 'RES', 'JP', 'JR', 'DJNZ', 'CALL',
                         'RET', 'RETI', 'RST', 'LDIR', 'CPIR', 'OTIR', 'IN', 'OUT', 'EX', 'EXX',
                         'PUSH', 'POP', 'IM', 'NEG', 'DAA', 'HALT']:
            self.assertIn(mnemonic, used)

    def test_every_symbol_is_defined_and_anonymous_references_reach_their_target(self):
        lines = list(assembled(LINES))
        defined = set(gen.addresses(LINES)) | {line[1] for line in lines if line[0] == 'equ'}
        families = {}
        for line in lines:
            if line[0] in ('lab', 'ins') and line[1] and line[1][0] == 'a':
                families.setdefault(line[1][1], []).append(line[1][2])
        seen = {family: 0 for family in families}
        checked = 0
        for line in lines:
            if line[0] in ('lab', 'ins') and line[1] and line[1][0] == 'a':
                seen[line[1][1]] += 1
            for leaf in references(line):
                if leaf[0] == 's':
                    self.assertIn(leaf[1], defined)
                elif leaf[0] == 'r':
                    # @B names the latest definition of its family, @F the next one.
                    count = seen[leaf[1]]
                    index = count - 1 if leaf[2] == 'B' else count
                    self.assertEqual(families[leaf[1]][index], leaf[3])
                    checked += 1
        self.assertGreater(checked, 500)

    def test_padding_keeps_the_program_and_hits_the_counts(self):
        labels, equates = gen.count_definitions(LINES)
        total = len(LINES) + 30_000
        program = gen.Program(SEED)
        base = program.build()
        large = gen.pad(base, program, 11, total, labels + 800, equates + 5000)
        self.assertEqual(len(large), total)
        self.assertEqual(gen.count_definitions(large), (labels + 800, equates + 5000))
        self.assertEqual(gen.addresses(large)['Start'], gen.addresses(LINES)['Start'])
        # The program's lines come back in order, the padding only between ORG and END.
        it = iter(large)
        self.assertTrue(all(any(line is other for other in it) for line in base))
        org = next(i for i, line in enumerate(large) if line[0] == 'org')
        self.assertEqual(large[:org + 1], LINES[:org + 1])
        self.assertEqual(large[-1][0], 'end')
        # Equates use only earlier equates, and every value stays in 16 bits.
        values = {}
        for line in assembled(large):
            if line[0] != 'equ':
                continue
            self.assertGreaterEqual(evaluate(line[2], values), 0)
            self.assertLess(evaluate(line[2], values), 65536)
            values[line[1]] = evaluate(line[2], values)

    def test_numbers_in_each_syntax(self):
        cases = [('h', 255, '0FF', '0FF', '0xFF'), ('$', 31, '$1F', '$1F', '0x1F'),
                 ('b', 5, '00000101B', '%00000101', '0b00000101'),
                 ('u', 1000, '1_000', '1000', '1000'),
                 ('c', 65, "'A'", "'A'", "'A'")]
        for style, value, talvo, pasmo, gas in cases:
            self.assertTrue(gen.Renderer('talvo', 1).number(value, style).startswith(talvo))
            self.assertTrue(gen.Renderer('pasmo', 1).number(value, style).startswith(pasmo))
            self.assertEqual(gen.Renderer('gas', 1).number(value, style), gas)

    def test_lines_in_each_syntax(self):
        anon = ('ins', ('a', '@', 'anon_1'), 'LD', [('reg', 'A'), ('idx', 'IX', gen.num(-3, 'd'))],
                None, 3)
        loop = ('ins', None, 'DJNZ', [('imm', ('r', '1', 'B', 'anon_2'))], 'again', 2)
        equ = ('equ', 'K', ('+', gen.sym('A1'), ('&', gen.sym('B'), gen.num(15, 'd'))))
        expected = {
            'talvo': ['@@:\tLD\tA,(IX-3)', '\tDJNZ\t@1B\t; again', 'K\tEQU\tA1+(B&15)'],
            'pasmo': ['anon_1:\tLD\tA,(IX-3)', '\tDJNZ\tanon_2\t; again',
                      'K\tEQU\tA1 + (B & 15)'],
            'gas': ['anon_1:\tld\ta,(ix-3)', '\tdjnz\tanon_2\t; again', '.equ K, A1+(B&15)'],
        }
        for dialect, lines in expected.items():
            renderer = gen.Renderer(dialect, 1)
            got = [renderer.line(anon), renderer.line(loop), renderer.line(equ)]
            # TALVO's text writes some mnemonics in lower case; the case is not what is tested.
            self.assertEqual([g.upper() for g in got], [e.upper() for e in lines], dialect)
        self.assertEqual(gen.Renderer('gas', 1).line(('org', 0x100))[0], ';')
        self.assertEqual(gen.Renderer('pasmo', 1).line(('if', 0)), '\tIF\t0')
        self.assertEqual(gen.Renderer('gas', 1).line(('endif',)), '\t.endif')

    @unittest.skipUnless(shutil.which('pasmo') and shutil.which('z80-unknown-coff-as'),
                         'pasmo and binutils-z80 are needed')
    def test_other_assemblers_agree_with_the_model(self):
        with tempfile.TemporaryDirectory() as scratch:
            work = pathlib.Path(scratch)
            (work / 'p.asm').write_bytes(gen.Renderer('pasmo', 2).render(LINES))
            (work / 'g.s').write_bytes(gen.Renderer('gas', 2).render(LINES))
            subprocess.run(['pasmo', 'p.asm', 'p.bin'], cwd=work, check=True,
                           stdout=subprocess.DEVNULL)
            for step in (['as', '-o', 'g.o', 'g.s'], ['ld', '-Ttext=0x100', '-o', 'g.x', 'g.o'],
                         ['objcopy', '-O', 'binary', 'g.x', 'g.bin']):
                subprocess.run(['z80-unknown-coff-' + step[0]] + step[1:], cwd=work, check=True)
            image = (work / 'p.bin').read_bytes()
            self.assertEqual(image, (work / 'g.bin').read_bytes())
            self.assertEqual(len(image), PROGRAM.pc - gen.ORIGIN)
            symbols = subprocess.run(['z80-unknown-coff-nm', 'g.x'], cwd=work, check=True,
                                     capture_output=True, text=True).stdout.split('\n')
            real = {f[2]: int(f[0], 16) for f in (s.split() for s in symbols) if len(f) == 3}
            for name, address in gen.addresses(LINES).items():
                self.assertEqual(real[name], address, name)


def evaluate(e, values):
    if e[0] == 'n':
        return e[1]
    if e[0] == 's':
        return values[e[1]]
    a, b = evaluate(e[1], values), evaluate(e[2], values)
    return {'+': a + b, '-': a - b, '*': a * b, '&': a & b, '|': a | b,
            '>>': a >> b, '<<': a << b}[e[0]]


if __name__ == '__main__':
    unittest.main()
