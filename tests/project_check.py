#!/usr/bin/env python3
"""Checks the project's files around the program: the documents agree with each other and with
the program, the examples of docs/SYNTAX.md assemble, the generated message files are up to
date, every script answers --help without doing anything, and `cmake --install` installs the
program with its manual page, the documents it names and the examples.

Usage: project_check.py --build BUILD_FOLDER   (the configured and built CMake folder)
"""
import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = None  # set by main()

SCRIPTS = sorted(ROOT.glob('tools/*.py')) + [
    ROOT / 'bench' / 'gen.py', ROOT / 'bench' / 'run.py', ROOT / 'tests' / 'run_cases.py',
    ROOT / 'tests' / 'check_hex.py', ROOT / 'tests' / 'd88_check.py',
    ROOT / 'tests' / 'structure_check.py', pathlib.Path(__file__)]


def readme_options():
    """The options of the README's usage table, as written in its first column."""
    text = (ROOT / 'README.md').read_text(encoding='utf-8')
    table = text[text.index('| option | effect |'):]
    options = []
    for row in table.splitlines()[2:]:
        if not row.startswith('|'):
            break
        options += re.findall(r'`([^`]+)`', row.split('|')[1])
    return options


def man_text(source: str) -> list:
    """The lines of a manual page source as they read, font changes and escapes removed."""
    lines = []
    for line in source.splitlines():
        macro, _, rest = line.partition(' ') if line.startswith('.') else ('', '', line)
        words = re.findall(r'"([^"]*)"|(\S+)', rest)
        args = [quoted or plain for quoted, plain in words]
        if macro in ('.B', '.I', '.SH'):
            line = ' '.join(args)
        elif macro in ('.BI', '.BR', '.IB', '.IR', '.RB', '.RI'):
            line = ''.join(args)  # the alternating-font macros join their words
        elif macro:
            continue
        lines.append(re.sub(r'\\f[BIRP]', '', line).replace('\\-', '-'))
    return lines


def man_options():
    """The options the manual page describes: the headings of its OPTIONS section."""
    source = (ROOT / 'docs' / 'talvo.1').read_text(encoding='utf-8').splitlines()
    section = source[source.index('.SH OPTIONS') + 1:]
    section = section[:next(i for i, line in enumerate(section) if line.startswith('.SH'))]
    headings = [section[i + 1] for i, line in enumerate(section) if line == '.TP']
    options = []
    for heading in man_text('\n'.join(headings)):
        options += [option.strip() for option in heading.split(', ')]
    return options


class Documents(unittest.TestCase):
    def test_readme_and_manual_page_list_the_same_options(self):
        readme, man = readme_options(), man_options()
        self.assertIn('-oNAME', readme)
        self.assertEqual(sorted(readme), sorted(man))

    def test_help_names_every_long_option_of_the_readme(self):
        help_text = subprocess.run([str(BUILD / 'talvo'), '--help'], capture_output=True,
                                   check=True).stdout.decode('ascii')
        long_options = [o.split('=')[0] for o in readme_options() if o.startswith('--')]
        self.assertEqual(len(long_options), 16)  # "--" itself among them
        for option in long_options:
            self.assertRegex(help_text, rf'\n  {re.escape(option)}(?![\w-])')

    def test_help_gives_every_short_option_of_the_readme_a_line(self):
        help_text = subprocess.run([str(BUILD / 'talvo'), '-h'], capture_output=True,
                                   check=True).stdout.decode('ascii')
        self.assertIn('\n  --help, -h ', help_text)
        flags = {re.match(r'-(\d+|l[lg:]?|[A-Za-z])', o).group(0)
                 for o in readme_options() if not o.startswith('--') and o != '-h'}
        self.assertEqual(len(flags), 16)
        for flag in flags:
            self.assertRegex(help_text, rf'\n  {re.escape(flag)}(xxx|xx)?[ ,]')
        for line in help_text.splitlines():
            self.assertLessEqual(len(line), 79, line)  # one line each, on an 80-column terminal

    def test_manual_page_formats_without_warnings(self):
        if shutil.which('groff') is None:
            self.skipTest('groff is not installed')
        result = subprocess.run(['groff', '-man', '-Tutf8', '-ww', '-z',
                                 str(ROOT / 'docs' / 'talvo.1')], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr), (0, ''))

    def test_syntax_examples_assemble(self):
        text = (ROOT / 'docs' / 'SYNTAX.md').read_text(encoding='utf-8')
        examples = re.findall(r'^```asm\n(.*?)^```', text, re.S | re.M)
        self.assertGreater(len(examples), 10)
        for example in examples:
            with self.subTest(example=example), tempfile.TemporaryDirectory() as scratch:
                (pathlib.Path(scratch) / 'example.asm').write_text(example, encoding='utf-8')
                result = subprocess.run([str(BUILD / 'talvo'), '--messages=en', '-d',
                                         'example.asm'], cwd=scratch, capture_output=True)
                self.assertEqual(result.returncode, 0, result.stdout.decode('utf-8', 'replace'))
                self.assertNotIn(b'Warning', result.stdout)
                self.assertEqual(result.stderr, b'')

    def test_generated_message_files_are_up_to_date(self):
        result = subprocess.run([sys.executable, str(ROOT / 'tools' / 'gen_messages.py'),
                                 '--check'], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


class Scripts(unittest.TestCase):
    def test_help_only_prints_the_usage(self):
        for script in SCRIPTS:
            with self.subTest(script=script.name), tempfile.TemporaryDirectory() as scratch:
                result = subprocess.run([sys.executable, str(script), '--help'], cwd=scratch,
                                        capture_output=True, text=True, timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(result.stdout.startswith('usage: '), result.stdout)
                self.assertEqual(list(pathlib.Path(scratch).iterdir()), [])


class Install(unittest.TestCase):
    def test_install_puts_the_program_its_manual_page_documents_and_examples_under_the_prefix(self):
        with tempfile.TemporaryDirectory() as scratch:
            prefix = pathlib.Path(scratch) / 'prefix'
            subprocess.run(['cmake', '--install', str(BUILD), '--prefix', str(prefix)],
                           check=True, capture_output=True)
            program = prefix / 'bin' / 'talvo'
            manual = prefix / 'share' / 'man' / 'man1' / 'talvo.1'
            docs = prefix / 'share' / 'doc' / 'talvo'
            version = subprocess.run([str(program), '--version'], capture_output=True,
                                     check=True).stdout
            self.assertTrue(version.startswith(b'TALVO -- Z80 Absolute Assembler ver 0.12'))
            # The manual page names the documents where this prefix put them.
            source = (ROOT / 'docs' / 'talvo.1').read_text(encoding='utf-8')
            self.assertEqual(manual.read_text(encoding='utf-8'),
                             source.replace('/usr/local/share/doc/talvo', str(docs)))
            named = re.findall(r'^\.I (/\S+)$', manual.read_text(encoding='utf-8'), re.M)
            self.assertEqual(sorted(named), sorted(
                [f'{docs}/SYNTAX.md', f'{docs}/MESSAGES.md', f'{docs}/examples/']))
            for path in named:
                self.assertTrue(pathlib.Path(path).exists(), path)
            for name in ('SYNTAX.md', 'MESSAGES.md'):
                self.assertEqual((docs / name).read_bytes(), (ROOT / 'docs' / name).read_bytes())
            # Every example source and the files it reads, and nothing the examples wrote.
            examples = ROOT / 'examples'
            tracked = subprocess.run(['git', 'ls-files', '--', '.'], cwd=examples,
                                     capture_output=True, text=True)
            if tracked.returncode == 0 and tracked.stdout:
                wanted = sorted(tracked.stdout.split())
                installed = sorted(str(p.relative_to(docs / 'examples'))
                                   for p in (docs / 'examples').rglob('*') if p.is_file())
                self.assertEqual(installed, wanted)
            # The installed program assembles the installed examples from a copy of them.
            work = pathlib.Path(scratch) / 'work'
            shutil.copytree(docs / 'examples', work)
            for example in sorted(work.glob('*.asm')):
                flags = ['-I', 'include'] if example.name == 'features.asm' else []
                done = subprocess.run([str(program), *flags, example.name], cwd=work,
                                      capture_output=True)
                self.assertEqual(done.returncode, 0, example.name)


def main():
    global BUILD
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--build', required=True, type=pathlib.Path,
                        help='the CMake build folder that holds talvo')
    options, rest = parser.parse_known_args()
    BUILD = options.build.resolve()
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
