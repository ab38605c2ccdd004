#!/usr/bin/env bash
# Installs what building, running and testing Ledra needs on Debian 12.
# Idempotent: installs only what is missing; needs root or sudo only then.
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

PACKAGES=(
  cmake make g++ git
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  gcc-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-win32
  wine wine64 wine32:i386
  xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-microhei locales
)

command -v dpkg >/dev/null 2>&1 || die "this script expects Debian 12 (dpkg/apt-get)"

# wine32 needs the i386 architecture. It is installed even where the kernel cannot
# execute 32-bit programs (installing runs none of them); the scripts then take
# the 64-bit path.
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

# Where the i386 packages could not be had within the last hour, a later run (test.sh
# runs this first) does not wait for the same mirror again.
i386_stamp=/var/tmp/ledra-setup-no-i386
if [ -n "$(find "$i386_stamp" -mmin -60 2>/dev/null)" ]; then
  rest=()
  for p in "${missing[@]}"; do
    [[ "$p" == *:i386 ]] || rest+=("$p")
  done
  if [ ${#rest[@]} -lt ${#missing[@]} ]; then
    log "warning: not trying the i386 packages again (they could not be installed at $(date -r "$i386_stamp" +%H:%M))"
    without_i386=1
    missing=("${rest[@]}")
  fi
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  log "installing: ${missing[*]}"
  # A mirror caught mid-sync fails one index now and then ("File has unexpected
  # size"): ask again after a pause, and install from what did arrive if it keeps
  # failing; the install itself is retried the same way.
  for attempt in 1 2 3; do
    as_root apt-get update -qq -o Acquire::Retries=3 && break
    log "apt-get update failed (attempt $attempt); trying again"
    sleep $((attempt * 10))
  done
  for attempt in 1 2; do
    if as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
      -o Dpkg::Use-Pty=0 -o Acquire::Retries=3 "${missing[@]}" >/dev/null; then
      installed_all=1
      break
    fi
    log "apt-get install failed (attempt $attempt); refreshing the indexes and trying again"
    sleep 15
    as_root apt-get update -qq -o Acquire::Retries=3 || true
  done
  if [ -z "${installed_all:-}" ]; then
    # What usually fails is an i386 index the mirror has not finished (the 32-bit
    # libraries must match the 64-bit ones version for version). Everything else
    # still builds both programs and runs the 64-bit tiers; test.sh then says
    # plainly that the 32-bit tiers could not run.
    native=()
    for p in "${missing[@]}"; do
      [[ "$p" == *:i386 ]] || native+=("$p")
    done
    [ ${#native[@]} -lt ${#missing[@]} ] || die "could not install: ${missing[*]}"
    if [ ${#native[@]} -gt 0 ]; then
      as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        -o Dpkg::Use-Pty=0 -o Acquire::Retries=3 "${native[@]}" >/dev/null ||
        die "could not install: ${native[*]}"
    fi
    touch "$i386_stamp" 2>/dev/null || true
    log "warning: the i386 packages could not be installed (the mirror's i386 index did not arrive whole);" \
      "the 32-bit programs are built but the tiers that run them are reported as not run"
    without_i386=1
  fi
fi

# A Chinese locale, so Ledra can also be run and checked under LANG=zh_CN.UTF-8
# (the UI must render as Chinese under LANG=C too; both are tried).
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  log "generating the zh_CN.UTF-8 locale"
  (
    if [ -f /etc/locale.gen ] && grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
      as_root sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
      echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    fi
    as_root locale-gen >/dev/null
  ) || log "warning: no zh_CN.UTF-8 locale; Chinese-locale runs fall back to C"
fi
if [ -n "${without_i386:-}" ]; then log "set-up: done, without the i386 packages"; else log "set-up: all present"; fi
