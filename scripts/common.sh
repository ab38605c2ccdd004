# Shared helpers for the scripts in this folder; sourced, not run.
# shellcheck shell=bash
# Variables set here are used by the scripts that source this file:
# shellcheck disable=SC2034

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

# The two Wine loaders. Debian's `wine` picks the 32-bit one whenever wine32 is
# installed, so each prefix names its loader itself. Without wine32 there is no
# 32-bit loader at all (`wine` then starts the 64-bit one, which cannot make a
# 32-bit prefix), and the 32-bit tiers say so.
if [ -x /usr/lib/wine/wine ]; then LEDRA_WINE32_LOADER=/usr/lib/wine/wine; else LEDRA_WINE32_LOADER=""; fi
if [ -x /usr/lib/wine/wine64 ]; then LEDRA_WINE64_LOADER=/usr/lib/wine/wine64; else LEDRA_WINE64_LOADER=wine64; fi
LEDRA_WINE=""      # the loader of the prefix use_prefix chose last

# The project's prefixes: nt and win98 are 32-bit, nt64 is 64-bit.
LEDRA_KINDS_32=(nt win98)
LEDRA_KINDS_64=(nt64)
check_kind() {
  case "$1" in nt|win98|nt64) ;; *) die "unknown prefix '$1' (nt, win98 or nt64)" ;; esac
}
kind_is_32() { [ "$1" != nt64 ]; }
# The build tree whose programs run in that prefix.
kind_build() { if kind_is_32 "$1"; then printf '%s/windows' "$LEDRA_BUILD"; else printf '%s/windows-x64' "$LEDRA_BUILD"; fi; }

# Exports the environment Wine needs for one of the project's prefixes and sets
# LEDRA_WINE to its loader.
use_prefix() {
  local dir
  dir="$(prefix_dir "$1")"
  [ -f "$dir/$LEDRA_PREFIX_MARK" ] || die "$dir is not a prefix made by scripts/wine-prefix.sh"
  export WINEPREFIX="$dir"
  if kind_is_32 "$1"; then
    export WINEARCH=win32
    LEDRA_WINE="$LEDRA_WINE32_LOADER"
  else
    export WINEARCH=win64
    LEDRA_WINE="$LEDRA_WINE64_LOADER"
  fi
  export WINEDEBUG="${WINEDEBUG:--all}"
  # No Mono/Gecko download dialogs: they would wait forever on a headless display.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

# Runs a Wine command with its output set aside; when it fails, shows the last
# lines of what Wine said (an exit code alone explains nothing) and returns its code.
wine_step() {
  local what="$1" out rc=0
  shift
  out="$(mktemp)"
  "$@" >"$out" 2>&1 </dev/null || rc=$?
  if [ "$rc" -ne 0 ]; then
    log "$what failed (exit code $rc); Wine said:"
    if [ -s "$out" ]; then tail -n 15 "$out" | sed 's/^/[ledra]   | /' >&2
    else log "  | (nothing)"; fi
  fi
  rm -f "$out"
  return "$rc"
}

# Whether this machine executes 32-bit programs (some 64-bit kernels do not: Wine's
# 32-bit loader then fails with "Exec format error"). Asked once per run: the answer
# is exported to every script started from here. LEDRA_ONLY_64=1 answers no without
# asking. LEDRA_WHY_32 says why, in a few words.
can_run_32() {
  if [ -z "${LEDRA_CAN_RUN_32:-}" ]; then
    local out rc=0
    if [ "${LEDRA_ONLY_64:-0}" = 1 ]; then
      LEDRA_CAN_RUN_32=0
      LEDRA_WHY_32="LEDRA_ONLY_64=1 is set"
    elif [ -z "$LEDRA_WINE32_LOADER" ] || ! command -v "$LEDRA_WINE32_LOADER" >/dev/null 2>&1; then
      LEDRA_CAN_RUN_32=0
      LEDRA_WHY_32="Wine's 32-bit loader is not installed (wine32:i386)"
    else
      # Started by bash: a direct execvp would hand an unrunnable binary to /bin/sh,
      # whose complaint hides the kernel's "Exec format error".
      # shellcheck disable=SC2016
      out="$(timeout 30 bash -c '"$0" --version' "$LEDRA_WINE32_LOADER" 2>&1)" || rc=$?
      if [ "$rc" -eq 0 ]; then
        LEDRA_CAN_RUN_32=1
        LEDRA_WHY_32="this machine executes 32-bit programs"
      else
        LEDRA_CAN_RUN_32=0
        LEDRA_WHY_32="this machine cannot execute 32-bit programs (Wine's 32-bit loader: $(printf '%s' "$out" | head -n1 | sed 's/^.*: //'), exit code $rc)"
      fi
    fi
    export LEDRA_CAN_RUN_32 LEDRA_WHY_32
  fi
  [ "$LEDRA_CAN_RUN_32" = 1 ]
}

# The prefix to use when none is named, in LEDRA_DEFAULT_KIND: nt where 32-bit
# programs run, else nt64 (a failure instead under LEDRA_REQUIRE_32=1).
pick_kind() {
  if can_run_32; then
    LEDRA_DEFAULT_KIND=nt
  else
    [ "${LEDRA_REQUIRE_32:-0}" != 1 ] || die "LEDRA_REQUIRE_32=1, but $LEDRA_WHY_32"
    LEDRA_DEFAULT_KIND=nt64
  fi
}

# Dies unless the prefix can run on this machine.
require_kind() {
  check_kind "$1"
  kind_is_32 "$1" || return 0
  can_run_32 || die "prefix $1 needs 32-bit programs, and $LEDRA_WHY_32; use nt64"
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
    wine_step "setting the font link for $face in $WINEPREFIX" \
      "$LEDRA_WINE" reg add "$LEDRA_FONTLINK_KEY" /v "$face" /t REG_MULTI_SZ \
      /d "$LEDRA_CJK_FONT_FILE,$LEDRA_CJK_FONT_FACE" /f || exit 1
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
  "$LEDRA_WINE" "$exe" >"$logfile" 2>&1 &
  LEDRA_PID=$!
}

# Closes Ledra the way a user's close button does: WM_CLOSE to its top-level
# windows (Wine's taskkill without /f posts exactly that). Waits up to $1 s and
# returns Ledra's exit code; kills it by PID and returns 124 if it does not end.
close_ledra() {
  local timeout="${1:-30}" deadline rc
  [ -n "$LEDRA_PID" ] || return 0
  "$LEDRA_WINE" taskkill /im "$(basename "${LEDRA_EXE:-ledra.exe}")" >/dev/null 2>&1 || true
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
