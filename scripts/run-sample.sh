#!/usr/bin/env bash
# The main job: builds the Win32 program, installs it in a folder of its own
# with the stand-in archiver libraries and the bundled sample archive
# (samples/sample.lzh, which holds watched members), and checks the sample
# under Wine, so that the report dialog appears. Without a display it runs on
# a private Xvfb, chooses stop itself and leaves a screenshot of the dialog;
# with one, the dialog waits for your answer. Continue hands the sample to a
# stand-in archiver program, which only records what it was given.
#
#   scripts/run-sample.sh
#
# It runs the shipped 32-bit program; where this machine runs no 32-bit
# programs, the same sources built for x86-64 (scripts/wine-target.sh).
# MOKURENA_BUILD_DIR chooses the Win32 build folder (default build/win32 or
# build/win64, the ones scripts/test.sh uses).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/wine-target.sh

if [ "$(id -u)" = 0 ]; then
  scripts/setup.sh
fi

choose_wine_target
echo "== running the $MOKURENA_WIN_TARGET program: $MOKURENA_WIN_WHY"
if [ "$MOKURENA_WIN_TARGET" = i686 ]; then
  build=${MOKURENA_BUILD_DIR:-build/win32}
else
  build=${MOKURENA_BUILD_DIR:-build/win64}
fi
case $build in /*) ;; *) build=$root/$build ;; esac

echo "== building mokurena.exe in $build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$MOKURENA_WIN_TARGET-w64-mingw32.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" \
  --target mokurena mokurena_sample_runner standin.full.UNLHA32.DLL standin_archiver >/dev/null

run=$build/sample-run
rm -rf "$run"
mkdir -p "$run/archiver"
cp "$build/bin/mokurena.exe" "$build/standins/full/UNLHA32.DLL" samples/sample.lzh "$run/"
cp "$build/standins/programs/standin_archiver.exe" "$run/archiver/"

# Wine sees the Unix root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
printf '[Software]\r\nArchiverPath=%s\r\n' "$(windows_path "$run/archiver/standin_archiver.exe")" >"$run/mokurena.ini"

headless=
if [ -z "${DISPLAY:-}" ]; then
  headless=--headless
fi

echo "== checking $run/sample.lzh under Wine"
MOKURENA_SCREENSHOT_DIR=$run MOKURENA_ARCHIVER_RECORD="$(windows_path "$run/handed-on.txt")" \
  scripts/with-wine.sh wine "$build/bin/mokurena_sample_runner.exe" \
  "$(windows_path "$run")" "$(windows_path "$run/sample.lzh")" report $headless | tr -d '\r'

if [ -s "$run/handed-on.txt" ]; then
  echo "handed on to the archiver; its record: $run/handed-on.txt"
else
  echo "not handed on"
fi
if [ -f "$run/report.png" ]; then
  echo "screenshot of the report dialog: $run/report.png"
else
  echo "no screenshot was taken" >&2
  exit 1
fi
