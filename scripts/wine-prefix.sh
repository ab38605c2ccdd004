#!/usr/bin/env bash
# Creates the project's own 32-bit Wine prefixes under build/wine:
#   nt     reports the NT family (Wine's default version)
#   win98  reports the 9x platform, so the 9x branches run for real
# Usage: scripts/wine-prefix.sh [nt|win98 ...]   (default: both)
# A complete prefix (stamp file) is reused; a half-made one is made again.
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

command -v wine >/dev/null 2>&1 || die "wine is missing (run scripts/setup.sh)"

make_prefix() {
  local kind="$1" dir
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
  # No display needed: the set-up runs without windows.
  (
    unset DISPLAY
    wineboot -i >/dev/null 2>&1
    wineserver -w

    reg() { wine reg add "$@" /f >/dev/null 2>&1; }
    link_cjk_font
    # A crash must fail the run, not wait on a dialog nobody sees.
    reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    if [ "$kind" = win98 ]; then
      reg 'HKCU\Software\Wine' /v Version /d win98
    fi
    wineserver -w
  )

  # Check what was written before calling the prefix ready.
  local q
  q="$(wine reg query "$LEDRA_FONTLINK_KEY" /v Tahoma 2>/dev/null || true)"
  grep -q "$LEDRA_CJK_FONT_FILE" <<<"$q" || die "prefix $kind: font link missing"
  if [ "$kind" = win98 ]; then
    q="$(wine reg query 'HKCU\Software\Wine' /v Version 2>/dev/null || true)"
    grep -q win98 <<<"$q" || die "prefix win98: Windows version not set"
  fi
  wineserver -w
  date -u +%FT%TZ >"$dir/$LEDRA_PREFIX_READY"
  log "prefix $kind ready"
}

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(nt win98)
for k in "${kinds[@]}"; do
  case "$k" in
    nt|win98) make_prefix "$k" ;;
    *) die "unknown prefix '$k' (nt or win98)" ;;
  esac
done
