#!/usr/bin/env python3
"""Runs the fuzz targets: builds their seed corpora and dictionary, replays the seeds and the
kept findings, then fuzzes for the time given and reports the inputs executed.

The run target's seeds are the golden cases (each source with its first byte made from its
options); the D88 target's seeds are small disks, well formed and damaged. The dictionary holds
the assembler's keywords, character map names and operators, read from the sources. New inputs
go to BUILD/fuzz/corpus-*; findings are kept as BUILD/fuzz/crash-*.

Usage: fuzz.py --build DIR [--time SECONDS] [--timeout SECONDS] [--fork] [-- libFuzzer options]
"""
import argparse
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / 'tests'))
import d88_check  # noqa: E402  (the disk layout the D88 seeds are made from)

# Bits of the run target's first byte (tests/fuzz/run_target.cpp).
MODES = {'-i': 1, '-m': 2, '-d': 3, '-8': 4, '-25': 6, '-2': 5}
TRUNCATE, DEFINE, ASSEMBLE_LIST, LABEL_LISTS = 0x08, 0x10, 0x20, 0x40

EXTRA_WORDS = ['::', '@@', '@B', '@F', '@1', '%1', '%9', '$', '0x', '0FFFFh', '(IX+', '(IY-',
               '"f.asm"', 'f.asm', '<<', '>>', '==', '!=', '<=', '>=', '&&', '||', '{', '}',
               '\\x0a', '\\x09', ';', ',', "'", '\\"', '\\x82\\xa0',
               'ASSERT', 'LOCAL', 'INCBIN', 'DEFM', '<', '>', '=', '\\xe3\\x81\\x82', '\\xef\\xbd\\xb1',
               '\\xc3\\xa9', '\\xf0\\x9f\\x98\\x80']


def dictionary() -> list:
    words = set()
    keywords = (ROOT / 'src/lexer/keywords.cpp').read_text()
    words.update(re.findall(r'Pack\("([A-Z_]+)"\)', keywords))
    words.update(re.findall(r'\{"([A-Z_]+)",\s*k', keywords))
    charmaps = (ROOT / 'src/assembler/charmap.cpp').read_text()
    words.update(re.findall(r'\{"([A-Z-]+)",\s*kMap', charmaps))
    entries = ['"%s"' % w for w in sorted(words)]
    return entries + ['"%s"' % w for w in EXTRA_WORDS]


def choice_of(flags: str) -> (int, str):
    """The first byte for a golden case's options, and its -D text."""
    choice, define = 0, ''
    for flag in flags.split():
        for option, mode in MODES.items():
            if flag.startswith(option):
                choice = (choice & ~7) | mode
                break
        else:
            if flag == '-T' or flag == '--source-encoding=utf-8':
                choice |= TRUNCATE
            elif flag == '-x' or flag == '--cycles':
                choice |= ASSEMBLE_LIST
            elif flag.startswith('-l') or flag == '-Y':
                choice |= LABEL_LISTS
            elif flag.startswith('-D'):
                choice |= DEFINE
                define = flag[2:]
    return choice, define


def run_seeds(folder: pathlib.Path):
    folder.mkdir(parents=True, exist_ok=True)
    for source in sorted((ROOT / 'tests/cases').glob('*/*.asm')):
        flags_file = source.with_suffix('.flags')
        flags = flags_file.read_text() if flags_file.exists() else ''
        choice, define = choice_of(flags)
        text = source.read_bytes()
        if choice & DEFINE:
            text = define.encode() + b'\n' + text
        name = f'{source.parent.name}_{source.stem}'
        (folder / name).write_bytes(bytes([choice]) + text)


def small_disk(kind: str, tracks: int) -> bytearray:
    """A formatted disk that lists only its first tracks (enough for the fuzzed programs)."""
    disk = d88_check.blank(kind)[:0x2B0 + tracks * 0x1100]
    disk[0x20 + 4 * tracks:0x2B0] = bytes(0x2B0 - 0x20 - 4 * tracks)
    struct.pack_into('<I', disk, 0x1C, len(disk))
    return disk


def d88_seeds(folder: pathlib.Path):
    folder.mkdir(parents=True, exist_ok=True)
    good = small_disk('2D', 6)
    seeds = {'good_2d': good, 'good_2dd': small_disk('2DD', 6), 'few_tracks': small_disk('2D', 2)}
    foreign = bytearray(good)
    foreign[d88_check.data_at(3, 1) - 16] = 9  # track 3 claims cylinder 9
    seeds['foreign_cylinder'] = foreign
    seeds['truncated'] = good[:20000]
    seeds['short_header'] = good[:0x200]
    far = bytearray(good)
    struct.pack_into('<I', far, 0x24, 0xFFFFFF00)  # track 1 beyond the end of the file
    seeds['track_offset'] = far
    overrun = bytearray(good)
    last = len(good) - 0x110  # the last sector, renamed track 1 sector 1 and made too long
    struct.pack_into('<I', overrun, 0x24, last)
    struct.pack_into('<BBBBH8xH', overrun, last, 0, 1, 1, 1, 16, 0x1000)
    seeds['sector_size'] = overrun
    odd = bytearray(good)
    struct.pack_into('<H', odd, d88_check.data_at(2, 1) - 16 + 4, 40)  # track 2 claims 40 sectors
    seeds['sector_count'] = odd
    for name, disk in seeds.items():
        for program in (0, 7):  # the last byte picks the program's length
            data = bytearray(disk)
            if data:
                data[-1] = program
            (folder / f'{name}_{program}').write_bytes(bytes(data))


def run_target(binary, args, log: pathlib.Path) -> (int, str):
    """Runs a target with its output going to the log file; returns the status and the log."""
    with open(log, 'w') as out:
        status = subprocess.run([str(binary)] + args, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT).returncode
    return status, log.read_text(errors='replace')


def executed(log: str) -> int:
    final = re.findall(r'stat::number_of_executed_units:\s*(\d+)', log)
    if final:
        return int(final[-1])
    # Progress lines: "#N\tNEW ..." in one process, "#N: cov: ..." from the parent of --fork.
    progress = re.findall(r'^#(\d+)[:\s]', log, re.MULTILINE)
    return int(progress[-1]) if progress else 0


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', required=True, type=pathlib.Path)
    parser.add_argument('--time', type=int, default=60, help='seconds of fuzzing in all')
    parser.add_argument('--timeout', type=int, default=10,
                        help='seconds after which one input counts as a hang')
    parser.add_argument('--fork', action='store_true',
                        help='run in a child process that is restarted after a finding')
    parser.add_argument('extra', nargs='*')
    options = parser.parse_args()
    work = options.build.resolve() / 'fuzz'
    work.mkdir(parents=True, exist_ok=True)
    (work / 'talvo.dict').write_text('\n'.join(dictionary()) + '\n')
    targets = [
        ('run', work.parent / 'tests/fuzz/talvo_fuzz', run_seeds, 8192, 3),
        ('d88', work.parent / 'tests/fuzz/talvo_fuzz_d88', d88_seeds, 32768, 1),
    ]
    total = sum(share for *_, share in targets)
    failed = False
    for name, binary, make_seeds, max_len, share in targets:
        seeds = work / f'seeds-{name}'
        shutil.rmtree(seeds, ignore_errors=True)
        make_seeds(seeds)
        kept = ROOT / 'tests/fuzz/findings' / name
        replay = sorted(str(p) for folder in (seeds, kept) if folder.exists()
                        for p in folder.iterdir())
        status, log = run_target(binary, replay, work / f'replay-{name}.log')
        if status != 0:
            print(log)
            print(f'{name}: replaying {len(replay)} inputs failed')
            return 1
        print(f'{name}: replayed {len(replay)} inputs')

        corpus = work / f'corpus-{name}'
        corpus.mkdir(exist_ok=True)
        seconds = max(1, options.time * share // total)
        args = [f'-max_total_time={seconds}', f'-max_len={max_len}', f'-timeout={options.timeout}',
                '-rss_limit_mb=2048', '-close_fd_mask=3', '-print_final_stats=1',
                f'-artifact_prefix={work}/crash-{name}-']
        if name == 'run':
            args.append(f'-dict={work / "talvo.dict"}')
        if options.fork:
            args += ['-fork=1', '-ignore_crashes=1', '-ignore_timeouts=1', '-ignore_ooms=1']
        args += options.extra + [str(corpus), str(seeds)]
        start = time.monotonic()
        status, log = run_target(binary, args, work / f'fuzz-{name}.log')
        spent = time.monotonic() - start
        tail = [line for line in log.splitlines() if 'ERROR:' in line or 'invariant' in line
                or line.startswith(('SUMMARY', 'artifact_prefix', 'Test unit written'))]
        print('\n'.join(tail[-20:]))
        # The time taken, not the time allowed: a finding ends the session early.
        print(f'{name}: {executed(log)} inputs executed in {spent:.0f} s (of {seconds} s), '
              f'status {status}')
        failed = failed or status != 0
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
