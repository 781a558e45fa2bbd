"""Prints the benchmark model's lines in the syntax of TALVO, of pasmo or of the GNU assembler.

The renderers work line for line, so the three texts of one model have the same line numbers.
"""
import random

class Renderer:
    """Prints model lines in one assembler's syntax."""

    def __init__(self, dialect, seed):
        self.dialect = dialect
        self.rng = random.Random(seed)

    def number(self, value, style):
        d = self.dialect
        if style == 'c':
            return f"'{chr(value)}'"
        if style == 'd' or (style == 'u' and d != 'talvo'):
            return str(value)
        if style == 'u':
            return f'{value:_}'
        if style == 'b':
            if d == 'talvo':
                return f'{value:08b}B'
            return f'%{value:08b}' if d == 'pasmo' else f'0b{value:08b}'
        if d == 'gas' or style == 'x':
            return f'0x{value:X}'
        if style == '$':
            return f'${value:X}'
        text = f'{value:X}'
        if text[0] in 'ABCDEF':
            text = '0' + text
        return text + ('H' if self.rng.random() < 0.8 else 'h')

    def expr(self, e):
        kind = e[0]
        if kind == 'n':
            return self.number(e[1], e[2])
        if kind == 's':
            return e[1]
        if kind == 'r':
            if self.dialect != 'talvo':
                return e[3]
            family = '' if e[1] == '@' else e[1]
            return f'@{family}{e[2]}'
        left, right = self.expr(e[1]), self.expr(e[2])
        if e[2][0] not in ('n', 's', 'r'):
            right = f'({right})'
        if self.dialect == 'pasmo':
            return f'{left} {e[0]} {right}'  # '&' directly before a digit starts a number there
        return f'{left}{e[0]}{right}'

    def operand(self, op):
        kind = op[0]
        gas = self.dialect == 'gas'
        if kind == 'reg':
            name = op[1]
            if self.dialect == 'talvo' and name in ('PO', 'PE') and self.rng.random() < 0.2:
                name = 'NV' if name == 'PO' else 'V'
            return name.lower() if gas else name
        if kind == 'ind':
            return f'({op[1].lower() if gas else op[1]})'
        if kind == 'idx':
            reg = op[1].lower() if gas else op[1]
            disp = op[2]
            if disp[0] == 'n' and disp[1] < 0:
                return f'({reg}-{self.number(-disp[1], disp[2])})'
            return f'({reg}+{self.expr(disp)})'
        if kind == 'mem':
            return f'({self.expr(op[1])})'
        return self.expr(op[1])

    def label(self, label):
        if label[0] == 'a' and self.dialect == 'talvo':
            return '@@' if label[1] == '@' else f'@{label[1]}'
        return label[2] if label[0] == 'a' else label[1]

    def line(self, line):
        d = self.dialect
        gas = d == 'gas'
        kind = line[0]
        if kind == 'blank':
            return ''
        if kind == 'com':
            return f'; {line[1]}'
        if kind == 'lab':
            return f'{self.label(line[1])}:'
        if kind == 'ins':
            head = f'{self.label(line[1])}:' if line[1] else ''
            mnemonic = line[2]
            if gas or (d == 'talvo' and self.rng.random() < 0.1):
                mnemonic = mnemonic.lower()
            text = f'{head}\t{mnemonic}'
            if line[3]:
                text += '\t' + ','.join(self.operand(op) for op in line[3])
            if line[4]:
                text += f'\t; {line[4]}'
            return text
        if kind == 'equ':
            if gas:
                return f'.equ {line[1]}, {self.expr(line[2])}'
            return f'{line[1]}\tEQU\t{self.expr(line[2])}'
        if kind in ('db', 'dw'):
            head = f'{line[1][1]}:' if line[1] else ''
            if gas:
                word = '.' + kind
            elif kind == 'db':
                word = 'DEFB' if d == 'talvo' and self.rng.random() < 0.3 else 'DB'
            else:
                word = 'DEFW' if d == 'talvo' and self.rng.random() < 0.3 else 'DW'
            items = [f'"{item[1]}"' if item[0] == 'str' else self.expr(item) for item in line[2]]
            return f'{head}\t{word}\t' + ','.join(items)
        if kind == 'ds':
            head = f'{line[1][1]}:' if line[1] else ''
            text = f'{head}\t{".ds" if gas else "DS"}\t{self.expr(line[2])}'
            if line[3] is not None:
                text += ',' + self.expr(line[3])
            return text
        if kind == 'org':
            if gas:
                return f'; the origin 0x{line[1]:X} is given to the linker'
            return f'\tORG\t{self.number(line[1], "h")}'
        if kind == 'if':
            return f'\t.if {line[1]}' if gas else f'\tIF\t{line[1]}'
        if kind == 'endif':
            return '\t.endif' if gas else '\tENDIF'
        if kind == 'end':
            return '\t.end' if gas else f'\tEND\t{line[1]}'
        raise ValueError(f'unknown line kind {kind}')

    def render(self, lines):
        return ('\n'.join(self.line(line) for line in lines) + '\n').encode('cp932')


DIALECTS = {'talvo': '.talvo.asm', 'pasmo': '.pasmo.asm', 'gas': '.gas.s'}
