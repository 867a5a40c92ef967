#!/usr/bin/env bash
# Sets up a Debian 12 machine (as root) and runs every test: the unit tests
# natively, again under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the Win32 build's unit and end-to-end tests under Wine (code page 932).
#
# The Win32 tests run on the shipped i686 program under wine32 where this
# kernel runs 32-bit programs. Where it does not, the i686 tree is still built
# and its static checks run, and the tests run on the same sources built for
# x86-64 under wine64. MOKURENA_WIN_TESTS=x86_64 forces that path.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-target.sh

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

choose_wine_target
echo "== Win32 tests run on $MOKURENA_WIN_TARGET: $MOKURENA_WIN_WHY"

echo "== Win32 build (i686, the shipped program)"
# Its end-to-end cases are listed by running them under Wine: only where
# Wine runs them.
if [ "$MOKURENA_WIN_TARGET" = i686 ]; then list_cases=ON; else list_cases=OFF; fi
configure_and_build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DMOKURENA_LIST_WINE_CASES=$list_cases

if [ "$MOKURENA_WIN_TARGET" = i686 ]; then
  scripts/with-wine.sh ctest --test-dir build/win32 --output-on-failure -j"$jobs"
else
  echo "== checks of the shipped i686 file (no Wine needed)"
  ctest --test-dir build/win32 --output-on-failure -L static
  echo "== Win32 tests on the x86-64 build under wine64"
  configure_and_build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
  scripts/with-wine.sh ctest --test-dir build/win64 --output-on-failure -j"$jobs"
fi

# The Debian package: built, checked with lintian, installed with dpkg -i,
# used from PATH and purged (it needs root, as dpkg does). The Windows
# package is tested with the Win32 end-to-end tests (package_e2e_tests).
if [ "$(id -u)" = 0 ]; then
  echo "== Debian package of mokurena-scan: built, installed, used, purged"
  scripts/test-deb.sh
else
  echo "== Debian package test skipped: it needs root"
fi

echo "== all tests passed"
