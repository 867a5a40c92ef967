#!/bin/sh
# Makes the real ZIP archives of this folder, the samples that mokurena-scan
# checks through the real archiver libraries (backends/), with Info-ZIP's
# zip, the same bytes on every run (fixed times, no extra fields):
#   watched.zip  holds members with watched extensions (setup.EXE, a name with
#                a trailing dot, a screen saver in a folder) among plain files
#   clean.zip    holds nothing watched
# Run from anywhere: sh samples/make-real-samples.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/watched/docs" "$work/watched/tools" "$work/clean/docs"
printf 'Read me first.\r\n' > "$work/watched/readme.txt"
printf 'Not really a program.\r\n' > "$work/watched/setup.EXE"
printf 'Windows drops the trailing dot when it extracts this.\r\n' > "$work/watched/invoice.pdf.exe."
printf 'Manual.\r\n' > "$work/watched/docs/manual.txt"
printf 'Not really a screen saver.\r\n' > "$work/watched/tools/flying.scr"
printf 'Read me first.\r\n' > "$work/clean/readme.txt"
printf 'Manual.\r\n' > "$work/clean/docs/manual.txt"
find "$work" -exec touch -d '2024-04-01 12:00:00' {} +

for name in watched clean; do
  rm -f "$here/$name.zip"
  (cd "$work/$name" && TZ=UTC LC_ALL=C zip -q -X -r "$here/$name.zip" $(find . -type f | sort | sed 's|^\./||'))
done
