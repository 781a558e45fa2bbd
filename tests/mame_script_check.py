#!/usr/bin/env python3
"""Runs the MAME debugger script that talvo writes (--symbols=mame:FILE --break=LABEL) in MAME's
own debugger and checks that MAME took every command.

A small program with a PROC scope, an EQU constant and a '=' label is assembled; its script's
closing "go" is replaced by "bplist", "comsave" and "quit", and MAME runs it headless on the
ROM-less Z80 system z80clock (Qt debugger on Qt's offscreen platform). Then the console log must
hold no error and the breakpoint at START must be set, and the comment file MAME saved must
hold, at each address (decimal there), exactly the comment of the script, naming the labels
that the program puts there.

Usage: mame_script_check.py --talvo PATH
Exit status 77 (skipped) when MAME, its Qt debugger or the z80clock system is not available.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_tally import Tally  # noqa: E402

SKIPPED = 77
SYSTEM = 'z80clock'  # a Z80 system that needs no ROM images; its CPU is "maincpu" as on the MZ
PROGRAM = '''\
BUFSIZE EQU     10H             ; a constant: no comment
STEP    =       1               ; a '=' label: no comment
        ORG     1200H
START:  LD      HL,MSG          ; 1200h  21 10 12
        CALL    PRINT           ; 1203h  CD 07 12
        HALT                    ; 1206h  76
PRINT   PROC                    ; 1207h
BEGIN:  LD      B,BUFSIZE       ; 1207h  06 10: shares its address with PRINT
LOOP:   LD      A,(HL)          ; 1209h  7E
        OR      A               ; 120Ah  B7
        RET     Z               ; 120Bh  C8
        INC     HL              ; 120Ch  23
        DJNZ    LOOP            ; 120Dh  10 FA
DONE?:  RET                     ; 120Fh  C9
        ENDP
STEP    =       2
MSG:    DB      "HI, MAME",0    ; 1210h
BUF:    DS      BUFSIZE         ; 1219h
        END
'''
# The labels of every address, worked out by hand from the program above.
EXPECTED = {
    0x1200: {'START'},
    0x1207: {'PRINT', 'PRINT.BEGIN'},
    0x1209: {'PRINT.LOOP'},
    0x120F: {'PRINT.DONE?'},
    0x1210: {'MSG'},
    0x1219: {'BUF'},
}
BREAKPOINT = 0x1200
LOG_FAULTS = ('unknown command', 'too many parameters', 'error', 'unbalanced', 'invalid')


def find_mame():
    """The mame program: on PATH, else where Debian puts it."""
    found = shutil.which('mame')
    if found:
        return found
    games = pathlib.Path('/usr/games/mame')
    return str(games) if os.access(games, os.X_OK) else None


def unquoted(parameter):
    """A command parameter as MAME takes it: without the double quotes around it."""
    if len(parameter) >= 2 and parameter[0] == parameter[-1] == '"':
        return parameter[1:-1]
    return parameter


def script_comments(lines):
    """{address: comment} of the script's comadd lines."""
    comments = {}
    for line in lines:
        if line.startswith('comadd '):
            address, _, comment = line[len('comadd '):].partition(',')
            comments[int(address, 16)] = unquoted(comment)
    return comments


def saved_comments(path):
    """{address: comment} of the maincpu comments in a MAME comment file."""
    comments = {}
    for cpu in ElementTree.parse(path).getroot().iter('cpu'):
        if cpu.get('tag') == ':maincpu':
            for comment in cpu.iter('comment'):
                comments[int(comment.get('address'))] = (comment.text or '').strip()
    return comments


def log_faults(log):
    """The log lines that report a fault, and any output after a comadd (it prints none)."""
    faults = []
    after_comadd = False
    for line in log:
        if line.startswith('>'):
            after_comadd = line.startswith('>comadd ')
            continue
        if after_comadd or any(fault in line.lower() for fault in LOG_FAULTS):
            faults.append(line)
    return faults


def run_mame(mame, timeout, folder):
    """Runs MAME on prog.mame in folder; (its stderr, seconds taken)."""
    environment = dict(os.environ, HOME=str(folder), QT_QPA_PLATFORM='offscreen',
                       SDL_VIDEODRIVER='dummy', SDL_AUDIODRIVER='dummy')
    # MAME ignores SIGTERM while it spins, hence KILL.
    command = [timeout, '-s', 'KILL', '60', mame, SYSTEM, '-debug', '-debugger', 'qt',
               '-debugscript', 'prog.mame', '-debuglog', '-video', 'none', '-sound', 'none',
               '-seconds_to_run', '5', '-skip_gameinfo', '-nomouse', '-comment_directory', 'cmt']
    started = time.monotonic()
    result = subprocess.run(command, cwd=folder, env=environment, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return result.stderr.decode('utf-8', 'replace'), time.monotonic() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--talvo', required=True)
    talvo = str(pathlib.Path(parser.parse_args().talvo).resolve())
    mame = find_mame()
    if mame is None:
        print('skipped: mame is not installed (neither on PATH nor /usr/games/mame)')
        return SKIPPED
    timeout = shutil.which('timeout')
    if timeout is None:
        print('skipped: no timeout program to stop MAME with')
        return SKIPPED
    tally = Tally()
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(scratch)
        (folder / 'prog.asm').write_text(PROGRAM, encoding='ascii')
        result = subprocess.run([talvo, '--symbols=mame:prog.mame', '--break=START', 'prog.asm'],
                                cwd=folder, capture_output=True, timeout=60)
        if result.returncode != 0 or not (folder / 'prog.mame').exists():
            print(f'FAIL talvo exited with {result.returncode}: {result.stderr!r}')
            return 1
        lines = (folder / 'prog.mame').read_text(encoding='ascii').splitlines()
        tally.check('first line', lines[:1] == ['focus maincpu'], lines[:1])
        tally.check('last line', lines[-1:] == ['go'], lines[-1:])
        tally.check('no line starts with #', not any(line.startswith('#') for line in lines))
        tally.check('one breakpoint', [line for line in lines if line.startswith('bp')]
                    == [f'bp {BREAKPOINT:04X}:maincpu'], lines)
        written = script_comments(lines)
        named = {address: set(comment.split(', ')) for address, comment in written.items()}
        tally.check('labels by address', named == EXPECTED, named)

        (folder / 'prog.mame').write_text('\n'.join(lines[:-1] + ['bplist', 'comsave', 'quit'])
                                          + '\n', encoding='ascii')
        errors, seconds = run_mame(mame, timeout, folder)
        log_path = folder / 'debug.log'
        if 'not supported for option debugger' in errors:
            print('skipped: this MAME has no Qt debugger')
            return SKIPPED
        if not log_path.exists() and 'unknown system' in errors.lower():
            print(f'skipped: this MAME has no {SYSTEM} system')
            return SKIPPED
        if not log_path.exists():
            print(f'FAIL MAME wrote no debug.log ({seconds:.1f} s): {errors}')
            return 1
        log = log_path.read_text(encoding='utf-8', errors='replace').splitlines()
        tally.check('log free of errors', not log_faults(log), log_faults(log))
        tally.check('breakpoint set', 'Breakpoint 1 set' in log, log)
        # bplist shows it as "    1 @ 1200".
        listed = [line.split() for line in log if line.split()[:1] == ['1']]
        tally.check('breakpoint address', [f'{BREAKPOINT:04X}'] in [f[-1:] for f in listed], log)
        saved_path = folder / 'cmt' / f'{SYSTEM}.cmt'
        saved = saved_comments(saved_path) if saved_path.exists() else {}
        tally.check('comments saved at their addresses', saved == written,
                    f'saved {saved}, script {written}')
    print(f'{tally.passed} checks passed, {tally.failed} failed; MAME ran {seconds:.1f} s')
    return 1 if tally.failed else 0


if __name__ == '__main__':
    sys.exit(main())
