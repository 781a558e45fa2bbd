#!/usr/bin/env python3
"""Runs talvo on hostile sources under an address-space limit (setrlimit RLIMIT_AS).

Empty PROC scopes and the arguments of finished macro expansions must stay cheap enough to
fit the limit, and a run that does run out of memory must end with the message and status
255, leaving no output file, rather than abort or assemble a wrong image.

Usage: memory_check.py --talvo PATH   (not under AddressSanitizer, which needs a large space)
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile

MIB = 1024 * 1024
NO_MEMORY = 'メモリが確保できません\n'.encode('cp932')
LONG_ARGUMENT = '+1' + '+0' * 449  # 900 characters that add up to 1


def run(talvo, folder, source, limit, options=()):
    """Assembles source as prog.asm under the limit; returns the completed process."""
    with open(os.path.join(folder, 'prog.asm'), 'w') as f:
        f.write(source)

    def limit_memory():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    return subprocess.run([talvo, *options, 'prog.asm'], cwd=folder, capture_output=True,
                          timeout=60, preexec_fn=limit_memory)


def take_files(folder):
    """The files beside prog.asm, by name, removed from the folder."""
    written = {name: open(os.path.join(folder, name), 'rb').read()
               for name in os.listdir(folder) if name != 'prog.asm'}
    for name in written:
        os.remove(os.path.join(folder, name))
    return written


def counting_macro(calls, argument, inner=''):
    """A macro adding its argument to X, called `calls` times; the image is DW X."""
    return (f'COUNT MACRO\nX = X %1\n{inner} ENDM\nX = 0\n ORG 0\n'
            f' REPT {calls}\n COUNT {argument}\n ENDM\n DW X\n END\n')


def cases():
    # 300,000 empty scopes from a 48-byte source.
    yield ('empty scopes', ' ORG 0\n REPT 300000\n PROC\n ENDP\n ENDM\n NOP\n END\n', 300 * MIB,
           (), {'prog.bin': b'\x00'})
    # 20,000 expansions with 900-character arguments: 18 MB if the arguments were kept.
    yield ('arguments released', counting_macro(20000, LONG_ARGUMENT), 24 * MIB, (),
           {'prog.bin': (20000).to_bytes(2, 'little')})
    # 256 nested scopes (the deepest allowed), each waiting for LARGE, which the root scope
    # defines last: the references must not each wait on every enclosing scope's LARGE.
    yield ('nested waits', ' ORG 0\n REPT 256\n PROC\n DB LARGE\n ENDM\n REPT 256\n ENDP\n'
           ' ENDM\nLARGE EQU FWD\nFWD EQU 7\n END\n', 64 * MIB, (), {'prog.bin': b'\7' * 256})
    # Each scope has a label: the label table outgrows the limit.
    yield ('label table', ' ORG 0\n REPT 10000000\n PROC\nHERE:\n ENDP\n ENDM\n NOP\n END\n',
           64 * MIB, (), None)
    # With -x, each expansion keeps its REPT body (for the listing run) and so its arguments:
    # the text store outgrows the limit.
    yield ('text store', counting_macro(1000000, LONG_ARGUMENT, ' REPT 1\n NOP\n ENDM\n'),
           64 * MIB, ('-x',), None)


def oversized_disk(talvo, folder):
    """An existing disk too large to load, its header giving its whole size and listing a
    track: the disk writer reports it on standard error, as its other failures, and leaves the
    file as it was. Returns a problem, or None."""
    path = os.path.join(folder, 'prog.d88')
    with open(path, 'wb') as f:
        f.write(bytes(0x1C) + (512 * MIB).to_bytes(4, 'little') + (0x2B0).to_bytes(4, 'little'))
        f.truncate(512 * MIB)  # sparse: takes no room
    result = run(talvo, folder, ' ORG 0\n NOP\n END\n', 256 * MIB, ('-8',))
    size = os.path.getsize(path)
    written = take_files(folder)
    if (result.returncode, result.stdout, result.stderr) != (255, b'', NO_MEMORY) or \
            size != 512 * MIB or sorted(written) != ['prog.d88']:
        return f'status {result.returncode}, stdout {result.stdout!r}, stderr {result.stderr!r}'
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    talvo = os.path.abspath(parser.parse_args().talvo)
    problems = []
    with tempfile.TemporaryDirectory() as folder:
        for label, source, limit, options, expected in cases():
            result = run(talvo, folder, source, limit, options)
            written = take_files(folder)
            if expected is not None:
                ok = result.returncode == 0 and written == expected
            else:
                ok = (result.returncode == 255 and result.stdout.endswith(NO_MEMORY) and
                      not written)
            if not ok:
                problems.append(f'{label}: status {result.returncode}, files {sorted(written)}, '
                                f'output ends {result.stdout[-80:]!r}')
        problem = oversized_disk(talvo, folder)
        if problem:
            problems.append('oversized disk: ' + problem)
    for problem in problems:
        print('FAIL ' + problem)
    print(f'{len(problems)} failed')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
