#!/usr/bin/env bash
# Ledra beside the floor: both in one prefix, on one private Xvfb, with the same set
# of idle processes and windows (and, if asked for, windows that retitle themselves
# every 500 ms, as a download or a clock does), both refreshing every 500 ms. After a warm-up it
# reports each one's CPU seconds per minute (utime + stime of its Wine process from
# /proc), Ledra's ratio to the floor, and what the wine server (and the X server)
# spent over the same window; also Ledra's start to its window and the stripped size
# of each build. With LEDRA_BENCH_SEPARATE=1 each program has a desk of its own
# instead (a copy of the prefix with the same idle processes and windows, its own wine
# server and Xvfb), so each one's whole cost (program + its wine server + its X server)
# is reported too. A report, never a verdict: it exits 0 whatever the figures say
# (non-zero only when the run itself could not be made).
#
# Environment:
#   LEDRA_BENCH_PROCESSES  processes the OS should list, idle children added to reach it (15)
#   LEDRA_BENCH_WINDOWS    how many of the idle children show a window (a quarter of them)
#   LEDRA_BENCH_RETITLING  how many more children show a window whose title changes every
#                          500 ms (0); children are added when the count asks for more
#   LEDRA_BENCH_WARMUP     seconds before measuring (20)
#   LEDRA_BENCH_SECONDS    seconds measured (60), in each round
#   LEDRA_BENCH_ROUNDS     measured rounds, one after the other; each figure is their median (1)
#   LEDRA_BENCH_SEPARATE   1: each program in a prefix and on an Xvfb of its own, whole costs
#                          reported (0: all in the project prefix, on one Xvfb)
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
#   LEDRA_BENCH_REQUESTS   1: each wine server traces every request (wineserver -d1), and the
#                          report adds, per program, the requests its main thread made a tick
#                          (each a round trip to the server) and the most frequent ones; the
#                          tracing slows the servers, so read the CPU figures of another run
#   LEDRA_BENCH_REQUESTS_TOP  how many of the most frequent requests to name (6)
#   LEDRA_BENCH_TRACE_DIR  a folder: each desk's request trace is kept there as server-DESK.log
#   LEDRA_BENCH_PERF       a file name: `perf record` samples Ledra's process over the measured
#                          window into it (read it with `perf report -i FILE`)
#   LEDRA_BENCH_PERF_CALLS perf's call-graph option (-g); empty for flat samples, which cost
#                          the sampled program less
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

target="${LEDRA_BENCH_PROCESSES:-15}"
warmup="${LEDRA_BENCH_WARMUP:-20}"
seconds="${LEDRA_BENCH_SECONDS:-60}"
rounds="${LEDRA_BENCH_ROUNDS:-1}"
separate="${LEDRA_BENCH_SEPARATE:-0}"
kind="${LEDRA_BENCH_PREFIX:-nt}"
require_kind "$kind"
build="${LEDRA_BENCH_BUILD:-$(kind_build "$kind")}"
loader="${LEDRA_BENCH_WINE:-}"
page="${LEDRA_BENCH_PAGE:-3}"
compare="${LEDRA_BENCH_COMPARE:-}"
[ -z "$compare" ] || [ -f "$compare" ] || die "$compare not found"
case "$rounds" in ''|*[!0-9]*|0) die "LEDRA_BENCH_ROUNDS is a count of at least 1" ;; esac
compare_pid=""
interval=500

for exe in ledra.exe ledra_floor.exe ledra_idle.exe; do
  [ -f "$build/$exe" ] || die "$build/$exe not found (build that tree first)"
done
command -v xdotool >/dev/null 2>&1 || die "xdotool is missing (run scripts/setup.sh)"

# The programs measured, and the desk each runs on: one shared desk ("main": the project
# prefix) or, with LEDRA_BENCH_SEPARATE=1, one desk per program.
programs="floor ledra"
[ -z "$compare" ] || programs="floor ledra compare"
desk_of() { if [ "$separate" = 1 ]; then printf '%s' "$1"; else printf main; fi; }
desks="main"
[ "$separate" != 1 ] || desks="$programs"

work="$(mktemp -d)"
floor_pid=""
declare -A desk_dir desk_display desk_xvfb desk_server desk_holder
cleanup() {
  # Ends every Windows process of each desk's prefix (ours only), then the servers.
  local d
  for d in "${!desk_dir[@]}"; do
    if [ "$d" = main ]; then
      stop_prefix "$kind"
    else
      WINEPREFIX="${desk_dir[$d]}" wineserver -k >/dev/null 2>&1 || true
      WINEPREFIX="${desk_dir[$d]}" wineserver -w >/dev/null 2>&1 || true
    fi
  done
  for d in "${!desk_server[@]}"; do wait "${desk_server[$d]}" 2>/dev/null || true; done
  for d in "${!desk_holder[@]}"; do
    kill "${desk_holder[$d]}" 2>/dev/null || true
    wait "${desk_holder[$d]}" 2>/dev/null || true
  done
  stop_xvfb  # one started for a desk that did not come up
  for d in "${!desk_xvfb[@]}"; do
    LEDRA_XVFB_PID="${desk_xvfb[$d]}"
    stop_xvfb
  done
  rm -rf "$work"
}

# Runs a command on a desk: its prefix, its display.
on_desk() {
  local d="$1"
  shift
  WINEPREFIX="${desk_dir[$d]}" DISPLAY="${desk_display[$d]}" "$@"
}
# The same for a command started with "&": the shell that runs it becomes the command, so
# $! is the command's own PID (its CPU time is what is measured).
spawn_on_desk() {
  local d="$1"
  shift
  exec env "WINEPREFIX=${desk_dir[$d]}" "DISPLAY=${desk_display[$d]}" "$@"
}

# A desk: the project prefix (or a copy of it), a private Xvfb, its resource database,
# a persistent wine server of its own and the font links.
desk_up() {
  local d="$1" dir holder_log
  if [ "$d" = main ]; then
    dir="$(prefix_dir "$kind")"
  else
    dir="$work/prefix-$d"
    cp -a "$(prefix_dir "$kind")" "$dir" || die "could not copy the prefix for $d"
  fi
  desk_dir[$d]="$dir"
  start_xvfb
  desk_xvfb[$d]="$LEDRA_XVFB_PID"
  desk_display[$d]="$DISPLAY"
  LEDRA_XVFB_PID=""
  if [ "${LEDRA_BENCH_XRESOURCES:-1}" = 1 ]; then
    # Xvfb resets, dropping root properties, when its last client leaves: one client stays
    # connected for the whole run so the database outlives the xprop that sets it.
    holder_log="$work/holder-$d.log"
    spawn_on_desk "$d" xprop -root -spy RESOURCE_MANAGER >"$holder_log" 2>&1 &
    desk_holder[$d]=$!
    for _ in $(seq 1 50); do [ -s "$holder_log" ] && break; sleep 0.1; done  # it prints once connected
    on_desk "$d" xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "ledra.bench:	1" \
      || die "could not set the X resource database"
    on_desk "$d" xprop -root RESOURCE_MANAGER | grep -q 'ledra.bench' || die "the X resource database did not stay set"
  fi
  # Its own persistent server, in the foreground, so its PID is known.
  if [ "${LEDRA_BENCH_REQUESTS:-0}" = 1 ]; then
    spawn_on_desk "$d" wineserver -f -p -d1 >/dev/null 2>"$work/server-$d.log" &
  else
    spawn_on_desk "$d" wineserver -f -p >/dev/null 2>&1 &
  fi
  desk_server[$d]=$!
  WINEPREFIX="$dir" link_cjk_font
}

"$LEDRA_ROOT/scripts/wine-prefix.sh" "$kind"
stop_prefix "$kind"
use_prefix "$kind"
loader="${loader:-$LEDRA_WINE}"
trap cleanup EXIT
trap 'exit 130' INT TERM
for d in $desks; do desk_up "$d"; done
export DISPLAY="${desk_display[$(desk_of ledra)]}"

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
spawn_on_desk "$(desk_of floor)" "$loader" "$build/ledra_floor.exe" "$interval" >"$work/floor.log" 2>&1 &
floor_pid=$!
disown "$floor_pid"  # ended with its prefix, never waited for
wait_line "$work/floor.log" '^processes=' "$floor_pid" 90 >/dev/null || die "the floor did not start"
sleep 3  # the prefix's services settle
base="$(floor_count)"

# 2. Idle children up to the target (Ledra and the spawner count too), on every desk.
children=$((target - base - 2))
[ "$children" -ge 0 ] || children=0
windows="${LEDRA_BENCH_WINDOWS:-$(( (children + 3) / 4 ))}"
retitling="${LEDRA_BENCH_RETITLING:-0}"
case "$windows$retitling" in *[!0-9]*) die "LEDRA_BENCH_WINDOWS and LEDRA_BENCH_RETITLING are counts" ;; esac
[ "$children" -ge $((windows + retitling)) ] || children=$((windows + retitling))
if [ "$children" -gt 0 ]; then
  for d in $desks; do
    spawn_on_desk "$d" "$loader" "$build/ledra_idle.exe" --spawn "$children" "$windows" "$retitling" "$interval" \
      >"$work/idle-$d.log" 2>&1 &
    idle_pid=$!
    disown "$idle_pid"
    wait_line "$work/idle-$d.log" '^started=' "$idle_pid" 600 >/dev/null || die "the idle processes did not start ($d)"
  done
  # The floor sees its desk's children arrive; the other desks were given the same time.
  deadline=$((SECONDS + 120))
  while [ "$(floor_count)" -lt $((base + children + 1)) ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.5; done
fi

pattern="^$(printf '%s' "$LEDRA_CAPTION" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
# The windows with Ledra's caption on a desk, one a line.
ledra_windows() { on_desk "$1" xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true; }
# Shows the page asked for in a Ledra window: a click on the tab (centres relative to the
# window at 96 dpi, as the end-to-end test has them).
show_page() {
  local d="$1" w="$2" tab_x
  [ "$page" != 3 ] || return 0
  eval "$(on_desk "$d" xdotool getwindowgeometry --shell "$w")"
  case "$page" in 1) tab_x=37 ;; *) tab_x=94 ;; esac
  sleep 1
  on_desk "$d" xdotool mousemove "$((X + tab_x))" "$((Y + 31))" click 1
  on_desk "$d" xdotool mousemove 1000 760  # away from the list, no hover tracking
}

# 3. Ledra, timed from its start to its mapped window.
t0="$(now)"
spawn_on_desk "$(desk_of ledra)" "$loader" "$build/ledra.exe" >"$work/ledra.log" 2>&1 &
LEDRA_PID=$!
disown "$LEDRA_PID"
window=""
deadline=$((SECONDS + 90))
while [ -z "$window" ] && [ "$SECONDS" -lt "$deadline" ]; do
  window="$(ledra_windows "$(desk_of ledra)" | head -n1)"
  [ -n "$window" ] || { kill -0 "$LEDRA_PID" 2>/dev/null || break; sleep 0.02; }
done
t1="$(now)"
[ -n "$window" ] || die "Ledra's window did not appear"
start_ms="$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%d", (b - a) * 1000 }')"
show_page "$(desk_of ledra)" "$window"

if [ -n "$compare" ]; then
  cdesk=$(desk_of compare)
  shown=0
  [ "$cdesk" != "$(desk_of ledra)" ] || shown=1  # Ledra's window is on that desk too
  spawn_on_desk "$cdesk" "$loader" "$compare" >"$work/compare.log" 2>&1 &
  compare_pid=$!
  disown "$compare_pid"
  deadline=$((SECONDS + 90))
  until [ "$(ledra_windows "$cdesk" | wc -l)" -gt "$shown" ]; do
    [ "$SECONDS" -lt "$deadline" ] && kill -0 "$compare_pid" 2>/dev/null || die "the second Ledra's window did not appear"
    sleep 0.1
  done
  if [ "$shown" = 0 ]; then
    second="$(ledra_windows "$cdesk" | head -n1)"  # X window ids are per X server
  else
    second="$(ledra_windows "$cdesk" | grep -vx "$window" | head -n1)"
    # Beside the first, overlapping nothing: both draw in full.
    on_desk "$cdesk" xdotool windowmove "$window" 0 0 >/dev/null 2>&1 || true
    eval "$(on_desk "$cdesk" xdotool getwindowgeometry --shell "$window")"
    on_desk "$cdesk" xdotool windowmove "$second" "$((WIDTH + 16))" 0 >/dev/null 2>&1 || true
  fi
  show_page "$cdesk" "$second"
fi

sleep "$warmup" & wait $!  # a signal ends the wait, not only the sleep
# Who is measured: the programs, and each desk's wine server and X server.
who_list="$programs"
for d in $desks; do who_list="$who_list server:$d x:$d"; done
pid_of() {
  case "$1" in
    ledra) echo "$LEDRA_PID" ;; compare) echo "$compare_pid" ;; floor) echo "$floor_pid" ;;
    server:*) echo "${desk_server[${1#server:}]}" ;; x:*) echo "${desk_xvfb[${1#x:}]}" ;;
  esac
}
declare -A before used
perf_pid=""
if [ -n "${LEDRA_BENCH_PERF:-}" ]; then
  command -v perf >/dev/null 2>&1 || die "perf is missing (apt-get install linux-perf)"
  perf record -q -e cpu-clock -F 997 ${LEDRA_BENCH_PERF_CALLS--g} -p "$LEDRA_PID" -o "$LEDRA_BENCH_PERF" >"$work/perf.log" 2>&1 &
  perf_pid=$!
fi
# Where each desk's request trace stands, from the first round's start to the last's end.
declare -A trace_from trace_to
trace_mark() {
  local d n
  [ "${LEDRA_BENCH_REQUESTS:-0}" = 1 ] || return 0
  for d in $desks; do
    n="$(wc -l <"$work/server-$d.log")"
    if [ "$1" = from ]; then trace_from[$d]=$n; else trace_to[$d]=$n; fi
  done
}
trace_mark from
t_first="$(now)"
# Each round's ticks, then per process the median of its rounds.
spans=""
for _ in $(seq 1 "$rounds"); do
  for who in $who_list; do before[$who]="$(cpu_ticks "$(pid_of "$who")")"; done
  m0="$(now)"
  sleep "$seconds" & wait $!
  m1="$(now)"
  for who in $who_list; do
    after="$(cpu_ticks "$(pid_of "$who")")"
    [ -n "$after" ] && [ -n "${before[$who]}" ] || die "$who ended during the measurement"
    used[$who]="${used[$who]:-} $((after - ${before[$who]}))"
  done
  spans="$spans $(awk -v a="$m0" -v b="$m1" 'BEGIN { print b - a }')"
done
trace_mark to
t_last="$(now)"
if [ -n "$perf_pid" ]; then kill -INT "$perf_pid" 2>/dev/null || true; wait "$perf_pid" 2>/dev/null || true; fi
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for who in $who_list; do used[$who]="$(median <<<"${used[$who]}")"; done
span="$(median <<<"$spans")"
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

# Per program: its own CPU, and on a desk of its own, its whole cost.
whole_of() { echo $(( ${used[$1]} + ${used[server:$(desk_of "$1")]} + ${used[x:$(desk_of "$1")]} )); }
awk -v tck="$tck" -v span="$span" -v rounds="$rounds" -v separate="$separate" \
    -v ledra="${used[ledra]}" -v compare="${used[compare]:-}" -v compare_exe="$compare" -v floor="${used[floor]}" \
    -v server="${used[server:main]:-}" -v x="${used[x:main]:-}" \
    -v server_floor="${used[server:floor]:-}" -v x_floor="${used[x:floor]:-}" \
    -v server_ledra="${used[server:ledra]:-}" -v x_ledra="${used[x:ledra]:-}" \
    -v server_compare="${used[server:compare]:-}" -v x_compare="${used[x:compare]:-}" \
    -v procs="$processes_seen" -v wins="$windows_seen" -v children="$children" -v page="$page" \
    -v retitling="$retitling" -v interval="$interval" \
    -v xres="${LEDRA_BENCH_XRESOURCES:-1}" -v start="$start_ms" -v build="$build" -v prefix="$kind" 'BEGIN {
  perMin = 60 / span / tck
  measured = rounds > 1 ? sprintf("median of %d rounds of %.0f s", rounds, span) : sprintf("%.0f s measured", span)
  printf "bench-floor: %s in prefix %s%s, %d processes listed (%d idle children), %d visible windows (%d retitling every %d ms), page %d, X resources %s, %s\n", build, prefix, separate ? " (a copy per program, each on its own Xvfb)" : "", procs, children, wins, retitling, interval, page, xres ? "set" : "none", measured
  if (!separate) {
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
  } else {
    printf "  %-26s %9s %9s %9s %9s   s/min\n", "", "program", "server", "X server", "whole"
    wholeFloor = floor + server_floor + x_floor
    row("floor", floor, server_floor, x_floor)
    row("Ledra", ledra, server_ledra, x_ledra)
    if (compare != "") row("Ledra compared", compare, server_compare, x_compare)
    printf "  %-26s %9s %9s %9s %9s\n", "ratio to the floor", "program", "", "", "whole"
    ratio("Ledra/floor", ledra, ledra + server_ledra + x_ledra)
    if (compare != "") {
      ratio("compared/floor", compare, compare + server_compare + x_compare)
      printf "  %-26s %s\n", "compared", compare_exe
    }
  }
  printf "  %-26s %7d ms\n", "Ledra start to window", start
}
function row(name, p, s, xs) {
  printf "  %-26s %9.3f %9.3f %9.3f %9.3f\n", name, p * perMin, s * perMin, xs * perMin, (p + s + xs) * perMin
}
function ratio(name, p, w) {
  if (floor > 0 && wholeFloor > 0) printf "  %-26s %9.2f %9s %9s %9.2f\n", name, p / floor, "", "", w / wholeFloor
  else printf "  %-26s %9s %9s %9s %9s\n", name, "n/a", "", "", "n/a"
}'
if [ "${LEDRA_BENCH_REQUESTS:-0}" = 1 ]; then
  ticks="$(awk -v a="$t_first" -v b="$t_last" -v i="$interval" 'BEGIN { printf "%.1f", (b - a) * 1000 / i }')"
  printf '  requests to the wine server a tick (%s ticks traced), main thread of each program:\n' "$ticks"
  for who in $programs; do
    d="$(desk_of "$who")"
    log="$work/server-$d.log"
    # The server names each thread's requests by its id; the first thread's own first
    # request names the Unix process it runs in.
    tid="$(grep -m1 -E "^[0-9a-f]+: init_first_thread\( unix_pid=$(pid_of "$who")," "$log" | cut -d: -f1 || true)"
    if [ -z "$tid" ]; then
      printf '  %-26s %9s\n' "$who" "n/a"
      continue
    fi
    sed -n "$((trace_from[$d] + 1)),${trace_to[$d]}p" "$log" | grep -E "^$tid: [a-z_]+\( " |
      sed -E 's/^[0-9a-f]+: ([a-z_]+)\(.*/\1/' | sort | uniq -c | sort -rn |
      awk -v who="$who" -v ticks="$ticks" -v top_n="${LEDRA_BENCH_REQUESTS_TOP:-6}" '{ total += $1; if (NR <= top_n) top = top sprintf("%s%s %.1f", NR > 1 ? ", " : "", $2, $1 / ticks) }
        END { printf "  %-26s %9.1f   %s\n", who, total / ticks, top }'
  done
  if [ -n "${LEDRA_BENCH_TRACE_DIR:-}" ]; then
    mkdir -p "$LEDRA_BENCH_TRACE_DIR"
    for d in $desks; do cp "$work/server-$d.log" "$LEDRA_BENCH_TRACE_DIR/"; done
  fi
fi
for tree in "$LEDRA_BUILD/windows" "$LEDRA_BUILD/windows-x64"; do
  size="$(stripped_size "$tree/ledra.exe")"
  [ -z "$size" ] || printf '  %-26s %7d bytes (%s)\n' "stripped ledra.exe" "$size" "${tree#"$LEDRA_ROOT"/}"
done
exit 0
