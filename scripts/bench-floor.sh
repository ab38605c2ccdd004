#!/usr/bin/env bash
# Ledra beside the floor: both in one prefix, on one private Xvfb, with the same set
# of idle processes and windows, both refreshing every 500 ms. After a warm-up it
# reports each one's CPU seconds per minute (utime + stime of its Wine process from
# /proc), Ledra's ratio to the floor, and what the wine server (and the X server)
# spent over the same window; also Ledra's start to its window and the stripped size
# of each build. A report, never a verdict: it exits 0 whatever the figures say
# (non-zero only when the run itself could not be made).
#
# Environment:
#   LEDRA_BENCH_PROCESSES  processes the OS should list, idle children added to reach it (15)
#   LEDRA_BENCH_WINDOWS    how many of the idle children show a window (a quarter of them)
#   LEDRA_BENCH_WARMUP     seconds before measuring (20)
#   LEDRA_BENCH_SECONDS    seconds measured (60)
#   LEDRA_BENCH_PREFIX     project prefix to run in (nt; nt64 for the 64-bit build)
#   LEDRA_BENCH_BUILD      build tree with ledra.exe, ledra_floor.exe, ledra_idle.exe
#                          (the prefix's: build/windows, or build/windows-x64 in nt64)
#   LEDRA_BENCH_WINE       Wine loader (the prefix's)
#   LEDRA_BENCH_PAGE       tab Ledra shows while measured: 1, 2 or 3 (3, its start page)
#   LEDRA_BENCH_XRESOURCES 1 (default): give the X server a resource database, as a desktop
#                          session's has; 0: a bare Xvfb, where Xlib reads ~/.Xdefaults again
#                          for every resource Wine looks up while drawing text
#   LEDRA_BENCH_COMPARE    another ledra.exe (say, an earlier build) run and measured in the
#                          same window, so two builds meet the same noise
#   LEDRA_BENCH_PERF       a file name: `perf record` samples Ledra's process over the measured
#                          window into it (read it with `perf report -i FILE`)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

target="${LEDRA_BENCH_PROCESSES:-15}"
warmup="${LEDRA_BENCH_WARMUP:-20}"
seconds="${LEDRA_BENCH_SECONDS:-60}"
kind="${LEDRA_BENCH_PREFIX:-nt}"
require_kind "$kind"
build="${LEDRA_BENCH_BUILD:-$(kind_build "$kind")}"
loader="${LEDRA_BENCH_WINE:-}"
page="${LEDRA_BENCH_PAGE:-3}"
compare="${LEDRA_BENCH_COMPARE:-}"
[ -z "$compare" ] || [ -f "$compare" ] || die "$compare not found"
compare_pid=""
interval=500

for exe in ledra.exe ledra_floor.exe ledra_idle.exe; do
  [ -f "$build/$exe" ] || die "$build/$exe not found (build that tree first)"
done
command -v xdotool >/dev/null 2>&1 || die "xdotool is missing (run scripts/setup.sh)"

work="$(mktemp -d)"
server_pid=""
floor_pid=""
idle_pid=""
holder_pid=""
cleanup() {
  # Ends every Windows process of this prefix (ours only), then the servers.
  stop_prefix "$kind"
  [ -z "$server_pid" ] || wait "$server_pid" 2>/dev/null || true
  if [ -n "$holder_pid" ]; then kill "$holder_pid" 2>/dev/null || true; wait "$holder_pid" 2>/dev/null || true; fi
  stop_xvfb
  rm -rf "$work"
}

"$LEDRA_ROOT/scripts/wine-prefix.sh" "$kind"
stop_prefix "$kind"
use_prefix "$kind"
loader="${loader:-$LEDRA_WINE}"
trap cleanup EXIT
trap 'exit 130' INT TERM
start_xvfb
if [ "${LEDRA_BENCH_XRESOURCES:-1}" = 1 ]; then
  # Xvfb resets, dropping root properties, when its last client leaves: one client stays
  # connected for the whole run so the database outlives the xprop that sets it.
  xprop -root -spy RESOURCE_MANAGER >"$work/holder.log" 2>&1 &
  holder_pid=$!
  for _ in $(seq 1 50); do [ -s "$work/holder.log" ] && break; sleep 0.1; done  # it prints once connected
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "ledra.bench:	1" \
    || die "could not set the X resource database"
  xprop -root RESOURCE_MANAGER | grep -q 'ledra.bench' || die "the X resource database did not stay set"
fi
# Our own persistent server, in the foreground, so its PID is known.
wineserver -f -p >/dev/null 2>&1 &
server_pid=$!
link_cjk_font

tck="$(getconf CLK_TCK)"
# utime + stime of a process in clock ticks; empty when it is gone.
cpu_ticks() {
  local stat
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 0
  # Fields after the command name, which may hold spaces: 14 and 15 are 12 and 13 here.
  stat="${stat##*) }"
  awk '{ print $12 + $13 }' <<<"$stat"
}
now() { date +%s.%N; }

# Waits until the file has a line matching the pattern; prints the last such line.
wait_line() {
  local file="$1" pattern="$2" pid="$3" timeout="${4:-60}" deadline line
  deadline=$((SECONDS + timeout))
  while [ "$SECONDS" -lt "$deadline" ]; do
    line="$(grep -E "$pattern" "$file" 2>/dev/null | tail -n1 || true)"
    if [ -n "$line" ]; then printf '%s\n' "$line"; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
floor_count() { sed -n 's/^processes=\([0-9]*\).*/\1/p' "$work/floor.log" | tail -n1; }

# 1. The floor first: its count is the prefix's own processes.
"$loader" "$build/ledra_floor.exe" "$interval" >"$work/floor.log" 2>&1 &
floor_pid=$!
wait_line "$work/floor.log" '^processes=' "$floor_pid" 90 >/dev/null || die "the floor did not start"
sleep 3  # the prefix's services settle
base="$(floor_count)"

# 2. Idle children up to the target (Ledra and the spawner count too).
children=$((target - base - 2))
[ "$children" -ge 0 ] || children=0
windows="${LEDRA_BENCH_WINDOWS:-$(( (children + 3) / 4 ))}"
if [ "$children" -gt 0 ]; then
  "$loader" "$build/ledra_idle.exe" --spawn "$children" "$windows" >"$work/idle.log" 2>&1 &
  idle_pid=$!
  wait_line "$work/idle.log" '^started=' "$idle_pid" 600 >/dev/null || die "the idle processes did not start"
  deadline=$((SECONDS + 120))
  while [ "$(floor_count)" -lt $((base + children + 1)) ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.5; done
fi

# 3. Ledra, timed from its start to its mapped window.
t0="$(now)"
"$loader" "$build/ledra.exe" >"$work/ledra.log" 2>&1 &
LEDRA_PID=$!
pattern="^$(printf '%s' "$LEDRA_CAPTION" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
window=""
deadline=$((SECONDS + 90))
while [ -z "$window" ] && [ "$SECONDS" -lt "$deadline" ]; do
  window="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] || { kill -0 "$LEDRA_PID" 2>/dev/null || break; sleep 0.02; }
done
t1="$(now)"
[ -n "$window" ] || die "Ledra's window did not appear"
start_ms="$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%d", (b - a) * 1000 }')"

if [ "$page" != 3 ]; then
  # A click on the tab (centres relative to the window at 96 dpi, as the end-to-end test has them).
  eval "$(xdotool getwindowgeometry --shell "$window")"
  case "$page" in 1) tab_x=37 ;; *) tab_x=94 ;; esac
  sleep 1
  xdotool mousemove "$((X + tab_x))" "$((Y + 31))" click 1
  xdotool mousemove 1000 760  # away from the list, no hover tracking
fi

if [ -n "$compare" ]; then
  "$loader" "$compare" >"$work/compare.log" 2>&1 &
  compare_pid=$!
  deadline=$((SECONDS + 90))
  until [ "$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | wc -l)" -ge 2 ]; do
    [ "$SECONDS" -lt "$deadline" ] && kill -0 "$compare_pid" 2>/dev/null || die "the second Ledra's window did not appear"
    sleep 0.1
  done
  # Beside the first, overlapping nothing: both draw in full.
  second="$(xdotool search --onlyvisible --name "$pattern" | grep -vx "$window" | head -n1)"
  xdotool windowmove "$window" 0 0 >/dev/null 2>&1 || true
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool windowmove "$second" "$((WIDTH + 16))" 0 >/dev/null 2>&1 || true
  if [ "$page" != 3 ]; then
    eval "$(xdotool getwindowgeometry --shell "$second")"
    sleep 1
    xdotool mousemove "$((X + tab_x))" "$((Y + 31))" click 1
    xdotool mousemove 1000 760
  fi
fi

sleep "$warmup" & wait $!  # a signal ends the wait, not only the sleep
who_list="ledra floor server x"
[ -z "$compare_pid" ] || who_list="ledra compare floor server x"
pid_of() {
  case "$1" in
    ledra) echo "$LEDRA_PID" ;; compare) echo "$compare_pid" ;; floor) echo "$floor_pid" ;;
    server) echo "$server_pid" ;; x) echo "$LEDRA_XVFB_PID" ;;
  esac
}
declare -A before used
for who in $who_list; do before[$who]="$(cpu_ticks "$(pid_of "$who")")"; done
perf_pid=""
if [ -n "${LEDRA_BENCH_PERF:-}" ]; then
  command -v perf >/dev/null 2>&1 || die "perf is missing (apt-get install linux-perf)"
  perf record -q -e cpu-clock -F 997 -g -p "$LEDRA_PID" -o "$LEDRA_BENCH_PERF" >"$work/perf.log" 2>&1 &
  perf_pid=$!
fi
m0="$(now)"
sleep "$seconds" & wait $!
m1="$(now)"
if [ -n "$perf_pid" ]; then kill -INT "$perf_pid" 2>/dev/null || true; wait "$perf_pid" 2>/dev/null || true; fi
for who in $who_list; do
  after="$(cpu_ticks "$(pid_of "$who")")"
  [ -n "$after" ] && [ -n "${before[$who]}" ] || die "$who ended during the measurement"
  used[$who]=$((after - ${before[$who]}))
done
processes_seen="$(floor_count)"
windows_seen="$(sed -n 's/.*windows=\([0-9]*\).*/\1/p' "$work/floor.log" | tail -n1)"

stripped_size() {
  local exe="$1" strip=i686-w64-mingw32-strip out
  [ -f "$exe" ] || return 0
  case "$(file -b "$exe")" in *x86-64*) strip=x86_64-w64-mingw32-strip ;; esac
  out="$work/stripped.exe"
  "$strip" -o "$out" "$exe" 2>/dev/null || return 0
  stat -c %s "$out"
}

awk -v tck="$tck" -v span="$(awk -v a="$m0" -v b="$m1" 'BEGIN { print b - a }')" \
    -v ledra="${used[ledra]}" -v compare="${used[compare]:-}" -v compare_exe="$compare" -v floor="${used[floor]}" -v server="${used[server]}" -v x="${used[x]}" \
    -v procs="$processes_seen" -v wins="$windows_seen" -v children="$children" -v page="$page" \
    -v xres="${LEDRA_BENCH_XRESOURCES:-1}" -v start="$start_ms" -v build="$build" -v prefix="$kind" 'BEGIN {
  perMin = 60 / span / tck
  printf "bench-floor: %s in prefix %s, %d processes listed (%d idle children), %d visible windows, page %d, X resources %s, %.0f s measured\n", build, prefix, procs, children, wins, page, xres ? "set" : "none", span
  printf "  %-26s %7.3f s/min\n", "Ledra", ledra * perMin
  printf "  %-26s %7.3f s/min\n", "floor", floor * perMin
  if (floor > 0) printf "  %-26s %7.2f\n", "ratio Ledra/floor", ledra / floor
  else printf "  %-26s %7s\n", "ratio Ledra/floor", "n/a"
  if (compare != "") {
    printf "  %-26s %7.3f s/min (%s)\n", "Ledra compared", compare * perMin, compare_exe
    if (floor > 0) printf "  %-26s %7.2f\n", "ratio compared/floor", compare / floor
    total += compare
  }
  total += ledra + floor + server
  printf "  %-26s %7.3f s/min (%.0f%% of all measured)\n", "wine server", server * perMin, (total > 0 ? 100 * server / total : 0)
  printf "  %-26s %7.3f s/min\n", "X server (Xvfb)", x * perMin
  printf "  %-26s %7d ms\n", "Ledra start to window", start
}'
for tree in "$LEDRA_BUILD/windows" "$LEDRA_BUILD/windows-x64"; do
  size="$(stripped_size "$tree/ledra.exe")"
  [ -z "$size" ] || printf '  %-26s %7d bytes (%s)\n' "stripped ledra.exe" "$size" "${tree#"$LEDRA_ROOT"/}"
done
exit 0
