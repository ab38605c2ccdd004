#!/usr/bin/env bash
# Makes a release: builds both programs in release form (the product alone, no tests;
# the same program as build/windows/ledra.exe and build/windows-x64/ledra.exe) and
# writes dist/:
#   ledra-<version>-x86.zip   the 32-bit ledra.exe (stripped) and README.txt
#   ledra-<version>-x64.zip   the 64-bit ledra.exe (stripped) and README.txt
#   SHA256SUMS                both zips, and both programs as ledra-<version>-<arch>/ledra.exe
#                             (where each zip unpacks to a folder of its name)
# The version is the one of project(... VERSION ...) in CMakeLists.txt. The same commit
# gives the same bytes anywhere (scripts/check-reproducible.sh checks it): the programs
# carry no link time and no build folder, and the zips hold their two files in a fixed
# order, with a fixed time (the commit's) and fixed permissions.
#
# Environment:
#   LEDRA_PACKAGE_BUILD  build folder of the two programs (build/release); <arch>/ inside
#   LEDRA_DIST           output folder (dist)
#   SOURCE_DATE_EPOCH    the time written into the zips (default: the commit's, from git)
#   LEDRA_JOBS           parallel compile jobs (2)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

build_root="${LEDRA_PACKAGE_BUILD:-$LEDRA_BUILD/release}"
dist="${LEDRA_DIST:-$LEDRA_ROOT/dist}"
jobs="${LEDRA_JOBS:-2}"
for tool in cmake zip sha256sum; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool is missing (run scripts/setup.sh)"
done

version="$(sed -n 's/^project(Ledra VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)"
[ -n "$version" ] || die "no project(Ledra VERSION ...) in CMakeLists.txt"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null)" ||
    die "not a git checkout: set SOURCE_DATE_EPOCH to the commit's time (seconds since 1970)"
fi
case "$SOURCE_DATE_EPOCH" in '' | *[!0-9]*) die "SOURCE_DATE_EPOCH is not a number of seconds" ;; esac
export SOURCE_DATE_EPOCH
if git rev-parse --git-dir >/dev/null 2>&1 && [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  log "warning: the tree has changes not committed: this release is not the commit's"
fi

# The toolchains the test trees build ledra.exe with (their nested product builds).
toolchain_of() { case "$1" in x86) echo cmake/mingw-i686-product.cmake ;; x64) echo cmake/mingw-x86_64-product.cmake ;; esac; }

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
for arch in x86 x64; do
  tree="$build_root/$arch"
  # A tree first configured with another toolchain keeps that one's compiler: start afresh.
  if [ "$(cat "$tree/.ledra-toolchain" 2>/dev/null)" != "$(toolchain_of "$arch")" ]; then
    rm -rf "$tree"
    mkdir -p "$tree"
    toolchain_of "$arch" >"$tree/.ledra-toolchain"
  fi
  log "building the $arch ledra.exe ($(toolchain_of "$arch")) in ${tree#"$LEDRA_ROOT"/}"
  cmake -S "$LEDRA_ROOT" -B "$tree" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLEDRA_PRODUCT_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE="$LEDRA_ROOT/$(toolchain_of "$arch")" >"$stage/cmake-$arch.log" 2>&1 ||
    { cat "$stage/cmake-$arch.log" >&2; die "configuring the $arch build failed"; }
  cmake --build "$tree" -j "$jobs" >"$stage/build-$arch.log" 2>&1 ||
    { tail -n 40 "$stage/build-$arch.log" >&2; die "building the $arch ledra.exe failed"; }

  name="ledra-$version-$arch"
  mkdir -p "$stage/$name"
  # Linked stripped already: the very program the test tiers run.
  cp "$tree/ledra.exe" "$stage/$name/ledra.exe"
  sum="$(sha256sum "$stage/$name/ledra.exe" | cut -d' ' -f1)"
  # The user's readme, in Windows line ends (Notepad before Windows 10 shows no others).
  sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" -e "s/@SHA256@/$sum/g" res/release-readme.txt \
    | sed 's/$/\r/' >"$stage/$name/README.txt"
  # Fixed permissions and time; zip writes DOS times in local time, hence TZ=UTC. -X
  # leaves out the Unix extras (owner, the other time stamps), -D directory entries.
  chmod 0644 "$stage/$name/ledra.exe" "$stage/$name/README.txt"
  touch -h -d "@$SOURCE_DATE_EPOCH" "$stage/$name/ledra.exe" "$stage/$name/README.txt"
  (cd "$stage/$name" && TZ=UTC zip -X -D -q -9 "$stage/$name.zip" ledra.exe README.txt)
done

# The import check on the programs as shipped: system-folder DLLs and XP calls only.
"$LEDRA_ROOT/scripts/check-imports.sh" "$stage/ledra-$version-x86/ledra.exe" "$stage/ledra-$version-x64/ledra.exe" ||
  die "the programs import what they must not (see above)"

mkdir -p "$dist"
rm -f "$dist"/ledra-*.zip "$dist/SHA256SUMS"
(
  cd "$stage"
  for arch in x86 x64; do
    cp "ledra-$version-$arch.zip" "$dist/"
  done
  sha256sum "ledra-$version-x86.zip" "ledra-$version-x64.zip" \
    "ledra-$version-x86/ledra.exe" "ledra-$version-x64/ledra.exe"
) >"$dist/SHA256SUMS"

log "release $version in ${dist#"$LEDRA_ROOT"/}/ (zip time $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') UTC):"
for arch in x86 x64; do
  printf '[ledra]   %-26s %7d bytes, ledra.exe %7d bytes\n' "ledra-$version-$arch.zip" \
    "$(stat -c %s "$dist/ledra-$version-$arch.zip")" "$(stat -c %s "$stage/ledra-$version-$arch/ledra.exe")" >&2
done
sed 's/^/[ledra]   /' "$dist/SHA256SUMS" >&2
