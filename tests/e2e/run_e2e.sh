#!/usr/bin/env bash
# End to end, black box: starts ledra.exe under Wine on a private Xvfb, waits for
# its window by caption, lets it refresh, takes a screenshot, clicks the other two
# tabs (each must change the picture; shots of those pages are kept too), closes
# it with WM_CLOSE and expects exit code 0. Done in every prefix this machine can
# run (nt and win98 with the 32-bit build where 32-bit programs run, always nt64
# with the 64-bit build), each under a Chinese locale and under LANG=C.
#   LEDRA_E2E_PREFIXES  prefixes to use, e.g. "nt64"
#   LEDRA_E2E_LANGS     locales to use (default "zh_CN.UTF-8 C")
#   LEDRA_EXE           one program for every prefix (default: the prefix's build)
# Screenshots and logs: build/e2e/<prefix>-<locale>*.png|log.
# Exit code: number of failed runs (0 = pass).
set -euo pipefail
# shellcheck source=../../scripts/common.sh
. "$(dirname "$0")/../../scripts/common.sh"

out="$LEDRA_BUILD/e2e"
settle="${LEDRA_SETTLE:-3}"
if [ -n "${LEDRA_E2E_PREFIXES:-}" ]; then
  read -r -a prefixes <<<"$LEDRA_E2E_PREFIXES"
elif can_run_32; then
  prefixes=("${LEDRA_KINDS_32[@]}" "${LEDRA_KINDS_64[@]}")
else
  prefixes=("${LEDRA_KINDS_64[@]}")
fi
read -r -a langs <<<"${LEDRA_E2E_LANGS:-zh_CN.UTF-8 C}"

for kind in "${prefixes[@]}"; do
  require_kind "$kind"
  exe="${LEDRA_EXE:-$(kind_build "$kind")/ledra.exe}"
  [ -f "$exe" ] || die "$exe not found (run scripts/build.sh)"
done
"$LEDRA_ROOT/scripts/wine-prefix.sh" "${prefixes[@]}"
mkdir -p "$out"

current=""
# shellcheck disable=SC2317  # called by the trap
cleanup() {
  kill_ledra
  [ -z "$current" ] || stop_prefix "$current"
  stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb

# The last lines of Wine's output (and Ledra's) in a log.
wine_said() {
  echo "     Wine said:"
  if [ -s "$1" ]; then tail -n 15 "$1" | sed 's/^/     | /'; else echo "     | (nothing)"; fi
}

# One run: prefix $1, locale $2. Prints a line per failure; returns 1 on failure.
run_once() {
  local kind="$1" lang="$2" name shot logfile win rc geometry colours exe
  name="$kind-${lang%%.*}"
  exe="${LEDRA_EXE:-$(kind_build "$kind")/ledra.exe}"
  shot="$out/$name.png"
  logfile="$out/$name.log"
  rm -f "$shot" "$logfile"

  use_prefix "$kind"
  current="$kind"
  export LANG="$lang" LC_ALL="$lang"
  link_cjk_font

  start_ledra "$exe" "$logfile"
  if ! win="$(wait_window "$LEDRA_CAPTION" 60 "$LEDRA_PID")"; then
    if kill -0 "$LEDRA_PID" 2>/dev/null; then
      echo "FAIL $name: no window titled \"$LEDRA_CAPTION\" within 60s"
    else
      set +e; wait "$LEDRA_PID"; rc=$?; set -e
      echo "FAIL $name: ledra.exe ended (exit code $rc) before its window appeared"
      LEDRA_PID=""
    fi
    wine_said "$logfile"
    kill_ledra
    stop_prefix "$kind"
    return 1
  fi

  # The search ignores case; the caption must match exactly, trailing space too.
  if [ "$(xdotool getwindowname "$win")" != "$LEDRA_CAPTION" ]; then
    echo "FAIL $name: caption is \"$(xdotool getwindowname "$win")\", not \"$LEDRA_CAPTION\""
    kill_ledra
    stop_prefix "$kind"
    return 1
  fi

  # A few refresh ticks: a crash in the tick shows up as a vanished process.
  sleep "$settle"
  if ! kill -0 "$LEDRA_PID" 2>/dev/null; then
    set +e; wait "$LEDRA_PID"; rc=$?; set -e
    LEDRA_PID=""
    echo "FAIL $name: ledra.exe ended by itself (exit code $rc) while refreshing"
    wine_said "$logfile"
    stop_prefix "$kind"
    return 1
  fi

  import -window root "$shot"
  # The window must have been painted: more than a couple of colours inside it.
  geometry="$(xdotool getwindowgeometry --shell "$win")"
  # shellcheck disable=SC2034  # set by the eval
  local WIDTH HEIGHT X Y WINDOW SCREEN
  eval "$geometry"
  colours="$(convert "$shot" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -format '%k' info:)"
  if [ "${colours:-0}" -lt 4 ]; then
    echo "FAIL $name: the window looks unpainted ($colours colours)"
    kill_ledra
    stop_prefix "$kind"
    return 1
  fi

  # Drive it: a click on each of the other two tabs must change what is shown.
  # Tab centres, relative to the window, as laid out on this display at 96 dpi.
  local page px
  for page in "processes:94" "applications:37"; do
    px="${page#*:}"
    page="${page%%:*}"
    xdotool mousemove "$((X + px))" "$((Y + 31))" click 1
    sleep 1.5
    import -window root "$out/$name-$page.png"
    if [ "$(compare -metric AE "$shot" "$out/$name-$page.png" null: 2>&1 || true)" = 0 ]; then
      echo "FAIL $name: a click on the $page tab changed nothing on screen"
      kill_ledra
      stop_prefix "$kind"
      return 1
    fi
  done

  set +e
  close_ledra 30
  rc=$?
  set -e
  stop_prefix "$kind"
  if [ "$rc" -ne 0 ]; then
    echo "FAIL $name: exit code $rc after WM_CLOSE (124: did not end)"
    wine_said "$logfile"
    return 1
  fi
  echo "ok   $name: window ${WIDTH}x${HEIGHT}, closed with exit code 0, $shot"
  return 0
}

failed=0
runs=0
for kind in "${prefixes[@]}"; do
  for lang in "${langs[@]}"; do
    runs=$((runs + 1))
    run_once "$kind" "$lang" || failed=$((failed + 1))
  done
done
current=""
# scripts/test.sh counts the runs from this line.
if [ "$failed" -ne 0 ]; then
  echo "end to end: $runs run(s) in ${prefixes[*]}, $failed failed"
else
  echo "end to end: $runs run(s) in ${prefixes[*]}, all passed"
fi
exit "$failed"
