#!/usr/bin/env bash
# Configures and builds the three trees: build/host (core + host tests, ASan/UBSan,
# benchmarks), build/windows (the 32-bit ledra.exe + the Wine-run tests, i686
# MinGW-w64) and build/windows-x64 (the same for x86_64). Cross-compiling runs
# nothing of Windows, so every tree builds on any 64-bit Linux host. build/fuzz (the
# libFuzzer targets, clang) is built only when asked for; scripts/fuzz.sh does.
# Usage: scripts/build.sh [host|windows|windows-x64|fuzz ...]   (default: the first three)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

jobs="${LEDRA_JOBS:-$(nproc 2>/dev/null || echo 2)}"
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(host windows windows-x64)

for p in "${presets[@]}"; do
  case "$p" in host|windows|windows-x64|fuzz) ;; *) die "unknown preset '$p' (host, windows, windows-x64 or fuzz)" ;; esac
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
