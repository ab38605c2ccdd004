#!/usr/bin/env bash
# House rules, checked on the sources and the built trees:
#  - Win32 headers are included only under src/platform/win32/ and src/main/ (and tests/win32/);
#  - the pages (src/tasks, src/processes, src/performance) include nothing of src/app/:
#    the main window calls the pages, never the other way round;
#  - src/platform/ (the adapter included) includes nothing of src/app/ or src/main/: the
#    window is generic over the design, and only src/main/ sees both sides;
#  - the program has no mutable globals: its own object files hold no writable
#    static storage (.data/.bss symbols), function-local statics included;
#  - both ledra.exe import only the DLLs they may (kernel32, user32, gdi32, advapi32,
#    msvcrt, comctl32) and nothing newer than Windows XP (scripts/check-imports.sh).
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

status=0

headers='windows|winuser|winbase|wingdi|winreg|winnt|windef|commctrl|commdlg|shellapi|shlobj|psapi|tlhelp32|winternl|ntstatus'
if hits="$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($headers)\\.h[>\"]" \
    src --include='*.h' --include='*.cpp' | grep -v -e '^src/platform/win32/' -e '^src/main/')"; then
  echo "Win32 headers outside src/platform/win32/ and src/main/:"
  sed 's/^/  /' <<<"$hits"
  status=1
fi

if hits="$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(app|main)/' \
    src/tasks src/processes src/performance --include='*.h' --include='*.cpp')"; then
  echo "pages including the main window (src/app/, src/main/):"
  sed 's/^/  /' <<<"$hits"
  status=1
fi

if hits="$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(app|main)/' \
    src/platform --include='*.h' --include='*.cpp')"; then
  echo "the platform layer including the program (src/app/, src/main/):"
  sed 's/^/  /' <<<"$hits"
  status=1
fi

win="$LEDRA_BUILD/windows"
objects=()
# The test programs' libraries and those of the program itself (the nested product
# build in product/, when the toolchain asks for one).
for dir in "$win" "$win/product"; do
  for lib in "$dir/libledra_core.a" "$dir/libledra_win32.a" "$dir/libledra_main.a"; do
    [ -f "$lib" ] && objects+=("$lib")
  done
  while IFS= read -r obj; do objects+=("$obj"); done \
    < <(find "$dir/CMakeFiles/ledra.dir" -name '*.obj' 2>/dev/null)
done
if [ ${#objects[@]} -eq 0 ]; then
  echo "no objects of the windows tree to check (run scripts/build.sh windows)"
  exit 1
fi
# Section symbols (.data, .bss, ...) are not variables; everything else in a
# writable section is.
if writable="$(i686-w64-mingw32-nm -C "${objects[@]}" 2>/dev/null \
    | grep -E '^[0-9a-f]+ [BbDdCc] ' | grep -vE ' [BbDd] \.[a-z_.$]+$' | sort -u)"; then
  echo "writable static storage in the program (make it const/constexpr or owned state):"
  sed 's/^/  /' <<<"$writable"
  status=1
fi

"$LEDRA_ROOT/scripts/check-imports.sh" "$win/ledra.exe" "$LEDRA_BUILD/windows-x64/ledra.exe" || status=1

[ "$status" -ne 0 ] || echo "layout: Win32 headers confined, pages independent of app/, platform independent of the program, no mutable globals, system-folder DLLs and XP imports only"
exit "$status"
