#!/usr/bin/env python3
"""Times TALVO against the GNU assembler for z80, pasmo and a read-and-split floor program.

One command does everything: writes the inputs into bench/out/ (gen.py and shapes.py; skipped
when they are already there from the same generator and seed), builds talvo and the floor
program read_and_split in Release (build-bench/, unless --talvo names a binary), assembles each
input with each tool in paired rounds, checks that every tool produced the same bytes as talvo,
and prints the CPU time ratios, wall times, lines per second and peak memory. Then it times the
adversarial shapes at two sizes and checks that their time grows linearly.

A round runs every tool once on the input, one after the other, in an order that turns from
round to round; the ratio of two tools is the median over the rounds of the ratio within each
round, so that a change of machine load hits both sides of a ratio alike. CPU time (user +
system) is the kernel's account of the child alone. Peak memory is the "Maximum resident set
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

import gen
import shapes

BENCH = pathlib.Path(__file__).resolve().parent
ROOT = BENCH.parent
INPUTS = ['program', 'large', 'large4m', 'large16m']
# pasmo needs about 780 MiB for every million lines: it is run on the smaller inputs only.
PASMO_INPUTS = ['program', 'large']
GOALS = {  # input -> (seconds of wall time, MiB of peak memory or None)
    'program': (0.020, None),
    'large': (0.200, 20.0),
}
# input -> {tool: largest CPU time ratio talvo / tool}
RATIO_GOALS = {'large': {'gas': 0.25, 'split': 3.5}}
GAS_PREFIX = 'z80-unknown-coff-'
ORIGIN = 0x0100


def machine():
    """One line describing the processor count, model and memory of this machine."""
    model = 'unknown CPU'
    try:
        with open('/proc/cpuinfo') as cpuinfo:
            model = next((line.split(':', 1)[1].strip() for line in cpuinfo
                          if line.startswith('model name')), model)
        with open('/proc/meminfo') as meminfo:
            mem_kb = next(int(line.split()[1]) for line in meminfo
                          if line.startswith('MemTotal'))
        memory = f'{mem_kb / 1024 / 1024:.1f} GiB'
    except OSError:
        memory = 'unknown memory'
    return f'{os.cpu_count()} CPUs ({model}), {memory}'


def up_to_date(stamp, digest, wanted):
    return stamp.exists() and stamp.read_text() == digest and all(p.exists() for p in wanted)


def generate(out, seed, names):
    """Writes the inputs unless the same generator already wrote them with the same seed."""
    source = (BENCH / 'gen.py').read_bytes() + (BENCH / 'syntax.py').read_bytes()
    for name in names:
        dialects = list(gen.DIALECTS) if name in PASMO_INPUTS else ['talvo', 'gas']
        stamp = out / f'{name}.stamp'
        digest = hashlib.sha256(source + f'{seed} {dialects}'.encode()).hexdigest()
        wanted = [out / f'{name}{gen.DIALECTS[d]}' for d in dialects]
        if up_to_date(stamp, digest, wanted):
            continue
        print(f'generating {name} ...', flush=True)
        subprocess.run([sys.executable, str(BENCH / 'gen.py'), '--out', str(out), '--seed',
                        str(seed), '--inputs', name, '--dialects', ','.join(dialects)],
                       check=True)
        stamp.write_text(digest)


def generate_shapes(out):
    """Writes every shape at its two sizes; returns [(shape, count, path, expected image)]."""
    folder = out / 'shapes'
    folder.mkdir(parents=True, exist_ok=True)
    digest = hashlib.sha256((BENCH / 'shapes.py').read_bytes()).hexdigest()
    cases = []
    for name, (count, _, _) in shapes.SHAPES.items():
        for size in (count, count * shapes.GROWTH):
            cases.append((name, size, folder / f'{name}-{size}.asm'))
    stamp = folder / 'shapes.stamp'
    fresh = not up_to_date(stamp, digest, [path for _, _, path in cases])
    if fresh:
        print('generating the shapes ...', flush=True)
    result = []
    for name, size, path in cases:
        text, image = shapes.source(name, size)
        if fresh:
            path.write_bytes(text)
        result.append((name, size, path, image))
    if fresh:
        stamp.write_text(digest)
    return result


def build(build_dir):
    """Configures (once) and builds talvo and read_and_split in Release; returns their paths."""
    if not (build_dir / 'CMakeCache.txt').exists():
        subprocess.run(['cmake', '-S', str(ROOT), '-B', str(build_dir),
                        '-DCMAKE_BUILD_TYPE=Release', '-DTALVO_TESTS=OFF'],
                       check=True, stdout=subprocess.DEVNULL)
    subprocess.run(['cmake', '--build', str(build_dir), '-j', str(os.cpu_count() or 2),
                    '--target', 'talvo', 'read_and_split'], check=True, stdout=subprocess.DEVNULL)
    return build_dir / 'talvo', build_dir / 'read_and_split'


def run_once(command, cwd):
    """Runs a command; returns (wall s, exit status, peak RSS in KiB, output, CPU s)."""
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             stdin=subprocess.DEVNULL)
    with child.stdout:
        output = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return (wall, child.returncode, usage.ru_maxrss, output.decode('latin-1'),
            usage.ru_utime + usage.ru_stime)


def peak_memory_kib(command, cwd):
    """Peak resident set size of one run. The rusage of a child of this process would count
    the memory of the Python process it was forked from, so /usr/bin/time reports it."""
    if not os.path.exists('/usr/bin/time'):
        return run_once(command, cwd)[2]
    report = cwd / 'time.txt'
    subprocess.run(['/usr/bin/time', '-v', '-o', str(report)] + command, cwd=cwd,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    for line in report.read_text().splitlines():
        if 'Maximum resident set size' in line:
            return int(line.split(':')[1])
    raise RuntimeError('no peak memory in the report of /usr/bin/time')


class Tool:
    """How one program is run on one input and where its bytes end up."""

    def __init__(self, name, suffix, command, finish=None, image=True):
        self.name = name
        self.suffix = suffix
        self.command = command      # (source, binary) -> argument list
        self.finish = finish        # (work dir, binary) -> None: turns the result into bytes
        self.image = image          # False: the program writes no image (the floor program)


def gas_finish(work, binary):
    objfile = binary.with_suffix('.o')
    linked = binary.with_suffix('.x')
    subprocess.run([GAS_PREFIX + 'ld', f'-Ttext=0x{ORIGIN:X}', '-o', str(linked), str(objfile)],
                   check=True, cwd=work)
    subprocess.run([GAS_PREFIX + 'objcopy', '-O', 'binary', str(linked), str(binary)],
                   check=True, cwd=work)


def tools(talvo, splitter, name):
    """The tools timed on one input, talvo first."""
    found = [Tool('talvo', '.talvo.asm', lambda src, out: [str(talvo), '-o', str(out), str(src)]),
             Tool('split', '.talvo.asm', lambda src, out: [str(splitter), str(src)], image=False)]
    if shutil.which(GAS_PREFIX + 'as') and shutil.which(GAS_PREFIX + 'ld'):
        found.append(Tool('gas', '.gas.s',
                          lambda src, out: [GAS_PREFIX + 'as', '-o', str(out.with_suffix('.o')),
                                            str(src)], gas_finish))
    if shutil.which('pasmo') and name in PASMO_INPUTS:
        found.append(Tool('pasmo', '.pasmo.asm', lambda src, out: ['pasmo', str(src), str(out)]))
    return found


def measure_rounds(commands, runs, cwd):
    """Runs every command once per round, runs + 1 rounds, the first only to warm the caches;
    the order of the commands turns by one place each round. Returns, per command, the list of
    (wall s, CPU s) of the timed rounds, or the failing (status, output) of the first failure."""
    times = [[] for _ in commands]
    for attempt in range(runs + 1):
        for step in range(len(commands)):
            index = (attempt + step) % len(commands)
            wall, status, _, output, cpu = run_once(commands[index], cwd[index])
            if status != 0:
                return None, (index, status, output)
            if attempt:
                times[index].append((wall, cpu))
    return times, None


def median_ratio(a, b):
    """Median over paired rounds of the CPU time ratio a / b."""
    return statistics.median(x[1] / max(y[1], 1e-9) for x, y in zip(a, b))


def measure(tool_list, name, out, runs):
    """Times every tool on one input in paired rounds; returns their result records."""
    sources, binaries, works, commands = [], [], [], []
    for tool in tool_list:
        work = out / 'work' / tool.name
        work.mkdir(parents=True, exist_ok=True)
        source = out / f'{name}{tool.suffix}'
        binary = work / f'{name}.bin'
        if binary.exists():
            binary.unlink()
        sources.append(source)
        binaries.append(binary)
        works.append(work)
        commands.append(tool.command(source, binary))
    lines = sources[0].read_bytes().count(b'\n')
    times, failure = measure_rounds(commands, runs, works)
    if failure:
        index, status, output = failure
        return [{'tool': tool_list[index].name, 'input': name, 'lines': lines, 'failed': status,
                 'output': output[-2000:]}]
    results = []
    for tool, binary, work, command, runs_of_tool in zip(tool_list, binaries, works, commands,
                                                         times):
        record = {'tool': tool.name, 'input': name, 'lines': lines,
                  'wall': statistics.median(w for w, _ in runs_of_tool),
                  'best': min(w for w, _ in runs_of_tool),
                  'cpu': statistics.median(c for _, c in runs_of_tool),
                  'rss_kib': peak_memory_kib(command, work), 'times': runs_of_tool}
        record['rate'] = lines / record['wall']
        if tool.finish:
            try:
                tool.finish(work, binary)
            except subprocess.CalledProcessError as error:
                results.append({'tool': tool.name, 'input': name, 'lines': lines,
                                'failed': error.returncode, 'output': f'{error.cmd[0]} failed'})
                continue
        if tool.image:
            record['bytes'] = binary.read_bytes()
        results.append(record)
    talvo = results[0]
    if 'times' in talvo:
        for record in results[1:]:
            if 'times' in record:
                talvo[f'ratio_{record["tool"]}'] = median_ratio(talvo['times'], record['times'])
    return results


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
        if ref is None or r is ref or 'bytes' not in r:
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
        for name, image in images.items():
            if name != 'program' and 'program' in images and image != images['program']:
                problems.append(f'{tool}: the {name} input did not give the bytes of the program')
    return problems


def measure_shapes(talvo, cases, out, runs):
    """Times talvo on each shape at its two sizes, in paired rounds; returns result records and
    the problems found (a failure, a wrong image, or a growth above the limit)."""
    work = out / 'work' / 'shapes'
    work.mkdir(parents=True, exist_ok=True)
    results, problems = [], []
    for index in range(0, len(cases), 2):
        pair = cases[index:index + 2]
        name = pair[0][0]
        print(f'timing talvo on the {name} shape ...', flush=True)
        binaries = [work / f'{path.stem}.bin' for _, _, path, _ in pair]
        commands = [[str(talvo), '-o', str(binary), str(path)]
                    for (_, _, path, _), binary in zip(pair, binaries)]
        times, failure = measure_rounds(commands, runs, [work, work])
        if failure:
            problems.append(f'talvo failed on the {name} shape with status {failure[1]}:\n'
                            f'{failure[2][-2000:]}')
            continue
        for (_, size, _, image), binary in zip(pair, binaries):
            if binary.read_bytes() != image:
                problems.append(f'talvo gave the {name} shape of {size:,} the wrong image')
        growth = median_ratio(times[1], times[0])
        if growth > shapes.GROWTH_LIMIT:
            problems.append(f'the {name} shape took {growth:.2f} times as long at {shapes.GROWTH} '
                            f'times the size (at most {shapes.GROWTH_LIMIT} allowed)')
        results.append({'shape': name, 'sizes': [size for _, size, _, _ in pair],
                        'cpu': [statistics.median(c for _, c in t) for t in times],
                        'rss_kib': [peak_memory_kib(c, work) for c in commands],
                        'growth': growth})
    return results, problems


def busy_share(seconds=3.0):
    """Share of the CPUs that other processes used over a short window (0 = an idle machine)."""
    def sample():
        with open('/proc/stat') as stat:
            fields = [int(x) for x in stat.readline().split()[1:]]
        return fields[3] + fields[4], sum(fields)   # idle + iowait, total
    try:
        idle0, total0 = sample()
        time.sleep(seconds)
        idle1, total1 = sample()
    except OSError:
        return 0.0
    return 1.0 - (idle1 - idle0) / max(1, total1 - total0)


TOOL_NAMES = {'talvo': 'talvo', 'split': 'read-and-split', 'gas': 'GNU as', 'pasmo': 'pasmo'}


def report(results, shape_results, problems, busy, runs):
    print(f'\nmachine: {machine()}')
    print(f'CPU used by other processes before / after the runs: {busy * 100:.0f}% / '
          f'{busy_share() * 100:.0f}%'
          + ('   (a busy machine: the times are not trustworthy)' if busy > 0.1 else ''))
    print(f'medians of {runs} paired rounds after a warm-up round\n')
    print(f"{'input':9} {'tool':15} {'lines':>11} {'CPU ms':>9} {'talvo/tool':>10} "
          f"{'median ms':>10} {'best ms':>9} {'lines/s':>12} {'peak MiB':>9} {'bytes':>7}")
    ratios = {}
    for r in results:
        tool = TOOL_NAMES[r['tool']]
        if 'failed' in r:
            print(f"{r['input']:9} {tool:15} {r['lines']:11,}   failed (status {r['failed']})")
            continue
        talvo = next(t for t in results if t['input'] == r['input'] and t['tool'] == 'talvo')
        ratio = talvo.get(f"ratio_{r['tool']}")
        if ratio is not None:
            ratios[(r['input'], r['tool'])] = ratio
        size = len(r['bytes']) if 'bytes' in r else '-'
        print(f"{r['input']:9} {tool:15} {r['lines']:11,} {r['cpu'] * 1000:9.1f} "
              f"{'' if ratio is None else f'{ratio:.3f}':>10} {r['wall'] * 1000:10.1f} "
              f"{r['best'] * 1000:9.1f} {r['rate']:12,.0f} {r['rss_kib'] / 1024:9.1f} "
              f"{size:>7}")
    if shape_results:
        print(f"\n{'shape':10} {'sizes':>21} {'CPU ms':>19} {'growth':>7} {'peak MiB':>15}")
        for s in shape_results:
            print(f"{s['shape']:10} {s['sizes'][0]:>10,} {s['sizes'][1]:>10,} "
                  f"{s['cpu'][0] * 1000:9.1f} {s['cpu'][1] * 1000:9.1f} {s['growth']:7.2f} "
                  f"{s['rss_kib'][0] / 1024:7.1f} {s['rss_kib'][1] / 1024:7.1f}")
    print()
    for r in results:
        if r['tool'] != 'talvo' or 'failed' in r or r['input'] not in GOALS:
            continue
        seconds, mib = GOALS[r['input']]
        verdict = 'met' if r['wall'] < seconds else 'MISSED'
        print(f"goal {r['input']}: under {seconds * 1000:.0f} ms wall: {verdict} "
              f"({r['wall'] * 1000:.1f} ms)")
        if mib is not None:
            verdict = 'met' if r['rss_kib'] / 1024 < mib else 'MISSED'
            print(f"goal {r['input']}: peak memory under {mib:.0f} MiB: {verdict} "
                  f"({r['rss_kib'] / 1024:.1f} MiB)")
    for name, limits in RATIO_GOALS.items():
        for tool, limit in limits.items():
            if (name, tool) in ratios:
                ratio = ratios[(name, tool)]
                verdict = 'met' if ratio <= limit else 'MISSED'
                print(f'goal {name}: CPU time talvo / {TOOL_NAMES[tool]} at most {limit}: '
                      f'{verdict} ({ratio:.3f})')
    if shape_results:
        grown = max(s['growth'] for s in shape_results)
        verdict = 'met' if grown <= shapes.GROWTH_LIMIT else 'MISSED'
        print(f'goal shapes: {shapes.GROWTH} times the input, at most {shapes.GROWTH_LIMIT} '
              f'times the CPU time: {verdict} (largest {grown:.2f})')
    if problems:
        print('\nDIFFERENCES:')
        for p in problems:
            print('  ' + p)
    else:
        print('\nall tools produced the same bytes as talvo'
              + (', and talvo the images of the shapes' if shape_results else ''))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--runs', type=int, default=5, help='timed rounds per input and shape')
    parser.add_argument('--seed', type=int, default=1979)
    parser.add_argument('--out', default=str(BENCH / 'out'))
    parser.add_argument('--talvo', help='use this talvo binary instead of building one')
    parser.add_argument('--build-dir', default=str(ROOT / 'build-bench'))
    parser.add_argument('--only', action='append', choices=INPUTS + ['shapes'],
                        help='time only this input, or only the shapes (may be repeated)')
    args = parser.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    wanted = args.only or INPUTS + ['shapes']
    names = [name for name in INPUTS if name in wanted]
    generate(out, args.seed, names)
    cases = generate_shapes(out) if 'shapes' in wanted else []
    talvo, splitter = build(pathlib.Path(args.build_dir))
    if args.talvo:
        talvo = pathlib.Path(args.talvo).resolve()
    busy = busy_share()
    results = []
    for name in names:
        tool_list = tools(talvo, splitter, name)
        print(f"timing {', '.join(TOOL_NAMES[t.name] for t in tool_list)} on {name} ...",
              flush=True)
        results += measure(tool_list, name, out, args.runs)
    problems = compare(results)
    shape_results = []
    if cases:
        shape_results, shape_problems = measure_shapes(talvo, cases, out, args.runs)
        problems += shape_problems
    report(results, shape_results, problems, busy, args.runs)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
