#!/bin/sh
# Prints a text file as UTF-8 for git diff: the textconv of the diff driver cp932, which
# .gitconfig defines and .gitattributes gives to the golden texts and the sources.
#
# The program writes CP932, except in the --messages=utf-8 cases: a file that is valid UTF-8
# already is printed as it is, any other is converted from CP932. Bytes that are no CP932
# character (a character cut off by the end of the file among them) are left out with iconv -c,
# and a last line in brackets says so with the file's checksum: a change to those bytes then
# still shows in the diff, and the diff never fails on them.
#
# Usage: tools/cp932_to_utf8.sh FILE
set -u
case "${1:-}" in
  '' | -h | --help)
    sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac
file=$1
if [ ! -r "$file" ]; then
  echo "$0: cannot read $file" >&2
  exit 1
fi
if iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1; then
  exec cat "$file"
fi
if ! iconv -f CP932 -t UTF-8 </dev/null >/dev/null 2>&1; then
  echo "$0: this iconv cannot convert from CP932" >&2
  exit 1
fi
if iconv -f CP932 -t UTF-8 "$file" >/dev/null 2>&1; then
  exec iconv -f CP932 -t UTF-8 "$file"
fi
# iconv -c still fails on a character cut off at the end, after printing the rest; the x keeps
# the text's last line feeds from being stripped.
text=$(iconv -c -f CP932 -t UTF-8 "$file" 2>/dev/null; echo x)
text=${text%x}
printf '%s' "$text"
case $text in
  '' | *'
') ;;
  *) echo ;;
esac
echo "[bytes that are no CP932 text left out; cksum of the file: $(cksum <"$file")]"
