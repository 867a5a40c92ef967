# Sourced by the scripts that run Win32 programs under Wine. Decides once which
# Win32 target runs here and exports it for scripts/with-wine.sh:
#   MOKURENA_WIN_TARGET  i686 (the shipped 32-bit program, under wine32) or
#                        x86_64 (the same sources for x86-64, under wine64)
#   MOKURENA_WIN_WHY     one line saying why
# Some kernels run no 32-bit programs, so the 32-bit loader cannot even start
# there. Whether it runs is found out by running a tiny i686 program in a
# throwaway prefix: the loader's own --version does not prove that a Windows
# program starts. MOKURENA_WIN_TESTS=x86_64 forces the 64-bit target.

choose_wine_target() {
  if [ "${MOKURENA_WIN_TESTS:-}" = x86_64 ]; then
    MOKURENA_WIN_TARGET=x86_64
    MOKURENA_WIN_WHY="forced by MOKURENA_WIN_TESTS=x86_64"
  elif _wine32_runs_programs; then
    MOKURENA_WIN_TARGET=i686
    MOKURENA_WIN_WHY="a 32-bit Windows program runs under wine32 here"
  else
    MOKURENA_WIN_TARGET=x86_64
    MOKURENA_WIN_WHY="no 32-bit Windows program runs under Wine here ($_wine32_failure)"
  fi
  export MOKURENA_WIN_TARGET MOKURENA_WIN_WHY
}

_wine32_runs_programs() {
  local dir out status=0
  dir=$(mktemp -d /tmp/mokurena-probe.XXXXXX)
  printf '#include <stdio.h>\nint main(void) { puts("probe ran"); return 0; }\n' >"$dir/probe.c"
  if ! i686-w64-mingw32-gcc-posix -o "$dir/probe.exe" "$dir/probe.c" 2>/dev/null; then
    _wine32_failure="the i686 compiler is missing"
    rm -rf "$dir"
    return 1
  fi
  out=$(WINEPREFIX=$dir/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \
        timeout 120 /usr/lib/wine/wine "$dir/probe.exe" </dev/null 2>&1) || status=$?
  WINEPREFIX=$dir/prefix wineserver -k 2>/dev/null || true
  rm -rf "$dir"
  if [ "$status" = 0 ] && [[ $out == *"probe ran"* ]]; then
    return 0
  fi
  _wine32_failure="/usr/lib/wine/wine exited with status $status: $(printf '%s' "$out" | head -n1)"
  return 1
}
