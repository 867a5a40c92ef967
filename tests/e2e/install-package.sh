#!/usr/bin/env bash
# Installs the Windows package as a user does, then runs its end-to-end
# tests against that installation:
#   install-package.sh ZIP EMULATOR TESTS [gtest options]
# checks ZIP against its .sha256, checks what the zip holds, unzips it into
# C:\Program Files\Mokurena of the current Wine prefix (scripts/with-wine.sh
# makes a fresh one) and runs the test program TESTS through EMULATOR (wine).
set -euo pipefail
zip=$1 emulator=$2 tests=$3
shift 3

(cd "$(dirname "$zip")" && sha256sum --quiet -c "$(basename "$zip").sha256")

expected=$'LICENSE\nmokurena-scan.exe\nmokurena.exe\nreadme.txt'
held=$(unzip -Z1 "$zip" | LC_ALL=C sort)
if [ "$held" != "$expected" ]; then
  printf 'the package holds:\n%s\nexpected:\n%s\n' "$held" "$expected" >&2
  exit 1
fi

program_files=$("$emulator" winepath -u 'C:\Program Files' 2>/dev/null | tr -d '\r')
[ -d "$program_files" ] || { echo "no C:\\Program Files in the Wine prefix ($program_files)" >&2; exit 1; }
rm -rf "$program_files/Mokurena"
unzip -q "$zip" -d "$program_files/Mokurena"
trap 'rm -rf "$program_files/Mokurena"' EXIT
"$emulator" "$tests" "$@"
