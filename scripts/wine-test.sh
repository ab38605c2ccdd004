#!/usr/bin/env bash
# Runs the Wine-run test programs (ctest label "wine": build/windows for the 32-bit
# prefixes nt and win98, build/windows-x64 for nt64) in one of the project's prefixes, on a private Xvfb, with a persistent wine server for the
# run; the server and the Xvfb are stopped at the end. Any Ledra still running in
# that prefix (say, one scripts/run.sh left on a display) is closed first.
# Usage: scripts/wine-test.sh [nt|win98|nt64] [more ctest arguments, e.g. -R system]
# (default: nt where this machine executes 32-bit programs, else nt64)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

if [ $# -gt 0 ]; then
  kind="$1"
  shift
else
  pick_kind
  kind="$LEDRA_DEFAULT_KIND"
fi
require_kind "$kind"
tree="$(kind_build "$kind")"
[ -f "$tree/CTestTestfile.cmake" ] || die "$tree is not built (run scripts/build.sh)"

"$LEDRA_ROOT/scripts/wine-prefix.sh" "$kind"
stop_prefix "$kind"
use_prefix "$kind"
trap 'stop_prefix "$kind"; stop_xvfb' EXIT
trap 'exit 130' INT TERM
start_xvfb
# Persistent for the run (after stop_prefix, so it is the only server).
wineserver -p
link_cjk_font
# The programs can tell which prefix they run in (the OS version tells them too),
# and whether a 32-bit child can be started from them.
can_run_32 || true
export LEDRA_WINE_PREFIX_KIND="$kind"
# One at a time: the programs open real top-level windows on the same display.
ctest --test-dir "$tree" -L wine -j 1 --output-on-failure \
  --no-tests=error --timeout 300 "$@"
