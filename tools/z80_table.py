#!/usr/bin/env python3
"""Writes the opcode golden cases of tests/cases/z80, one per opcode page: opcodes_main (no
prefix), opcodes_cb (CB), opcodes_ed (ED), opcodes_index (DD and FD) and opcodes_index_cb
(DD CB and FD CB), each an .asm source and the .bin image it must assemble to.

Together the sources list every Z80 instruction form that the assembler accepts, documented
and undocumented, and each image holds the bytes each line of its source must assemble to. Both
come from the opcode maps below, written as data in the opcode -> mnemonic direction in which
the Zilog tables are printed; nothing here is shared with the assembler's encoder. A page of its
own per case keeps a failure small: it names the page, and its offset is an offset in the page.
The further spellings (ALIASES) go to the case of the page their bytes belong to.

Templates name their operands in braces: {n} an 8-bit immediate or port, {nn} a 16-bit
immediate or address, {e} a relative jump target, {d} an index displacement (written right
behind IX or IY, so "(IX{d})" becomes (IX+5), (IX-128) or (IX)). The operand bytes follow the
opcode in the order the placeholders appear, except in the DD CB / FD CB page, where the
displacement comes before the opcode.

Usage: z80_table.py [output folder]   (default: tests/cases/z80 beside this script's repo)
"""
import argparse
import pathlib

# ---- Operand values -------------------------------------------------------------------------

# (source text, byte value)
N_VALUES = [('0', 0x00), ('7FH', 0x7F), ('80H', 0x80), ('0FFH', 0xFF), ('5AH', 0x5A)]
# (source text, 16-bit value)
NN_VALUES = [('0', 0x0000), ('1234H', 0x1234), ('0FFFFH', 0xFFFF), ('8000H', 0x8000)]
# (target written relative to the instruction, displacement byte for a 2-byte jump)
E_VALUES = [('$', 0xFE), ('$+2', 0x00), ('$+129', 0x7F), ('$-126', 0x80), ('$+12H', 0x10)]
# (text behind IX/IY, displacement byte); the empty text is the bare (IX) form
D_VALUES = [('+0', 0x00), ('+5', 0x05), ('+127', 0x7F), ('-1', 0xFF), ('-128', 0x80),
            ('', 0x00), ('+40H', 0x40), ('-2', 0xFE)]

PLACEHOLDERS = {'{n}': N_VALUES, '{nn}': NN_VALUES, '{e}': E_VALUES, '{d}': D_VALUES}

# ---- Unprefixed page: opcode 00..FF, sixteen per row; None marks a prefix byte --------------

MAIN = [
    # 00
    'NOP', 'LD BC,{nn}', 'LD (BC),A', 'INC BC', 'INC B', 'DEC B', 'LD B,{n}', 'RLCA',
    "EX AF,AF'", 'ADD HL,BC', 'LD A,(BC)', 'DEC BC', 'INC C', 'DEC C', 'LD C,{n}', 'RRCA',
    # 10
    'DJNZ {e}', 'LD DE,{nn}', 'LD (DE),A', 'INC DE', 'INC D', 'DEC D', 'LD D,{n}', 'RLA',
    'JR {e}', 'ADD HL,DE', 'LD A,(DE)', 'DEC DE', 'INC E', 'DEC E', 'LD E,{n}', 'RRA',
    # 20
    'JR NZ,{e}', 'LD HL,{nn}', 'LD ({nn}),HL', 'INC HL', 'INC H', 'DEC H', 'LD H,{n}', 'DAA',
    'JR Z,{e}', 'ADD HL,HL', 'LD HL,({nn})', 'DEC HL', 'INC L', 'DEC L', 'LD L,{n}', 'CPL',
    # 30
    'JR NC,{e}', 'LD SP,{nn}', 'LD ({nn}),A', 'INC SP', 'INC (HL)', 'DEC (HL)', 'LD (HL),{n}',
    'SCF',
    'JR C,{e}', 'ADD HL,SP', 'LD A,({nn})', 'DEC SP', 'INC A', 'DEC A', 'LD A,{n}', 'CCF',
    # 40
    'LD B,B', 'LD B,C', 'LD B,D', 'LD B,E', 'LD B,H', 'LD B,L', 'LD B,(HL)', 'LD B,A',
    'LD C,B', 'LD C,C', 'LD C,D', 'LD C,E', 'LD C,H', 'LD C,L', 'LD C,(HL)', 'LD C,A',
    # 50
    'LD D,B', 'LD D,C', 'LD D,D', 'LD D,E', 'LD D,H', 'LD D,L', 'LD D,(HL)', 'LD D,A',
    'LD E,B', 'LD E,C', 'LD E,D', 'LD E,E', 'LD E,H', 'LD E,L', 'LD E,(HL)', 'LD E,A',
    # 60
    'LD H,B', 'LD H,C', 'LD H,D', 'LD H,E', 'LD H,H', 'LD H,L', 'LD H,(HL)', 'LD H,A',
    'LD L,B', 'LD L,C', 'LD L,D', 'LD L,E', 'LD L,H', 'LD L,L', 'LD L,(HL)', 'LD L,A',
    # 70
    'LD (HL),B', 'LD (HL),C', 'LD (HL),D', 'LD (HL),E', 'LD (HL),H', 'LD (HL),L', 'HALT',
    'LD (HL),A',
    'LD A,B', 'LD A,C', 'LD A,D', 'LD A,E', 'LD A,H', 'LD A,L', 'LD A,(HL)', 'LD A,A',
    # 80
    'ADD A,B', 'ADD A,C', 'ADD A,D', 'ADD A,E', 'ADD A,H', 'ADD A,L', 'ADD A,(HL)', 'ADD A,A',
    'ADC A,B', 'ADC A,C', 'ADC A,D', 'ADC A,E', 'ADC A,H', 'ADC A,L', 'ADC A,(HL)', 'ADC A,A',
    # 90
    'SUB B', 'SUB C', 'SUB D', 'SUB E', 'SUB H', 'SUB L', 'SUB (HL)', 'SUB A',
    'SBC A,B', 'SBC A,C', 'SBC A,D', 'SBC A,E', 'SBC A,H', 'SBC A,L', 'SBC A,(HL)', 'SBC A,A',
    # A0
    'AND B', 'AND C', 'AND D', 'AND E', 'AND H', 'AND L', 'AND (HL)', 'AND A',
    'XOR B', 'XOR C', 'XOR D', 'XOR E', 'XOR H', 'XOR L', 'XOR (HL)', 'XOR A',
    # B0
    'OR B', 'OR C', 'OR D', 'OR E', 'OR H', 'OR L', 'OR (HL)', 'OR A',
    'CP B', 'CP C', 'CP D', 'CP E', 'CP H', 'CP L', 'CP (HL)', 'CP A',
    # C0
    'RET NZ', 'POP BC', 'JP NZ,{nn}', 'JP {nn}', 'CALL NZ,{nn}', 'PUSH BC', 'ADD A,{n}',
    'RST 00H',
    'RET Z', 'RET', 'JP Z,{nn}', None, 'CALL Z,{nn}', 'CALL {nn}', 'ADC A,{n}', 'RST 08H',
    # D0
    'RET NC', 'POP DE', 'JP NC,{nn}', 'OUT ({n}),A', 'CALL NC,{nn}', 'PUSH DE', 'SUB {n}',
    'RST 10H',
    'RET C', 'EXX', 'JP C,{nn}', 'IN A,({n})', 'CALL C,{nn}', None, 'SBC A,{n}', 'RST 18H',
    # E0
    'RET PO', 'POP HL', 'JP PO,{nn}', 'EX (SP),HL', 'CALL PO,{nn}', 'PUSH HL', 'AND {n}',
    'RST 20H',
    'RET PE', 'JP (HL)', 'JP PE,{nn}', 'EX DE,HL', 'CALL PE,{nn}', None, 'XOR {n}', 'RST 28H',
    # F0
    'RET P', 'POP AF', 'JP P,{nn}', 'DI', 'CALL P,{nn}', 'PUSH AF', 'OR {n}', 'RST 30H',
    'RET M', 'LD SP,HL', 'JP M,{nn}', 'EI', 'CALL M,{nn}', None, 'CP {n}', 'RST 38H',
]

# ---- CB page: row r (opcode >> 3) names the operation, column (opcode & 7) the operand ------

CB_COLUMNS = ['B', 'C', 'D', 'E', 'H', 'L', '(HL)', 'A']
CB_ROWS = (['RLC ', 'RRC ', 'RL ', 'RR ', 'SLA ', 'SRA ', 'SLL ', 'SRL ']
           + [f'BIT {b},' for b in range(8)]
           + [f'RES {b},' for b in range(8)]
           + [f'SET {b},' for b in range(8)])

# ---- ED page: the codes the assembler produces (mirror codes such as ED 4C are left out) ----

ED = {
    0x40: 'IN B,(C)', 0x41: 'OUT (C),B', 0x42: 'SBC HL,BC', 0x43: 'LD ({nn}),BC', 0x44: 'NEG',
    0x45: 'RETN', 0x46: 'IM 0', 0x47: 'LD I,A',
    0x48: 'IN C,(C)', 0x49: 'OUT (C),C', 0x4A: 'ADC HL,BC', 0x4B: 'LD BC,({nn})',
    0x4D: 'RETI', 0x4F: 'LD R,A',
    0x50: 'IN D,(C)', 0x51: 'OUT (C),D', 0x52: 'SBC HL,DE', 0x53: 'LD ({nn}),DE',
    0x56: 'IM 1', 0x57: 'LD A,I',
    0x58: 'IN E,(C)', 0x59: 'OUT (C),E', 0x5A: 'ADC HL,DE', 0x5B: 'LD DE,({nn})',
    0x5E: 'IM 2', 0x5F: 'LD A,R',
    0x60: 'IN H,(C)', 0x61: 'OUT (C),H', 0x62: 'SBC HL,HL', 0x67: 'RRD',
    0x68: 'IN L,(C)', 0x69: 'OUT (C),L', 0x6A: 'ADC HL,HL', 0x6F: 'RLD',
    0x70: 'IN F,(C)', 0x71: 'OUT (C),0', 0x72: 'SBC HL,SP', 0x73: 'LD ({nn}),SP',
    0x78: 'IN A,(C)', 0x79: 'OUT (C),A', 0x7A: 'ADC HL,SP', 0x7B: 'LD SP,({nn})',
    0xA0: 'LDI', 0xA1: 'CPI', 0xA2: 'INI', 0xA3: 'OUTI',
    0xA8: 'LDD', 0xA9: 'CPD', 0xAA: 'IND', 0xAB: 'OUTD',
    0xB0: 'LDIR', 0xB1: 'CPIR', 0xB2: 'INIR', 0xB3: 'OTIR',
    0xB8: 'LDDR', 0xB9: 'CPDR', 0xBA: 'INDR', 0xBB: 'OTDR',
}

# ---- DD page (IX); the FD page is the same with IY ------------------------------------------

INDEX = {
    0x09: 'ADD IX,BC', 0x19: 'ADD IX,DE', 0x21: 'LD IX,{nn}', 0x22: 'LD ({nn}),IX',
    0x23: 'INC IX', 0x24: 'INC IXH', 0x25: 'DEC IXH', 0x26: 'LD IXH,{n}',
    0x29: 'ADD IX,IX', 0x2A: 'LD IX,({nn})', 0x2B: 'DEC IX', 0x2C: 'INC IXL',
    0x2D: 'DEC IXL', 0x2E: 'LD IXL,{n}',
    0x34: 'INC (IX{d})', 0x35: 'DEC (IX{d})', 0x36: 'LD (IX{d}),{n}', 0x39: 'ADD IX,SP',
    0x44: 'LD B,IXH', 0x45: 'LD B,IXL', 0x46: 'LD B,(IX{d})',
    0x4C: 'LD C,IXH', 0x4D: 'LD C,IXL', 0x4E: 'LD C,(IX{d})',
    0x54: 'LD D,IXH', 0x55: 'LD D,IXL', 0x56: 'LD D,(IX{d})',
    0x5C: 'LD E,IXH', 0x5D: 'LD E,IXL', 0x5E: 'LD E,(IX{d})',
    0x60: 'LD IXH,B', 0x61: 'LD IXH,C', 0x62: 'LD IXH,D', 0x63: 'LD IXH,E',
    0x64: 'LD IXH,IXH', 0x65: 'LD IXH,IXL', 0x66: 'LD H,(IX{d})', 0x67: 'LD IXH,A',
    0x68: 'LD IXL,B', 0x69: 'LD IXL,C', 0x6A: 'LD IXL,D', 0x6B: 'LD IXL,E',
    0x6C: 'LD IXL,IXH', 0x6D: 'LD IXL,IXL', 0x6E: 'LD L,(IX{d})', 0x6F: 'LD IXL,A',
    0x70: 'LD (IX{d}),B', 0x71: 'LD (IX{d}),C', 0x72: 'LD (IX{d}),D', 0x73: 'LD (IX{d}),E',
    0x74: 'LD (IX{d}),H', 0x75: 'LD (IX{d}),L', 0x77: 'LD (IX{d}),A',
    0x7C: 'LD A,IXH', 0x7D: 'LD A,IXL', 0x7E: 'LD A,(IX{d})',
    0x84: 'ADD A,IXH', 0x85: 'ADD A,IXL', 0x86: 'ADD A,(IX{d})',
    0x8C: 'ADC A,IXH', 0x8D: 'ADC A,IXL', 0x8E: 'ADC A,(IX{d})',
    0x94: 'SUB IXH', 0x95: 'SUB IXL', 0x96: 'SUB (IX{d})',
    0x9C: 'SBC A,IXH', 0x9D: 'SBC A,IXL', 0x9E: 'SBC A,(IX{d})',
    0xA4: 'AND IXH', 0xA5: 'AND IXL', 0xA6: 'AND (IX{d})',
    0xAC: 'XOR IXH', 0xAD: 'XOR IXL', 0xAE: 'XOR (IX{d})',
    0xB4: 'OR IXH', 0xB5: 'OR IXL', 0xB6: 'OR (IX{d})',
    0xBC: 'CP IXH', 0xBD: 'CP IXL', 0xBE: 'CP (IX{d})',
    0xE1: 'POP IX', 0xE3: 'EX (SP),IX', 0xE5: 'PUSH IX', 0xE9: 'JP (IX)', 0xF9: 'LD SP,IX',
}

# DD CB d op: the rows of the CB page on (IX+d). Column 6 is the plain form; any other
# column also loads the result into that register, written LD r,<operation> (IX+d).
INDEX_CB_RESULT = ['B', 'C', 'D', 'E', 'H', 'L', None, 'A']

# Further spellings of forms above: condition and register aliases, letter case, blanks.
ALIASES = [
    ('JP NV,{nn}', [0xE2]), ('JP V,{nn}', [0xEA]), ('CALL NV,{nn}', [0xE4]),
    ('CALL V,{nn}', [0xEC]), ('RET NV', [0xE0]), ('RET V', [0xE8]),
    ('EX AF,AF', [0x08]), ('TSTI (C)', [0xED, 0x70]), ('IN (HL),(C)', [0xED, 0x70]),
    ('in f,(c)', [0xED, 0x70]), ('OUT (C),00H', [0xED, 0x71]),
    ('RST 0', [0xC7]), ('RST 8', [0xCF]), ('RST 16', [0xD7]), ('RST 24', [0xDF]),
    ('RST 32', [0xE7]), ('RST 40', [0xEF]), ('RST 48', [0xF7]), ('RST 56', [0xFF]),
    ('RST 7*8', [0xFF]), ('IM 3-1', [0xED, 0x5E]),
    ('ld a,(ix+5)', [0xDD, 0x7E, 0x05]), ('Ld b,IyH', [0xFD, 0x44]),
    ('LD A,( IX + 3 )', [0xDD, 0x7E, 0x03]), ('LD A,( IY )', [0xFD, 0x7E, 0x00]),
    ('LD A,(HL )', [0x7E]), ('JP ( HL )', [0xE9]), ('EX ( SP ),HL', [0xE3]),
    ('LD (IX+1+2),(3)', [0xDD, 0x36, 0x03, 0x03]), ('LD A,(IX+(2))', [0xDD, 0x7E, 0x02]),
    ('LD (IX+255),A', [0xDD, 0x77, 0xFF]), ('LD (IY-129),A', [0xFD, 0x77, 0x7F]),
    ('LD A,(1234H)', [0x3A, 0x34, 0x12]), ('LD A,1234H', [0x3E, 0x34]),
    ('LD A,(1)+(2)', [0x3E, 0x03]), ('LD HL,(1)+2', [0x21, 0x03, 0x00]),
    ('LD HL,((4))', [0x2A, 0x04, 0x00]), ('ADD A,(5)', [0xC6, 0x05]), ('CP -1', [0xFE, 0xFF]),
    ('AND 300', [0xE6, 0x2C]), ('LD BC,-1', [0x01, 0xFF, 0xFF]),
    ('LD DE,12345678H', [0x11, 0x78, 0x56]), ('OUT (0FEH+1),A', [0xD3, 0xFF]),
    ('IN A,(-2)', [0xDB, 0xFE]), ("EX AF,AF'", [0x08]),
]


def expand(template, prefix, after=None):
    """Yields (line, bytes) for each operand variant of a template.

    prefix: the bytes before the operands; after: bytes behind the displacement (DD CB d op).
    Each placeholder cycles through its values so that every value appears at least once.
    """
    present = [p for p in PLACEHOLDERS if p in template]
    count = max((len(PLACEHOLDERS[p]) for p in present), default=1)
    for i in range(count):
        text = template
        operands = []
        # Operand bytes in the order the placeholders are written.
        positions = sorted((template.index(p), p) for p in present)
        for _, p in positions:
            value_text, value = PLACEHOLDERS[p][i % len(PLACEHOLDERS[p])]
            text = text.replace(p, value_text, 1)
            operands += [value & 0xFF, value >> 8] if p == '{nn}' else [value]
        yield text, list(prefix) + operands + list(after or [])


def cb_index_variants(op):
    """Two displacements per DD CB opcode, cycling so that every displacement appears."""
    return [D_VALUES[(2 * op) % len(D_VALUES)], D_VALUES[(2 * op + 1) % len(D_VALUES)]]


def main_page():
    result = []
    for op, template in enumerate(MAIN):
        if template is not None:
            result += expand(template, [op])
    return result


def cb_page():
    return [(CB_ROWS[op >> 3] + CB_COLUMNS[op & 7], [0xCB, op]) for op in range(256)]


def ed_page():
    result = []
    for op, template in sorted(ED.items()):
        result += expand(template, [0xED, op])
    return result


def index_page():
    result = []
    for prefix, register in ((0xDD, 'IX'), (0xFD, 'IY')):
        for op, template in sorted(INDEX.items()):
            result += expand(template.replace('IX', register), [prefix, op])
    return result


def index_cb_page():
    result = []
    for prefix, register in ((0xDD, 'IX'), (0xFD, 'IY')):
        for op in range(256):
            operation = CB_ROWS[op >> 3]
            result_register = INDEX_CB_RESULT[op & 7]
            for d_text, d in cb_index_variants(op):
                line = f'{operation}({register}{d_text})'
                if result_register is not None:
                    line = f'LD {result_register},{line}'
                result.append((line, [prefix, 0xCB, d, op]))
    return result


# (case name, what its source holds, the forms of its page in opcode order)
PAGES = [
    ('opcodes_main', 'the unprefixed opcodes', main_page),
    ('opcodes_cb', 'the CB opcodes (rotations, shifts and bit operations)', cb_page),
    ('opcodes_ed', 'the ED opcodes', ed_page),
    ('opcodes_index', 'the DD and FD opcodes (IX and IY)', index_page),
    ('opcodes_index_cb', 'the DD CB and FD CB opcodes (bit operations on (IX+d) and (IY+d))',
     index_cb_page),
]


def page_of(code):
    """The case name of the page that holds an instruction's bytes."""
    if code[0] in (0xDD, 0xFD):
        return 'opcodes_index_cb' if code[1] == 0xCB else 'opcodes_index'
    return {0xCB: 'opcodes_cb', 0xED: 'opcodes_ed'}.get(code[0], 'opcodes_main')


def pages():
    """[(case name, description, [(source line, bytes)])]: every page's forms in opcode order,
    followed by the further spellings whose bytes belong to that page."""
    aliases = []
    for template, code in ALIASES:
        aliases += expand(template, code)
    return [(name, description, page() + [form for form in aliases if page_of(form[1]) == name])
            for name, description, page in PAGES]


def forms():
    """Every (source line, bytes) pair of the table, page by page."""
    return [form for _, _, page_forms in pages() for form in page_forms]


def case_files(description, page_forms):
    """The source text and the image of one case."""
    lines = [f'; Every instruction form of {description}, one per line, with the bytes it',
             '; assembles to. Generated by tools/z80_table.py: edit the script, not this file.',
             '\tORG 8000H']
    image = bytearray()
    for text, code in page_forms:
        lines.append(f'\t{text:<28}; ' + ' '.join(f'{b:02X}' for b in code))
        image += bytes(code)
    lines.append('\tEND')
    return '\n'.join(lines) + '\n', bytes(image)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('folder', nargs='?', type=pathlib.Path,
                        default=root / 'tests' / 'cases' / 'z80',
                        help='where to write the opcodes_*.asm and opcodes_*.bin files')
    folder = parser.parse_args().folder
    folder.mkdir(parents=True, exist_ok=True)
    for name, description, page_forms in pages():
        source, image = case_files(description, page_forms)
        (folder / f'{name}.asm').write_text(source)
        (folder / f'{name}.bin').write_bytes(image)
        print(f'{name}: {len(page_forms)} forms, {len(image)} bytes')


if __name__ == '__main__':
    main()
