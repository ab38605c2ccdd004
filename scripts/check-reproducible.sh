#!/usr/bin/env bash
# The release is reproducible: the same sources, built twice by scripts/package.sh from
# two copies in two different folders (of different lengths), one after the other, give
# byte-identical programs and zips. Compares the two SHA256SUMS and then every file the
# releases consist of (the zips, what they unpack to, the programs as linked in the build
# trees) and names the first that differs, with its first differing byte.
# The copies are the working tree as it is (committed or not, untracked files too, minus
# what .gitignore leaves out); the time in the zips is the last commit's for both.
# Passes, leaving nothing behind; on a difference, keeps both copies and says where.
#
# Environment: LEDRA_JOBS (2), LEDRA_REPRO_DIR (where the copies go: a new folder in
# $TMPDIR or /tmp, outside any git checkout)
set -euo pipefail
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
cd "$LEDRA_ROOT"

command -v git >/dev/null 2>&1 || die "git is missing"
git rev-parse --git-dir >/dev/null 2>&1 || die "$LEDRA_ROOT is not a git checkout"
SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
export SOURCE_DATE_EPOCH
export LEDRA_JOBS="${LEDRA_JOBS:-2}"

work="${LEDRA_REPRO_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/ledra-reproducible.XXXXXX")}"
one="$work/a/ledra"
two="$work/second-folder/deeper/ledra-source"
keep=1
cleanup() { [ "$keep" = 1 ] || rm -rf "$work"; }
trap cleanup EXIT

# A copy of the working tree: tracked files as they are now, and untracked ones not ignored.
copy_tree() {
  mkdir -p "$1"
  git ls-files -z --cached --others --exclude-standard \
    | while IFS= read -r -d '' f; do [ -f "$f" ] && printf '%s\0' "$f"; done \
    | tar --null -T - -cf - | tar -xf - -C "$1"
}

build_in() {
  local root="$1" label="$2" start=$SECONDS
  log "$label: building the release in ${root#"$LEDRA_ROOT"/}"
  LEDRA_DIST="$root/dist" LEDRA_PACKAGE_BUILD="$root/build/release" "$root/scripts/package.sh" \
    >"$work/$label.log" 2>&1 || { tail -n 30 "$work/$label.log" >&2; die "$label: scripts/package.sh failed (log: $work/$label.log)"; }
  log "$label: built in $((SECONDS - start)) s, finished at $(date -u +%H:%M:%S) UTC"
}

copy_tree "$one"
copy_tree "$two"
build_in "$one" first
build_in "$two" second

# Every file of the two releases, in a fixed order: SHA256SUMS, the zips, the programs
# as linked, then what the zips unpack to.
files_of() {
  local root="$1"
  (cd "$root/dist" && printf 'dist/%s\n' SHA256SUMS ledra-*.zip)
  for arch in x86 x64; do
    printf 'build/release/%s/ledra.exe\n' "$arch"
  done
}
for root in "$one" "$two"; do
  for zip in "$root"/dist/ledra-*.zip; do
    mkdir -p "$root/unpacked/$(basename "$zip" .zip)"
    unzip -q -o "$zip" -d "$root/unpacked/$(basename "$zip" .zip)"
  done
done

first_difference=""
compared=0
while IFS= read -r f; do
  compared=$((compared + 1))
  if [ ! -f "$two/$f" ]; then
    first_difference="$f (not in the second release)"
    break
  fi
  if ! cmp -s "$one/$f" "$two/$f"; then
    first_difference="$f: $(cmp "$one/$f" "$two/$f" 2>&1 | sed 's/^[^:]*: *//; s/^.* differ: //' | head -n1)"
    break
  fi
done < <(files_of "$one"; (cd "$one/unpacked" && find . -type f | sort | sed 's|^\./|unpacked/|'))

if [ -n "$first_difference" ]; then
  echo "reproducible: NO, the two releases differ; the first differing file is"
  echo "  $first_difference"
  echo "both builds are kept in $work (first: a/, second: second-folder/)"
  exit 1
fi
keep=0
echo "reproducible: yes, $compared files byte-identical over two builds in two folders:"
sed 's/^/  /' "$one/dist/SHA256SUMS"
