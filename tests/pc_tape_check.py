#!/usr/bin/env python3
"""Reads back the PC-8001/8801 tapes that talvo writes and rebuilds the program from them.

Each source below is assembled in a scratch folder as
    talvo --t88=NAME.t88 --cmt=NAME.cmt NAME.asm
and both tapes are read by the rules of a T88/CMT loader, independently of talvo's writer:

T88: the 24-byte header "PC-8801 Tape Image(T88)" and 00, then tags (ID, length, data, all
little-endian): the end tag 0000h last, nothing after it; blank, space and mark tags (0100h,
0102h, 0103h) 8 bytes long, data tags (0101h) at least 12; every timed tag's start time the sum
of the durations before it; a data tag's byte count its length less 12 and its duration 44
ticks a byte at 1200 bit/s (type 01CCh) or 88 at 600 bit/s (00CCh); other tags skipped by
their length. The data tags' bytes, joined, are the byte stream.

The stream (the whole of the CMT): the monitor's records, each opened by 3Ah: the address
record (address high, low, check), data records (n = 1..255, n bytes, check) stored from the
address on as it advances through 16 bits, and the end record (n = 0, check), last. The bytes
after each 3Ah sum to 0 mod 256. Only the T88's "$$$NAME" block may stand before the first
record: three '$', up to six letters and digits of the file's name, upper-cased, blanks to
nine bytes.

The memory the records fill must be exactly the NAME.bin of the same run at the source's
origin, and the CMT must be the T88's records byte for byte.
"""
import argparse
import pathlib
import random
import subprocess
import sys
import tempfile

T88_HEADER = b'PC-8801 Tape Image(T88)\x00'
END, DATA = 0x0000, 0x0101
TIMED = {0x0100: 'blank', 0x0101: 'data', 0x0102: 'space', 0x0103: 'mark'}
TICKS_PER_BYTE = {0x01CC: 44, 0x00CC: 88}  # 11 bit times at 1200 and at 600 bit/s
RECORD_MARK = 0x3A


class Unreadable(Exception):
    """The tape breaks a rule of the loader; the message says which."""


def le(data: bytes, at: int, size: int) -> int:
    return int.from_bytes(data[at:at + size], 'little')


def t88_stream(t88: bytes) -> bytes:
    """The bytes of the data tags of a T88 file, in order."""
    if t88[:len(T88_HEADER)] != T88_HEADER:
        raise Unreadable('the file does not begin with the 24-byte T88 header')
    stream = bytearray()
    time = 0  # where the next timed tag must start
    at = len(T88_HEADER)
    while True:
        if at + 4 > len(t88):
            raise Unreadable(f'no end tag: the file ends at offset {at:#x}')
        tag, length = le(t88, at, 2), le(t88, at + 2, 2)
        data = t88[at + 4:at + 4 + length]
        where = f'tag {tag:04X}h at offset {at:#x}'
        if len(data) < length:
            raise Unreadable(f'{where}: its length {length} runs past the end of the file')
        at += 4 + length
        if tag == END:
            if length != 0 or at != len(t88):
                raise Unreadable(f'{where}: the end tag is not 00 00 00 00 at the end of the file')
            return bytes(stream)
        if tag not in TIMED:
            continue  # the version tag, or one the loader does not know
        if tag == DATA and length < 12 or tag != DATA and length != 8:
            raise Unreadable(f'{where}: a {TIMED[tag]} tag of length {length}')
        start, duration = le(data, 0, 4), le(data, 4, 4)
        if start != time:
            raise Unreadable(f'{where}: starts at {start}, the durations before it sum to {time}')
        time += duration
        if tag == DATA:
            count, kind = le(data, 8, 2), le(data, 10, 2)
            if count != length - 12:
                raise Unreadable(f'{where}: {count} bytes counted in a tag of {length - 12}')
            if kind not in TICKS_PER_BYTE:
                raise Unreadable(f'{where}: type word {kind:04X}h')
            if duration != TICKS_PER_BYTE[kind] * count:
                raise Unreadable(f'{where}: {count} bytes last {duration} ticks, not '
                                 f'{TICKS_PER_BYTE[kind] * count}')
            stream += data[12:]


def load_records(stream: bytes):
    """(bytes before the first record, {address: byte} the records store, the records)."""
    first = stream.find(RECORD_MARK)
    if first < 0:
        raise Unreadable('no record in the stream')
    at = first

    def record(size: int, what: str) -> bytes:
        nonlocal at
        if stream[at] != RECORD_MARK:
            raise Unreadable(f'{what} at offset {at:#x} begins with {stream[at]:02X}h, not 3Ah')
        body = stream[at + 1:at + 1 + size]
        if len(body) < size:
            raise Unreadable(f'{what} at offset {at:#x} runs past the end of the stream')
        if sum(body) % 256 != 0:
            raise Unreadable(f'{what} at offset {at:#x}: its bytes sum to {sum(body):#x}')
        at += 1 + size
        return body

    body = record(3, 'the address record')
    address = body[0] << 8 | body[1]  # high byte first
    memory = {}
    while True:
        if at + 1 >= len(stream):
            raise Unreadable('the stream ends before an end record')
        n = stream[at + 1]
        if n == 0:
            record(2, 'the end record')
            break
        for value in record(n + 2, f'a data record of {n} bytes')[1:-1]:
            if address in memory:
                raise Unreadable(f'{address:04X}h is loaded twice')
            memory[address] = value
            address = (address + 1) & 0xFFFF
    if at != len(stream):
        raise Unreadable(f'{len(stream) - at} bytes follow the end record')
    return stream[:first], memory, stream[first:]


def name_block(name: str) -> bytes:
    letters = ''
    for c in name:
        if not (c.isascii() and c.isalnum()) or len(letters) == 6:
            break
        letters += c.upper()
    return ('$$$' + letters).ljust(9).encode('ascii')


def check(talvo: str, name: str, source: str, origin: int) -> list:
    with tempfile.TemporaryDirectory() as scratch_dir:
        scratch = pathlib.Path(scratch_dir)
        (scratch / f'{name}.asm').write_text(source)
        result = subprocess.run([talvo, f'--t88={name}.t88', f'--cmt={name}.cmt', f'{name}.asm'],
                                cwd=scratch, capture_output=True, stdin=subprocess.DEVNULL,
                                timeout=60)
        if result.returncode != 0:
            return [f'talvo ended with status {result.returncode}:\n'
                    + (result.stdout + result.stderr).decode('cp932', 'replace')]
        files = {}
        for ext in ('bin', 't88', 'cmt'):
            path = scratch / f'{name}.{ext}'
            if not path.exists():
                return [f'{path.name} was not written']
            files[ext] = path.read_bytes()

    image = files['bin']
    wanted = {(origin + k) & 0xFFFF: value for k, value in enumerate(image)}
    problems = []
    t88_records = None
    for ext in ('t88', 'cmt'):
        try:
            stream = t88_stream(files['t88']) if ext == 't88' else files['cmt']
            lead, memory, records = load_records(stream)
        except Unreadable as reason:
            problems.append(f'{name}.{ext}: {reason}')
            continue
        want_lead = name_block(name) if ext == 't88' else b''
        if lead != want_lead:
            problems.append(f'{name}.{ext}: {lead!r} before the first record, not {want_lead!r}')
        if memory != wanted:
            differing = sorted(set(memory.items()) ^ set(wanted.items()))
            problems.append(f'{name}.{ext}: loads {len(memory)} bytes where {name}.bin has '
                            f'{len(image)} at {origin:04X}h; first difference at '
                            f'{differing[0][0]:04X}h')
        if ext == 't88':
            t88_records = records
        elif t88_records is not None and records != t88_records:
            problems.append(f'{name}.cmt: not the records of {name}.t88')
    return problems


def data_lines(values) -> str:
    values = list(values)
    return ''.join('\tDB\t' + ','.join(str(v) for v in values[k:k + 32]) + '\n'
                   for k in range(0, len(values), 32))


def sources():
    """(name, source, origin) of every program: records of every length, 3Ah in the data, the
    address wrapping past FFFFh, and an image too long for one data tag."""
    rng = random.Random(88)
    table = [0x3A, 0x00, 0xFF] + [rng.randrange(256) for _ in range(597)]
    yield 'prog', ('; a search through a table of 600 bytes\n'
                   '\tORG\t9000H\n'
                   'START:\tLD\tHL,TABLE\n\tLD\tBC,600\n'
                   'LOOP:\tLD\tA,(HL)\n\tCP\t3AH\n\tRET\tZ\n\tINC\tHL\n\tDEC\tBC\n'
                   '\tLD\tA,B\n\tOR\tC\n\tJR\tNZ,LOOP\n\tRET\n'
                   'TABLE:\n' + data_lines(table) + '\tEND\tSTART\n'), 0x9000
    yield 'longername7', '\tORG\t0C000H\n' + data_lines(range(256)) + '\tEND\n', 0xC000
    yield 'my_game', '\tORG\t8000H\n' + data_lines([0x3A] * 129) + '\tEND\n', 0x8000
    yield 'top', '\tORG\t0FFFFH\n\tRET\n\tEND\n', 0xFFFF
    full = [rng.randrange(256) for _ in range(0x10000)]
    yield 'full64k', '\tORG\t0\n' + data_lines(full) + '\tEND\n', 0


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    talvo = str(pathlib.Path(parser.parse_args().talvo).resolve())
    failed = 0
    for name, source, origin in sources():
        problems = check(talvo, name, source, origin)
        if problems:
            failed += 1
            print(f'FAIL {name}')
            for p in problems:
                print('  ' + p.replace('\n', '\n  '))
        else:
            print(f'ok   {name}')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
