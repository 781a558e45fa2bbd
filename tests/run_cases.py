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
"""
import argparse
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
        problems.append('%s differs:\n--- expected\n%s\n--- actual\n%s' % (
            stream, expected.decode('cp932', 'replace'), actual.decode('cp932', 'replace')))


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
            elif (scratch / w).read_bytes() != expected.read_bytes():
                problems.append(f'{w} differs from {expected.name}')
        produced = {expected_name(name, w) for w in written}
        for path in folder.iterdir():
            if is_expected_output(name, path.name) and path.name not in produced:
                problems.append(f'expected file {path.name} was not written')
    return problems


OUTPUT_EXTENSIONS = ('bin', 'hex', 'mzt', 'd88', 'lst', 'sym', 'als', 'd')


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
