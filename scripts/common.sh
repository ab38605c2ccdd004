# Shared helpers for the scripts in this folder; sourced, not run.
# shellcheck shell=bash

LEDRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LEDRA_BUILD="${LEDRA_BUILD:-$LEDRA_ROOT/build}"
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
  export DISPLAY=":$(head -n1 "$numfile")"
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
