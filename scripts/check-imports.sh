#!/usr/bin/env bash
# The 32-bit ledra.exe must load on Windows XP SP3: every entry of its import table
# must be on the list of that DLL's XP SP3 exports in scripts/xp-exports/ (see
# make-lists.sh there for where the lists come from). Newer calls are looked up at
# run time instead. Prints each import that is not on a list; exit code 1 if any.
# Usage: scripts/check-imports.sh [path/to/ledra.exe]   (default build/windows/ledra.exe)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

exe="${1:-$LEDRA_BUILD/windows/ledra.exe}"
lists="$LEDRA_ROOT/scripts/xp-exports"
[ -f "$exe" ] || die "$exe not found (run scripts/build.sh windows)"
command -v i686-w64-mingw32-objdump >/dev/null || die "i686-w64-mingw32-objdump is missing"
i686-w64-mingw32-objdump -f "$exe" | grep -q 'pei-i386' || die "$exe is not a 32-bit program"

# "DLL Name" lines open a DLL's table; its entries are "<vma> <hint> <name>", or an
# ordinal without a name (never on a list). Any unindented line ends the tables.
imports="$(i686-w64-mingw32-objdump -p "$exe" | awk '
  /^\tDLL Name: /                { dll = tolower($3); sub(/\.dll$/, "", dll); next }
  /^[^\t ]/                      { dll = "" }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll, $3 }')"
[ -n "$imports" ] || die "no imports read from $exe"

missing=0
count=0
while read -r dll name; do
  count=$((count + 1))
  list="$lists/$dll.txt"
  if [ ! -f "$list" ]; then
    echo "  $dll.dll!$name: no list of XP exports for $dll.dll"
    missing=$((missing + 1))
  elif ! grep -qxF -- "$name" "$list"; then
    echo "  $dll.dll!$name: not on the list of Windows XP SP3 exports"
    missing=$((missing + 1))
  fi
done <<<"$imports"

if [ "$missing" -ne 0 ]; then
  echo "imports: $missing of $count imports of $(basename "$exe") are not Windows XP SP3 exports"
  exit 1
fi
echo "imports: all $count imports of $(basename "$exe") are Windows XP SP3 exports"
