#!/usr/bin/env python3
"""Checks that fuzz.py counts the inputs a session executed from each shape of libFuzzer log:
the final statistics, the progress lines of one process, and those of the parent in --fork
mode (which prints no final statistics)."""
import importlib.util
import pathlib
import sys

spec = importlib.util.spec_from_file_location(
    'fuzz', pathlib.Path(__file__).resolve().parent / 'fuzz.py')
fuzz = importlib.util.module_from_spec(spec)
spec.loader.exec_module(fuzz)

LOGS = {
    'final statistics': ('#4096\tpulse  cov: 10 ft: 12 corp: 3/40b exec/s: 2048 rss: 40Mb\n'
                         '#5000\tDONE   cov: 10 ft: 12 corp: 3/40b exec/s: 2500 rss: 40Mb\n'
                         'stat::number_of_executed_units: 5012\n', 5012),
    'one process, stopped': ('#2\tINITED cov: 5 ft: 5 corp: 1/1b exec/s: 0 rss: 30Mb\n'
                             '#812\tNEW    cov: 9 ft: 9 corp: 2/9b lim: 4 exec/s: 0 rss: 31Mb\n',
                             812),
    'fork parent': ('INFO: -fork=1: fuzzing in separate process(s)\n'
                    '#3468: cov: 820 ft: 820 corp: 93 exec/s 1734 oom/timeout/crash: 0/0/0 '
                    'time: 2s job: 1 dft_time: 0\n'
                    '#9810: cov: 1032 ft: 821 corp: 94 exec/s 2114 oom/timeout/crash: 0/0/0 '
                    'time: 6s job: 2 dft_time: 0\n'
                    'INFO: fuzzed for 6 seconds, wrapping up soon\n', 9810),
    'nothing run': ('INFO: Seed: 1\n', 0),
}

failed = [f'{name}: counted {fuzz.executed(log)}, expected {expected}'
          for name, (log, expected) in LOGS.items() if fuzz.executed(log) != expected]
print('\n'.join(failed) or f'{len(LOGS)} log shapes counted right')
sys.exit(1 if failed else 0)
