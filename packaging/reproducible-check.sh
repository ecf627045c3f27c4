#!/usr/bin/env bash
# Checks that this commit makes the same release whoever makes it: two fresh
# clones, at paths of different lengths, one after the other, with another
# umask, locale and time zone each, build the named platforms' presets (the
# program alone) and pack them with dist. Their build/tools/zig is this
# tree's (a link): zig keys its cache of each target's C and C++ libraries
# by its own folder, and a zig elsewhere would build them again (minutes a
# target). Their
# SHA256SUMS must be the same, and each line must be the one
# DIST_DIR/SHA256SUMS (this tree's release) has for that file. On a
# difference it says which files differ and how their listings differ.
#   packaging/reproducible-check.sh DIST_DIR PLATFORM...
set -euo pipefail
cd "$(dirname "$0")/.."
dist=$(realpath "${1:?usage: packaging/reproducible-check.sh DIST_DIR PLATFORM...}")
shift
(($#)) || { echo "usage: packaging/reproducible-check.sh DIST_DIR PLATFORM..." >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One release of the named platforms from a clone at $1, under the umask,
# locale and time zone given.
zig=$PWD/build/tools/zig
release_in_clone() {
  local clone=$1 mask=$2 locale=$3 zone=$4 platforms=$5 preset
  git clone -q --no-hardlinks "$PWD" "$clone"
  (
    cd "$clone"
    umask "$mask"
    export LC_ALL=$locale TZ=$zone
    mkdir -p build/tools
    ln -s "$zig" build/tools/zig
    for preset in $(grep -v -e '^#' -e '^$' packaging/platforms | awk -v want=" $platforms " 'index(want, " " $1 " ") { print $2 }'); do
      cmake --preset "$preset" >/dev/null
      cmake --build --preset "$preset" --target portata >/dev/null
    done
    cmake --preset dist -DPORTATA_DIST_PLATFORMS="${platforms// /;}" >/dev/null
    cmake --build --preset dist >/dev/null
  )
  echo "$clone: $(wc -l <"$clone/dist/SHA256SUMS") files"
}

release_in_clone "$work/a/portata" 022 C.UTF-8 UTC "$*"
release_in_clone "$work/another-folder/with-a-longer-name/portata-clone" 077 C Pacific/Chatham "$*"

first=$work/a/portata/dist second=$work/another-folder/with-a-longer-name/portata-clone/dist
status=0
if ! cmp -s "$first/SHA256SUMS" "$second/SHA256SUMS"; then
  status=1
  echo "the two clones' releases differ:" >&2
  diff "$first/SHA256SUMS" "$second/SHA256SUMS" >&2 || true
  for file in $(diff <(cat "$first/SHA256SUMS") <(cat "$second/SHA256SUMS") | awk '/^[<>]/ { print $3 }' | sort -u); do
    case $file in
      *.tar.gz) diff <(tar -tvzf "$first/$file") <(tar -tvzf "$second/$file") >&2 || true ;;
      *.zip) diff <(unzip -Zl "$first/$file") <(unzip -Zl "$second/$file") >&2 || true ;;
      *.deb) diff <(dpkg-deb -I "$first/$file"; dpkg-deb -c "$first/$file") \
        <(dpkg-deb -I "$second/$file"; dpkg-deb -c "$second/$file") >&2 || true ;;
    esac
    cmp "$first/$file" "$second/$file" >&2 || true
  done
fi
# Every file of theirs as this tree's release has it.
while read -r sum file; do
  grep -qx "$sum  $file" "$dist/SHA256SUMS" || { status=1; echo "$file differs from $dist/$file" >&2; }
done <"$first/SHA256SUMS"
((status == 0)) || exit 1
echo "reproducible: two clones made the same $(wc -l <"$first/SHA256SUMS") files as $dist:"
cat "$first/SHA256SUMS"
