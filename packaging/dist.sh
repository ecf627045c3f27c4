#!/usr/bin/env bash
# Makes a release in dist/ from what the presets built: each platform's
# program (packaging/platforms says which preset's build holds it) in an
# archive with its man page, README.md and LICENSE under portata-VERSION/,
# the Debian packages, the source, the Homebrew formula, and SHA256SUMS over
# them all. It builds nothing: a platform whose preset build is missing or
# older than the tree stops it, with the workflow that makes it. Called by
# `cmake --workflow --preset dist`, which passes the version from
# project(VERSION). With platforms named, only their archives and packages
# are made (the reproducibility check uses this).
#   packaging/dist.sh VERSION [DIST_DIR [PLATFORM...]]
set -euo pipefail
cd "$(dirname "$0")/.."
version=${1:?usage: packaging/dist.sh VERSION [DIST_DIR [PLATFORM...]]}
dist=$(realpath -m "${2:-dist}")
shift $(($# < 2 ? $# : 2))
stage=build/dist-stage
name=portata-$version

# The same commit makes the same files, whoever runs this and wherever:
# every date is the last commit's, every file's mode is set here rather
# than left to the umask, and nothing depends on the locale or time zone
# (zip writes local times).
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export LC_ALL=C TZ=UTC
umask 022

# The rows of packaging/platforms, those named on the command line if any.
platforms=()
while read -r platform preset archive deb runner; do
  if (($# == 0)) || [[ " $* " == *" $platform "* ]]; then
    platforms+=("$platform $preset $archive $deb")
  fi
done < <(grep -v -e '^#' -e '^$' packaging/platforms)
((${#platforms[@]})) || { echo "dist: no platform of packaging/platforms is named: $*" >&2; exit 1; }

# Every program comes from its preset's build, which must be there and
# up to date with the tree (ninja has nothing left to do for it).
missing=()
for row in "${platforms[@]}"; do
  read -r platform preset archive deb <<<"$row"
  if [[ ! -f build/$preset/build.ninja ]] ||
    [[ $(cmake --build "build/$preset" --target portata -- -n 2>&1) != *"no work to do"* ]]; then
    missing+=("$preset")
  fi
done
if ((${#missing[@]})); then
  echo "dist: these builds are missing or older than the tree: ${missing[*]/#/build/}" >&2
  echo "make them (each builds and tests its program), then run dist again:" >&2
  printf '  cmake --workflow --preset %s\n' "${missing[@]}" >&2
  exit 1
fi

rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"

# portata-VERSION/ with the program, the man page (or a text of it),
# README.md and LICENSE, as the folder of an archive; the installed tree
# (bin/, share/man/man1/) stays beside it for the Debian package.
lay_out() {
  local platform=$1 preset=$2 tree=$stage/$1 folder=$stage/$1/$name
  cmake --install "build/$preset" --prefix "$PWD/$tree" >/dev/null
  install -d -m 0755 "$folder"
  install -m 0644 README.md LICENSE "$folder/"
  if [[ -e $tree/bin/portata.exe ]]; then
    install -m 0755 "$tree/bin/portata.exe" "$folder/"
    MANWIDTH=80 man -E ascii -l "$tree/share/man/man1/portata.1" 2>/dev/null | col -bx >"$folder/portata.txt"
    chmod 0644 "$folder/portata.txt"
  else
    install -m 0755 "$tree/bin/portata" "$folder/"
    install -m 0644 "$tree/share/man/man1/portata.1" "$folder/"
  fi
  find "$folder" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

pack() {
  local platform=$1 archive=$2 file=$dist/$name-$1.$2
  if [[ $archive == zip ]]; then
    (cd "$stage/$platform" && find "$name" | sort | zip -X -q -9 "$file" -@)
  else
    tar -C "$stage/$platform" --sort=name --owner=0 --group=0 --numeric-owner \
      --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name" | gzip -9n >"$file"
  fi
}

for row in "${platforms[@]}"; do
  read -r platform preset archive deb <<<"$row"
  lay_out "$platform" "$preset"
  pack "$platform" "$archive"
  [[ $deb == - ]] || packaging/debian/make-deb.sh "$version" "$deb" "$stage/$platform" "$dist"
done

git archive --format=tar --prefix="$name/" HEAD | gzip -9n >"$dist/$name.tar.gz"

# The Homebrew formula with the address and checksum of this source archive.
sed -e "s|^  url \"\(.*\)/v[^/]*/portata-[^/]*\.tar\.gz\"|  url \"\1/v$version/$name.tar.gz\"|" \
  -e "s/^  sha256 \".*\"/  sha256 \"$(sha256sum "$dist/$name.tar.gz" | cut -d' ' -f1)\"/" \
  packaging/homebrew/portata.rb >"$dist/portata.rb"

(cd "$dist" && sha256sum -- * | grep -v ' SHA256SUMS$' >SHA256SUMS)
echo "dist/ ($dist):"
ls -l "$dist"
