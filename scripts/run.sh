#!/usr/bin/env bash
# Starts ledra.exe under Wine in one of the project's prefixes: the 32-bit build in
# nt where this machine executes 32-bit programs, else the 64-bit build in nt64.
# - With a working $DISPLAY: Ledra opens there, a screenshot is taken, and it
#   stays running.
# - Without one: a private Xvfb is started, Ledra runs on it for a few refresh
#   ticks, a screenshot is taken, then Ledra is closed (WM_CLOSE) and the Xvfb,
#   the prefix's wine server and everything else started here are stopped.
# The screenshot path is printed on stdout.
#
# Environment: LANG is passed through (try LANG=C and LANG=zh_CN.UTF-8);
#   LEDRA_PREFIX      nt, win98 (32-bit) or nt64 (64-bit); default as above
#   LEDRA_EXE         program to start (default build/windows/ledra.exe, or
#                     build/windows-x64/ledra.exe in nt64)
#   LEDRA_SCREENSHOT  where to write the screenshot (default build/screenshot.png)
#   LEDRA_SETTLE      seconds to let Ledra refresh before the shot (default 4)
#   LEDRA_HEADLESS=1  use a private Xvfb even when $DISPLAY works
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

if [ -n "${LEDRA_PREFIX:-}" ]; then
  kind="$LEDRA_PREFIX"
else
  pick_kind
  kind="$LEDRA_DEFAULT_KIND"
fi
require_kind "$kind"
exe="${LEDRA_EXE:-$(kind_build "$kind")/ledra.exe}"
shot="${LEDRA_SCREENSHOT:-$LEDRA_BUILD/screenshot.png}"
settle="${LEDRA_SETTLE:-4}"

[ -f "$exe" ] || die "$exe not found (run scripts/build.sh first)"
"$LEDRA_ROOT/scripts/wine-prefix.sh" "$kind"
use_prefix "$kind"
mkdir -p "$(dirname "$shot")"
logfile="$LEDRA_BUILD/ledra-run.log"

private=0
if [ "${LEDRA_HEADLESS:-0}" = 1 ] || ! display_usable; then
  private=1
fi

cleanup() {
  if [ "$private" = 1 ]; then
    kill_ledra
    stop_prefix "$kind"
    stop_xvfb
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "$private" = 1 ]; then
  start_xvfb
  log "no usable display; running on a private Xvfb ($DISPLAY)"
else
  log "running on $DISPLAY"
fi
link_cjk_font

if [ "$private" = 1 ]; then
  start_ledra "$exe" "$logfile"
else
  # Detached, so that it outlives this script and the terminal.
  setsid "$LEDRA_WINE" "$exe" >"$logfile" 2>&1 </dev/null &
  LEDRA_PID=$!
fi

if ! win="$(wait_window "$LEDRA_CAPTION" 90 "$LEDRA_PID")"; then
  log "the window \"$LEDRA_CAPTION\" did not appear; Wine said:"
  tail -n 15 "$logfile" | sed 's/^/[ledra]   | /' >&2 || true
  [ "$private" = 1 ] || kill_ledra
  exit 1
fi
log "window found (X id $win); letting it refresh for ${settle}s"
sleep "$settle"

if [ "$private" = 1 ]; then
  import -window root "$shot"
else
  # Only Ledra's window, not the user's whole desktop.
  import -window "$win" "$shot" 2>/dev/null || import -window root "$shot"
fi
printf '%s\n' "$shot"

if [ "$private" = 1 ]; then
  set +e
  close_ledra 30
  rc=$?
  set -e
  [ "$rc" -eq 0 ] || die "ledra.exe ended with exit code $rc after WM_CLOSE"
  log "closed Ledra (exit code 0)"
else
  log "Ledra keeps running (PID $LEDRA_PID)"
fi
