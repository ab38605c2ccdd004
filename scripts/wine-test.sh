#!/usr/bin/env bash
# Runs the Wine-run test programs (ctest label "wine" in build/windows) in one of
# the project's prefixes, on a private Xvfb, with a persistent wine server for the
# run; the server and the Xvfb are stopped at the end. Any Ledra still running in
# that prefix (say, one scripts/run.sh left on a display) is closed first.
# Usage: scripts/wine-test.sh [nt|win98] [more ctest arguments, e.g. -R system]
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

kind="${1:-nt}"
[ $# -eq 0 ] || shift
case "$kind" in nt|win98) ;; *) die "unknown prefix '$kind' (nt or win98)" ;; esac
[ -f "$LEDRA_BUILD/windows/CTestTestfile.cmake" ] || die "build/windows is not built (run scripts/build.sh)"

"$LEDRA_ROOT/scripts/wine-prefix.sh" "$kind"
stop_prefix "$kind"
use_prefix "$kind"
trap 'stop_prefix "$kind"; stop_xvfb' EXIT
trap 'exit 130' INT TERM
start_xvfb
# Persistent for the run (after stop_prefix, so it is the only server).
wineserver -p
link_cjk_font
# The programs can tell which prefix they run in (the OS version tells them too).
export LEDRA_WINE_PREFIX_KIND="$kind"
# One at a time: the programs open real top-level windows on the same display.
ctest --test-dir "$LEDRA_BUILD/windows" -L wine -j 1 --output-on-failure \
  --no-tests=error --timeout 300 "$@"
