#!/usr/bin/env python3
"""Times TALVO, and pasmo and the GNU assembler for z80 when installed, on the benchmark inputs.

One command does everything: writes the inputs into bench/out/ (gen.py; skipped when they are
already there from the same generator and seed), builds talvo in Release (build-bench/, unless
--talvo names a binary), assembles each input with each tool, checks that every tool produced
the same bytes as talvo, and prints the median wall time, lines per second and peak memory.

Wall time is measured around the child process alone; peak memory is the "Maximum resident set
size" of /usr/bin/time -v (or the kernel's rusage of the child when that program is missing).
"""
import argparse
import hashlib
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import time

BENCH = pathlib.Path(__file__).resolve().parent
ROOT = BENCH.parent
INPUTS = ['program', 'large']
GOALS = {  # input -> (seconds of wall time, MiB of peak memory or None)
    'program': (0.020, None),
    'large': (0.200, 20.0),
}
GAS_PREFIX = 'z80-unknown-coff-'
ORIGIN = 0x0100


def machine():
    """One line describing the processor count, model and memory of this machine."""
    model = 'unknown CPU'
    try:
        for line in open('/proc/cpuinfo'):
            if line.startswith('model name'):
                model = line.split(':', 1)[1].strip()
                break
        mem_kb = next(int(line.split()[1]) for line in open('/proc/meminfo')
                      if line.startswith('MemTotal'))
        memory = f'{mem_kb / 1024 / 1024:.1f} GiB'
    except OSError:
        memory = 'unknown memory'
    return f'{os.cpu_count()} CPUs ({model}), {memory}'


def generate(out, seed):
    """Writes the inputs unless the same generator already wrote them with the same seed."""
    stamp = out / 'inputs.stamp'
    text = (BENCH / 'gen.py').read_bytes() + (BENCH / 'syntax.py').read_bytes()
    digest = hashlib.sha256(text + str(seed).encode()).hexdigest()
    wanted = [out / f'{name}{suffix}' for name in INPUTS
              for suffix in ('.talvo.asm', '.pasmo.asm', '.gas.s')]
    if stamp.exists() and stamp.read_text() == digest and all(p.exists() for p in wanted):
        return
    print('generating the inputs ...', flush=True)
    subprocess.run([sys.executable, str(BENCH / 'gen.py'), '--out', str(out), '--seed', str(seed)],
                   check=True)
    stamp.write_text(digest)


def build_talvo(build_dir):
    """Configures (once) and builds a Release talvo; returns the path of the program."""
    if not (build_dir / 'CMakeCache.txt').exists():
        subprocess.run(['cmake', '-S', str(ROOT), '-B', str(build_dir),
                        '-DCMAKE_BUILD_TYPE=Release', '-DTALVO_TESTS=OFF'],
                       check=True, stdout=subprocess.DEVNULL)
    subprocess.run(['cmake', '--build', str(build_dir), '-j', str(os.cpu_count() or 2),
                    '--target', 'talvo'], check=True, stdout=subprocess.DEVNULL)
    return build_dir / 'talvo'


def run_once(command, cwd):
    """Runs a command; returns (wall s, exit status, peak RSS in KiB, output, CPU s)."""
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             stdin=subprocess.DEVNULL)
    output = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return (wall, child.returncode, usage.ru_maxrss, output.decode('latin-1'),
            usage.ru_utime + usage.ru_stime)


def peak_memory_kib(command, cwd):
    """Peak resident set size of one run as /usr/bin/time -v reports it."""
    report = cwd / 'time.txt'
    subprocess.run(['/usr/bin/time', '-v', '-o', str(report)] + command, cwd=cwd,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    for line in report.read_text().splitlines():
        if 'Maximum resident set size' in line:
            return int(line.split(':')[1])
    raise RuntimeError('no peak memory in the report of /usr/bin/time')


class Tool:
    """How one assembler is run on one input and where its bytes end up."""

    def __init__(self, name, suffix, command, finish=None):
        self.name = name
        self.suffix = suffix
        self.command = command      # (source, binary) -> argument list
        self.finish = finish        # (work dir, binary) -> None: turns the result into bytes


def gas_finish(work, binary):
    objfile = binary.with_suffix('.o')
    linked = binary.with_suffix('.x')
    subprocess.run([GAS_PREFIX + 'ld', f'-Ttext=0x{ORIGIN:X}', '-o', str(linked), str(objfile)],
                   check=True, cwd=work)
    subprocess.run([GAS_PREFIX + 'objcopy', '-O', 'binary', str(linked), str(binary)],
                   check=True, cwd=work)


def tools(talvo):
    found = [Tool('talvo', '.talvo.asm', lambda src, out: [str(talvo), '-o', str(out), str(src)])]
    if shutil.which('pasmo'):
        found.append(Tool('pasmo', '.pasmo.asm', lambda src, out: ['pasmo', str(src), str(out)]))
    if shutil.which(GAS_PREFIX + 'as') and shutil.which(GAS_PREFIX + 'ld'):
        found.append(Tool('gas', '.gas.s',
                          lambda src, out: [GAS_PREFIX + 'as', '-o', str(out.with_suffix('.o')),
                                            str(src)], gas_finish))
    return found


def measure(tool, name, out, runs):
    """Assembles one input with one tool `runs` times; returns a result record."""
    work = out / 'work' / tool.name
    work.mkdir(parents=True, exist_ok=True)
    source = out / f'{name}{tool.suffix}'
    binary = work / f'{name}.bin'
    if binary.exists():
        binary.unlink()
    command = tool.command(source, binary)
    lines = source.read_bytes().count(b'\n')
    walls, cpus = [], []
    for attempt in range(runs + 1):   # the first run only warms the caches
        wall, status, rss, output, cpu = run_once(command, work)
        if status != 0:
            return {'tool': tool.name, 'input': name, 'lines': lines, 'failed': status,
                    'output': output[-2000:]}
        if attempt:
            walls.append(wall)
            cpus.append(cpu)
    if tool.finish:
        try:
            tool.finish(work, binary)
        except subprocess.CalledProcessError as error:
            return {'tool': tool.name, 'input': name, 'lines': lines, 'failed': error.returncode,
                    'output': f'{error.cmd[0]} failed'}
    if os.path.exists('/usr/bin/time'):
        rss_list = [peak_memory_kib(command, work) for _ in range(runs)]
    else:
        rss_list = [run_once(command, work)[2] for _ in range(runs)]
    median = statistics.median(walls)
    return {'tool': tool.name, 'input': name, 'lines': lines, 'wall': median,
            'best': min(walls), 'cpu': statistics.median(cpus), 'rate': lines / median,
            'rss_kib': statistics.median(rss_list),
            'bytes': binary.read_bytes(), 'output': output}


def compare(results):
    """Lists every difference between the bytes of each tool and those of talvo."""
    problems = []
    reference = {r['input']: r for r in results if r['tool'] == 'talvo' and 'bytes' in r}
    for r in results:
        if 'failed' in r:
            problems.append(f"{r['tool']} failed on {r['input']} with status {r['failed']}:\n"
                            f"{r['output']}")
            continue
        ref = reference.get(r['input'])
        if ref is None or r is ref:
            continue
        a, b = ref['bytes'], r['bytes']
        if a != b:
            at = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
            problems.append(f"{r['tool']} differs from talvo on {r['input']}: {len(b)} bytes "
                            f"against {len(a)}, first difference at offset 0x{at:X} "
                            f"(address 0x{ORIGIN + at:X})")
    by_tool = {}
    for r in results:
        if 'bytes' in r:
            by_tool.setdefault(r['tool'], {})[r['input']] = r['bytes']
    for tool, images in by_tool.items():
        if len(images) == 2 and images['program'] != images['large']:
            problems.append(f'{tool}: the large input did not give the bytes of the program')
    return problems


def busy_share(seconds=3.0):
    """Share of the CPUs that other processes used over a short window (0 = an idle machine)."""
    def sample():
        fields = [int(x) for x in open('/proc/stat').readline().split()[1:]]
        return fields[3] + fields[4], sum(fields)   # idle + iowait, total
    try:
        idle0, total0 = sample()
        time.sleep(seconds)
        idle1, total1 = sample()
    except OSError:
        return 0.0
    return 1.0 - (idle1 - idle0) / max(1, total1 - total0)


def report(results, problems, busy):
    print(f'\nmachine: {machine()}')
    print(f'CPU used by other processes before / after the runs: {busy * 100:.0f}% / '
          f'{busy_share() * 100:.0f}%'
          + ('   (a busy machine: the times are not trustworthy)' if busy > 0.1 else ''))
    print(f"{'input':8} {'tool':6} {'lines':>9} {'median ms':>10} {'best ms':>8} "
          f"{'CPU ms':>7} {'lines/s':>12} {'peak MiB':>9} {'bytes':>7}")
    for r in results:
        if 'failed' in r:
            print(f"{r['input']:8} {r['tool']:6} {r['lines']:9}   failed (status {r['failed']})")
            continue
        print(f"{r['input']:8} {r['tool']:6} {r['lines']:9} {r['wall'] * 1000:10.1f} "
              f"{r['best'] * 1000:8.1f} {r['cpu'] * 1000:7.1f} {r['rate']:12,.0f} "
              f"{r['rss_kib'] / 1024:9.1f} "
              f"{len(r['bytes']):7}")
    print()
    for r in results:
        if r['tool'] != 'talvo' or 'failed' in r:
            continue
        seconds, mib = GOALS[r['input']]
        verdict = 'met' if r['wall'] < seconds else 'MISSED'
        print(f"goal {r['input']}: under {seconds * 1000:.0f} ms wall: {verdict} "
              f"({r['wall'] * 1000:.1f} ms)")
        if mib is not None:
            verdict = 'met' if r['rss_kib'] / 1024 < mib else 'MISSED'
            print(f"goal {r['input']}: peak memory under {mib:.0f} MiB: {verdict} "
                  f"({r['rss_kib'] / 1024:.1f} MiB)")
    if problems:
        print('\nDIFFERENCES:')
        for p in problems:
            print('  ' + p)
    else:
        print('\nall tools produced the same bytes as talvo')


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--runs', type=int, default=5, help='timed runs per tool and input')
    parser.add_argument('--seed', type=int, default=1979)
    parser.add_argument('--out', default=str(BENCH / 'out'))
    parser.add_argument('--talvo', help='use this talvo binary instead of building one')
    parser.add_argument('--build-dir', default=str(ROOT / 'build-bench'))
    parser.add_argument('--only', choices=INPUTS, help='time only this input')
    args = parser.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    generate(out, args.seed)
    talvo = pathlib.Path(args.talvo).resolve() if args.talvo else \
        build_talvo(pathlib.Path(args.build_dir))
    busy = busy_share()
    results = []
    for name in [args.only] if args.only else INPUTS:
        for tool in tools(talvo):
            print(f'timing {tool.name} on {name} ...', flush=True)
            results.append(measure(tool, name, out, args.runs))
    problems = compare(results)
    report(results, problems, busy)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
