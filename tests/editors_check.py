#!/usr/bin/env python3
"""Checks that editors find the places of --errors=gnu output: Vim's quickfix list (its
default errorformat, read with :cfile) and Emacs's compilation mode (its default rules) must
each put every error, warning and note on its file, line and column, and nothing else.

Usage: editors_check.py --talvo TALVO
Exit status 77 (skipped) when neither vim nor emacs is installed; an editor that is missing is
named and left out.
"""
import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
FIXTURE = HERE / 'editors'
# A diagnostic line as the program prints it: FILE:LINE:COLUMN: KIND: TEXT.
DIAGNOSTIC = re.compile(r'^(?P<file>[^:\s][^:]*):(?P<line>\d+):(?P<column>\d+): '
                        r'(?P<kind>error|warning|note): ')
# Emacs's message types: 2 error, 1 warning, 0 information (a note).
EMACS_TYPES = {'error': '2', 'warning': '1', 'note': '0'}

VIM_SCRIPT = ('call writefile(map(filter(getqflist(), {_, e -> e.valid}), '
              '{_, e -> bufname(e.bufnr) .. "\\t" .. e.lnum .. "\\t" .. e.col}), "{out}")')

EMACS_SCRIPT = r'''
(require 'compile)
(let ((input (car command-line-args-left))
      (output (cadr command-line-args-left))
      (found '()))
  (with-current-buffer (find-file-noselect input)
    (compilation-mode)
    (compilation--ensure-parse (point-max))
    (goto-char (point-min))
    (while (not (eobp))
      (let ((message (get-text-property (point) 'compilation-message)))
        (when message
          (let* ((loc (compilation--message->loc message))
                 (file (caar (compilation--loc->file-struct loc))))
            (push (format "%s\t%s\t%s\t%s" file (compilation--loc->line loc)
                          (compilation--loc->col loc) (compilation--message->type message))
                  found))))
      (forward-line 1)))
  (with-temp-file output
    (insert (mapconcat #'identity (nreverse found) "\n"))))
'''


def expected_places(errors: str):
    """(file, line, column, kind) of every diagnostic line, in order."""
    places = []
    for text in errors.splitlines():
        match = DIAGNOSTIC.match(text)
        if match:
            places.append((match['file'], match['line'], match['column'], match['kind']))
    return places


def lines_of(path: pathlib.Path):
    text = path.read_text(encoding='utf-8') if path.exists() else ''
    return [line for line in text.splitlines() if line]


def check_vim(folder: pathlib.Path, places) -> list:
    out = folder / 'vim.txt'
    subprocess.run(['vim', '-es', '-N', '-u', 'NONE', '-i', 'NONE', '-c', 'cfile errors.txt', '-c',
                    VIM_SCRIPT.replace('{out}', str(out)), '-c', 'qa!'],
                   cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    found = lines_of(out)
    wanted = ['\t'.join(place[:3]) for place in places]
    return [] if found == wanted else [f'vim quickfix: expected {wanted}, found {found}']


def check_emacs(folder: pathlib.Path, places) -> list:
    script = folder / 'check.el'
    script.write_text(EMACS_SCRIPT, encoding='utf-8')
    out = folder / 'emacs.txt'
    subprocess.run(['emacs', '--batch', '-Q', '-l', str(script), 'errors.txt', str(out)],
                   cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    found = lines_of(out)
    wanted = ['\t'.join(place[:3] + (EMACS_TYPES[place[3]],)) for place in places]
    return [] if found == wanted else [f'emacs compilation mode: expected {wanted}, found {found}']


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True)
    options = parser.parse_args()
    talvo = str(pathlib.Path(options.talvo).resolve())
    editors = [name for name in ('vim', 'emacs') if shutil.which(name)]
    for name in ('vim', 'emacs'):
        if name not in editors:
            print(f'{name} is not installed: its check is skipped')
    if not editors:
        return 77
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(scratch)
        for path in FIXTURE.iterdir():
            shutil.copy(path, folder / path.name)
        result = subprocess.run([talvo, '--errors=gnu', '--messages=en', '--warn=range',
                                 'main.asm'], cwd=folder, capture_output=True, timeout=60)
        errors = result.stderr.decode('utf-8')
        (folder / 'errors.txt').write_text(errors, encoding='utf-8')
        places = expected_places(errors)
        kinds = {place[3] for place in places}
        problems = [] if kinds == {'error', 'warning', 'note'} else [
            f'the fixture should give errors, warnings and notes; it gave {sorted(kinds)}']
        if 'vim' in editors:
            problems += check_vim(folder, places)
        if 'emacs' in editors:
            problems += check_emacs(folder, places)
    for problem in problems:
        print(problem)
    print(f'{len(places)} places checked with {", ".join(editors)}: '
          f'{"ok" if not problems else "FAILED"}')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
