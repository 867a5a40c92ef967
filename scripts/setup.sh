#!/usr/bin/env bash
# Installs what building and testing Mokurena needs on Debian 12, as root.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake g++ make libgtest-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine32:i386 wine64
  xvfb x11-utils imagemagick fonts-ipafont-gothic fonts-wine locales
  libarchive-dev libarchive-tools zip unzip p7zip-full gcab jlha-utils bzip2 zstd xz-utils python3
  clang
)

# Packaging: dpkg-shlibdeps for CPack's Debian package, lintian to check it,
# man-db to read its man page (scripts/package.sh, scripts/test-deb.sh).
packages+=(dpkg-dev lintian man-db)

# Zone data for the time conversion tests (Europe/Berlin and others by
# name).
packages+=(tzdata)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
elif [ -n "${need_update:-}" ]; then
  apt-get update -q
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
