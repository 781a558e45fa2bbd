#!/usr/bin/env python3
"""Checks that git shows the CP932 golden texts readably once tools/git_setup.sh has run: in a
throwaway repository holding the project's .gitattributes, .gitconfig and scripts, git diff
prints the changed lines as UTF-8 text, a change to bytes that are no CP932 text still shows,
the files keep their bytes (CRs included) on checkout, their patches stay binary, and the setup
script can run any number of times.

Exits with status 77 (skipped) without git or without an iconv that converts CP932.
Usage: git_diff_check.py [unittest options]
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent
PROJECT_FILES = ['.gitattributes', '.gitconfig', 'tools/cp932_to_utf8.sh', 'tools/git_setup.sh']

OUT = 'Error prog.asm    3: 未定義のラベル\n'.encode('cp932')
SYM = '0004 ENTRIES\t400C 初期化\t\r\n'.encode('cp932')


class Repository(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.path = pathlib.Path(scratch.name) / 'repo'
        for name in PROJECT_FILES:
            (self.path / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(ROOT / name, self.path / name)
        (self.path / 'case.out').write_bytes(OUT)
        (self.path / 'case.sym').write_bytes(SYM)
        # No settings of the user or the machine: only the repository's own count.
        self.env = dict(os.environ, HOME=scratch.name, GIT_CONFIG_NOSYSTEM='1',
                        GIT_AUTHOR_NAME='t', GIT_AUTHOR_EMAIL='t@t', GIT_COMMITTER_NAME='t',
                        GIT_COMMITTER_EMAIL='t@t')
        self.git('init', '-q')
        self.git('add', '.')
        self.git('commit', '-q', '-m', 'start')
        self.git('config', '--local', '--add', 'include.path', 'mine.gitconfig')  # set by hand
        self.setup()

    def git(self, *args) -> str:
        return subprocess.run(['git', '-c', 'color.ui=never', *args], cwd=self.path, env=self.env,
                              check=True, capture_output=True).stdout.decode('utf-8', 'replace')

    def setup(self):
        subprocess.run(['sh', 'tools/git_setup.sh'], cwd=self.path, env=self.env, check=True,
                       capture_output=True)

    def test_setup_adds_the_include_once_and_keeps_others(self):
        config = (self.path / '.git' / 'config').read_bytes()
        self.setup()
        self.assertEqual((self.path / '.git' / 'config').read_bytes(), config)
        self.assertEqual(self.git('config', '--local', '--get-all', 'include.path').split(),
                         ['mine.gitconfig', '../.gitconfig'])

    def test_diff_shows_the_changed_lines_as_text(self):
        (self.path / 'case.out').write_bytes(OUT.replace('未定義'.encode('cp932'),
                                                         '未解決'.encode('cp932')))
        (self.path / 'case.sym').write_bytes(SYM.replace(b'400C', b'400D'))
        diff = self.git('diff')
        self.assertIn('\n-Error prog.asm    3: 未定義のラベル\n+Error prog.asm    3: 未解決のラベル\n',
                      diff)
        self.assertIn('\n-0004 ENTRIES\t400C 初期化\t\r\n+0004 ENTRIES\t400D 初期化\t\r\n', diff)
        # A character cut off at the end is no CP932 text, and its change still shows.
        (self.path / 'case.out').write_bytes(OUT + b'\x82')
        self.assertIn('\n+[bytes that are no CP932 text left out; cksum of the file: ',
                      self.git('diff'))

    def test_files_keep_their_bytes_and_their_patches_stay_binary(self):
        for name in ('case.out', 'case.sym'):
            (self.path / name).unlink()
        self.git('checkout', '--', '.')
        self.assertEqual((self.path / 'case.out').read_bytes(), OUT)
        self.assertEqual((self.path / 'case.sym').read_bytes(), SYM)
        (self.path / 'case.sym').write_bytes(SYM + SYM)
        self.git('commit', '-q', '-a', '-m', 'more')
        self.assertIn('GIT binary patch', self.git('format-patch', '-1', '--stdout'))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    _, rest = parser.parse_known_args()
    iconv = subprocess.run(['iconv', '-f', 'CP932', '-t', 'UTF-8'], input=b'',
                           capture_output=True) if shutil.which('iconv') else None
    if shutil.which('git') is None or iconv is None or iconv.returncode != 0:
        print('skipped: needs git and an iconv that converts CP932 (glibc, or the iconv package)')
        return 77
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    sys.exit(main())
