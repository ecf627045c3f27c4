#!/usr/bin/env bash
# Makes a release in dist/: the program built for every platform, each in an
# archive with its man page, README.md and LICENSE under portata-VERSION/,
# the Debian packages for amd64 and arm64, the source, and SHA256SUMS over
# them all. Called by `cmake --workflow --preset dist`, which passes the
# version from project(VERSION); the cross builds need zig (.ci/install-zig)
# and MinGW-w64.
#   packaging/dist.sh VERSION [DIST_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
version=${1:?usage: packaging/dist.sh VERSION [DIST_DIR]}
dist=$(realpath -m "${2:-dist}")
stage=build/dist-stage
name=portata-$version

# Every date in the archives and packages is the last commit's, so the same
# commit gives the same files.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"

# An optimised build with the given toolchain file (tests off) in
# build/dist-PLATFORM, installed into $stage/PLATFORM: bin/portata[.exe] and
# share/man/man1/portata.1.
build_for() {
  local platform=$1 toolchain=$2
  cmake -S . -B "build/dist-$platform" -G Ninja --toolchain "$PWD/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DPORTATA_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
  cmake --build "build/dist-$platform"
  cmake --install "build/dist-$platform" --prefix "$PWD/$stage/$platform" >/dev/null
}

# portata-VERSION/ with the program, the man page (or a text of it), README.md
# and LICENSE, as the folder of an archive.
lay_out() {
  local platform=$1 folder=$stage/$platform/$name
  mkdir -p "$folder"
  cp README.md LICENSE "$folder/"
  if [[ -e $stage/$platform/bin/portata.exe ]]; then
    cp "$stage/$platform/bin/portata.exe" "$folder/"
    MANWIDTH=80 man -E ascii -l "$stage/$platform/share/man/man1/portata.1" 2>/dev/null | col -bx >"$folder/portata.txt"
  else
    cp "$stage/$platform/bin/portata" "$stage/$platform/share/man/man1/portata.1" "$folder/"
  fi
  find "$folder" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

tarball() {
  local platform=$1
  lay_out "$platform"
  tar -C "$stage/$platform" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name" | gzip -9n >"$dist/$name-$platform.tar.gz"
}

zipfile() {
  local platform=$1
  lay_out "$platform"
  (cd "$stage/$platform" && find "$name" | LC_ALL=C sort | zip -X -q -9 "$dist/$name-$platform.zip" -@)
}

build_for linux-x86_64 zig-x86_64-linux-musl.cmake
build_for linux-arm64 zig-aarch64-linux-musl.cmake
build_for macos-arm64 zig-aarch64-macos.cmake
build_for macos-x86_64 zig-x86_64-macos.cmake
build_for windows-x86_64 mingw-w64-x86_64.cmake

for platform in linux-x86_64 linux-arm64 macos-arm64 macos-x86_64; do tarball "$platform"; done
zipfile windows-x86_64

packaging/debian/make-deb.sh "$version" amd64 "$stage/linux-x86_64" "$dist"
packaging/debian/make-deb.sh "$version" arm64 "$stage/linux-arm64" "$dist"

git archive --format=tar --prefix="$name/" HEAD | gzip -9n >"$dist/$name.tar.gz"

# The Homebrew formula with the checksum of this source archive.
sed "s/^  sha256 \".*\"/  sha256 \"$(sha256sum "$dist/$name.tar.gz" | cut -d' ' -f1)\"/" \
  packaging/homebrew/portata.rb >"$dist/portata.rb"

(cd "$dist" && sha256sum -- * | grep -v ' SHA256SUMS$' >SHA256SUMS)
echo "dist/ ($dist):"
ls -l "$dist"
