#!/usr/bin/env bash
# Configures and builds both trees: build/host (core + host tests, ASan/UBSan,
# benchmarks) and build/windows (ledra.exe + the Wine-run tests, i686 MinGW-w64).
# Usage: scripts/build.sh [host|windows ...]   (default: both)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

jobs="${LEDRA_JOBS:-$(nproc 2>/dev/null || echo 2)}"
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(host windows)

for p in "${presets[@]}"; do
  case "$p" in host|windows) ;; *) die "unknown preset '$p' (host or windows)" ;; esac
  log "configuring $p"
  cmake --preset "$p" >/dev/null
  log "building $p"
  # Only warnings and errors reach the terminal; progress lines are noise.
  set +e
  cmake --build --preset "$p" -j "$jobs" 2>&1 \
    | grep -v -E '^\[ *[0-9]+%\]|^(Consolidate compiler generated|gmake.*(Entering|Leaving))'
  rc=${PIPESTATUS[0]}
  set -e
  [ "$rc" -eq 0 ] || die "build of $p failed"
done
log "built: ${presets[*]}"
