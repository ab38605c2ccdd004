#!/usr/bin/env bash
# Builds the fuzz tree (preset "fuzz", clang) and runs each libFuzzer target of
# tests/fuzz from its seed corpus for a fixed time, one after the other:
# LEDRA_FUZZ_SECONDS each, 17 by default (the build from scratch and all six runs stay
# under three minutes) and 600 under LEDRA_SOAK=1.
# A finding (a crash, a sanitizer report, a broken invariant, a timeout) fails the run;
# its input is printed in hex and kept under build/fuzz/findings/<target>/. Inputs the
# fuzzer finds new go to build/fuzz/work/<target>/; the seeds in the tree stay as they are.
# Usage: scripts/fuzz.sh [target ...]   (default: every target)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

seconds="${LEDRA_FUZZ_SECONDS:-}"
if [ -z "$seconds" ]; then
  if [ "${LEDRA_SOAK:-0}" != 0 ] && [ -n "${LEDRA_SOAK:-}" ]; then seconds=600; else seconds=17; fi
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(process_chain process_details toolhelp_9x performance number_text utf_text)

"$LEDRA_ROOT/scripts/build.sh" fuzz

out="$LEDRA_BUILD/fuzz"
failed=0
for t in "${targets[@]}"; do
  binary="$out/tests/fuzz/fuzz_$t"
  [ -x "$binary" ] || die "no fuzz target '$t' ($binary)"
  work="$out/work/$t"
  findings="$out/findings/$t"
  mkdir -p "$work" "$findings" "$out/logs"
  rm -f "$findings"/*
  log="$out/logs/$t.log"
  set +e
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "tests/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  set -e
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n1)"
  printf 'fuzz_%-16s %10s executions in %ss (%s/s)\n' "$t" "${runs:-?}" "$seconds" "${rate:-?}"
  if [ "$rc" -ne 0 ] || [ -n "$(ls -A "$findings")" ]; then
    failed=$((failed + 1))
    echo "FINDING in fuzz_$t (exit $rc); the fuzzer's report ends:"
    grep -v '^#[0-9]' "$log" | tail -n 40
    for f in "$findings"/*; do
      [ -f "$f" ] || continue
      echo "input $f ($(stat -c %s "$f") bytes):"
      od -An -tx1 -v "$f" | head -n 64
    done
  fi
done
[ "$failed" -eq 0 ] || die "$failed fuzz target(s) found something"
log "fuzz: ${#targets[@]} target(s), no finding"
