#!/usr/bin/env bash
# Runs a command in a fresh Wine prefix with a Japanese locale (ANSI code page
# 932) and, when there is no display, a private Xvfb. Everything it started
# ends with it: the wineserver, Xvfb and the prefix.
#
# MOKURENA_WIN_TARGET (see scripts/wine-target.sh) picks the loader: i686, the
# default, runs 32-bit programs under wine32 in a 32-bit prefix; x86_64 runs
# 64-bit programs under wine64 in a 64-bit prefix.
set -euo pipefail

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

prefix_dir=$(mktemp -d /tmp/mokurena-wine.XXXXXX)
export WINEPREFIX=$prefix_dir/prefix

case ${MOKURENA_WIN_TARGET:-i686} in
  i686)
    export WINEARCH=win32 ;;
  x86_64)
    export WINEARCH=win64
    # /usr/bin/wine (and wineboot, which calls it) picks the 32-bit loader
    # whenever wine32 is installed, even where it cannot start: every "wine"
    # of this run is the 64-bit loader, and Wine starts child processes with
    # WINELOADER. (A symbolic link named wine would not do: the loader finds
    # its own files by the name it was started with.)
    export WINELOADER=/usr/lib/wine/wine64
    mkdir "$prefix_dir/bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec %s "$@"\n' "$WINELOADER" >"$prefix_dir/bin/$name"
      chmod +x "$prefix_dir/bin/$name"
    done
    export PATH=$prefix_dir/bin:$PATH ;;
  *)
    echo "with-wine.sh: unknown MOKURENA_WIN_TARGET '$MOKURENA_WIN_TARGET'" >&2
    exit 2 ;;
esac
xvfb_pid=

cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$prefix_dir"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

wineboot -i >/dev/null 2>&1
wineserver -w
# A second drive letter for drive C:'s folder, as subst gives one: the tests
# of file identity reach one file by two names through it.
ln -sfn ../drive_c "$WINEPREFIX/dosdevices/m:"
# Xvfb has no window manager: Wine draws the windows' frames and captions
# itself, so that screenshots of a window show its caption too.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
wineserver -w
# Keep one wineserver alive for the whole run, so every test reuses it.
wineserver -p
# The first program of a server starts Wine's services, which live as long as
# the server and keep that program's standard streams open: start them here,
# away from the caller's pipes, or ctest waits for those pipes forever.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
"$@"
