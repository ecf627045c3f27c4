#!/usr/bin/env bash
# Makes portata_VERSION_ARCH.deb from an installed tree (bin/portata,
# share/man/man1/portata.1) as Debian's policy asks: the program in
# /usr/bin, the man page and the changelog compressed, the copyright in the
# machine-readable format, no Depends (the program is linked statically).
#   packaging/debian/make-deb.sh VERSION ARCH INSTALLED_TREE OUT_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
version=$1 arch=$2 installed=$3 out=$4
here=packaging/debian
root=$(mktemp -d)
chmod 0755 "$root"
trap 'rm -rf "$root"' EXIT
: "${SOURCE_DATE_EPOCH:=$(git log -1 --format=%ct)}"

install -d -m 0755 "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/man/man1" \
  "$root/usr/share/doc/portata" "$root/usr/share/lintian/overrides"
install -m 0755 "$installed/bin/portata" "$root/usr/bin/portata"
gzip -9n <"$installed/share/man/man1/portata.1" >"$root/usr/share/man/man1/portata.1.gz"
install -m 0644 "$here/copyright" "$root/usr/share/doc/portata/copyright"
maintainer=$(sed -n 's/^Maintainer: //p' "$here/control")
sed "s/@VERSION@/$version/; s/@MAINTAINER@/$maintainer/; s/@DATE@/$(date -u -R -d "@$SOURCE_DATE_EPOCH")/" "$here/changelog" |
  gzip -9n >"$root/usr/share/doc/portata/changelog.gz"
install -m 0644 "$here/lintian-overrides" "$root/usr/share/lintian/overrides/portata"
chmod 0644 "$root"/usr/share/man/man1/* "$root"/usr/share/doc/portata/*

size=$(du -k -s --exclude=DEBIAN "$root" | cut -f1)
sed "s/@VERSION@/$version/; s/@ARCH@/$arch/; s/@SIZE@/$size/" "$here/control" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum >DEBIAN/md5sums)
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

dpkg-deb --root-owner-group -Zxz --build "$root" "$out/portata_${version}_${arch}.deb" >/dev/null
echo "made $out/portata_${version}_${arch}.deb"
