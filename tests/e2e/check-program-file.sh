#!/usr/bin/env bash
# Checks the shipped program file itself, with no Windows loader: the PE
# format of its target, the GUI subsystem, imports from system libraries only
# (a statically linked program needs no runtime DLL beside it), the program
# icon as the first icon and the manifest (type 24, id 1, English US) for the
# target processor.
#
#   check-program-file.sh OBJDUMP PROGRAM FORMAT MANIFEST_ARCH
#   e.g. check-program-file.sh i686-w64-mingw32-objdump mokurena.exe pei-i386 X86
set -euo pipefail
export LC_ALL=C  # objdump's headings are read as English
objdump=$1 program=$2 format=$3 manifest_arch=$4

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$program")

grep -q "file format $format\$" <<<"$headers" || fail "file format is not $format"
grep -Eq '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' <<<"$headers" || fail "not a GUI-subsystem program"

system_libraries=' advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll '
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no imports found"
for library in $imports; do
  [[ $system_libraries == *" ${library,,} "* ]] || fail "imports $library, which is not a system library"
done

# The resource tree as objdump prints it: a type entry, then its names, then
# their languages, indented one step deeper each.
resources=$(sed -n '/The .rsrc Resource Directory section/,$p' <<<"$headers")
first_icon=$(awk '/^[0-9a-f]+   Entry: ID: 0x00000e,/ { icons = 1; next }
                  icons && /^[0-9a-f]+     Entry: name:/ { sub(/.*\]: /, ""); sub(/, Value.*/, ""); print; exit }
                  icons && /^[0-9a-f]+     Entry: ID:/ { print "#" $4; exit }' <<<"$resources")
[ "$first_icon" = MAINICON ] || fail "the first icon is '${first_icon:-none}', not MAINICON"
manifest=$(awk '/^[0-9a-f]+   Entry: ID: 0x000018,/ { m = 1; next }
                m && /^[0-9a-f]+   Entry:/ { exit }
                m && /^[0-9a-f]+     Entry:/ { print $4 }
                m && /^[0-9a-f]+       Entry:/ { print $4 }' <<<"$resources" | tr -d ',' | paste -sd' ')
[ "$manifest" = "0x000001 0x000409" ] || fail "the manifest is not one resource 24/1 in language 0x409 (found: ${manifest:-none})"
for attribute in 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"' \
                 "processorArchitecture=\"$manifest_arch\"" 'publicKeyToken="6595b64144ccf1df"'; do
  grep -aqF "$attribute" "$program" || fail "the manifest lacks $attribute"
done

if [ "$failures" -gt 0 ]; then
  echo "$program: $failures check(s) failed"
  exit 1
fi
echo "$program: $format, GUI subsystem, system imports only ($(echo $imports)), icon MAINICON first, $manifest_arch manifest"
