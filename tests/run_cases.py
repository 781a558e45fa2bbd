#!/usr/bin/env python3
"""Runs the whole-program golden cases of one or more folders.

A case is NAME.asm (or NAME.args alone) in a case folder. The program is run in a scratch copy
of the folder (its sub-folders included) as `talvo [NAME.flags...] NAME.asm` (or with the
arguments of NAME.args, one per line, an empty line being an empty argument) and compared byte
for byte with:
  NAME.out     standard output (absent: no output expected)
  NAME.err     standard error (absent: no output expected)
  NAME.status  exit status as a number (absent: 0)
  NAME.<ext>   each file the program writes as NAME.<ext>; a written file F of another name is
               expected as NAME.F. A written file without an expected counterpart fails, and
               so does any file written into a sub-folder.
With --update the expected files are rewritten from the program's results instead.

A difference is explained: the console texts and the text files (.lst, .sym, .als, .hex, .d)
as a unified diff of their CP932 text; any other file by its first differing byte, and for a
.bin image also by the source line that put that byte there, read from an assemble list made
by running the case again with -x.
"""
import argparse
import difflib
import pathlib
import shutil
import subprocess
import sys
import tempfile

CASE_SUFFIXES = {'.asm', '.args'}
META_SUFFIXES = {'.flags', '.args', '.out', '.err', '.status'}


def case_names(folder: pathlib.Path):
    names = set()
    for path in folder.iterdir():
        if path.is_file() and path.suffix in CASE_SUFFIXES:
            names.add(path.stem)
    return sorted(names)


def arguments(folder: pathlib.Path, name: str):
    args_file = folder / f'{name}.args'
    if args_file.exists():
        return args_file.read_text().splitlines()  # an empty line is an empty argument
    flags_file = folder / f'{name}.flags'
    flags = flags_file.read_text().split() if flags_file.exists() else []
    return flags + [f'{name}.asm']


def expected_name(name: str, written: str) -> str:
    return written if written.startswith(name + '.') else f'{name}.{written}'


def copy_inputs(folder: pathlib.Path, scratch: pathlib.Path) -> dict:
    """Copies the files of a case folder, and its sub-folders whole, into scratch, leaving out
    the expected outputs of every case, so that every output file counts as written by the run.
    Returns {path relative to scratch: bytes} of every file copied."""
    names = case_names(folder)
    for path in folder.iterdir():
        if path.is_dir():
            shutil.copytree(path, scratch / path.name)
        elif path.is_file() and not any(is_expected_output(n, path.name) for n in names):
            shutil.copy(path, scratch / path.name)
    return {str(p.relative_to(scratch)): p.read_bytes() for p in scratch.rglob('*') if p.is_file()}


def written_files(scratch: pathlib.Path, inputs: dict) -> dict:
    """{path relative to scratch: bytes} of every file the run made or changed."""
    written = {}
    for path in scratch.rglob('*'):
        name = str(path.relative_to(scratch))
        if path.is_file() and inputs.get(name) != (content := path.read_bytes()):
            written[name] = content
    return written


def update_stream(path: pathlib.Path, data: bytes):
    if data:
        path.write_bytes(data)
    elif path.exists():
        path.unlink()


def compare_stream(path: pathlib.Path, actual: bytes, stream: str, problems: list):
    expected = path.read_bytes() if path.exists() else b''
    if actual != expected:
        wanted = path.name if path.exists() else f'{path.name} (absent: no output expected)'
        problems.append(f'{stream} differs from {wanted}:\n'
                        + text_difference(expected, actual, path.name, stream))


# ---- Explaining a difference ----------------------------------------------------------------

TEXT_EXTENSIONS = ('lst', 'sym', 'als', 'hex', 'd')
DIFF_CONTEXT = 3  # unchanged lines shown around each change
DIFF_LINES = 200  # a longer diff is cut there: the start of it tells what went wrong
# Control characters other than the tab, written out so that a CR or an escape code in a
# console text neither hides nor rewrites a line of the report.
VISIBLE = {c: f'\\x{c:02x}' for c in range(32) if c != 9}
VISIBLE[13] = '\\r'


def text_lines(data: bytes) -> list:
    """The lines of a CP932 text without their line feeds, control characters written out; a
    last line without a line feed is followed by a line that says so."""
    lines = data.decode('cp932', 'replace').split('\n')
    if lines[-1] == '':
        lines.pop()
    elif data:
        lines.append('\\ No newline at end of file')
    return [line.translate(VISIBLE) for line in lines]


def text_difference(expected: bytes, actual: bytes, expected_name: str, actual_name: str) -> str:
    """A unified diff of two CP932 texts, cut after DIFF_LINES lines."""
    diff = list(difflib.unified_diff(text_lines(expected), text_lines(actual),
                                     f'expected {expected_name}', f'actual {actual_name}',
                                     n=DIFF_CONTEXT, lineterm=''))
    if not diff:
        # Different bytes that decode to the same text: bytes that are not CP932 characters.
        return 'the texts differ only in bytes that are not CP932 text: ' + \
            binary_difference(expected, actual)
    if len(diff) > DIFF_LINES:
        diff = diff[:DIFF_LINES] + [f'... {len(diff) - DIFF_LINES} more lines of diff']
    return '\n'.join(diff)


def first_difference(expected: bytes, actual: bytes) -> int:
    """The offset of the first byte that differs, or the shorter length when one is a prefix
    of the other."""
    for offset, (e, a) in enumerate(zip(expected, actual)):
        if e != a:
            return offset
    return min(len(expected), len(actual))


def binary_difference(expected: bytes, actual: bytes) -> str:
    offset = first_difference(expected, actual)

    def byte_at(data):
        return f'{data[offset]:02X}' if offset < len(data) else '(end of file)'
    text = (f'first difference at offset 0x{offset:04X} ({offset}): expected {byte_at(expected)},'
            f' actual {byte_at(actual)}')
    if len(expected) != len(actual):
        text += f'\nexpected {len(expected)} bytes, actual {len(actual)} bytes'
    return text


class Listed:
    """A line of an assemble list that shows bytes, with its continuation lines."""

    def __init__(self, address: int, text: str):
        self.address = address
        self.text = text
        self.data = bytearray()


def listing_lines(als: bytes) -> list:
    """The lines of an assemble list that show bytes. A line reads `AAAA    B0 B1 B2 B3     text`:
    the address, up to four bytes in columns 8 to 18 and the source text from column 24 on; the
    further bytes of the same line follow four to a line as `AAAA    B4 B5 B6 B7`, without text.
    Lines of another shape (an address alone, for a run of empty lines) are left out."""
    listed = []
    current = None
    for raw in als.split(b'\n'):
        raw = raw.rstrip(b'\r')
        try:
            address = int(raw[:4].decode('ascii'), 16)
        except ValueError:
            continue
        try:
            data = bytes.fromhex((raw[8:19] if len(raw) > 24 else raw[8:]).decode('ascii'))
        except ValueError:
            current = None
            continue
        if len(raw) > 24 or current is None:
            current = Listed(address, raw[24:].decode('cp932', 'replace'))
            listed.append(current)
        current.data += data
    return [line for line in listed if line.data]


def byte_origin(listed: list, image: bytes, offset: int, base=None):
    """The listed line that put image[offset] there, as (address, line), or None when the
    assemble list does not tell.

    Two readings of the list are tried, each used only when every byte it lists agrees with the
    image: the bytes back to back, in the order listed, are the image (as after several ORG
    lines, each segment following the one before); or each listed byte stands at its address
    less the load address (as after placement, when a block or an ARRANGE patch is listed out
    of image order; the list shows the final byte of every address). base is the address of
    the image's first byte; by default the address of the first listed byte."""
    if base is None:
        if b''.join(line.data for line in listed) == image:
            start = 0
            for line in listed:
                if offset < start + len(line.data):
                    return line.address + offset - start, line
                start += len(line.data)
        if not listed:
            return None
        base, others_below = listed[0].address, False
    else:
        others_below = True  # as in D000.bin, whose lower bytes are in another file
    owner = None
    for line in listed:
        for i, value in enumerate(line.data):
            k = line.address + i - base
            if k < 0 and others_below:
                continue
            if not 0 <= k < len(image) or image[k] != value:
                return None
            if k == offset:
                owner = line  # the last line to list an address is the one that wrote it last
    return (base + offset, owner) if owner is not None else None


class Undetermined(Exception):
    """The source line of a byte cannot be told; the message says why."""


def image_origin(talvo: str, folder: pathlib.Path, name: str, written: str, image: bytes,
                 offset: int) -> str:
    """The source line that put image[offset] into the written .bin file, read from the
    assemble list of the case run again with -x in a fresh scratch copy."""
    args = arguments(folder, name)
    with tempfile.TemporaryDirectory() as scratch_dir:
        scratch = pathlib.Path(scratch_dir)
        inputs = copy_inputs(folder, scratch)
        subprocess.run([talvo] + ([] if '-x' in args else ['-x']) + args, cwd=scratch,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, timeout=60)
        rerun = written_files(scratch, inputs)
    if rerun.get(written) != image:
        raise Undetermined('the run with -x did not write the same image')
    lists = [w for w in rerun if w.endswith('.als')]
    own_list = written[:-len('.bin')] + '.als'
    if own_list not in lists and len(lists) != 1:
        raise Undetermined('the run with -x wrote no assemble list of this image')
    als = rerun[own_list if own_list in lists else lists[0]]
    base = 0xD000 if pathlib.PurePath(written).name == 'D000.bin' else None
    origin = byte_origin(listing_lines(als), image, offset, base)
    if origin is None:
        raise Undetermined('the assemble list does not show that byte (BINCLUDE data, a filler'
                           ' between blocks, or bytes listed out of image order)')
    address, line = origin
    return (f'the byte at {address:04X}h comes from the line: {line.text.expandtabs(8).strip()}'
            f'\n  (listed at {line.address:04X}h as {line.data.hex(" ").upper()})')


def file_difference(talvo: str, folder: pathlib.Path, name: str, written: str,
                    expected: pathlib.Path, actual: bytes) -> str:
    """Why a written file differs from its expected counterpart."""
    wanted = expected.read_bytes()
    head = f'{written} differs from {expected.name}:'
    if written.rsplit('.', 1)[-1] in TEXT_EXTENSIONS:
        return head + '\n' + text_difference(wanted, actual, expected.name, written)
    text = head + ' ' + binary_difference(wanted, actual)
    if not written.endswith('.bin') or not actual:
        return text
    offset = first_difference(wanted, actual)
    if offset >= len(actual):
        # The actual image is a prefix of the expected one: its last byte is the nearest.
        offset = len(actual) - 1
        text += f'\nthe actual image ends there; its last byte, at offset 0x{offset:04X}:'
    try:
        return text + '\n' + image_origin(talvo, folder, name, written, actual, offset)
    except Undetermined as reason:
        return text + f'\nthe source line cannot be determined: {reason}'
    except Exception as error:  # diagnostics only: a failure here must not end the run
        return text + f'\nthe source line cannot be determined: {type(error).__name__}: {error}'


def run_case(talvo: str, folder: pathlib.Path, name: str, update: bool) -> list:
    problems = []
    with tempfile.TemporaryDirectory() as scratch_dir:
        scratch = pathlib.Path(scratch_dir)
        inputs = copy_inputs(folder, scratch)
        result = subprocess.run([talvo] + arguments(folder, name), cwd=scratch,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                stdin=subprocess.DEVNULL, timeout=60)
        # Files the program rewrote in place (an existing output) count as written too.
        written = sorted(written_files(scratch, inputs))

        status_file = folder / f'{name}.status'
        out_file = folder / f'{name}.out'
        err_file = folder / f'{name}.err'
        if update:
            if result.returncode != 0:
                status_file.write_text(f'{result.returncode}\n')
            elif status_file.exists():
                status_file.unlink()
            update_stream(out_file, result.stdout)
            update_stream(err_file, result.stderr)
            for w in written:
                if '/' in w:
                    continue  # reported as unexpected without --update
                shutil.copy(scratch / w, folder / expected_name(name, w))
            return []

        want_status = int(status_file.read_text().strip()) if status_file.exists() else 0
        if result.returncode != want_status:
            problems.append(f'exit status {result.returncode}, expected {want_status}')
        compare_stream(out_file, result.stdout, 'stdout', problems)
        compare_stream(err_file, result.stderr, 'stderr', problems)
        for w in written:
            expected = folder / expected_name(name, w)
            if '/' in w or not is_expected_output(name, expected.name) or not expected.exists():
                problems.append(f'unexpected output file {w}')
            elif (actual := (scratch / w).read_bytes()) != expected.read_bytes():
                problems.append(file_difference(talvo, folder, name, w, expected, actual))
        produced = {expected_name(name, w) for w in written}
        for path in folder.iterdir():
            if is_expected_output(name, path.name) and path.name not in produced:
                problems.append(f'expected file {path.name} was not written')
    return problems


OUTPUT_EXTENSIONS = ('bin', 'hex', 'mzt', 'd88', 't88', 'cmt', 'wav', 'lst', 'sym', 'equ', 'noi', 'mame',
                     'sld', 'als', 'd')


def is_expected_output(name: str, file_name: str) -> bool:
    """NAME.<ext> for an output extension, or NAME.<file>.<ext> for another written file."""
    if not file_name.startswith(name + '.'):
        return False
    return file_name.rsplit('.', 1)[-1] in OUTPUT_EXTENSIONS


def check_folders(folders, check) -> int:
    """Runs check(folder, name) -> problems on every case of the folders and reports each
    failing case; returns the exit status (1 when any failed)."""
    passed = failed = 0
    for folder_name in folders:
        folder = pathlib.Path(folder_name)
        for name in case_names(folder):
            problems = check(folder, name)
            if problems:
                failed += 1
                print(f'FAIL {folder.name}/{name}')
                for p in problems:
                    print('  ' + p.replace('\n', '\n  '))
            else:
                passed += 1
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    parser.add_argument('--update', action='store_true')
    parser.add_argument('folders', nargs='+')
    options = parser.parse_args()
    talvo = str(pathlib.Path(options.talvo).resolve())
    return check_folders(options.folders,
                         lambda folder, name: run_case(talvo, folder, name, options.update))


if __name__ == '__main__':
    sys.exit(main())
