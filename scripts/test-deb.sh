#!/usr/bin/env bash
# The Debian package as an administrator meets it, as root: builds it
# (scripts/package.sh deb), checks it with lintian, installs it with dpkg -i,
# runs mokurena-scan from PATH on the sample archives, reads its man page,
# changes the installation's watch list, and purges the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" != 0 ]; then
  echo "scripts/test-deb.sh installs a package: run it as root" >&2
  exit 2
fi
if dpkg-query -W -f='${Status}' mokurena-scan 2>/dev/null | grep -q 'installed'; then
  echo "mokurena-scan is installed already; purge it first (dpkg --purge mokurena-scan)" >&2
  exit 2
fi

echo "== building the Debian package"
deb=$(scripts/package.sh deb | tail -n 1)
version=$(dpkg-deb -f "$deb" Version)
echo "$deb ($version)"

passed=0 failed=0
pass() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAILED: $1" >&2; failed=$((failed + 1)); }
# check WHAT COMMAND...: the command's success.
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
# status WHAT EXPECTED COMMAND...: the command's exit status.
status() {
  local what=$1 expected=$2 got=0; shift 2
  "$@" >/dev/null 2>&1 || got=$?
  if [ "$got" = "$expected" ]; then pass "$what (exit $got)"; else fail "$what: exit $got, expected $expected"; fi
}

echo "== the package file"
check "named mokurena-scan_${version}_amd64.deb" [ "$(basename "$deb")" = "mokurena-scan_${version}_amd64.deb" ]
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/mokurena-scan ./usr/lib/mokurena/UNZIP32.DLL ./usr/lib/mokurena/UNLHA32.DLL \
  ./usr/lib/mokurena/TAR32.DLL ./usr/lib/mokurena/7-zip32.dll ./usr/lib/mokurena/UNRAR32.DLL \
  ./usr/lib/mokurena/CAB32.DLL ./usr/share/man/man1/mokurena-scan.1.gz ./etc/mokurena/checklst.ini \
  ./usr/share/doc/mokurena-scan/copyright; do
  check "holds $path" grep -qxF "$path" <<<"$contents"
done
check "checklst.ini is a conffile" grep -qxF /etc/mokurena/checklst.ini <<<"$(dpkg-deb -I "$deb" conffiles)"
changelog=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/mokurena-scan/changelog.gz | gzip -dc)
check "the changelog's latest entry is this version" grep -q "^mokurena-scan ($version) " <<<"$(head -n 1 <<<"$changelog")"
depends=$(dpkg-deb -f "$deb" Depends)
check "depends on libarchive and libc ($depends)" grep -q 'libarchive[0-9]* (>=.*libc6' <<<"$depends"
lintian_out=$(lintian --allow-root --fail-on error "$deb" 2>&1) && lintian_rc=0 || lintian_rc=$?
[ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
check "lintian finds no error" [ "$lintian_rc" = 0 ]

echo "== installed with dpkg -i"
trap 'dpkg --purge mokurena-scan >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
work=$(mktemp -d)
dpkg -i "$deb" >/dev/null
check "mokurena-scan is on PATH in /usr/bin" [ "$(command -v mokurena-scan)" = /usr/bin/mokurena-scan ]
check "--version prints the package's version" [ "$(mokurena-scan --version | head -n 1)" = "mokurena-scan $version" ]

# Samples: the real ZIPs, a gzip'ed tar made here (libarchive decompresses
# it), our fixture text that no real library opens, and nothing at all.
mkdir -p "$work/tree/bin"
echo x >"$work/tree/bin/install.exe"
echo x >"$work/tree/notes.txt"
tar -C "$work/tree" -czf "$work/tools.tar.gz" bin notes.txt
cd "$work"
status "a clean archive" 0 mokurena-scan "$root/samples/clean.zip"
status "an archive with watched members" 1 mokurena-scan "$root/samples/watched.zip"
status "a compressed tar with a program" 1 mokurena-scan tools.tar.gz
status "a file no library opens" 2 mokurena-scan "$root/samples/sample.lzh"
status "no such file" 2 mokurena-scan missing.zip
status "clean and watched: 1" 1 mokurena-scan "$root/samples/clean.zip" "$root/samples/watched.zip"
check "the report lines of watched.zip" [ "$(mokurena-scan "$root/samples/watched.zip" | wc -l)" = 3 ]

# The installation's watch list is the one read when none is named.
echo txt >/etc/mokurena/checklst.ini
status "the edited /etc/mokurena/checklst.ini watches txt" 1 mokurena-scan "$root/samples/clean.zip"
status "--ext still wins" 0 mokurena-scan --ext bat "$root/samples/clean.zip"

echo "== the man page"
page=$(MANWIDTH=80 man -P cat mokurena-scan 2>"$work/man-errors")
check "man mokurena-scan renders" grep -q 'mokurena-scan - check archives' <<<"$page"
check "man mokurena-scan shows the exit status" grep -q 'EXIT STATUS' <<<"$page"
check "man --warnings has nothing to say" [ -z "$(man --warnings -l /usr/share/man/man1/mokurena-scan.1.gz 2>&1 >/dev/null)" ]
check "lexgrog reads its NAME" lexgrog /usr/share/man/man1/mokurena-scan.1.gz

echo "== purged"
cd "$root"
dpkg --purge mokurena-scan >/dev/null
check "the command is gone" [ ! -e /usr/bin/mokurena-scan ]
check "the changed conffile is gone" [ ! -e /etc/mokurena/checklst.ini ]
check "the libraries are gone" [ ! -e /usr/lib/mokurena ]

echo "deb: $passed passed, $failed failed"
[ "$failed" = 0 ]
