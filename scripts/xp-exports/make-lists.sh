#!/usr/bin/env bash
# Rebuilds the lists of Windows XP SP3 exports in this folder (one file per DLL), which
# scripts/check-imports.sh compares the 32-bit ledra.exe's import table with.
#
# A name is listed for a DLL when all of these hold:
#  1. the MinGW-w64 i686 import library for the DLL has it (nm of
#     /usr/i686-w64-mingw32/lib/lib<dll>.a): the DLL exports it on some Windows;
#  2. the MinGW-w64 headers declare it with _WIN32_WINNT=WINVER=0x0501 and
#     _WIN32_IE=0x0603 (XP SP2 and later ship IE 6 SP2); for COMCTL32, whose unmanifested
#     XP copy is version 5.82, with _WIN32_IE=0x0501 and _WIN32_WINNT=0x0500, as the
#     headers put version 6 behind _WIN32_WINNT >= 0x0501. A C file takes the address of
#     every name of step 1 and the compiler's "undeclared" errors drop the rest: the
#     headers' version guards put every call added in Vista and later behind
#     _WIN32_WINNT >= 0x0600;
#  3. it is not in vista-plus.txt: exports that the DLL export definition
#     files of ReactOS, an open-source Windows-compatible system, mark as added in
#     Vista or later ("-version=0x600+" and above), for names the headers leave unguarded;
#  4. for MSVCRT only: no name of the bounds-checked (*_s) and explicit-locale (*_l)
#     families, which the system msvcrt.dll gained in Vista (XP's is the VC 7.0 runtime).
# Names the headers do not declare at all (the C runtime's start-up entries) come from
# supplement.txt, which says where each comes from.
# The lists are a conservative subset of XP SP3: a real XP export missing here makes
# the check fail until it is added by hand, with its source noted in the file.
# Usage: scripts/xp-exports/make-lists.sh   (needs the MinGW-w64 i686 toolchain)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
lib=/usr/i686-w64-mingw32/lib
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

dlls=(kernel32 user32 gdi32 advapi32 shell32 comctl32 msvcrt psapi)
headers=(windows.h assert.h commctrl.h shellapi.h shlobj.h psapi.h tlhelp32.h
         stdio.h stdlib.h string.h wchar.h math.h time.h locale.h signal.h setjmp.h
         process.h io.h direct.h conio.h ctype.h errno.h fcntl.h malloc.h mbstring.h
         mbctype.h float.h search.h sys/stat.h sys/timeb.h sys/utime.h)

# The names of section "[$1]" of file $2 in this folder, sorted.
section() {
  awk -v d="[$1]" '/^\[/ { on = ($0 == d); next } on && !/^#/ { for (i = 1; i <= NF; i++) print $i }' \
    "$here/$2" | sort -u
}

for dll in "${dlls[@]}"; do
  # __imp__Name@16 (stdcall) and __imp__name (cdecl): drop the decoration.
  i686-w64-mingw32-nm "$lib/lib$dll.a" \
    | sed -nE 's/^[0-9a-f]+ I __imp__([A-Za-z0-9_]+)(@[0-9]+)?$/\1/p' | sort -u >"$work/$dll.lib"
  {
    for h in "${headers[@]}"; do printf '#include <%s>\n' "$h"; done
    echo 'void probe(void) {'
    sed 's/.*/  (void)\&&;/' "$work/$dll.lib"
    echo '}'
  } >"$work/$dll.c"
  versions=(-D_WIN32_WINNT=0x0501 -DWINVER=0x0501 -D_WIN32_IE=0x0603)
  [ "$dll" != comctl32 ] || versions=(-D_WIN32_WINNT=0x0500 -DWINVER=0x0500 -D_WIN32_IE=0x0501)
  i686-w64-mingw32-gcc-win32 -fsyntax-only -fmax-errors=0 -w "${versions[@]}" "$work/$dll.c" 2>&1 \
    | sed -nE "s/.*error: .(\\w+). undeclared.*/\\1/p" | sort -u >"$work/$dll.undeclared" || true
  comm -23 "$work/$dll.lib" "$work/$dll.undeclared" >"$work/$dll.declared"
  comm -23 "$work/$dll.declared" <(section "$dll" vista-plus.txt) >"$work/$dll.list"
  if [ "$dll" = msvcrt ]; then
    grep -vE '(_s|_l)$' "$work/$dll.list" >"$work/$dll.tmp" || true
    mv "$work/$dll.tmp" "$work/$dll.list"
  fi
  comm -12 "$work/$dll.lib" <(section "$dll" supplement.txt) | sort -u - "$work/$dll.list" >"$work/$dll.tmp"
  mv "$work/$dll.tmp" "$work/$dll.list"
  {
    echo "# Windows XP SP3 exports of ${dll^^}.DLL, one a line (a conservative subset)."
    echo "# Made by make-lists.sh in this folder; its header says where each part comes from:"
    echo "# MinGW-w64's import library lib$dll.a, MinGW-w64's headers at _WIN32_WINNT=0x0501,"
    echo "# minus the names ReactOS's export definition files mark as Vista or later (vista-plus.txt),"
    echo "# plus undeclared start-up entries of known origin (supplement.txt)."
    cat "$work/$dll.list"
  } >"$here/$dll.txt"
  printf '%-9s import library %5d, declared for XP %5d, listed %5d\n' "$dll" \
    "$(wc -l <"$work/$dll.lib")" "$(wc -l <"$work/$dll.declared")" "$(wc -l <"$work/$dll.list")"
done
