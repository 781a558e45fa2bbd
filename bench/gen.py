#!/usr/bin/env python3
"""Writes large, realistic Z80 benchmark sources in three syntaxes from one model.

The model is a list of source lines (instructions with their operands, labels, equates, data,
comments, conditional blocks). The renderers of syntax.py print it for TALVO, for pasmo and for
the GNU assembler for z80, line for line, so that the three programs assemble to the same bytes.

Inputs written into the output folder (--inputs chooses them, --dialects the syntaxes):
  program.talvo.asm  program.pasmo.asm  program.gas.s   about 30,000 lines, ~60 KiB of code
  large.talvo.asm    large.pasmo.asm    large.gas.s     the same code padded to 1,000,000 lines
  large4m.*, large16m.*                                 padded to 4 and 16 million lines, with
                                                        4 and 16 times the labels and equates
Everything is drawn from a fixed seed, so the files are the same on every run.
"""
import argparse
import itertools
import pathlib
import random
import sys

from syntax import DIALECTS, Renderer

ORIGIN = 0x0100
TARGET_BYTES = 60 * 1024 - 1200
ROUTINES = 1250
LARGE_LINES = 1_000_000
LARGE_LABELS = 40_000
LARGE_EQUATES = 190_000
# The padded inputs and their sizes in millions of lines; labels and equates grow with them.
PADDED_INPUTS = {'large': 1, 'large4m': 4, 'large16m': 16}
CHUNK_LINES = 100_000  # model lines rendered at a time

R8 = ['A', 'B', 'C', 'D', 'E', 'H', 'L']
CONDS = ['NZ', 'Z', 'NC', 'C', 'PO', 'PE', 'P', 'M']
JR_CONDS = ['NZ', 'Z', 'NC', 'C']
ALU = ['ADD', 'ADC', 'SUB', 'SBC', 'AND', 'XOR', 'OR', 'CP']
NEEDS_A = {'ADD', 'ADC', 'SBC'}
SHIFTS = ['RLC', 'RRC', 'RL', 'RR', 'SLA', 'SRA', 'SRL']
NO_OPERAND_ED = ['LDI', 'LDIR', 'LDD', 'LDDR', 'CPI', 'CPIR', 'CPD', 'CPDR',
                 'INI', 'INIR', 'IND', 'INDR', 'OUTI', 'OTIR', 'OUTD', 'OTDR', 'NEG', 'RLD', 'RRD']
NO_OPERAND_1 = ['RLCA', 'RRCA', 'RLA', 'RRA', 'DAA', 'CPL', 'SCF', 'CCF', 'NOP', 'EXX', 'DI', 'EI']
NUMBER_STYLES = ['h', 'h', 'h', 'd', 'd', 'x', '$', 'b', 'u']

VERBS = ['Init', 'Draw', 'Move', 'Read', 'Write', 'Clear', 'Copy', 'Scan', 'Play', 'Wait', 'Load',
         'Save', 'Check', 'Calc', 'Print', 'Fill', 'Find', 'Sort', 'Send', 'Recv', 'Update',
         'Reset']
NOUNS = ['Screen', 'Sprite', 'Score', 'Key', 'Tile', 'Map', 'Sound', 'Timer', 'Player', 'Enemy',
         'Shot', 'Buffer', 'Text', 'Palette', 'Disk', 'Tape', 'Port', 'Menu', 'Level', 'Stack']
WORDS = ['set', 'up', 'the', 'next', 'frame', 'counter', 'pointer', 'table', 'entry', 'loop',
         'byte', 'word', 'flag', 'carry', 'save', 'restore', 'registers', 'clear', 'screen', 'line',
         'column', 'row', 'skip', 'when', 'zero', 'done', 'wait', 'for', 'vblank', 'update', 'and']
JAPANESE = ['初期化', '画面を消去する', 'キー入力待ち', 'スコア加算', '割り込み処理', 'サウンド停止']
PAD_LABEL_PREFIXES = ['spr', 'snd', 'map', 'gfx', 'ent', 'hud', 'kbd', 'dsk', 'mem', 'tmp']
PAD_EQU_PREFIXES = ['CFG', 'ADRS', 'LEN', 'OFS', 'MSK', 'CNT', 'TOPV', 'BASE', 'SIZ', 'LIM']
STRING_CHARS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz0123456789.,!?-:'

# Model of one line (tuples, first item the kind):
#   ('blank',)  ('com', text)  ('lab', label)  ('equ', name, expr)  ('org', value)
#   ('ins', label, mnemonic, operands, comment, size)  ('db', label, items)  ('dw', label, exprs)
#   ('ds', label, size, fill)  ('if', value)  ('endif',)  ('end', name)
# label: None, ('n', name) for a named label, ('a', family, unique_name) for an anonymous one.
# Expressions: ('n', value, style)  ('s', name)  ('r', family, direction, unique_name)
#   (op, left, right) with op in + - * & | >> <<; a left operand is always a leaf, so no
#   rendering depends on operator precedence, which differs between the assemblers.
# Operands: ('reg', name)  ('ind', pair)  ('idx', IX|IY, expr)  ('imm', expr)  ('mem', expr)


def num(value, style='h'):
    return ('n', value, style)


def sym(name):
    return ('s', name)


class Program:
    """Builds the benchmark program: equates, routines and data, with sizes tracked exactly."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.lines = []
        self.pc = ORIGIN
        self.values = {}
        self.anon_serial = 0
        self.local_serial = 0
        self.byte_consts = []
        self.byte_vars = []
        self.word_vars = []
        self.ports = []
        self.fields = []
        self.bit_names = []
        self.pending_data = []
        self.defined_data = []
        self.routines = self.routine_names(ROUTINES)

    # ---- helpers ----
    def routine_names(self, count):
        names = []
        for i in range(count):
            names.append(f'{VERBS[i % len(VERBS)]}{NOUNS[(i // 7) % len(NOUNS)]}_{i}')
        return names

    def style(self):
        return self.rng.choice(NUMBER_STYLES)

    def equ(self, name, expr, value):
        self.values[name] = value
        self.lines.append(('equ', name, expr))

    def emit(self, mnemonic, operands, size, label=None, comment=None):
        if comment is None and self.rng.random() < 0.12:
            comment = self.comment_text()
        self.lines.append(('ins', label, mnemonic, operands, comment, size))
        self.pc += size

    def comment_text(self):
        if self.rng.random() < 0.05:
            return self.rng.choice(JAPANESE)
        return ' '.join(self.rng.choice(WORDS) for _ in range(self.rng.randint(2, 6)))

    def anon_label(self):
        self.anon_serial += 1
        family = self.rng.choice(['@', '@', '@', '1', '2', '5'])
        return ('a', family, f'anon_{self.anon_serial}')

    def local_label(self, routine):
        self.local_serial += 1
        return ('n', f'{routine}_L{self.local_serial}')

    def label_ref(self, label, direction):
        if label[0] == 'a':
            return ('r', label[1], direction, label[2])
        return sym(label[1])

    # ---- operand choices ----
    def byte_value(self):
        roll = self.rng.random()
        if roll < 0.25 and self.byte_consts:
            return sym(self.rng.choice(self.byte_consts))
        if roll < 0.30 and self.word_vars:
            name = self.rng.choice(self.word_vars)
            return ('>>', sym(name), num(8, 'd')) if self.rng.random() < 0.5 else \
                ('&', sym(name), num(0xFF, 'h'))
        if roll < 0.35:
            return ('n', self.rng.choice(b'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789*'), 'c')
        return num(self.rng.randrange(256), self.style())

    def word_value(self):
        roll = self.rng.random()
        if roll < 0.3 and self.word_vars:
            return sym(self.rng.choice(self.word_vars + self.byte_vars))
        if roll < 0.5:
            return sym(self.rng.choice(self.routines))
        if roll < 0.7:
            return sym(self.data_label())
        if roll < 0.8 and self.word_vars:
            return ('+', sym(self.rng.choice(self.word_vars)), num(self.rng.randrange(1, 64), 'd'))
        return num(self.rng.randrange(65536), self.style())

    def displacement(self):
        if self.rng.random() < 0.5:
            return sym(self.rng.choice(self.fields))
        return num(self.rng.randint(-32, 90), self.rng.choice(['d', 'd', 'h']))

    def data_label(self):
        if self.defined_data and self.rng.random() < 0.35:
            return self.rng.choice(self.defined_data)
        if self.pending_data and self.rng.random() < 0.5:
            return self.rng.choice(self.pending_data)[1]
        kind = self.rng.choice(['Msg', 'Tbl', 'Tbl', 'Jt', 'Buf'])
        name = f'{kind}{len(self.defined_data) + len(self.pending_data)}'
        self.pending_data.append((kind, name))
        return name

    def r8_operand(self):
        roll = self.rng.random()
        if roll < 0.7:
            return ('reg', self.rng.choice(R8)), 1, 0
        if roll < 0.85:
            return ('ind', 'HL'), 1, 0
        return ('idx', self.rng.choice(['IX', 'IY']), self.displacement()), 3, 1

    # ---- single instructions without control flow ----
    def simple(self):
        """Emits one instruction chosen from every non-branching group."""
        rng = self.rng
        group = rng.choices(
            ['ldrr', 'ldrn', 'ldmem', 'ld16', 'ldidx', 'alu', 'incdec', 'arith16', 'rot',
             'cb', 'bit', 'misc', 'io', 'ed', 'stack', 'special'],
            [14, 10, 6, 8, 6, 14, 8, 4, 3, 4, 5, 4, 3, 2, 2, 1])[0]
        if group == 'ldrr':
            d, s = rng.choice(R8), rng.choice(R8)
            roll = rng.random()
            if roll < 0.6:
                self.emit('LD', [('reg', d), ('reg', s)], 1)
            elif roll < 0.75:
                self.emit('LD', [('reg', d), ('ind', 'HL')], 1)
            elif roll < 0.9:
                self.emit('LD', [('ind', 'HL'), ('reg', s)], 1)
            elif roll < 0.95:
                self.emit('LD', [('reg', 'A'), ('ind', rng.choice(['BC', 'DE']))], 1)
            else:
                self.emit('LD', [('ind', rng.choice(['BC', 'DE'])), ('reg', 'A')], 1)
        elif group == 'ldrn':
            if rng.random() < 0.85:
                self.emit('LD', [('reg', rng.choice(R8)), ('imm', self.byte_value())], 2)
            else:
                self.emit('LD', [('ind', 'HL'), ('imm', self.byte_value())], 2)
        elif group == 'ldmem':
            var = sym(rng.choice(self.byte_vars))
            if rng.random() < 0.5:
                self.emit('LD', [('reg', 'A'), ('mem', var)], 3)
            else:
                self.emit('LD', [('mem', var), ('reg', 'A')], 3)
        elif group == 'ld16':
            pair = rng.choice(['BC', 'DE', 'HL', 'HL', 'IX', 'IY', 'SP'])
            extra = 1 if pair in ('IX', 'IY') else 0
            roll = rng.random()
            if roll < 0.6 and pair != 'SP':
                self.emit('LD', [('reg', pair), ('imm', self.word_value())], 3 + extra)
            elif roll < 0.8:
                wide = 1 if pair in ('BC', 'DE', 'SP') else 0
                self.emit('LD', [('reg', pair), ('mem', sym(rng.choice(self.word_vars)))],
                          3 + extra + wide)
            else:
                wide = 1 if pair in ('BC', 'DE', 'SP') else 0
                self.emit('LD', [('mem', sym(rng.choice(self.word_vars))), ('reg', pair)],
                          3 + extra + wide)
        elif group == 'ldidx':
            reg = rng.choice(['IX', 'IY'])
            roll = rng.random()
            if roll < 0.45:
                self.emit('LD', [('reg', rng.choice(R8)), ('idx', reg, self.displacement())], 3)
            elif roll < 0.85:
                self.emit('LD', [('idx', reg, self.displacement()), ('reg', rng.choice(R8))], 3)
            else:
                self.emit('LD', [('idx', reg, self.displacement()), ('imm', self.byte_value())], 4)
        elif group == 'alu':
            op = rng.choice(ALU)
            head = [('reg', 'A')] if op in NEEDS_A else []
            if rng.random() < 0.35:
                self.emit(op, head + [('imm', self.byte_value())], 2)
            else:
                operand, size, _ = self.r8_operand()
                self.emit(op, head + [operand], size)
        elif group == 'incdec':
            op = rng.choice(['INC', 'DEC'])
            roll = rng.random()
            if roll < 0.5:
                operand, size, _ = self.r8_operand()
                self.emit(op, [operand], size)
            elif roll < 0.9:
                self.emit(op, [('reg', rng.choice(['BC', 'DE', 'HL', 'SP']))], 1)
            else:
                self.emit(op, [('reg', rng.choice(['IX', 'IY']))], 2)
        elif group == 'arith16':
            roll = rng.random()
            if roll < 0.5:
                self.emit('ADD', [('reg', 'HL'), ('reg', rng.choice(['BC', 'DE', 'HL', 'SP']))], 1)
            elif roll < 0.8:
                self.emit(rng.choice(['ADC', 'SBC']),
                          [('reg', 'HL'), ('reg', rng.choice(['BC', 'DE', 'HL', 'SP']))], 2)
            else:
                reg = rng.choice(['IX', 'IY'])
                self.emit('ADD', [('reg', reg), ('reg', rng.choice(['BC', 'DE', reg, 'SP']))], 2)
        elif group == 'rot':
            self.emit(rng.choice(['RLCA', 'RRCA', 'RLA', 'RRA']), [], 1)
        elif group == 'cb':
            operand, size, indexed = self.r8_operand()
            self.emit(rng.choice(SHIFTS), [operand], 4 if indexed else 2)
        elif group == 'bit':
            operand, size, indexed = self.r8_operand()
            if rng.random() < 0.3:
                bit = sym(rng.choice(self.bit_names))
            else:
                bit = num(rng.randrange(8), 'd')
            self.emit(rng.choice(['BIT', 'SET', 'RES']), [('imm', bit), operand],
                      4 if indexed else 2)
        elif group == 'misc':
            name = rng.choice(NO_OPERAND_1 + ['EXDE', 'EXAF', 'EXSP', 'EXSPI'])
            if name == 'EXDE':
                self.emit('EX', [('reg', 'DE'), ('reg', 'HL')], 1)
            elif name == 'EXAF':
                self.emit('EX', [('reg', 'AF'), ('reg', "AF'")], 1)
            elif name == 'EXSP':
                self.emit('EX', [('ind', 'SP'), ('reg', 'HL')], 1)
            elif name == 'EXSPI':
                self.emit('EX', [('ind', 'SP'), ('reg', rng.choice(['IX', 'IY']))], 2)
            else:
                self.emit(name, [], 1)
        elif group == 'io':
            port = rng.choice(self.ports)
            roll = rng.random()
            if roll < 0.35:
                self.emit('IN', [('reg', 'A'), ('mem', sym(port))], 2)
            elif roll < 0.7:
                self.emit('OUT', [('mem', sym(port)), ('reg', 'A')], 2)
            elif roll < 0.85:
                self.emit('IN', [('reg', rng.choice(R8)), ('ind', 'C')], 2)
            else:
                self.emit('OUT', [('ind', 'C'), ('reg', rng.choice(R8))], 2)
        elif group == 'ed':
            self.emit(rng.choice(NO_OPERAND_ED), [], 2)
        elif group == 'stack':
            pair = rng.choice(['AF', 'BC', 'DE', 'HL', 'IX', 'IY'])
            size = 2 if pair in ('IX', 'IY') else 1
            self.emit('PUSH', [('reg', pair)], size)
            self.simple()
            self.emit('POP', [('reg', pair)], size)
        else:
            roll = rng.random()
            if roll < 0.4:
                reg = rng.choice(['I', 'R'])
                if rng.random() < 0.5:
                    self.emit('LD', [('reg', 'A'), ('reg', reg)], 2)
                else:
                    self.emit('LD', [('reg', reg), ('reg', 'A')], 2)
            elif roll < 0.6:
                self.emit('IM', [('imm', num(rng.randrange(3), 'd'))], 2)
            elif roll < 0.8:
                self.emit('RST', [('imm', num(rng.randrange(8) * 8, 'h'))], 1)
            else:
                reg = rng.choice(['HL', 'IX', 'IY'])
                self.emit('LD', [('reg', 'SP'), ('reg', reg)], 1 if reg == 'HL' else 2)

    # ---- snippets: short realistic sequences, some with branches ----
    def snippet(self, routine):
        rng = self.rng
        kind = rng.choices(
            ['straight', 'djnz', 'skip', 'backloop', 'farjump', 'call', 'copy', 'io', 'index',
             'arith', 'dispatch', 'retcc', 'search', 'local_equ'],
            [20, 8, 10, 6, 4, 10, 3, 3, 5, 4, 1, 3, 2, 1])[0]
        if kind == 'straight':
            for _ in range(rng.randint(2, 6)):
                self.simple()
        elif kind == 'djnz':
            self.emit('LD', [('reg', 'B'), ('imm', self.byte_value())], 2)
            label = self.anon_label() if rng.random() < 0.6 else self.local_label(routine)
            start = self.pc
            self.lines.append(('lab', label))
            for _ in range(rng.randint(1, 6)):
                self.simple()
            self.emit('DJNZ', [('imm', self.label_ref(label, 'B'))], 2)
            assert self.pc - start <= 128
        elif kind == 'skip':
            if rng.random() < 0.6:
                self.emit('CP', [('imm', self.byte_value())], 2)
            else:
                self.emit('OR', [('reg', 'A')], 1)
            label = self.anon_label() if rng.random() < 0.6 else self.local_label(routine)
            self.emit('JR', [('reg', rng.choice(JR_CONDS)), ('imm', self.label_ref(label, 'F'))], 2)
            start = self.pc
            for _ in range(rng.randint(1, 7)):
                self.simple()
            assert self.pc - start <= 127
            if rng.random() < 0.5:
                self.lines.append(('lab', label))
            else:
                self.snippet_first_with_label(label)
        elif kind == 'backloop':
            label = self.local_label(routine) if rng.random() < 0.6 else self.anon_label()
            start = self.pc
            self.snippet_first_with_label(label)
            for _ in range(rng.randint(0, 5)):
                self.simple()
            self.emit('DEC', [('reg', rng.choice(['C', 'E', 'D']))], 1)
            self.emit('JR', [('reg', 'NZ'), ('imm', self.label_ref(label, 'B'))], 2)
            assert self.pc - start <= 128
        elif kind == 'farjump':
            label = self.local_label(routine)
            self.emit('JP', [('reg', rng.choice(CONDS)), ('imm', sym(label[1]))], 3)
            for _ in range(rng.randint(3, 12)):
                self.simple()
            self.lines.append(('lab', label))
        elif kind == 'call':
            if rng.random() < 0.5:
                self.emit('LD', [('reg', 'HL'), ('imm', sym(self.data_label()))], 3)
            target = sym(rng.choice(self.routines))
            if rng.random() < 0.3:
                self.emit('CALL', [('reg', rng.choice(CONDS)), ('imm', target)], 3)
            else:
                self.emit('CALL', [('imm', target)], 3)
        elif kind == 'copy':
            self.emit('LD', [('reg', 'HL'), ('imm', sym(self.data_label()))], 3)
            self.emit('LD', [('reg', 'DE'), ('imm', sym(rng.choice(self.word_vars)))], 3)
            self.emit('LD', [('reg', 'BC'), ('imm', num(rng.randrange(1, 512), self.style()))], 3)
            self.emit(rng.choice(['LDIR', 'LDDR', 'LDI', 'LDD']), [], 2)
        elif kind == 'io':
            self.emit('LD', [('reg', 'C'), ('imm', sym(rng.choice(self.ports)))], 2)
            self.emit('LD', [('reg', 'B'), ('imm', num(rng.randrange(1, 64), 'd'))], 2)
            self.emit('LD', [('reg', 'HL'), ('imm', sym(self.data_label()))], 3)
            self.emit(rng.choice(['OTIR', 'INIR', 'OUTI', 'INI', 'OTDR', 'INDR']), [], 2)
        elif kind == 'index':
            reg = rng.choice(['IX', 'IY'])
            self.emit('LD', [('reg', reg), ('imm', sym(self.data_label()))], 4)
            for _ in range(rng.randint(2, 5)):
                roll = rng.random()
                if roll < 0.4:
                    self.emit('LD', [('reg', rng.choice(R8)), ('idx', reg, self.displacement())], 3)
                elif roll < 0.6:
                    op = rng.choice(ALU)
                    head = [('reg', 'A')] if op in NEEDS_A else []
                    self.emit(op, head + [('idx', reg, self.displacement())], 3)
                elif roll < 0.8:
                    self.emit(rng.choice(['BIT', 'SET', 'RES']),
                              [('imm', num(rng.randrange(8), 'd')),
                               ('idx', reg, self.displacement())], 4)
                else:
                    self.emit(rng.choice(['INC', 'DEC']), [('idx', reg, self.displacement())], 3)
        elif kind == 'arith':
            var = sym(rng.choice(self.word_vars))
            self.emit('LD', [('reg', 'HL'), ('mem', var)], 3)
            self.emit('LD', [('reg', 'DE'), ('imm', self.word_value())], 3)
            op = rng.choice(['ADD', 'ADC', 'SBC'])
            self.emit(op, [('reg', 'HL'), ('reg', 'DE')], 1 if op == 'ADD' else 2)
            self.emit('LD', [('mem', var), ('reg', 'HL')], 3)
        elif kind == 'dispatch':
            table = self.new_data('Jt')
            self.emit('LD', [('reg', 'HL'), ('imm', sym(table))], 3)
            self.emit('ADD', [('reg', 'A'), ('reg', 'A')], 1)
            self.emit('LD', [('reg', 'E'), ('reg', 'A')], 1)
            self.emit('LD', [('reg', 'D'), ('imm', num(0, 'd'))], 2)
            self.emit('ADD', [('reg', 'HL'), ('reg', 'DE')], 1)
            self.emit('LD', [('reg', 'A'), ('ind', 'HL')], 1)
            self.emit('INC', [('reg', 'HL')], 1)
            self.emit('LD', [('reg', 'H'), ('ind', 'HL')], 1)
            self.emit('LD', [('reg', 'L'), ('reg', 'A')], 1)
            roll = rng.random()
            if roll < 0.6:
                self.emit('JP', [('ind', 'HL')], 1)
            else:
                self.emit('PUSH', [('reg', 'HL')], 1)
                self.emit('POP', [('reg', 'IX')], 2)
                self.emit('JP', [('ind', 'IX')], 2)
        elif kind == 'retcc':
            self.emit('RET', [('reg', rng.choice(CONDS))], 1)
        elif kind == 'search':
            self.emit('LD', [('reg', 'HL'), ('imm', sym(self.data_label()))], 3)
            self.emit('LD', [('reg', 'BC'), ('imm', num(rng.randrange(1, 256), 'd'))], 3)
            self.emit('LD', [('reg', 'A'), ('imm', self.byte_value())], 2)
            self.emit(rng.choice(['CPIR', 'CPDR']), [], 2)
            label = self.anon_label()
            self.emit('JR', [('reg', 'NZ'), ('imm', self.label_ref(label, 'F'))], 2)
            self.emit('DEC', [('reg', 'HL')], 1)
            self.emit('LD', [('mem', sym(rng.choice(self.word_vars))), ('reg', 'HL')], 3)
            self.lines.append(('lab', label))
        else:
            name = f'{routine}_K{self.local_serial}'
            self.local_serial += 1
            base = rng.choice(self.byte_consts)
            value = (self.values[base] + 3) & 0xFF
            self.equ(name, ('+', sym(base), num(3, 'd')) if value > 2 else num(value, 'd'), value)
            self.byte_consts.append(name)
            self.emit('LD', [('reg', 'A'), ('imm', sym(name))], 2)

    def snippet_first_with_label(self, label):
        """Emits one simple instruction carrying the label on its line."""
        count = len(self.lines)
        self.simple()
        first = self.lines[count]
        if first[0] == 'ins' and first[1] is None:
            self.lines[count] = ('ins', label) + first[2:]
        else:
            self.lines.insert(count, ('lab', label))

    def new_data(self, kind):
        name = f'{kind}{len(self.defined_data) + len(self.pending_data)}'
        self.pending_data.append((kind, name))
        return name

    # ---- data ----
    def text(self, low, high):
        length = self.rng.randint(low, high)
        return ''.join(self.rng.choice(STRING_CHARS) for _ in range(length)).strip() or 'X'

    def data_block(self):
        rng = self.rng
        block, self.pending_data = self.pending_data, []
        if not block:
            return
        self.lines.append(('blank',))
        self.lines.append(('com', 'data used by the routines above and below'))
        for kind, name in block:
            label = ('n', name)
            if kind == 'Msg':
                text = self.text(6, 40)
                items = [('str', text)]
                if rng.random() < 0.3:
                    items.append(num(0x0D, 'h'))
                items.append(num(0, 'd'))
                self.lines.append(('db', label, items))
                self.pc += len(text) + len(items) - 1
            elif kind == 'Tbl':
                for row in range(rng.randint(2, 8)):
                    count = rng.randint(8, 16)
                    items = [num(rng.randrange(256), self.style()) for _ in range(count)]
                    self.lines.append(('db', label if row == 0 else None, items))
                    label = None
                    self.pc += count
            elif kind == 'Jt':
                for row in range(rng.randint(1, 3)):
                    count = rng.randint(2, 8)
                    items = [sym(rng.choice(self.routines)) for _ in range(count)]
                    self.lines.append(('dw', label if row == 0 else None, items))
                    label = None
                    self.pc += 2 * count
            else:
                size = rng.randint(2, 24)
                fill = num(rng.choice([0, 0xFF, 0xE5]), 'h') if rng.random() < 0.5 else None
                self.lines.append(('ds', label, num(size, 'd'), fill))
                self.pc += size
            self.defined_data.append(name)
        self.lines.append(('blank',))

    # ---- whole program ----
    def header(self):
        rng = self.rng
        for text in ['benchmark program: many routines, tables and messages',
                     'all addresses are absolute; the program starts at Start']:
            self.lines.append(('com', text))
        self.lines.append(('blank',))
        for i in range(48):
            name = f'PORT_{NOUNS[i % len(NOUNS)].upper()}{i}'
            self.equ(name, num(0x80 + i * 2 + (i // 40), 'h'), 0x80 + i * 2 + (i // 40))
            self.ports.append(name)
        for i in range(16):
            name = f'F_{["X", "Y", "DX", "DY", "FLAGS", "TYPE", "HP", "TIMER"][i % 8]}{i // 8}'
            self.equ(name, num(i, 'd'), i)
            self.fields.append(name)
        for i in range(8):
            name = f'BIT_{["ALIVE", "HIT", "LEFT", "RIGHT", "UP", "DOWN", "FIRE", "DIRTY"][i]}'
            self.equ(name, num(i, 'd'), i)
            self.bit_names.append(name)
        for i in range(60):
            name = f'K_{WORDS[i % len(WORDS)].upper()}{i}'
            value = rng.randrange(256)
            self.equ(name, num(value, self.style()), value)
            self.byte_consts.append(name)
        self.lines.append(('blank',))
        self.equ('VAR_BASE', num(0xF800, 'h'), 0xF800)
        offset = 0
        for i in range(250):
            word = i % 3 == 0
            name = f'v{NOUNS[i % len(NOUNS)]}{"W" if word else ""}{i}'
            expr = ('+', sym('VAR_BASE'), num(offset, 'd')) if offset else sym('VAR_BASE')
            self.equ(name, expr, 0xF800 + offset)
            (self.word_vars if word else self.byte_vars).append(name)
            offset += 2 if word else 1
        self.lines.append(('blank',))
        self.lines.append(('org', ORIGIN))

    def routine(self, index, budget):
        rng = self.rng
        name = self.routines[index]
        if rng.random() < 0.5:
            self.lines.append(('blank',))
        for _ in range(rng.choice([0, 0, 1, 1, 2])):
            self.lines.append(('com', self.comment_text()))
        start = self.pc
        handler = rng.random() < 0.03
        saved = rng.sample(['AF', 'BC', 'DE', 'HL', 'IX'], rng.randint(0 if not handler else 2, 3))
        self.lines.append(('lab', ('n', name)))
        for pair in saved:
            self.emit('PUSH', [('reg', pair)], 2 if pair == 'IX' else 1)
        while self.pc - start < budget:
            self.snippet(name)
        for pair in reversed(saved):
            self.emit('POP', [('reg', pair)], 2 if pair == 'IX' else 1)
        if handler:
            self.emit('EI', [], 1)
            self.emit(rng.choice(['RETI', 'RETN']), [], 2)
        elif rng.random() < 0.1:
            self.emit('JP', [('imm', sym(rng.choice(self.routines)))], 3)
        else:
            self.emit('RET', [], 1)

    def build(self):
        self.header()
        self.lines.append(('com', 'entry point'))
        self.emit('DI', [], 1, label=('n', 'Start'))
        self.emit('LD', [('reg', 'SP'), ('imm', num(0xFFFE, 'h'))], 3)
        self.emit('IM', [('imm', num(1, 'd'))], 2)
        self.emit('EI', [], 1)
        main = ('n', 'MainLoop')
        self.emit('CALL', [('imm', sym(self.routines[0]))], 3, label=main)
        self.emit('HALT', [], 1)
        self.emit('JP', [('imm', sym(main[1]))], 3)
        for index in range(ROUTINES):
            left = ROUTINES - index
            budget = max(8, (ORIGIN + TARGET_BYTES - 1400 - self.pc) // left)
            self.routine(index, int(budget * self.rng.uniform(0.5, 1.5)))
            if self.rng.random() < 0.4 or len(self.pending_data) > 6:
                self.data_block()
        self.data_block()
        self.lines.append(('end', 'Start'))
        return self.lines


def count_definitions(lines):
    """Counts the labels and equates that are assembled (those in IF 0 blocks are not)."""
    labels, equates, _ = count_from(lines, 0)
    return labels, equates


def count_from(lines, depth):
    """count_definitions() over lines that start at IF 0 nesting depth; also returns the depth
    after them, so that an input can be counted a piece at a time."""
    labels = equates = 0
    for line in lines:
        if line[0] == 'if':
            depth += 1 if depth or line[1] == 0 else 0
        elif line[0] == 'endif':
            depth -= 1 if depth else 0
        elif depth:
            continue
        elif line[0] == 'equ':
            equates += 1
        elif line[0] in ('lab', 'ins', 'db', 'dw', 'ds') and line[1] is not None:
            labels += 1
    return labels, equates, depth


def addresses(lines):
    """Returns {label name: address} by adding up the sizes of the assembled lines."""
    pc, depth, found = 0, 0, {}
    for line in lines:
        kind = line[0]
        if kind == 'if':
            depth += 1 if depth or line[1] == 0 else 0
        elif kind == 'endif':
            depth -= 1 if depth else 0
        if depth or kind in ('if', 'endif'):
            continue
        if kind == 'org':
            pc = line[1]
        if kind in ('lab', 'ins', 'db', 'dw', 'ds') and line[1] is not None:
            found[line[1][2] if line[1][0] == 'a' else line[1][1]] = pc
        if kind == 'ins':
            pc += line[5]
        elif kind == 'db':
            pc += sum(len(item[1]) if item[0] == 'str' else 1 for item in line[2])
        elif kind == 'dw':
            pc += 2 * len(line[2])
        elif kind == 'ds':
            pc += line[2][1]
    return found


class Padding:
    """Turns the program into the large input by inserting lines that emit no byte."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.equates = []
        self.values = []
        self.label_serial = 0

    def equate(self):
        rng = self.rng
        name = f'{PAD_EQU_PREFIXES[len(self.equates) % 10]}_{len(self.equates):06d}'
        count = len(self.equates)
        if count < 2 or rng.random() < 0.05:
            value = rng.randrange(65536)
            expr = num(value, rng.choice(NUMBER_STYLES))
        else:
            if rng.random() < 0.8:
                a = count - 1 - min(count - 1, int(rng.expovariate(1 / 8)))
            else:
                a = rng.randrange(count)
            b = rng.randrange(count)
            va, vb = self.values[a], self.values[b]
            na, nb = sym(self.equates[a]), sym(self.equates[b])
            roll = rng.random()
            small = rng.randrange(1, 200)
            if roll < 0.3:
                value, expr = (va + small, ('+', na, num(small, 'd'))) if va + small < 65536 else \
                    (va - small, ('-', na, num(small, 'd')))
            elif roll < 0.5 and va + vb < 65536:
                value, expr = va + vb, ('+', na, nb)
            elif roll < 0.6 and va >= vb:
                value, expr = va - vb, ('-', na, nb)
            elif roll < 0.7:
                value, expr = va & 0x0FFF, ('&', na, num(0x0FFF, 'h'))
            elif roll < 0.8:
                value, expr = va >> 2, ('>>', na, num(2, 'd'))
            elif roll < 0.9:
                value, expr = va | 0x80, ('|', na, num(0x80, 'h'))
            else:
                shift = rng.randrange(1, 4)
                if va << shift < 65536:
                    value, expr = va << shift, ('<<', na, num(shift, 'd'))
                else:
                    value, expr = va >> shift, ('>>', na, num(shift, 'd'))
        self.equates.append(name)
        self.values.append(value)
        return ('equ', name, expr)

    def label(self):
        self.label_serial += 1
        prefix = PAD_LABEL_PREFIXES[self.label_serial % 10]
        return ('lab', ('n', f'{prefix}_L{self.label_serial:05X}'))

    def skipped_block(self, program):
        """An IF 0 block of disabled code: instructions, a nested IF, comments."""
        rng = self.rng
        size = rng.randint(1, 10)
        body = []
        saved_lines, saved_pc = program.lines, program.pc
        program.lines = body
        while len(body) < size:
            roll = rng.random()
            if roll < 0.1:
                body.append(('if', 1))
                program.simple()
                body.append(('endif',))
            elif roll < 0.2:
                body.append(('com', program.comment_text()))
            else:
                program.simple()
        program.lines, program.pc = saved_lines, saved_pc
        for index, line in enumerate(body):
            if line[0] == 'ins' and line[1] is None and rng.random() < 0.1:
                body[index] = ('ins', ('n', f'dbg_{self.label_serial}_{index}')) + line[2:]
        return [('if', 0)] + body + [('endif',)]


def pad(program_lines, program, seed, total=LARGE_LINES, labels_wanted=LARGE_LABELS,
        equates_wanted=LARGE_EQUATES):
    """Spreads equates, labels, comments, blank lines and IF 0 blocks over the program."""
    return list(padded_lines(program_lines, program, seed, total, labels_wanted, equates_wanted))


def padded_lines(program_lines, program, seed, total, labels_wanted, equates_wanted):
    """The lines of pad(), one at a time, so that a very large input needs no list of them."""
    rng = random.Random(seed)
    labels, equates = count_definitions(program_lines)
    first = next(i for i, line in enumerate(program_lines) if line[0] == 'org')
    last = next(i for i, line in enumerate(program_lines) if line[0] == 'end')
    gaps = last - first
    budget = total - len(program_lines)
    units = ['equ'] * (equates_wanted - equates) + ['lab'] * (labels_wanted - labels)
    rest = budget - len(units)
    if rest < 0:
        sys.exit('the program is too large to pad')
    padding = Padding(seed + 1)
    # Skipped blocks take about a quarter of the remaining lines; they are drawn first so that
    # their sizes are known, then comments and blank lines fill the rest exactly.
    blocks = []
    used = 0
    while used < rest // 4:
        block = padding.skipped_block(program)
        blocks.append(block)
        used += len(block)
    units += ['if'] * len(blocks)
    remaining = rest - used
    comments = remaining * 3 // 5
    units += ['com'] * comments + ['blank'] * (remaining - comments)
    rng.shuffle(units)
    slots = sorted(rng.randrange(gaps) for _ in units)
    yield from program_lines[:first + 1]
    unit_index = 0
    block_iter = iter(blocks)
    for gap in range(gaps):
        while unit_index < len(units) and slots[unit_index] == gap:
            kind = units[unit_index]
            unit_index += 1
            if kind == 'equ':
                yield padding.equate()
            elif kind == 'lab':
                yield padding.label()
            elif kind == 'if':
                yield from next(block_iter)
            elif kind == 'com':
                yield ('com', program.comment_text())
            else:
                yield ('blank',)
        yield program_lines[first + 1 + gap]
    yield from program_lines[last + 1:]


def input_lines(name, seed):
    """The model lines of one input, as an iterator (the padded inputs are long)."""
    program = Program(seed)
    lines = program.build()
    if name == 'program':
        return iter(lines)
    millions = PADDED_INPUTS[name]
    return padded_lines(lines, program, seed + 7, LARGE_LINES * millions,
                        LARGE_LABELS * millions, LARGE_EQUATES * millions)


def write_input(out, name, seed, dialects):
    """Writes one input in the given dialects; returns its counts of lines, labels, equates."""
    renderers = {dialect: Renderer(dialect, seed + 3) for dialect in dialects}
    files = {dialect: open(out / f'{name}{DIALECTS[dialect]}', 'wb') for dialect in dialects}
    lines = labels = equates = depth = 0
    model = input_lines(name, seed)
    try:
        while chunk := list(itertools.islice(model, CHUNK_LINES)):
            for dialect, renderer in renderers.items():
                files[dialect].write(renderer.render(chunk))
            lines += len(chunk)
            chunk_labels, chunk_equates, depth = count_from(chunk, depth)
            labels += chunk_labels
            equates += chunk_equates
    finally:
        for file in files.values():
            file.close()
    return lines, labels, equates


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--out', default=str(pathlib.Path(__file__).parent / 'out'))
    parser.add_argument('--seed', type=int, default=1979)
    parser.add_argument('--inputs', default='program,large',
                        help='comma-separated inputs to write: program, ' + ', '.join(PADDED_INPUTS))
    parser.add_argument('--dialects', default=','.join(DIALECTS),
                        help='comma-separated syntaxes to write: ' + ', '.join(DIALECTS))
    args = parser.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    for name in args.inputs.split(','):
        if name != 'program' and name not in PADDED_INPUTS:
            sys.exit(f'unknown input {name}')
        lines, labels, equates = write_input(out, name, args.seed, args.dialects.split(','))
        print(f'{name}: {lines} lines, {labels} labels, {equates} equates')


if __name__ == '__main__':
    main()
