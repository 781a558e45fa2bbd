#!/usr/bin/env python3
"""Runs talvo against file-system faults and checks that no file is lost.

Each scenario runs in a scratch folder of its own and checks the exit status, the message, that
every older file is byte for byte as it was (or, on success, replaced through its link), and
that no temporary file is left: a file-size limit (ulimit -f), symbolic links that lead an
output to an input, an output named like a folder, a device that is always full, and a folder
the user may not write to (run as an ordinary user when the test runs as the superuser).

Usage: output_safety_check.py --talvo PATH
"""
import argparse
import os
import pathlib
import resource
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from check_tally import Tally  # noqa: E402

PROGRAM = b'\tORG 8000H\nSTART:\tLD A,1\n\tJP START\n\tEND\n'
IMAGE = bytes.fromhex('3E01C30080')
# 16 KiB of code: over an 8 KiB file-size limit.
BIG_PROGRAM = b'\tORG 8000H\n\tDS 4000H, 0AAH\n\tEND\n'
NOBODY = 65534


class Checker(Tally):
    def __init__(self, talvo):
        super().__init__()
        self.talvo = talvo

    def run(self, folder, args, file_limit=None, as_nobody=False):
        def in_child():
            if file_limit is not None:
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))
            if as_nobody:
                os.setgid(NOBODY)
                os.setuid(NOBODY)
        result = subprocess.run([self.talvo] + args, cwd=folder, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=60,
                                preexec_fn=in_child)
        return result.returncode, result.stdout.decode('cp932', 'replace')


def files_in(folder):
    return sorted(p.name for p in pathlib.Path(folder).iterdir())


def write(path, data):
    pathlib.Path(path).write_bytes(data)


def read(path):
    return pathlib.Path(path).read_bytes()


def size_limit(c, folder):
    """Over a file-size limit the run fails with its message (it is not ended by SIGXFSZ) and
    the older image stays whole."""
    write(folder / 'big.asm', BIG_PROGRAM)
    write(folder / 'big.bin', b'older image')
    status, out = c.run(folder, ['big.asm'], file_limit=8192)
    c.check('ulimit -f: status', status == 255, f'status {status}')
    c.check('ulimit -f: message', out == 'Cannot write output file\n', repr(out))
    c.check('ulimit -f: older image kept', read(folder / 'big.bin') == b'older image')
    c.check('ulimit -f: no temporary file', files_in(folder) == ['big.asm', 'big.bin'],
            str(files_in(folder)))


def links(c, folder):
    """An output whose name is a symbolic link to a file the run reads is refused before
    anything is written; a link to any other file has that file replaced."""
    write(folder / 'prog.asm', PROGRAM)
    os.symlink('prog.asm', folder / 'out.bin')
    status, out = c.run(folder, ['-o', 'out.bin', 'prog.asm'])
    c.check('link to the source: status', status == 255, f'status {status}')
    c.check('link to the source: message',
            out == "Output file 'out.bin' is a file the run reads; nothing is written\n", repr(out))
    c.check('link to the source: source kept', read(folder / 'prog.asm') == PROGRAM)

    # A listing named like a link to an included file; the image is not written either.
    write(folder / 'main.asm', b'\tORG 8000H\n\tINCLUDE part.inc\n\tEND\n')
    write(folder / 'part.inc', b'\tRET\n')
    os.symlink('part.inc', folder / 'main.lst')
    status, out = c.run(folder, ['-l', 'main.asm'])
    c.check('link to an include: status', status == 255, f'status {status}')
    c.check('link to an include: message',
            out == "Output file 'main.lst' is a file the run reads; nothing is written\n",
            repr(out))
    c.check('link to an include: kept', read(folder / 'part.inc') == b'\tRET\n')
    c.check('link to an include: no image', not (folder / 'main.bin').exists())

    # A listing named like a link to the image, not made yet: two outputs to one file.
    os.symlink('two.bin', folder / 'two.lst')
    status, out = c.run(folder, ['-l', '-o', 'two.bin', 'prog.asm'])
    c.check('link to the image: status', status == 255, f'status {status}')
    c.check('link to the image: message',
            out == "Output file 'two.lst' is also another output of the run; nothing is written\n",
            repr(out))
    c.check('link to the image: nothing written', not (folder / 'two.bin').exists())

    # A link to a file the run does not read: the file it leads to is replaced.
    (folder / 'images').mkdir()
    write(folder / 'images' / 'prog.bin', b'older image')
    os.symlink('images/prog.bin', folder / 'prog.bin')
    status, out = c.run(folder, ['prog.asm'])
    c.check('link to an older image: status', status == 0, f'status {status} {out}')
    c.check('link to an older image: replaced', read(folder / 'images' / 'prog.bin') == IMAGE)
    c.check('link to an older image: link kept', (folder / 'prog.bin').is_symlink())
    c.check('link to an older image: no temporary file',
            files_in(folder / 'images') == ['prog.bin'], str(files_in(folder / 'images')))


def folder_and_device(c, folder):
    """An output named like a folder cannot be opened; a device that is always full cannot be
    written; either way the run fails with its message and nothing else is written."""
    write(folder / 'prog.asm', PROGRAM)
    (folder / 'prog.bin').mkdir()
    write(folder / 'prog.lst', b'older list')
    status, out = c.run(folder, ['-l', 'prog.asm'])
    c.check('folder: status', status == 255, f'status {status}')
    c.check('folder: message', out == 'Cannot open output file\n', repr(out))
    c.check('folder: older list kept', read(folder / 'prog.lst') == b'older list')
    c.check('folder: no temporary file', files_in(folder) == ['prog.asm', 'prog.bin', 'prog.lst'],
            str(files_in(folder)))

    status, out = c.run(folder, ['-o', '/dev/full', 'prog.asm'])
    c.check('/dev/full: status', status == 255, f'status {status}')
    c.check('/dev/full: message', out == 'Cannot write output file\n', repr(out))


def read_only_folder(c, folder):
    """A folder the user may not write to keeps its older files. The superuser may write
    anywhere, so then talvo runs as an ordinary user."""
    as_nobody = os.geteuid() == 0
    # The program itself must be reachable by that user.
    talvo = folder / 'talvo'
    shutil.copy(c.talvo, talvo)
    folder.chmod(0o755)
    out_folder = folder / 'out'
    out_folder.mkdir()
    write(folder / 'prog.asm', PROGRAM)
    write(out_folder / 'prog.bin', b'older image')
    write(out_folder / 'prog.sym', b'older symbols')
    out_folder.chmod(0o555)
    saved, c.talvo = c.talvo, str(talvo)
    try:
        status, out = c.run(folder, ['-Y', '-o', 'out/prog.bin', 'prog.asm'], as_nobody=as_nobody)
    finally:
        c.talvo = saved
        out_folder.chmod(0o755)
    c.check('read-only folder: status', status == 255, f'status {status}')
    c.check('read-only folder: message', out == 'Cannot open output file\n', repr(out))
    c.check('read-only folder: older files kept',
            read(out_folder / 'prog.bin') == b'older image'
            and read(out_folder / 'prog.sym') == b'older symbols')
    c.check('read-only folder: no temporary file',
            files_in(out_folder) == ['prog.bin', 'prog.sym'], str(files_in(out_folder)))


# The options of the files for emulators and debuggers, each with the name it is given here.
DEBUG_OUTPUTS = [('--wav=', 'prog.wav'), ('--t88=', 'prog.t88'), ('--cmt=', 'prog.cmt'),
                 ('--symbols=equ:', 'prog.equ'), ('--symbols=noi:', 'prog.noi'),
                 ('--symbols=mame:', 'prog.mame'), ('--sld=', 'prog.sld')]


def debugger_files(c, folder):
    """The tapes, symbol files and debug data are written with the other outputs, all or
    nothing: none may be a file the run reads, two may not be one file, and when one cannot be
    written no other file of the run is."""
    write(folder / 'prog.asm', b'\tORG 8000H\n\tINCLUDE part.inc\n\tEND\n')
    write(folder / 'part.inc', b'START:\tLD A,1\n\tJP START\n')
    every = [option + name for option, name in DEBUG_OUTPUTS]
    for option, name in DEBUG_OUTPUTS:
        args = [option + 'part.inc', 'prog.asm']
        status, out = c.run(folder, args)
        c.check(f'{option} over an input: refused', status == 255 and out ==
                "Output file 'part.inc' is a file the run reads; nothing is written\n", repr(out))
        c.check(f'{option} over an input: kept',
                read(folder / 'part.inc') == b'START:\tLD A,1\n\tJP START\n')
        status, out = c.run(folder, [option + 'prog.lst', '-l', 'prog.asm'])
        c.check(f'{option} named like the label list: refused', status == 255 and out ==
                "Output file 'prog.lst' is also another output of the run; nothing is written\n",
                repr(out))
        c.check(f'{option}: nothing written', files_in(folder) == ['part.inc', 'prog.asm'],
                str(files_in(folder)))

    # Every one at once, then again with each in turn unwritable (a folder of its name): the
    # files of the first run stay as they were, and no temporary file is left.
    status, out = c.run(folder, every + ['-l', 'prog.asm'])
    c.check('all debugger files: written', status == 0, f'{status} {out}')
    written = {name: read(folder / name) for name in files_in(folder)}
    for option, name in DEBUG_OUTPUTS:
        (folder / name).unlink()
        (folder / name).mkdir()
        write(folder / 'prog.asm', b'\tORG 9000H\n\tINCLUDE part.inc\n\tEND\n')
        status, out = c.run(folder, every + ['-l', 'prog.asm'])
        c.check(f'{option} unwritable: fails naming it', status == 255 and f"'{name}'" in out,
                repr(out))
        kept = all(read(folder / other) == data for other, data in written.items()
                   if other not in (name, 'prog.asm'))
        c.check(f'{option} unwritable: every other file kept', kept)
        c.check(f'{option} unwritable: no temporary file',
                sorted(files_in(folder)) == sorted(written), str(files_in(folder)))
        (folder / name).rmdir()
        write(folder / name, written[name])
        write(folder / 'prog.asm', written['prog.asm'])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    options = parser.parse_args()
    c = Checker(str(pathlib.Path(options.talvo).resolve()))
    for scenario in (size_limit, links, folder_and_device, read_only_folder, debugger_files):
        with tempfile.TemporaryDirectory() as scratch:
            scenario(c, pathlib.Path(scratch))
    print(f'{c.passed} passed, {c.failed} failed')
    return 1 if c.failed else 0


if __name__ == '__main__':
    sys.exit(main())
