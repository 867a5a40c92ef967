#!/usr/bin/env bash
# Sets up a Debian 12 machine (as root) and runs every test: the unit tests
# natively, again under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the Win32 build's unit and end-to-end tests under Wine (code page 932).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then
  scripts/setup.sh
fi

jobs=$(nproc)

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

echo "== native build and unit tests"
configure_and_build build/native
ctest --test-dir build/native --output-on-failure -j"$jobs"

echo "== native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build build/asan -DMOKURENA_SANITIZE=ON
ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== libFuzzer targets of our readers, a few seconds each from the kept corpus"
scripts/fuzz.sh

echo "== Win32 build, unit and end-to-end tests under Wine"
configure_and_build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
scripts/with-wine.sh ctest --test-dir build/win32 --output-on-failure -j"$jobs"

echo "== all tests passed"
