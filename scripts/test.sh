#!/usr/bin/env bash
# Set-up, build and every test tier, with the time of each:
#   layout      Win32 headers only in the platform layer; no mutable globals
#   host        GoogleTest host tests with fakes (ASan + UBSan + LeakSanitizer)
#   wine-nt     the Wine-run tests (ctest label "wine") in the NT prefix
#   wine-win98  the same programs in the win98 prefix (the 9x branches)
#   e2e         tests/e2e/run_e2e.sh: ledra.exe started, shot and closed
#   bench       build/host/ledra_bench, briefly; reported, not a pass/fail gate
# Exit code: 0 when every tier passed.
# Wine tiers stop the project's own prefixes first, so a Ledra left running by
# scripts/run.sh on a display is closed too.
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

jobs="${LEDRA_JOBS:-$(nproc 2>/dev/null || echo 2)}"
total_start=$SECONDS
failed=0

summary() {
  echo
  echo "---- Ledra test summary ----"
  printf '%s\n' "${LEDRA_TIMINGS[@]}"
  printf '%-22s %5ss\n' "total" "$((SECONDS - total_start))"
  if [ "$failed" -eq 0 ]; then echo "result: PASS"; else echo "result: FAIL ($failed tier(s))"; fi
}

tier_host() {
  ctest --preset host -j "$jobs" --no-tests=error
}

tier_wine() {
  "$LEDRA_ROOT/scripts/wine-test.sh" "$1"
}

tier_e2e() {
  "$LEDRA_ROOT/tests/e2e/run_e2e.sh"
}

tier_bench() {
  local bench="$LEDRA_BUILD/host/ledra_bench"
  if [ ! -x "$bench" ]; then
    log "no benchmarks built; skipped"
    return 0
  fi
  "$bench" --benchmark_min_time="${LEDRA_BENCH_MIN_TIME:-0.05}" --benchmark_color=false
}

run_tier() {
  local label="$1"
  shift
  echo
  echo "==== $label ===="
  timed "$label" "$@" || failed=$((failed + 1))
}

run_tier setup "$LEDRA_ROOT/scripts/setup.sh"
[ "$failed" -eq 0 ] || { summary; exit 1; }
run_tier build "$LEDRA_ROOT/scripts/build.sh"
[ "$failed" -eq 0 ] || { summary; exit 1; }

run_tier layout "$LEDRA_ROOT/scripts/check-layout.sh"
run_tier host tier_host
run_tier wine-nt tier_wine nt
run_tier wine-win98 tier_wine win98
run_tier e2e tier_e2e
# Timings depend on the machine: shown for the record, never a reason to fail.
echo
echo "==== bench (informational) ===="
timed "bench (not a gate)" tier_bench || log "benchmarks failed to run (not counted)"

summary
[ "$failed" -eq 0 ]
