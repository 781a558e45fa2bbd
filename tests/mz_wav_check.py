#!/usr/bin/env python3
"""Checks the Sharp MZ cassette audio talvo writes (--wav, --wav-timing) from the outside.

A decoder of this file reads each WAV back with the wave module, sample by sample, into pulses
and bytes; it checks every segment of both tape parts (gap, tape mark, block, checksum, the
half copy, silence) and takes back the header and the body, which must equal the MZT talvo
wrote. It runs for the MZ-700 timing and for the MZ-80B one (by --wav-timing=mz80b and, by
itself, for a -2 boot-disk run). When castool (Debian mame-tools) is on PATH, its conversion of
the MZT must equal talvo's MZ-700 WAV byte for byte; without it that part is skipped.

Usage: mz_wav_check.py --talvo PATH
Exit status: 0 passed, 1 failed, 77 when nothing could be checked.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import wave
from array import array

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_tally import Tally  # noqa: E402

HIGH, LOW = 32767, -32768

# rate, samples high and low of a short (0) and a long (1) pulse, the gaps (in short pulses)
# and tape marks (long pulses, then as many short ones) of the header part and the file part.
TIMINGS = {
    'mz700': {'rate': 4400, 'short': (1, 1), 'long': (2, 2),
              'gaps': (22000, 11000), 'marks': (40, 20)},
    'mz80b': {'rate': 48000, 'short': (8, 8), 'long': (16, 16),
              'gaps': (10000, 5000), 'marks': (40, 20)},
}
COPY_GAP = 256
SILENCE = 8000
HEADER_SIZE = 128


class TapeError(Exception):
    pass


class Tape:
    """A cursor over the samples of a tape recording."""

    def __init__(self, samples, timing):
        self.samples = samples
        self.timing = timing
        self.at = 0

    def fail(self, what):
        raise TapeError(f'{what} at sample {self.at}')

    def run(self, value):
        start = self.at
        while self.at < len(self.samples) and self.samples[self.at] == value:
            self.at += 1
        return self.at - start

    def pulse(self):
        """'S' or 'L' for the pulse at the cursor; anything else stops the decoding."""
        start = self.at
        shape = (self.run(HIGH), self.run(LOW))
        if shape == self.timing['short']:
            return 'S'
        if shape == self.timing['long']:
            return 'L'
        self.at = start
        self.fail(f'pulse of {shape[0]} high and {shape[1]} low samples')

    def pulses(self, kind, count, what):
        for k in range(count):
            if self.pulse() != kind:
                self.fail(f'{what}: pulse {k} is not {kind}')

    def byte(self):
        if self.pulse() != 'L':
            self.fail('byte without its start pulse')
        value = 0
        for _ in range(8):
            value = value << 1 | (self.pulse() == 'L')
        return value

    def bytes(self, count):
        return bytes(self.byte() for _ in range(count))

    def copy_of(self, start, count, what):
        """The count samples at the cursor repeat those from start on."""
        if self.samples[self.at:self.at + count] != self.samples[start:start + count]:
            self.fail(f'{what} is not the first {count} samples of its block')
        self.at += count

    def silence(self, count):
        if self.run(0) != count:
            self.fail(f'silence is not {count} samples')


def ones(data):
    return sum(bin(b).count('1') for b in data)


def read_part(tape, part, length_of):
    """One tape part: gap, mark, L, block, checksum, L, 256 S, half copy, checksum, L, silence.
    length_of gives the number of block bytes from the bytes of the header part (None)."""
    timing = tape.timing
    name = ('header', 'file')[part]
    tape.pulses('S', timing['gaps'][part], f'{name} gap')
    tape.pulses('L', timing['marks'][part], f'{name} tape mark')
    tape.pulses('S', timing['marks'][part], f'{name} tape mark')
    tape.pulses('L', 1, f'{name} mark end')
    start = tape.at
    block = tape.bytes(length_of)
    block_samples = tape.at - start
    checksum = tape.bytes(2)
    if checksum != (ones(block) & 0xFFFF).to_bytes(2, 'big'):
        tape.fail(f'{name} checksum {checksum.hex()} for {ones(block)} bits set')
    tape.pulses('L', 1, f'{name} checksum end')
    tape.pulses('S', COPY_GAP, f'{name} copy gap')
    tape.copy_of(start, block_samples // 2, f'{name} copy')
    if tape.bytes(2) != checksum:
        tape.fail(f'{name} copy checksum')
    tape.pulses('L', 1, f'{name} copy end')
    tape.silence(SILENCE)
    return block


def decode(path, timing_name):
    """The MZT image (header + body) recorded in the WAV at path; TapeError when the file is not
    a tape of the timing."""
    timing = TIMINGS[timing_name]
    with wave.open(path, 'rb') as w:
        params = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
        if params != (1, 2, timing['rate'], 'NONE'):
            raise TapeError(f'WAV parameters {params}')
        frames = w.getnframes()
        samples = array('h', w.readframes(frames))
    if sys.byteorder == 'big':
        samples.byteswap()
    if os.path.getsize(path) != 44 + 2 * frames:
        raise TapeError(f'{os.path.getsize(path)} bytes for {frames} samples: not a 44-byte header')
    tape = Tape(samples.tolist(), timing)
    header = read_part(tape, 0, HEADER_SIZE)
    body = read_part(tape, 1, int.from_bytes(header[0x12:0x14], 'little'))
    if tape.at != len(samples):
        tape.fail(f'{len(samples) - tape.at} samples after the file part')
    return header + body


# ---- the programs --------------------------------------------------------------------------

def mixed_bytes(count):
    """Deterministic bytes of every kind (a linear congruential sequence)."""
    out, state = bytearray(), 12345
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(state >> 16 & 0xFF)
    return bytes(out)


def source(origin, data):
    lines = [f'\tORG 0{origin:X}H', '\tLD HL,DATA', '\tCALL 0015H', '\tRET', 'DATA:']
    for k in range(0, len(data), 16):
        lines.append('\tDB ' + ','.join(f'0{b:02X}H' for b in data[k:k + 16]))
    return '\n'.join(lines + ['\tEND']) + '\n'


# name, load address, data (every body is 369 bytes or more, so that castool can convert it)
PROGRAMS = [
    ('MIXED', 0x1200, mixed_bytes(700)),
    ('FF', 0x3000, b'\xFF' * 400),
    ('Count', 0x8000, bytes(k & 0xFF for k in range(1024))),  # lower case: the name's case marks
]


class Checker(Tally):
    def __init__(self, talvo, folder):
        super().__init__()
        self.talvo = talvo
        self.folder = folder

    def talvo_run(self, label, args):
        result = subprocess.run([self.talvo] + args, cwd=self.folder, capture_output=True,
                                timeout=120)
        self.check(f'{label} status', result.returncode == 0,
                   f'{result.returncode}: {result.stderr.decode("cp932", "replace")}')
        return result.returncode == 0

    def decoded(self, label, wav, timing, expected):
        try:
            image = decode(os.path.join(self.folder, wav), timing)
        except TapeError as error:
            self.check(f'{label} decoded', False, str(error))
            return
        self.check(f'{label} image', image == expected,
                   f'{len(image)} bytes decoded, {len(expected)} in the MZT')

    def castool(self, label, wav, expected):
        result = subprocess.run(['castool', 'convert', 'mz', 'prog.mzt', 'castool.wav'],
                                cwd=self.folder, capture_output=True, timeout=120)
        if result.returncode in (134, 139, -6, -11):
            self.check(f'{label} castool', False, f'cannot convert (status {result.returncode})')
            return
        self.check(f'{label} castool status', result.returncode == 0,
                   f'{result.returncode}: {result.stderr.decode(errors="replace")}')
        if result.returncode != 0:
            return
        # The decoder reads castool's tape back to the same MZT, and the two files are one.
        self.decoded(f'{label} castool', 'castool.wav', 'mz700', expected)
        theirs = read(os.path.join(self.folder, 'castool.wav'))
        ours = read(os.path.join(self.folder, wav))
        first = next((k for k, (a, b) in enumerate(zip(theirs, ours)) if a != b),
                     min(len(theirs), len(ours)))
        self.check(f'{label} castool identical', theirs == ours,
                   f'castool {len(theirs)} bytes, talvo {len(ours)}; first difference at {first}')


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def check_program(c, name, origin, data, with_castool):
    with open(os.path.join(c.folder, 'prog.asm'), 'w') as f:
        f.write(source(origin, data))
    for old in os.listdir(c.folder):
        if old != 'prog.asm':
            os.remove(os.path.join(c.folder, old))
    if not c.talvo_run(name, [f'-m{name}', '--wav=prog.wav', 'prog.asm']):
        return
    mzt = read(os.path.join(c.folder, 'prog.mzt'))
    c.check(f'{name} body', mzt[HEADER_SIZE:].endswith(data) and len(mzt) >= HEADER_SIZE + 369,
            f'{len(mzt)} bytes')
    c.decoded(f'{name} mz700', 'prog.wav', 'mz700', mzt)

    runs = [
        ([f'-m{name}', '--wav=prog80.wav', '--wav-timing=mz80b'], 'prog80.wav', 'mz80b'),
        ([f'-m{name}', '--wav=prog7.wav', '--wav-timing=mz700'], 'prog7.wav', 'mz700'),
        # A program for an MZ-2000 boot disk gets the MZ-80B timing unless told otherwise.
        ([f'-2{name}', '--wav=prog2.wav'], 'prog2.wav', 'mz80b'),
        ([f'-2{name}', '--wav=prog27.wav', '--wav-timing=mz700'], 'prog27.wav', 'mz700'),
    ]
    for args, wav, timing in runs:
        label = f'{name} {" ".join(args[::2])}'
        if c.talvo_run(label, args + ['prog.asm']):
            c.decoded(label, wav, timing, mzt)
    c.check(f'{name} mzt kept', read(os.path.join(c.folder, 'prog.mzt')) == mzt)
    c.check(f'{name} mz700 runs agree',
            read(os.path.join(c.folder, 'prog7.wav')) == read(os.path.join(c.folder, 'prog.wav')))
    if with_castool:
        c.castool(name, 'prog.wav', mzt)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    talvo = os.path.abspath(parser.parse_args().talvo)
    usage = subprocess.run([talvo, '--help'], capture_output=True).stdout
    if b'--wav=' not in usage:
        print('skipped: this talvo writes no WAV (no --wav option)')
        return 77
    with_castool = shutil.which('castool') is not None
    with tempfile.TemporaryDirectory() as folder:
        c = Checker(talvo, folder)
        for name, origin, data in PROGRAMS:
            check_program(c, name, origin, data, with_castool)
    if not with_castool:
        print('skipped the castool comparison: castool (Debian mame-tools) is not on PATH')
    print(f'{c.passed} passed, {c.failed} failed')
    return 1 if c.failed else 0


if __name__ == '__main__':
    sys.exit(main())
