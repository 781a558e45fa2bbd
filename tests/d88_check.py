#!/usr/bin/env python3
"""Checks the D88 disk images talvo writes (-8, -2NAME, -25NAME) against images built here.

The expected disks are made in this file from the layout of the format (blank 2D/2DD disks,
the PC-8801 loader, the MZ-2000 boot record, fill sectors and allocation map), not from
talvo's code, and compared whole. An independent reader walks each written disk through its
track table and sector headers and takes the program back out of it. Failure cases check the
message on standard error, the exit status, and that the disk file is left byte for byte as it
was with no other file beside it; a sparse disk of 1 GiB with a header of a normal disk must be
refused at once, in little memory.

Usage: d88_check.py --talvo PATH
"""
import argparse
import os
import resource
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_tally import Tally  # noqa: E402

TRACKS = {'2D': 80, '2DD': 160}
LOADER = bytes.fromhex(
    '18 06 00 00 00 00 00 00 F3 21 16 C0 11 1E F2 01 82 00 D5 ED B0 C9 31 C0 F2 3E 39 D3 31 3E'
    ' A8 D3 32 2A 02 C0 7D 32 7B F2 7C D3 70 ED 5B 04 C0 1B 1C 14 0E 01 3E 02 CD CC 37 1E 10 7A'
    ' BB 30 01 5F 7B CD D2 37 AF CD D2 37 79 CD D2 37 3E 01 CD D2 37 3E 12 CD CC 37 C5 CD 77 F2'
    ' 1D 20 FA C1 0C 7A D6 10 57 28 02 30 CD 3E 3B D3 31 2A 06 C0 E9 01 FC 00 21 00 80 3E 0B D3'
    ' FF DB FE 0F 30 FB 3E 0A D3 FF ED A2 3E 0D D3 FF DB FE 0F 38 FB ED A2 3E 0C D3 FF 20 E0 D3'
    ' 78 C9')
FOREIGN = '通常以外のフォーマットには対応していません\n'
WARN_ZERO = 'Warning: ロードアドレス・実行アドレスが0000hではありません\n'
WARN_8K = 'Warning: ロードアドレスが8Kバイト境界に揃っていません\n'
WARN_RANGE = 'Warning: バイナリが0000h～DFFFhの範囲を超えています\n'
MIB = 1024 * 1024
GIB = 1024 * MIB


# ---- the expected disks, built from the layout -------------------------------------------

def blank(kind):
    """A formatted disk: header, track table, 16 sectors of 256 zero bytes per track."""
    disk = bytearray(0x2B0 + TRACKS[kind] * 0x1100)
    struct.pack_into('<I', disk, 0x1C, len(disk))
    for track in range(TRACKS[kind]):
        struct.pack_into('<I', disk, 0x20 + 4 * track, 0x2B0 + track * 0x1100)
        for r in range(1, 17):
            struct.pack_into('<BBBBH8xH', disk, data_at(track, r) - 16,
                             track // 2, track % 2, r, 1, 16, 256)
    return disk


def data_at(track, r):
    """File offset of the data of sector R on a disk laid out as blank() lays it out."""
    return 0x2B0 + track * 0x1100 + (r - 1) * 0x110 + 16


def put_run(disk, track, data):
    """Sector after sector from sector 1 of the track on."""
    for k in range(0, len(data), 256):
        slot = track * 16 + k // 256
        at = data_at(slot // 16, slot % 16 + 1)
        disk[at:at + len(data[k:k + 256])] = data[k:k + 256]


def pc8801_disk(program, load, exec_address, disk=None):
    disk = disk if disk is not None else blank('2D')
    loader = bytearray(LOADER)
    struct.pack_into('<HHH', loader, 2, load, len(program), exec_address)
    put_run(disk, 0, loader)
    put_run(disk, 1, program)
    return disk


def logical(disk, number, data):
    """Logical sector: sides of the cylinder swapped, bytes complemented."""
    at = data_at((number // 16) ^ 1, number % 16 + 1)
    disk[at:at + 256] = bytes(~b & 0xFF for b in data.ljust(256, b'\0'))


def mz2000_disk(kind, name, program, load, exec_address):
    disk = blank(kind)
    record = bytearray(256)
    record[0:7] = b'\x01IPLPRO'
    record[7:8 + len(name)] = name + b'\r'
    struct.pack_into('<HHH', record, 0x14, len(program), load, exec_address)
    record[0x1D:0x20] = b'\xFF\x30\x00'
    if kind == '2DD':
        first = (load + 0x1FFF) // 0x2000 + 8
        pages = [first + j for j in range((len(program) - 1) // 0x2000 + 1)]
        record[0x20:0x21 + len(pages)] = bytes(pages) + b'\xFF'
        record[0x30:0x38] = bytes([8, 9, 10, 11, 12, 13, 14, 0xFF])
    used = [0] + list(range(1, 15)) + list(range(24, 48)) + list(range(16, 24))
    logical(disk, 0, record)
    for number in used[1:]:
        logical(disk, number, b'\0' * 256 if 16 <= number <= 23 else b'\xBF' * 256)
    for k in range(0, len(program), 256):
        used.append(48 + k // 256)
        logical(disk, 48 + k // 256, program[k:k + 256])
    used.append(15)
    units = {n // 2 if kind == '2DD' else n for n in used}
    bitmap = bytearray(250)
    for unit in units:
        bitmap[unit // 8] |= 1 << (unit % 8)
    table = bytearray(256)
    table[1] = 0x30
    struct.pack_into('<HH', table, 2, len(units), 0x500 if kind == '2DD' else 0x4A0)
    table[6:] = bitmap
    if kind == '2DD':
        table[255] = 0x01
    logical(disk, 15, table)
    return disk


# ---- an independent reader -----------------------------------------------------------------

def read_sectors(disk):
    """{(track, R): data} by walking the track table and each track's sector headers."""
    sectors = {}
    for track in range(164):
        offset = struct.unpack_from('<I', disk, 0x20 + 4 * track)[0]
        if offset == 0:
            continue
        count = struct.unpack_from('<H', disk, offset + 4)[0]
        for _ in range(count):
            c, h, r, n = disk[offset:offset + 4]
            size = struct.unpack_from('<H', disk, offset + 14)[0]
            assert c * 2 + h == track and n == 1 and size == 256, (track, c, h, r)
            sectors[(track, r)] = bytes(disk[offset + 16:offset + 16 + size])
            offset += 16 + size
    return sectors


def read_pc8801(disk):
    """(load, exec, program) from the loader's parameters and the sectors after it."""
    sectors = read_sectors(disk)
    loader = sectors[(0, 1)]
    assert loader[:2] + loader[8:152] == LOADER[:2] + LOADER[8:]
    load, length, exec_address = struct.unpack_from('<HHH', loader, 2)
    data = b''.join(sectors[(t, r)] for t in range(1, 80) for r in range(1, 17))
    return load, exec_address, data[:length]


def read_mz2000(disk, kind):
    """(name, load, exec, program) from the boot record; checks the allocation map's count."""
    sectors = read_sectors(disk)

    def get(number):
        raw = sectors[((number // 16) ^ 1, number % 16 + 1)]
        return bytes(~b & 0xFF for b in raw)

    record = get(0)
    assert record[:7] == b'\x01IPLPRO'
    name = record[7:record.index(b'\r', 7)]
    length, load, exec_address, start = struct.unpack_from('<HHH4xH', record, 0x14)
    count = (length + 255) // 256
    program = b''.join(get(start + k) for k in range(count))[:length]
    table = get(15)
    bits = sum(bin(b).count('1') for b in table[6:255 if kind == '2DD' else 256])
    assert table[1] == 0x30 and struct.unpack_from('<H', table, 2)[0] == bits
    return name, load, exec_address, program


# ---- running talvo ---------------------------------------------------------------------------

class Checker(Tally):
    def __init__(self, talvo):
        super().__init__()
        self.talvo = talvo

    def run(self, folder, args, source, limit=None):
        with open(os.path.join(folder, 'prog.asm'), 'w') as f:
            f.write(source)

        def limit_size():
            signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        result = subprocess.run([self.talvo] + args + ['prog.asm'], cwd=folder,
                                capture_output=True, timeout=60,
                                preexec_fn=limit_size if limit else None)
        return (result.returncode, result.stdout.decode('cp932'),
                result.stderr.decode('cp932'))


def program_source(origin, data, end=None):
    lines = [f' ORG 0{origin:X}h']
    for k in range(0, len(data), 16):
        lines.append(' DB ' + ','.join(f'{b:03X}h' for b in data[k:k + 16]))
    lines.append(f' END 0{end:X}h' if end is not None else ' END')
    return '\n'.join(lines) + '\n'


def pattern(length, seed=0):
    return bytes((i * 7 + seed) & 0xFF for i in range(length))


def fresh_disks(c, folder):
    """New disks compared whole, then read back independently."""
    program = pattern(300)
    c.check('-8 run', c.run(folder, ['-8'], program_source(0x8000, program, 0x8010)) == (0, '', ''))
    disk = open(os.path.join(folder, 'prog.d88'), 'rb').read()
    c.check('-8 image', disk == pc8801_disk(program, 0x8000, 0x8010))
    c.check('-8 reader', read_pc8801(disk) == (0x8000, 0x8010, program))
    # 300 bytes: all of track 1 sector 1 and the first 44 bytes of sector 2.
    c.check('-8 300 bytes', disk[data_at(1, 2):data_at(1, 2) + 256] == program[256:] + bytes(212))

    for kind, flag, origin, length, warnings in [
            ('2D', '-2GAME', 0, 512, ''),
            ('2D', '-2GAME', 0x8000, 700, WARN_ZERO),
            ('2DD', '-25GAME', 0xC000, 0x2000, ''),
            ('2DD', '-25GAME', 0xC000, 0x2001, WARN_RANGE),
            ('2DD', '-25GAME', 0x3000, 0x5000, WARN_8K)]:
        label = f'{flag} {origin:04X} {length}'
        program = pattern(length, 3)
        outcome = c.run(folder, ['-o', f'{kind}.d88', flag], program_source(origin, program))
        c.check(label + ' run', outcome == (0, warnings, ''), repr(outcome))
        disk = open(os.path.join(folder, f'{kind}.d88'), 'rb').read()
        c.check(label + ' image', disk == mz2000_disk(kind, b'GAME', program, origin, origin))
        c.check(label + ' reader', read_mz2000(disk, kind) == (b'GAME', origin, origin, program))
        # The boot record lies on track 1 (cylinder 0, side 1), sector 1: 01h complemented.
        c.check(label + ' boot', disk[data_at(1, 1)] == 0xFE)
        os.remove(os.path.join(folder, f'{kind}.d88'))
    # The last output option wins: -i -8 writes a disk, and only the disk.
    before = set(os.listdir(folder))
    c.check('-i -8', c.run(folder, ['-i', '-8', '-o', 'x.d88'], program_source(0, b'\1'))[0] == 0
            and set(os.listdir(folder)) - before == {'x.d88'})
    # 512 bytes fill logical sectors 48 and 49 exactly: sector 50 stays blank.
    outcome = c.run(folder, ['-2', 'ABCDEFGHIJKLM'], program_source(0, pattern(512)))
    disk = open(os.path.join(folder, 'prog.d88'), 'rb').read()
    c.check('-2 long name', read_mz2000(disk, '2D')[0] == b'ABCDEFGHIJ')
    c.check('-2 sector 50', disk[data_at(3 ^ 1, 50 % 16 + 1):][:256] == bytes(256))


def loader_ranges(c, folder):
    """-8 images next to what the loader needs during the load: the execution address field
    C006h-C007h and its code and stack at F23Ch-F2BFh. Beside them (over the rest of the first
    copy of the loader, or over its set-up code) the disk is written; one byte over them is
    refused and no disk is made."""
    for first, last in [(0xC000, 0xC005), (0xC008, 0xC0FF), (0xF21E, 0xF23B), (0xF2C0, 0xFFFF),
                        (0xFFF0, 0x1C005)]:
        label = f'-8 {first:04X}-{last:04X}'
        program = pattern(last - first + 1, 5)
        outcome = c.run(folder, ['-8'], program_source(first, program))
        c.check(label + ' run', outcome == (0, '', ''), repr(outcome))
        disk = open(os.path.join(folder, 'prog.d88'), 'rb').read()
        c.check(label + ' image', disk == pc8801_disk(program, first & 0xFFFF, first & 0xFFFF))
        os.remove(os.path.join(folder, 'prog.d88'))
    for first, last, used in [(0xC006, 0xC006, 'C006h-C007h'), (0xB000, 0xC007, 'C006h-C007h'),
                              (0xF23B, 0xF23C, 'F23Ch-F2BFh'), (0xF2BF, 0xF2C5, 'F23Ch-F2BFh'),
                              (0xF000, 0xFFFF, 'F23Ch-F2BFh')]:
        label = f'-8 {first:04X}-{last:04X} refused'
        outcome = c.run(folder, ['-8'], program_source(first, pattern(last - first + 1)))
        message = (f'イメージ{first:04X}h-{last:04X}hが、PC-8801のローダが読み込み中に使う'
                   f'{used}に重なっています\n')
        c.check(label, outcome == (255, '', message), repr(outcome))
        c.check(label + ' no disk', not os.path.exists(os.path.join(folder, 'prog.d88')))


def update_in_place(c, folder):
    """A second -8 keeps every other sector, the permission bits, and a link to the disk."""
    os.mkdir(os.path.join(folder, 'real'))
    path = os.path.join(folder, 'real', 'game.d88')
    c.run(folder, ['-8', '-o', 'real/game.d88'], program_source(0x9000, pattern(600)))
    disk = bytearray(open(path, 'rb').read())
    for at in (data_at(5, 3), data_at(0, 2), data_at(1, 2) + 100):
        disk[at:at + 16] = b'\x55' * 16
    open(path, 'wb').write(disk)
    os.chmod(path, 0o640)
    os.symlink('real/game.d88', os.path.join(folder, 'link.d88'))
    program = pattern(200, 9)
    outcome = c.run(folder, ['-8', '-o', 'link.d88'], program_source(0xA000, program))
    c.check('-8 again run', outcome == (0, '', ''), repr(outcome))
    c.check('-8 again image', open(path, 'rb').read() == pc8801_disk(program, 0xA000, 0xA000, disk))
    c.check('-8 again mode', os.stat(path).st_mode & 0o7777 == 0o640)
    c.check('-8 again link', os.path.islink(os.path.join(folder, 'link.d88')))
    c.check('-8 again files', sorted(os.listdir(os.path.join(folder, 'real'))) == ['game.d88'])


def refused(c, folder, label, disk, args, message, out='', limit=None):
    """A run that must fail with message and leave the disk file exactly as it was."""
    path = os.path.join(folder, 'prog.d88')
    before = set(os.listdir(folder)) | {'prog.asm', 'prog.d88'}
    open(path, 'wb').write(disk)
    outcome = c.run(folder, args, program_source(0x8000, pattern(9000)), limit)
    c.check(label + ' run', outcome == (255, out, message), repr(outcome))
    c.check(label + ' unchanged', open(path, 'rb').read() == disk)
    c.check(label + ' no other file', set(os.listdir(folder)) == before)


def failures(c, folder):
    good = bytes(pc8801_disk(b'\1', 0, 0))
    foreign = bytearray(good)
    foreign[data_at(3, 1) - 16] = 9  # track 3 claims cylinder 9
    refused(c, folder, 'foreign', foreign, ['-8'], FOREIGN)
    foreign_mz = bytearray(good)
    foreign_mz[data_at(1, 1) - 16] = 5  # the boot record's track claims cylinder 5
    refused(c, folder, 'foreign mz', foreign_mz, ['-2X'], FOREIGN, out=WARN_ZERO)
    refused(c, folder, 'truncated', good[:100000], ['-8'], FOREIGN)
    refused(c, folder, 'short header', good[:0x200], ['-8'], FOREIGN)
    far = bytearray(good)
    struct.pack_into('<I', far, 0x24, 0xFFFFFF00)  # track 1 beyond the end of the file
    refused(c, folder, 'track offset', far, ['-8'], FOREIGN)
    overrun = bytearray(good)
    last = len(good) - 0x110  # the last sector, renamed track 1 sector 1 and made too long
    struct.pack_into('<I', overrun, 0x24, last)
    struct.pack_into('<BBBBH8xH', overrun, last, 0, 1, 1, 1, 16, 0x1000)
    refused(c, folder, 'sector size', overrun, ['-8'], FOREIGN)
    inside = bytearray(good)  # track 1 listed at 100h, inside the track table, as a valid track
    struct.pack_into('<I', inside, 0x24, 0x100)
    struct.pack_into('<BBBBH8xH', inside, 0x100, 0, 1, 1, 1, 1, 16)
    refused(c, folder, 'track in table', inside, ['-8'], FOREIGN)
    no_boot_track = bytearray(good)  # track 1, where the boot record goes, is not listed
    struct.pack_into('<I', no_boot_track, 0x24, 0)
    refused(c, folder, 'missing track', no_boot_track, ['-2X'], FOREIGN, out=WARN_ZERO)
    small = bytearray(good)
    small[0x28:0x2B0] = bytes(0x2B0 - 0x28)  # only tracks 0 and 1 listed
    refused(c, folder, 'capacity', small, ['-8'], 'ディスク容量をオーバーしました\n')
    refused(c, folder, 'ulimit -f', good, ['-8'], 'D88ファイルの書き込みに失敗しました\n',
            limit=100000)

    outcome = c.run(folder, ['-8', '-o', 'missing/new.d88'], program_source(0, b'\1'))
    c.check('no folder', outcome == (255, '', 'D88ファイルを作成できませんでした。中断します\n'),
            repr(outcome))
    os.mkdir(os.path.join(folder, 'dir.d88'))
    outcome = c.run(folder, ['-8', '-o', 'dir.d88'], program_source(0, b'\1'))
    c.check('directory', outcome == (255, '', "'dir.d88'が読み込めません\n"), repr(outcome))


def measured_run(talvo, folder, args, timeout):
    """(status, stdout, stderr, seconds, peak resident KiB) of one run; a run still going after
    timeout seconds is killed and given the status None."""
    out_path, err_path = os.path.join(folder, '.out'), os.path.join(folder, '.err')
    with open(out_path, 'wb') as out, open(err_path, 'wb') as err:
        start = time.monotonic()
        process = subprocess.Popen([talvo] + args, cwd=folder, stdout=out, stderr=err,
                                   stdin=subprocess.DEVNULL)
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid != 0:
                break
            if time.monotonic() - start > timeout:
                process.kill()
                _, status, usage = os.wait4(process.pid, 0)
                status = None
                break
            time.sleep(0.01)
        seconds = time.monotonic() - start
    process.returncode = 0  # reaped here by wait4
    result = (None if status is None else os.waitstatus_to_exitcode(status),
              open(out_path, 'rb').read().decode('cp932'),
              open(err_path, 'rb').read().decode('cp932'), seconds, usage.ru_maxrss)
    os.remove(out_path)
    os.remove(err_path)
    return result


def oversized(c, folder):
    """An existing disk of 1 GiB, sparse, whose header gives the size of a 2D disk: refused from
    its header alone, at once and in little memory, and left as it was, still sparse."""
    path = os.path.join(folder, 'prog.d88')
    good = bytes(pc8801_disk(b'\1', 0, 0))
    with open(path, 'wb') as f:
        f.write(good)
        f.truncate(GIB)
    before = os.stat(path)
    if before.st_blocks * 512 > 64 * MIB:
        print('skipped oversized: the folder holds no sparse files')
        return
    with open(os.path.join(folder, 'prog.asm'), 'w') as f:
        f.write(program_source(0x8000, pattern(100)))
    status, out, err, seconds, peak_kib = measured_run(c.talvo, folder, ['-8', 'prog.asm'], 60)
    c.check('1 GiB run', (status, out, err) == (
        255, '', f"D88ファイル'prog.d88'は{GIB}バイトあり、ヘッダの示すディスクサイズ"
        f"{len(good)}バイトより長いため、書き込みません\n"), repr((status, out, err)))
    c.check('1 GiB time', seconds < 2, f'{seconds:.1f} s')
    c.check('1 GiB memory', peak_kib < 64 * 1024, f'{peak_kib} KiB')
    after = os.stat(path)
    c.check('1 GiB size', after.st_size == GIB, str(after.st_size))
    c.check('1 GiB sparse', after.st_blocks <= before.st_blocks,
            f'{before.st_blocks} -> {after.st_blocks} blocks')
    with open(path, 'rb') as f:
        samples = [f.read(len(good))]
        for at in (len(good), GIB // 2 + 12345, GIB - 4096):
            f.seek(at)
            samples.append(f.read(4096))
    c.check('1 GiB bytes', samples == [good] + [bytes(4096)] * 3)
    c.check('1 GiB no other file', sorted(os.listdir(folder)) == ['prog.asm', 'prog.d88'],
            repr(os.listdir(folder)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--talvo', required=True)
    c = Checker(os.path.abspath(parser.parse_args().talvo))
    for scenario in (fresh_disks, loader_ranges, update_in_place, failures, oversized):
        with tempfile.TemporaryDirectory() as folder:
            scenario(c, folder)
    print(f'{c.passed} passed, {c.failed} failed')
    return 1 if c.failed else 0


if __name__ == '__main__':
    sys.exit(main())
