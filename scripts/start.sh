#!/usr/bin/env bash
# One command from a fresh Debian 12 machine to a running Ledra: installs what is
# missing, builds ledra.exe and starts it (see scripts/run.sh for the options:
# on $DISPLAY when there is one, otherwise on a private Xvfb, leaving a screenshot
# whose path is printed).
set -euo pipefail
here="$(dirname "$0")"
"$here/setup.sh"
"$here/build.sh" windows
exec "$here/run.sh"
