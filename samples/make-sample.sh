#!/usr/bin/env bash
# Writes samples/sample.lzh, the archive that scripts/run-sample.sh checks.
#
# It is a fixture archive of the stand-in archiver libraries (a text format
# of our own, described in testlibs/README.md), not a real LHA archive: the
# stand-in UNLHA32.DLL lists its members. Names are Shift_JIS bytes, written
# as \xHH escapes. Two members carry watched extensions (setup.EXE and
# tools\cleanup.scr), so checking it shows the report dialog.
set -euo pipefail
cd "$(dirname "$0")"

cat > sample.lzh <<'FIXTURE'
MOKFIX 1
# Made by samples/make-sample.sh: the bundled sample for scripts/run-sample.sh.
accept lha
member readme.txt size=1024 packed=512 date=0x5A21 time=0x6000
member \x90\xE0\x96\xBE\x8F\x91.txt size=2048 packed=900 date=0x5A21 time=0x6000
member setup.EXE size=40960 packed=20480 date=0x5A21 time=0x6000
member photos\x5C\x8E\xCA\x90\x5E.jpg size=81920 packed=80000 date=0x5A21 time=0x6000
member tools\x5Ccleanup.scr size=4096 packed=2048 date=0x5A21 time=0x6000
FIXTURE
echo "wrote $(pwd)/sample.lzh"
