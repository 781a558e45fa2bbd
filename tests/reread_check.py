#!/usr/bin/env python3
"""Checks how talvo reads its input files when -x makes it read them twice, and what it says
when a file cannot be opened.

- A source, INCLUDE or BINCLUDE file that can be read only once (a pipe on standard input, a
  FIFO) gives the same assemble list as the same text in a regular file, with no warning, and
  the run ends.
- A regular file that changes between the assembly and the listing run (made to change while
  talvo waits on a FIFO included after it) fails the run with a message naming it, and no
  output file is written.
- An INCLUDE that fails for a reason other than a missing file (too many open files) keeps its
  classic line; --errors=gnu adds the system's reason.

Usage: reread_check.py --talvo PATH
"""
import argparse
import errno
import os
import pathlib
import resource
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from check_tally import Tally  # noqa: E402

TIMEOUT = 20  # seconds: a run that waits on a FIFO a second time never ends by itself
# A source with no END would warn; this one has its END, so any warning is false.
SOURCE = b'\tORG 8000H\nSTART:\tLD A,1\n\tJP START\n\tDB "ok"\n\tEND\n'


class Feeder:
    """Writes data into a FIFO from a thread, once a reader opens it."""

    def __init__(self, path, data, before_write=None):
        self.path = path
        self.thread = threading.Thread(target=self.feed, args=(data, before_write), daemon=True)
        self.thread.start()

    def feed(self, data, before_write):
        with open(self.path, 'wb') as fifo:  # waits for the reader
            if before_write is not None:
                before_write()
            fifo.write(data)

    def finish(self):
        # A feeder whose reader never came is released by a reader that reads nothing.
        if self.thread.is_alive():
            try:
                os.close(os.open(self.path, os.O_RDONLY | os.O_NONBLOCK))
            except OSError:
                pass
        self.thread.join(TIMEOUT)


def run(talvo, folder, args, stdin_data=None, nofile=None):
    def in_child():
        if nofile is not None:
            resource.setrlimit(resource.RLIMIT_NOFILE, (nofile, nofile))
    try:
        result = subprocess.run([talvo] + args, cwd=folder, input=stdin_data,
                                stdin=None if stdin_data is not None else subprocess.DEVNULL,
                                capture_output=True, timeout=TIMEOUT, preexec_fn=in_child)
    except subprocess.TimeoutExpired:
        return None, '', ''
    return (result.returncode, result.stdout.decode('cp932', 'replace'),
            result.stderr.decode('cp932', 'replace'))


def read(path):
    return pathlib.Path(path).read_bytes() if pathlib.Path(path).exists() else None


def once_readable_sources(c, talvo, folder):
    (folder / 'regular.asm').write_bytes(SOURCE)
    status, out, _ = run(talvo, folder, ['-x', 'regular.asm'])
    c.check('regular source: assembles', status == 0, out)
    expected_list = read(folder / 'regular.als')

    status, out, _ = run(talvo, folder, ['-x', '-o', 'piped.bin', '/dev/stdin'], SOURCE)
    c.check('pipe on standard input: ends with status 0', status == 0, f'{status} {out}')
    c.check('pipe on standard input: no warning', out == '', out)
    c.check('pipe on standard input: same image',
            read(folder / 'piped.bin') == read(folder / 'regular.bin'))
    c.check('pipe on standard input: same assemble list',
            read(folder / 'piped.als') == expected_list, repr(read(folder / 'piped.als')))

    os.mkfifo(folder / 'source.fifo')
    feeder = Feeder(folder / 'source.fifo', SOURCE)
    status, out, _ = run(talvo, folder, ['-x', '-o', 'fifo.bin', 'source.fifo'])
    feeder.finish()
    c.check('FIFO source: ends with status 0', status == 0, f'{status} {out}')
    c.check('FIFO source: same assemble list', read(folder / 'fifo.als') == expected_list,
            repr(read(folder / 'fifo.als')))

    # INCLUDE and BINCLUDE of FIFOs, against the same text and bytes in regular files.
    included = b'\tDB 1,2,3\nNEAR:\tJR NEAR\n'
    data = bytes(range(40))
    (folder / 'part.inc').write_bytes(included)
    (folder / 'data.bin').write_bytes(data)
    (folder / 'files.asm').write_bytes(
        b'\tORG 9000H\n\tINCLUDE part.inc\n\tBINCLUDE data.bin\nEND_:\tDW END_\n\tEND\n')
    os.mkfifo(folder / 'part.fifo')
    os.mkfifo(folder / 'data.fifo')
    (folder / 'fifos.asm').write_bytes(
        b'\tORG 9000H\n\tINCLUDE part.fifo\n\tBINCLUDE data.fifo\nEND_:\tDW END_\n\tEND\n')
    status, out, _ = run(talvo, folder, ['-x', 'files.asm'])
    c.check('regular INCLUDE and BINCLUDE: assemble', status == 0, out)
    feeders = [Feeder(folder / 'part.fifo', included), Feeder(folder / 'data.fifo', data)]
    status, out, _ = run(talvo, folder, ['-x', 'fifos.asm'])
    for feeder in feeders:
        feeder.finish()
    c.check('FIFO INCLUDE and BINCLUDE: end with status 0', status == 0, f'{status} {out}')
    c.check('FIFO INCLUDE and BINCLUDE: same image',
            read(folder / 'fifos.bin') == read(folder / 'files.bin'))
    c.check('FIFO INCLUDE and BINCLUDE: same assemble list',
            read(folder / 'fifos.als') == read(folder / 'files.als'),
            repr(read(folder / 'fifos.als')))


def changed_between_runs(c, talvo, folder):
    # The assembly run opens the changing file, then waits on gate.fifo: the feeder gets its
    # reader only then, changes the file and lets the run go on. The listing run must notice.
    def grow(path):
        path.write_bytes(path.read_bytes() + b'\n')

    def same_size_later(path):
        before = path.stat().st_mtime_ns
        path.write_bytes(path.read_bytes().replace(b'1', b'7'))
        os.utime(path, ns=(before + 10**9, before + 10**9))

    cases = [('size', 'part.inc', grow), ('modification time', 'part.inc', same_size_later),
             ('BINCLUDE size', 'data.bin', grow)]
    for label, name, change in cases:
        scratch = folder / label.replace(' ', '_')
        scratch.mkdir()
        (scratch / 'part.inc').write_bytes(b'\tDB 1\n')
        (scratch / 'data.bin').write_bytes(b'\x01\x02')
        (scratch / 'main.asm').write_bytes(
            b'\tORG 8000H\n\tINCLUDE part.inc\n\tBINCLUDE data.bin\n\tINCLUDE gate.fifo\n\tEND\n')
        os.mkfifo(scratch / 'gate.fifo')
        for older in ('main.bin', 'main.als'):
            (scratch / older).write_bytes(b'older')
        feeder = Feeder(scratch / 'gate.fifo', b'\tDB 2\n', lambda: change(scratch / name))
        status, out, _ = run(talvo, scratch, ['-x', '--messages=en', 'main.asm'])
        feeder.finish()
        c.check(f'changed {label}: fails with 255', status == 255, f'{status} {out}')
        c.check(f'changed {label}: names the file',
                f"File '{name}' changed during the run; nothing is written" in out, out)
        c.check(f'changed {label}: older outputs kept',
                read(scratch / 'main.bin') == b'older' and read(scratch / 'main.als') == b'older')


def open_reasons(c, talvo, folder):
    depth = 41
    for level in range(depth):
        text = f'\tDB {level}\n'
        if level + 1 < depth:
            text += f'\tINCLUDE c{level + 1}.inc\n'
        (folder / f'c{level}.inc').write_text(text)
    (folder / 'main.asm').write_text('\tORG 8000H\n\tINCLUDE c0.inc\n\tEND\n')
    status, out, _ = run(talvo, folder, ['main.asm'])
    c.check('41-deep chain: assembles with the usual limit', status == 0, out)

    status, out, _ = run(talvo, folder, ['main.asm'], nofile=20)
    c.check('too many open files: fails', status == 255, f'{status} {out}')
    lines = out.splitlines()
    c.check('too many open files: the classic line alone',
            len(lines) == 1 and lines[0].startswith("File 'c") and lines[0].endswith(
                ".inc' cannot open"), out)
    status, _, err = run(talvo, folder, ['--errors=gnu', '--messages=en', 'main.asm'],
                         nofile=20)
    first = err.splitlines()[0] if err else ''
    name = lines[0][len("File '"):-len("' cannot open")] if lines else '?'
    c.check('too many open files: --errors=gnu gives the reason',
            status == 255 and first.endswith(
                f"File '{name}' cannot open: looked for '{name}' ({os.strerror(errno.EMFILE)})"),
            err)

    # A missing file gives no reason; a folder as a source says what it is.
    (folder / 'missing.asm').write_text('\tINCLUDE nothing.inc\n\tEND\n')
    _, _, err = run(talvo, folder, ['--errors=gnu', '--messages=en', 'missing.asm'])
    c.check('missing INCLUDE: the places alone',
            "cannot open: looked for 'nothing.inc'\n" in err, err)
    (folder / 'folder').mkdir()
    status, out, err = run(talvo, folder, ['--errors=gnu', '--messages=en', 'folder'])
    c.check('folder as a source: its reason under --errors=gnu',
            status == 255 and f"File 'folder' cannot open: 'folder': {os.strerror(errno.EISDIR)}" in err,
            err)
    status, out, err = run(talvo, folder, ['folder'])
    c.check('folder as a source: the classic line as before',
            out == "File 'folder' cannot open\n" and err == '', out + err)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True)
    options = parser.parse_args()
    talvo = str(pathlib.Path(options.talvo).resolve())
    c = Tally()
    for scenario in (once_readable_sources, changed_between_runs, open_reasons):
        with tempfile.TemporaryDirectory() as scratch:
            scenario(c, talvo, pathlib.Path(scratch))
    print(f'{c.passed} passed, {c.failed} failed')
    return 1 if c.failed else 0


if __name__ == '__main__':
    sys.exit(main())
