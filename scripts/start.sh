#!/usr/bin/env bash
# One command from a fresh Debian 12 machine to a running Ledra: installs what is
# missing, builds the ledra.exe this machine can run and starts it (see
# scripts/run.sh for the options: on $DISPLAY when there is one, otherwise on a
# private Xvfb, leaving a screenshot whose path is printed).
# The 32-bit build in the nt prefix where this machine executes 32-bit programs,
# else the 64-bit build in nt64; LEDRA_ONLY_64=1 takes the 64-bit one anyway,
# LEDRA_REQUIRE_32=1 fails where 32-bit programs do not run, LEDRA_PREFIX picks one.
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
here="$LEDRA_ROOT/scripts"
"$here/setup.sh"

if [ -n "${LEDRA_PREFIX:-}" ]; then
  kind="$LEDRA_PREFIX"
  require_kind "$kind"
  why="LEDRA_PREFIX=$kind is set"
else
  pick_kind
  kind="$LEDRA_DEFAULT_KIND"
  why="$LEDRA_WHY_32"
fi
if kind_is_32 "$kind"; then
  preset=windows bits=32
else
  preset=windows-x64 bits=64
fi
log "starting the $bits-bit build ($(kind_build "$kind")/ledra.exe) in prefix $kind: $why"
"$here/build.sh" "$preset"
export LEDRA_PREFIX="$kind"
exec "$here/run.sh"
