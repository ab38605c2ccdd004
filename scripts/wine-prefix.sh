#!/usr/bin/env bash
# Creates the project's own Wine prefixes under build/wine:
#   nt     32-bit (WINEARCH=win32), reports the NT family (Wine's default version)
#   win98  32-bit, reports the 9x platform, so the 9x branches run for real
#   nt64   64-bit (WINEARCH=win64), for the x86_64 build
# Usage: scripts/wine-prefix.sh [nt|win98|nt64 ...]
#   (default: every prefix this machine can run)
# A complete prefix (stamp file) is reused; a half-made one is made again.
# A failing Wine step shows the last lines of Wine's output.
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

command -v wineserver >/dev/null 2>&1 || die "wine is missing (run scripts/setup.sh)"

said() { log "Wine said:"; printf '%s\n' "$1" | tail -n 15 | sed 's/^/[ledra]   | /' >&2; }

make_prefix() {
  local kind="$1" dir
  require_kind "$kind"
  dir="$(prefix_dir "$kind")"
  if [ -f "$dir/$LEDRA_PREFIX_READY" ]; then
    return 0
  fi
  if [ -e "$dir" ]; then
    [ -f "$dir/$LEDRA_PREFIX_MARK" ] \
      || die "$dir exists but was not made by this script; remove it yourself"
    log "prefix $kind is incomplete; making it again"
    stop_prefix "$kind"
    rm -rf "$dir"
  fi

  log "creating Wine prefix $kind in $dir"
  mkdir -p "$dir"
  : >"$dir/$LEDRA_PREFIX_MARK"
  use_prefix "$kind"
  command -v "$LEDRA_WINE" >/dev/null 2>&1 || die "$LEDRA_WINE is missing (run scripts/setup.sh)"
  # No display needed: the set-up runs without windows.
  (
    unset DISPLAY
    wine_step "wineboot of prefix $kind" "$LEDRA_WINE" wineboot -i || exit 1
    wineserver -w

    reg() { wine_step "prefix $kind: reg add $1 $3" "$LEDRA_WINE" reg add "$@" /f || exit 1; }
    link_cjk_font
    # A crash must fail the run, not wait on a dialog nobody sees.
    reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    if [ "$kind" = win98 ]; then
      reg 'HKCU\Software\Wine' /v Version /d win98
    fi
    wineserver -w
  ) || die "prefix $kind could not be made (see above); the next run makes it again"

  # Check what was written before calling the prefix ready.
  local q
  q="$("$LEDRA_WINE" reg query "$LEDRA_FONTLINK_KEY" /v Tahoma 2>&1 </dev/null || true)"
  grep -q "$LEDRA_CJK_FONT_FILE" <<<"$q" || { said "$q"; die "prefix $kind: font link missing"; }
  if [ "$kind" = win98 ]; then
    q="$("$LEDRA_WINE" reg query 'HKCU\Software\Wine' /v Version 2>&1 </dev/null || true)"
    grep -q win98 <<<"$q" || { said "$q"; die "prefix win98: Windows version not set"; }
  fi
  wineserver -w
  date -u +%FT%TZ >"$dir/$LEDRA_PREFIX_READY"
  log "prefix $kind ready"
}

kinds=("$@")
if [ ${#kinds[@]} -eq 0 ]; then
  kinds=("${LEDRA_KINDS_64[@]}")
  if can_run_32; then kinds=("${LEDRA_KINDS_32[@]}" "${kinds[@]}"); fi
fi
for k in "${kinds[@]}"; do
  check_kind "$k"
  make_prefix "$k"
done
