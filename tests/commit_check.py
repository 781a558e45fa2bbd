#!/usr/bin/env python3
"""Checks that a run's output files are committed as one set, whatever happens around it.

- A signal (SIGINT, SIGTERM, SIGHUP) sent while the files are written, at a moment a temporary
  file is seen beside them, ends the run by that signal; no temporary file is left, and the
  files are either all as an earlier run left them or all as a normal run makes them, never
  mixed. A pipe output whose reader goes away (SIGPIPE) leaves no temporary file either.
- Pairs of runs of two different sources writing the same image and label list at once: the
  image and the list always come from the same run.
- Under --errors=gnu a file that cannot be written is named with the system's reason, for the
  image (at its making, over a file-size limit, on a full device) and for a D88 disk; the
  classic line stays as it was.

Usage: commit_check.py --talvo PATH
"""
import argparse
import errno
import os
import pathlib
import resource
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from check_tally import Tally  # noqa: E402

OUTPUTS = ('out.bin', 'out.lst', 'out.als')
HITS_WANTED = 10
ATTEMPTS_PER_SIGNAL = 60
PAIRS = 40


def big_source(lines):
    """A source whose assemble list runs to megabytes, with a label on every 30th line."""
    text = ['\tORG 0']
    for i in range(lines):
        if i % 30 == 0:
            text.append(f'L{i}:\tDB {i & 255} ; byte {i}, with a comment for a longer list')
        else:
            text.append(f'; line {i}: a comment that makes the assemble list long, longer still')
    text.append('\tEND')
    return ('\n'.join(text) + '\n').encode()


def default_signals():
    # A run started in the background may inherit ignored signals; talvo keeps those ignored.
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGPIPE):
        signal.signal(number, signal.SIG_DFL)


def temporaries(folder):
    return sorted(name for name in os.listdir(folder) if name.startswith('.talvo-'))


def read_set(folder):
    return {name: (folder / name).read_bytes() for name in OUTPUTS}


def write_set(folder, contents):
    for name, data in contents.items():
        (folder / name).write_bytes(data)


def run_talvo(talvo, folder, args, file_limit=None):
    def in_child():
        default_signals()
        if file_limit is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))
    return subprocess.run([talvo] + args, cwd=folder, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=60,
                          preexec_fn=in_child)


def make_sets(c, talvo, folder):
    """The set an earlier run left (from a small source) and the set of a normal run of the big
    source, both under the same names."""
    (folder / 'big.asm').write_bytes(big_source(150000))
    (folder / 'old.asm').write_bytes(b'OLD:\tLD A,2\n\tRET\n\tEND\n')
    args = ['-o', 'out.bin', '-l', '-x']
    result = run_talvo(talvo, folder, args + ['big.asm'])
    c.check('signals: normal run', result.returncode == 0, result.stdout)
    new = read_set(folder)
    result = run_talvo(talvo, folder, args + ['old.asm'])
    c.check('signals: earlier run', result.returncode == 0, result.stdout)
    old = read_set(folder)
    return old, new


def signal_during_write(c, talvo, folder, number, old, new):
    """Sends the signal as soon as a temporary file shows, until it has landed in the write
    phase HITS_WANTED times."""
    name = signal.Signals(number).name
    hits = before_renames = 0
    for _ in range(ATTEMPTS_PER_SIGNAL):
        if hits >= HITS_WANTED:
            break
        write_set(folder, old)
        process = subprocess.Popen([talvo, '-o', 'out.bin', '-l', '-x', 'big.asm'], cwd=folder,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   stdin=subprocess.DEVNULL, preexec_fn=default_signals)
        seen = False
        while process.poll() is None:
            if temporaries(folder):
                seen = True
                process.send_signal(number)
                break
        status = process.wait(timeout=60)
        left = temporaries(folder)
        now = read_set(folder)
        if seen and status == -number:
            hits += 1
            before_renames += now == old
        elif status != 0:
            c.check(f'{name}: status', False, f'status {status}')
            return
        if left or now not in (old, new):
            kept = [n for n in OUTPUTS if now[n] == old[n]]
            c.check(f'{name}: whole set, no temporary file', False,
                    f'status {status}, left {left}, old: {kept}')
            for leftover in left:  # so that the next signal is judged afresh
                (folder / leftover).unlink()
            return
    c.check(f'{name}: hit the write phase {HITS_WANTED} times', hits >= HITS_WANTED,
            f'{hits} hits')
    c.check(f'{name}: a signal before the renames keeps the old set', before_renames > 0,
            f'{before_renames} of {hits}')


def pipe_reader_leaves(c, talvo, folder, old):
    """A label list that is a pipe whose reader goes away: SIGPIPE ends the run, the other
    files of the set stay old and no temporary file is left."""
    write_set(folder, old)
    (folder / 'out.lst').unlink()
    os.mkfifo(folder / 'out.lst')
    process = subprocess.Popen([talvo, '-o', 'out.bin', '-l', '-x', 'big.asm'], cwd=folder,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               stdin=subprocess.DEVNULL, preexec_fn=default_signals)

    def give_up(*_):
        raise TimeoutError
    previous = signal.signal(signal.SIGALRM, give_up)
    signal.alarm(60)
    try:
        # Opened once talvo opens the pipe, after the regular files are complete; the list
        # (over 64 KiB) does not fit the pipe, so talvo is still writing when the reader goes.
        os.close(os.open(folder / 'out.lst', os.O_RDONLY))
        status = process.wait(timeout=60)
    except TimeoutError:
        process.kill()
        status = process.wait()
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGALRM, previous)
    c.check('SIGPIPE: status', status == -signal.SIGPIPE, f'status {status}')
    c.check('SIGPIPE: no temporary file', not temporaries(folder), str(temporaries(folder)))
    for leftover in temporaries(folder):
        (folder / leftover).unlink()
    c.check('SIGPIPE: older files kept',
            all((folder / n).read_bytes() == old[n] for n in ('out.bin', 'out.als')))
    (folder / 'out.lst').unlink()


def signals(c, talvo, folder):
    old, new = make_sets(c, talvo, folder)
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal_during_write(c, talvo, folder, number, old, new)
    pipe_reader_leaves(c, talvo, folder, old)


def pair_source(tag, value):
    lines = ['\tORG 1000H'] + [f'{tag}{i}:\tDB {(i + value) & 255}' for i in range(3000)]
    return ('\n'.join(lines + ['\tEND']) + '\n').encode()


def concurrent_pairs(c, talvo, folder):
    """Two runs started together (each waits in a shell for the same go) commit their sets one
    after the other."""
    expected = {}
    for tag, value in (('a', 0), ('b', 7)):
        (folder / f'{tag}.asm').write_bytes(pair_source(tag, value))
        result = run_talvo(talvo, folder, ['-o', f'{tag}.bin', '-l', f'{tag}.asm'])
        c.check(f'pairs: run {tag}', result.returncode == 0, result.stdout)
        expected[tag] = ((folder / f'{tag}.bin').read_bytes(), (folder / f'{tag}.lst').read_bytes())
    mixed = 0
    for _ in range(PAIRS):
        runs = [subprocess.Popen(['sh', '-c', 'read go; exec "$0" "$@"', talvo, '-o', 'out.bin',
                                  '-l', f'{tag}.asm'], cwd=folder, stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for tag in 'ab']
        for run in runs:
            run.stdin.write(b'\n')
            run.stdin.flush()
        for run in runs:
            run.stdin.close()
        statuses = [run.wait(timeout=60) for run in runs]
        c.check('pairs: both runs succeed', statuses == [0, 0], str(statuses))
        got = ((folder / 'out.bin').read_bytes(), (folder / 'out.lst').read_bytes())
        mixed += got not in expected.values()
    c.check(f'pairs: image and list from one run in all {PAIRS} pairs', mixed == 0,
            f'{mixed} mixed')


def reasons(c, talvo, folder):
    """Every failed write names the file and the reason under --errors=gnu."""
    (folder / 'prog.asm').write_bytes(b'\tORG 8000H\n\tDS 4000H, 0AAH\n\tEND\n')
    gnu = ['--errors=gnu', '--messages=en']
    too_large = os.strerror(errno.EFBIG)
    cases = [
        ('image over a file-size limit', ['prog.asm'], 8192,
         f"talvo: error: Cannot write output file: 'prog.bin': {too_large}\n"),
        ('image in a missing folder', ['-o', 'none/prog.bin', 'prog.asm'], None,
         f"talvo: error: Cannot open output file: 'none/prog.bin': {os.strerror(errno.ENOENT)}\n"),
        ('image on a full device', ['-o', '/dev/full', 'prog.asm'], None,
         f"talvo: error: Cannot write output file: '/dev/full': {os.strerror(errno.ENOSPC)}\n"),
        ('new disk over a file-size limit', ['-8', 'prog.asm'], 8192,
         f"talvo: error: The D88 file could not be created; stopping: 'prog.d88': {too_large}\n"),
        ('disk in a missing folder', ['-8', '-o', 'none/prog.d88', 'prog.asm'], None,
         'talvo: error: The D88 file could not be created; stopping: '
         f"'none/prog.d88': {os.strerror(errno.ENOENT)}\n"),
    ]
    for label, args, limit, expected in cases:
        result = run_talvo(talvo, folder, gnu + args, limit)
        c.check(f'{label}: status', result.returncode == 255, f'status {result.returncode}')
        c.check(f'{label}: message', result.stderr.decode() == expected, repr(result.stderr))
    # An older disk (the disk is written into it) is kept: the message says the write failed.
    (folder / 'small.asm').write_bytes(b'\tORG 8000H\n\tRET\n\tEND\n')
    result = run_talvo(talvo, folder, ['-8', '-o', 'prog.d88', 'small.asm'])
    c.check('older disk: made', result.returncode == 0, repr(result.stderr))
    older = (folder / 'prog.d88').read_bytes()
    result = run_talvo(talvo, folder, gnu + ['-8', 'prog.asm'], 8192)
    c.check('older disk: message', result.stderr.decode() ==
            f"talvo: error: Writing the D88 file failed: 'prog.d88': {too_large}\n",
            repr(result.stderr))
    result = run_talvo(talvo, folder, ['--messages=en', '-8', 'prog.asm'], 8192)
    c.check('older disk: classic line', result.stderr.decode() == 'Writing the D88 file failed\n',
            repr(result.stderr))
    c.check('older disk: kept', (folder / 'prog.d88').read_bytes() == older)
    c.check('reasons: no temporary file', not temporaries(folder), str(temporaries(folder)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    options = parser.parse_args()
    talvo = str(pathlib.Path(options.talvo).resolve())
    c = Tally()
    start = time.monotonic()
    for group in (signals, concurrent_pairs, reasons):
        with tempfile.TemporaryDirectory() as scratch:
            group(c, talvo, pathlib.Path(scratch))
    print(f'{c.passed} passed, {c.failed} failed in {time.monotonic() - start:.1f} s')
    return 1 if c.failed else 0


if __name__ == '__main__':
    sys.exit(main())
