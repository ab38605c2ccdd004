# Shared helpers for the scripts in this folder; sourced, not run.
# shellcheck shell=bash

LEDRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LEDRA_BUILD="$LEDRA_ROOT/build"     # the presets build here too
LEDRA_WINE_ROOT="$LEDRA_BUILD/wine"

# Marks a prefix as made by these scripts; nothing here touches a prefix without it.
LEDRA_PREFIX_MARK=".ledra-prefix"
LEDRA_PREFIX_READY=".ledra-ready"

log() { printf '[ledra] %s\n' "$*" >&2; }
die() { printf '[ledra] error: %s\n' "$*" >&2; exit 1; }

# Runs the command as root: directly when we are root, through sudo otherwise.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    die "need root (or sudo) for: $*"
  fi
}

prefix_dir() { printf '%s/%s' "$LEDRA_WINE_ROOT" "$1"; }

# Exports the environment Wine needs for one of the project's prefixes (nt or win98).
use_prefix() {
  local dir
  dir="$(prefix_dir "$1")"
  [ -f "$dir/$LEDRA_PREFIX_MARK" ] || die "$dir is not a prefix made by scripts/wine-prefix.sh"
  export WINEPREFIX="$dir"
  export WINEARCH=win32
  export WINEDEBUG="${WINEDEBUG:--all}"
  # No Mono/Gecko download dialogs: they would wait forever on a headless display.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

# The system UI font (menus, tabs, list headers, status bar) links to a CJK font,
# as it does on Windows, so Chinese shows on any locale. Wine rewrites the Tahoma
# link with its own defaults (fonts not installed here) whenever the ANSI code
# page differs from the last run, so this is applied again before each start:
# the reg process itself makes Wine do its rewrite first, then ours lands.
# Under a Chinese code page Wine maps the dialog font to SimSun, which is not
# installed; text then falls back to the links of Microsoft Sans Serif.
LEDRA_CJK_FONT_FILE="wqy-microhei.ttc"      # Debian's fonts-wqy-microhei
LEDRA_CJK_FONT_FACE="WenQuanYi Micro Hei"
LEDRA_FONTLINK_KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
link_cjk_font() {
  local face
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
    wine reg add "$LEDRA_FONTLINK_KEY" /v "$face" /t REG_MULTI_SZ \
      /d "$LEDRA_CJK_FONT_FILE,$LEDRA_CJK_FONT_FACE" /f >/dev/null 2>&1 \
      || die "could not set the font link for $face in $WINEPREFIX"
  done
}

# Stops the wine server of one of the project's own prefixes (and so every
# Windows process in it). Refuses any other prefix.
stop_prefix() {
  local dir
  dir="$(prefix_dir "$1")"
  [ -f "$dir/$LEDRA_PREFIX_MARK" ] || return 0
  WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$dir" wineserver -w >/dev/null 2>&1 || true
}

# Private X server. start_xvfb sets LEDRA_XVFB_PID and exports DISPLAY; Xvfb picks
# a free display number itself (-displayfd), so parallel runs do not collide.
LEDRA_XVFB_PID=""
start_xvfb() {
  command -v Xvfb >/dev/null 2>&1 || die "Xvfb is missing (run scripts/setup.sh)"
  local numfile i
  numfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "${LEDRA_XVFB_SCREEN:-1024x768x24}" -nolisten tcp \
    3>"$numfile" >/dev/null 2>&1 &
  LEDRA_XVFB_PID=$!
  for i in $(seq 1 100); do
    if [ -s "$numfile" ] && grep -q '^[0-9]\+$' "$numfile"; then break; fi
    kill -0 "$LEDRA_XVFB_PID" 2>/dev/null || { rm -f "$numfile"; die "Xvfb did not start"; }
    sleep 0.1
  done
  [ -s "$numfile" ] || { stop_xvfb; rm -f "$numfile"; die "Xvfb gave no display number"; }
  DISPLAY=":$(head -n1 "$numfile")"
  export DISPLAY
  rm -f "$numfile"
  for i in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  stop_xvfb
  die "Xvfb on $DISPLAY does not answer"
}

stop_xvfb() {
  if [ -n "$LEDRA_XVFB_PID" ]; then
    kill "$LEDRA_XVFB_PID" 2>/dev/null || true
    wait "$LEDRA_XVFB_PID" 2>/dev/null || true
    LEDRA_XVFB_PID=""
  fi
}

# True when $DISPLAY names an X server that answers.
display_usable() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Waits for a mapped X window whose title is exactly $1; prints its id.
wait_window() {
  local title="$1" timeout="${2:-60}" pid="${3:-}" id deadline
  # xdotool matches a regular expression: anchor it and escape the title.
  local pattern
  pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  deadline=$((SECONDS + timeout))
  while [ "$SECONDS" -lt "$deadline" ]; do
    id="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)"
    if [ -n "$id" ]; then printf '%s\n' "$id"; return 0; fi
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then return 1; fi
    sleep 0.25
  done
  return 1
}

# Runs "$@", then prints how long it took under the given label.
LEDRA_TIMINGS=()
timed() {
  local label="$1" start rc
  shift
  start=$SECONDS
  set +e
  "$@"
  rc=$?
  set -e
  LEDRA_TIMINGS+=("$(printf '%-22s %5ss  %s' "$label" "$((SECONDS - start))" \
    "$([ $rc -eq 0 ] && echo ok || echo "FAILED ($rc)")")")
  log "$label: $((SECONDS - start))s, $([ $rc -eq 0 ] && echo ok || echo "failed ($rc)")"
  return $rc
}

# ---- starting and closing ledra.exe under Wine (run.sh and the end-to-end test) ----
LEDRA_CAPTION="Windows Ledra "
LEDRA_PID=""

# Starts ledra.exe in the current prefix on $DISPLAY; output goes to $2.
start_ledra() {
  local exe="$1" logfile="$2"
  [ -f "$exe" ] || die "$exe not found (run scripts/build.sh)"
  wine "$exe" >"$logfile" 2>&1 &
  LEDRA_PID=$!
}

# Closes Ledra the way a user's close button does: WM_CLOSE to its top-level
# windows (Wine's taskkill without /f posts exactly that). Waits up to $1 s and
# returns Ledra's exit code; kills it by PID and returns 124 if it does not end.
close_ledra() {
  local timeout="${1:-30}" deadline rc
  [ -n "$LEDRA_PID" ] || return 0
  wine taskkill /im "$(basename "${LEDRA_EXE:-ledra.exe}")" >/dev/null 2>&1 || true
  deadline=$((SECONDS + timeout))
  while kill -0 "$LEDRA_PID" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    sleep 0.2
  done
  if kill -0 "$LEDRA_PID" 2>/dev/null; then
    log "ledra.exe did not end within ${timeout}s of WM_CLOSE; killing PID $LEDRA_PID"
    kill -9 "$LEDRA_PID" 2>/dev/null || true
    wait "$LEDRA_PID" 2>/dev/null || true
    LEDRA_PID=""
    return 124
  fi
  set +e
  wait "$LEDRA_PID"
  rc=$?
  set -e
  LEDRA_PID=""
  return $rc
}

# Kills a Ledra we started, by PID (used on error paths only).
kill_ledra() {
  if [ -n "$LEDRA_PID" ]; then
    kill -9 "$LEDRA_PID" 2>/dev/null || true
    wait "$LEDRA_PID" 2>/dev/null || true
    LEDRA_PID=""
  fi
}
