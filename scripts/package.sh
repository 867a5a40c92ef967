#!/usr/bin/env bash
# Builds the packages into dist/:
#   win32  mokurena-<version>-win32.zip and its .sha256: the i686 Release
#          build of mokurena.exe and mokurena-scan.exe with readme.txt and
#          LICENSE (CMake target package-win32, in build/package-win32)
#   deb    mokurena-scan_<version>_amd64.deb: mokurena-scan, its listing
#          libraries, man page and watch list (CPack, in build/package-deb)
#
#   scripts/package.sh [win32] [deb]     (both when none is named)
#
# Each prints the path of what it wrote. Run scripts/setup.sh first on a
# fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dist=$root/dist
jobs=$(nproc)

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(win32 deb)

package_win32() {
  local build=$root/build/package-win32
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DMOKURENA_DIST_DIR="$dist" >/dev/null
  cmake --build "$build" -j"$jobs" --target package-win32 >/dev/null
  ls "$dist"/mokurena-*-win32.zip "$dist"/mokurena-*-win32.zip.sha256
}

package_deb() {
  local build=$root/build/package-deb
  # /usr: the paths built into the command (the installation's watch list)
  # are the paths of the package.
  # cpack installs without building all (the tests are not packaged).
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
  cmake --build "$build" -j"$jobs" --target mokurena-scan backends >/dev/null
  (cd "$build" && cpack -G DEB -B "$dist" >/dev/null)
  rm -rf "$dist/_CPack_Packages"
  ls "$dist"/mokurena-scan_*_*.deb
}

for kind in "${kinds[@]}"; do
  case $kind in
    win32) package_win32 ;;
    deb) package_deb ;;
    *) echo "usage: scripts/package.sh [win32] [deb]" >&2; exit 2 ;;
  esac
done
