"""Adversarial sources for the benchmark: program shapes that would show any work growing faster
than the input (in the label table, the fixups, the local-label counters, macros or REPT).

run.py assembles each shape at its base size and at four times that size and checks that the
time grows at most 4.4-fold. Every shape writes a small image whose bytes are known here, so a
run that assembles wrongly is caught too. The counted code stands in an OFFSET section, which
counts addresses without storing bytes, so that any size fits the 64 KiB address space.
"""
import struct

GROWTH = 4          # the large variant of a shape has this many times the base count
GROWTH_LIMIT = 4.4  # ... and may take at most this many times the base time


def forward(count):
    """count labels, each referenced by a JP before the line that defines it."""
    last = f'F{count - 1:07d}'
    lines = ['\tORG\t100H', f'\tDW\tF0000000,{last}', '\tOFFSET\t0']
    lines += [f'\tJP\tF{i:07d}' for i in range(count)]
    lines += [f'F{i:07d}:\tNOP' for i in range(count)]
    lines += ['\tEND', '\tEND']
    start = 3 * count  # the JP instructions come first, three bytes each
    return lines, struct.pack('<HH', start & 0xFFFF, (start + count - 1) & 0xFFFF)


def equ_chain(count):
    """count equates, each defined through the next one: E0 EQU E1+1, E1 EQU E2+1, ..."""
    lines = ['\tORG\t100H', '\tDW\tE0000000']
    lines += [f'E{i:07d}\tEQU\tE{i + 1:07d}+1' for i in range(count - 1)]
    lines += [f'E{count - 1:07d}\tEQU\t0', '\tEND']
    return lines, struct.pack('<H', (count - 1) & 0xFFFF)


def macro_calls(count):
    """count calls of a four-line macro with two arguments and an anonymous label."""
    lines = ['\tORG\t100H',
             'COPY\tMACRO',
             '@@:\tLD\tA,(%1)',
             '\tLD\t(%2),A',
             '\tINC\tHL',
             '\tJP\tNZ,@B',
             '\tENDM',
             '\tOFFSET\t0']
    lines += [f'\tCOPY\t{i & 0xFFFF:05X}H+2,BUFFER' for i in range(count)]
    lines += ['\tEND', '\tDW\t@B', 'BUFFER\tEQU\t8000H', '\tEND']
    # Each expansion takes 3 + 3 + 1 + 3 bytes; the last @@ stands at the last one's start.
    return lines, struct.pack('<H', 10 * (count - 1) & 0xFFFF)


REPT_BODY = [
    '@@:\tLD\tA,(HL)',  # 1 byte
    '\tADD\tA,10',      # 2
    '\tLD\t(DE),A',     # 1
    '\tINC\tHL',        # 1
    '\tINC\tDE',        # 1
    '\tCP\t20H',        # 2
    '\tJP\tNZ,@F',      # 3
    '\tLD\tA,B',        # 1
    '@@:\tOR\tC',       # 1: the second @@ stands 12 bytes into the body
    '\tJP\tNZ,@B',      # 3
]


def rept_block(count):
    """A REPT of count repetitions of a ten-line body."""
    lines = ['\tORG\t100H', '\tOFFSET\t0', f'\tREPT\t{count}'] + REPT_BODY
    lines += ['\tENDM', '\tEND', '\tDW\t@B', '\tEND']
    return lines, struct.pack('<H', (16 * (count - 1) + 12) & 0xFFFF)


# name -> (base count, what it holds, maker)
SHAPES = {
    'forward': (1_000_000, 'forward-referenced labels', forward),
    'equ-chain': (400_000, 'equates in a chain, each defined through the next', equ_chain),
    'macro': (200_000, 'macro calls', macro_calls),
    'rept': (100_000, 'repetitions of a 10-line REPT body', rept_block),
}


def source(name, count):
    """The TALVO source of one shape as bytes, and the image it must assemble to."""
    lines, image = SHAPES[name][2](count)
    return ('\n'.join(lines) + '\n').encode('ascii'), image
