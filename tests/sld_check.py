#!/usr/bin/env python3
"""Reads the source-level debug data (--sld) of a program back, by the rules the debugger that
reads it applies, and holds it against the image: every byte of the image must be claimed by
exactly the statement that produced it, at the address the byte has in the image.

The program uses every way a statement's bytes can reach the image: plain lines, an INCLUDE
file, a macro called twice, a REPT, a scope, a floating block placed behind the code and an
ARRANGE region that overwrites a DS in slices. Each statement's bytes are known here from the
table of the program, not from the assembler.

Usage: sld_check.py --talvo PATH
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile

LOAD = 0x8000
MODEL = 'pages.size:65536,pages.count:32,slots.count:1,slots.adr:0'

# (file, text, bytes the statement emits, stride): stride 2 for the lines of the ARRANGE
# region, whose one pair places one byte and skips one.
PROGRAM = [
    ('main.asm', 'CONST   EQU 1234H', [], 1),
    ('main.asm', 'COUNT   = 3', [], 1),
    ('main.asm', '        ORG 8000H', [], 1),
    ('main.asm', 'START:  LD A,1', [0x3E, 0x01], 1),
    ('main.asm', '        DB 2,2,2', [2, 2, 2], 1),
    ('main.asm', '        INCLUDE "part.inc"', [], 1),
    ('main.asm', 'FILL    MACRO', [], 1),
    ('main.asm', '        DB 4,4', [4, 4], 1),
    ('main.asm', '        LD A,5', [0x3E, 0x05], 1),
    ('main.asm', '        ENDM', [], 1),
    ('main.asm', '        FILL', [], 1),
    ('main.asm', '        FILL', [], 1),
    ('main.asm', '        REPT 3', [], 1),
    ('main.asm', '        DB 6', [6], 1),
    ('main.asm', '        ENDM', [], 1),
    ('main.asm', 'SUBR    PROC', [], 1),
    ('main.asm', 'LOOP:   DB 7,7', [7, 7], 1),
    ('main.asm', '        JR LOOP', [0x18, 0xFC], 1),
    ('main.asm', '        ENDP', [], 1),
    ('main.asm', 'BLK     IN_PAGE {', [], 1),
    ('main.asm', '        DB 8,8,8', [8, 8, 8], 1),
    ('main.asm', 'INNER:  LD HL,0909H', [0x21, 0x09, 0x09], 1),
    ('main.asm', '        }', [], 1),
    ('main.asm', 'PAD:    DS 8,0EEH', [0xEE] * 8, 1),
    ('main.asm', '        ARRANGE PAD,1,1', [], 1),
    ('main.asm', '        DB 0AH,0AH', [0x0A, 0x0A], 2),
    ('main.asm', '        DB 0BH', [0x0B], 2),
    ('main.asm', '        END', [], 1),
    ('main.asm', 'TAIL:   DW BLK', None, 1),  # the block's address: known only from the image
    ('main.asm', '        END', [], 1),
    ('part.inc', '        DB 3,3', [3, 3], 1),
    ('part.inc', '        NOP', [0x00], 1),
]

# How many times each emitting line runs: the macro body twice, the REPT body three times.
RUNS = {'        DB 4,4': 2, '        LD A,5': 2, '        DB 6': 3}


def write_program(folder: pathlib.Path):
    texts = {}
    for file, text, _, _ in PROGRAM:
        texts.setdefault(file, []).append(text)
    for file, lines in texts.items():
        (folder / file).write_text('\n'.join(lines) + '\n')


def line_table():
    """(file, line) -> (bytes, stride) of every line of the program."""
    table, numbers = {}, {}
    for file, text, emitted, stride in PROGRAM:
        numbers[file] = numbers.get(file, 0) + 1
        table[(file, numbers[file])] = (text, emitted, stride)
    return table


def read_sld(text: str, folder: pathlib.Path):
    """The trace and label lines, after the checks every reader of the data makes."""
    lines = text.split('\n')
    assert lines[-1] == '', 'the data ends with a line end'
    lines = [line.rstrip() for line in lines[:-1]]
    first = lines[0].split('|')
    assert first[1] == 'SLD.data.version' and int(first[2] or 0) >= 1, lines[0]
    keywords_seen = False
    model = None
    traces, labels = [], []
    for line in lines[1:]:
        fields = line.split('|')
        if fields[0] == '':
            if fields[1:4] == ['', 'K', 'KEYWORDS']:
                assert model is None, 'the keywords line comes before the memory model'
                assert set(fields[4].split(',')) >= {'WPMEM', 'LOGPOINT', 'ASSERTION'}, line
                keywords_seen = True
            continue
        assert len(fields) == 8, f'eight fields: {line}'
        file, position, _, _, page, value, kind, data = fields
        if kind == 'Z':
            model = model or data
            continue
        assert model is not None, 'the memory model comes before the lines of code'
        number = int(position.split(':')[0])
        if kind == 'T':
            assert int(page) >= 0, f'a trace line has a page: {line}'
            assert (folder / file).is_file(), f'the traced file exists: {line}'
            traces.append((file, number, int(value)))
        elif kind == 'L':
            items = data.split(',')
            name = '.'.join(part for part in items[:3] if part)
            labels.append((name, int(page), int(value), items[3:]))
    assert keywords_seen, 'a keywords line'
    assert model == MODEL, f'the memory model of a plain 64 KiB machine: {model}'
    return traces, labels


def check(talvo: str) -> list:
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(scratch)
        write_program(folder)
        run = subprocess.run([talvo, '--sld=main.sld', '-ll', 'main.asm'], cwd=folder,
                             capture_output=True)
        if run.returncode != 0:
            return [f'talvo failed: {run.stdout!r} {run.stderr!r}']
        image = (folder / 'main.bin').read_bytes()
        traces, labels = read_sld((folder / 'main.sld').read_text(), folder)
        listed = {}
        for row in (folder / 'main.lst').read_text().splitlines():
            name, value = row.split('EQU')
            listed[name.strip()] = int(value.strip()[1:-1], 16)

    table = line_table()
    owner = [None] * len(image)
    counts = {}
    for file, number, address in traces:
        text, emitted, stride = table[(file, number)]
        counts[(file, number)] = counts.get((file, number), 0) + 1
        if emitted is None:  # TAIL: DW BLK
            emitted = [listed['BLK'] & 0xFF, listed['BLK'] >> 8]
        for i, byte in enumerate(emitted):
            offset = address - LOAD + i * stride
            if not 0 <= offset < len(image):
                problems.append(f'{file}:{number} claims {address + i * stride:04X}, '
                                f'outside the image')
                break
            owner[offset] = (file, number, byte)  # a later statement overwrites an earlier one
    for offset, claim in enumerate(owner):
        if claim is None:
            problems.append(f'image byte {LOAD + offset:04X} is claimed by no statement')
        elif claim[2] != image[offset]:
            problems.append(f'image byte {LOAD + offset:04X} is {image[offset]:02X}, but '
                            f'{claim[0]}:{claim[1]} emits {claim[2]:02X} there')
    for (file, number), (text, emitted, _) in table.items():
        want = 0 if emitted == [] else RUNS.get(text, 1)
        if counts.get((file, number), 0) != want:
            problems.append(f'{file}:{number} ({text.strip()}) has '
                            f'{counts.get((file, number), 0)} trace lines, expected {want}')

    shown = {name: (page, value, traits) for name, page, value, traits in labels}
    for name, value in listed.items():
        if name == 'COUNT':
            continue
        if name not in shown:
            problems.append(f'label {name} has no label line')
            continue
        page, sld_value, traits = shown[name]
        constant = name == 'CONST'
        if sld_value != value or (page == -1) != constant or ('+equ' in traits) != constant:
            problems.append(f'label {name}: page {page}, value {sld_value}, {traits}; '
                            f'expected {value:04X}, constant {constant}')
    if 'COUNT' in shown:
        problems.append('a "=" label has a label line')
    return problems


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    options = parser.parse_args()
    problems = check(str(pathlib.Path(options.talvo).resolve()))
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print('every image byte is claimed by the statement that produced it')
    return 0


if __name__ == '__main__':
    sys.exit(main())
