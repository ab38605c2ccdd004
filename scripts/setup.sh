#!/usr/bin/env bash
# Installs what building, running and testing Ledra needs on Debian 12.
# Idempotent: installs only what is missing; needs root or sudo only then.
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

PACKAGES=(
  cmake make g++ git
  libgtest-dev googletest libbenchmark-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386
  xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-microhei
)

command -v dpkg >/dev/null 2>&1 || die "this script expects Debian 12 (dpkg/apt-get)"

# wine32 needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  as_root dpkg --add-architecture i386
  need_update=1
fi

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ] && [ -z "${need_update:-}" ]; then
  log "set-up: all packages present"
  exit 0
fi

log "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
  -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
log "set-up done"
