#!/usr/bin/env bash
# What ledra.exe imports, checked from its import table (either build):
#  - only the DLLs it may import: kernel32, user32, gdi32, advapi32, msvcrt and the
#    side-by-side comctl32. An import is loaded, with everything it imports in turn,
#    before the program's first instruction, so before the DLL search is narrowed; every
#    other DLL is loaded at run time by its full path in the system folder;
#  - nothing newer than Windows XP: every entry must be on the list of that DLL's XP SP3
#    exports in scripts/xp-exports/ (see make-lists.sh there for where the lists come
#    from); the 64-bit program (XP x64 / Server 2003) may also import the few x64-only
#    entries of x64-supplement.txt there. Newer calls are looked up at run time instead.
# Prints each import that breaks a rule; exit code 1 if any.
# Usage: scripts/check-imports.sh [path/to/ledra.exe ...]   (default build/windows/ledra.exe)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

allowed="kernel32 user32 gdi32 advapi32 msvcrt comctl32"
lists="$LEDRA_ROOT/scripts/xp-exports"
[ $# -gt 0 ] || set -- "$LEDRA_BUILD/windows/ledra.exe"
status=0

check_one() {
  local exe="$1" objdump format extra="" imports dll name missing=0 count=0
  [ -f "$exe" ] || die "$exe not found (run scripts/build.sh)"
  # The x86_64 objdump reads both kinds of program; the i686 one only its own.
  if command -v x86_64-w64-mingw32-objdump >/dev/null; then
    objdump=x86_64-w64-mingw32-objdump
  else
    objdump=i686-w64-mingw32-objdump
  fi
  command -v "$objdump" >/dev/null || die "no MinGW-w64 objdump"
  format="$("$objdump" -f "$exe" | sed -n 's/.*file format //p')"
  case "$format" in
    pei-i386) ;;
    pei-x86-64) extra="$lists/x64-supplement.txt" ;;
    *) die "$exe is not a Windows program ($format)" ;;
  esac

  # "DLL Name" lines open a DLL's table; its entries are "<vma> <hint> <name>", or an
  # ordinal without a name (never on a list). Any unindented line ends the tables.
  imports="$("$objdump" -p "$exe" | awk '
    /^\tDLL Name: /                { dll = tolower($3); sub(/\.dll$/, "", dll); print dll, "-"; next }
    /^[^\t ]/                      { dll = "" }
    dll != "" && /^\t[0-9a-f]+\t/ { print dll, $3 }')"
  [ -n "$imports" ] || die "no imports read from $exe"

  while read -r dll name; do
    if [ "$name" = - ]; then
      if ! grep -qw -- "$dll" <<<"$allowed"; then
        echo "  $dll.dll: imported, but only $allowed may be (load it at run time by full path)"
        missing=$((missing + 1))
      fi
      continue
    fi
    count=$((count + 1))
    list="$lists/$dll.txt"
    if [ -n "$extra" ] && awk -v d="[$dll]" '$0 == d { on = 1; next } /^\[/ { on = 0 } on' "$extra" |
        tr -s ' \t' '\n' | grep -qxF -- "$name"; then
      continue
    fi
    if [ ! -f "$list" ]; then
      echo "  $dll.dll!$name: no list of XP exports for $dll.dll"
      missing=$((missing + 1))
    elif ! grep -qxF -- "$name" "$list"; then
      echo "  $dll.dll!$name: not on the list of Windows XP SP3 exports"
      missing=$((missing + 1))
    fi
  done <<<"$imports"

  if [ "$missing" -ne 0 ]; then
    echo "imports: $missing problems in the imports of $exe ($format)"
    return 1
  fi
  echo "imports: $exe ($format): $count imports, all from $(awk '$2 == "-" { print $1 }' <<<"$imports" | paste -sd' '), all Windows XP exports"
}

for exe in "$@"; do
  check_one "$exe" || status=1
done
exit "$status"
