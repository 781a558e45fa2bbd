#!/bin/sh
# Sets up this clone for the repository's versioned git settings (.gitconfig at the top of the
# work tree, which makes git diff show the CP932 golden texts as UTF-8): adds
# include.path = ../.gitconfig to .git/config (a path relative to .git/config itself). Running
# it again changes nothing, and include paths set by hand stay. Outside a git work tree whose
# top is this source tree, or without git, it does nothing.
#
# Usage: tools/git_setup.sh
set -eu
case "${1:-}" in
  -h | --help)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac
cd "$(dirname "$0")/.."
command -v git >/dev/null 2>&1 || exit 0
# A source tree copied into some other repository's work tree is not that repository.
top=$(git rev-parse --show-toplevel 2>/dev/null) || exit 0
[ "$top" = "$(pwd -P)" ] || exit 0

# The relative path fits a .git folder at the top; a linked work tree or a submodule keeps its
# configuration elsewhere, and gets the absolute path of this tree's .gitconfig.
if [ "$(git rev-parse --git-common-dir)" = .git ]; then
  include=../.gitconfig
else
  include=$top/.gitconfig
fi
if ! git config --local --get-all include.path | grep -qxF "$include"; then
  git config --local --add include.path "$include"
  echo "git_setup: .git/config now includes $include"
fi
if ! iconv -f CP932 -t UTF-8 </dev/null >/dev/null 2>&1; then
  echo "git_setup: iconv cannot convert from CP932: git diff shows those files without text" >&2
fi
