#!/usr/bin/env bash
# Makes the release's portata_VERSION_ARCH.deb from an installed tree
# (bin/portata, share/man/man1/portata.1) of a static program, as Debian's
# policy asks: the program in /usr/bin, the man page and the changelog
# compressed, no Depends. Its name, maintainer, section, homepage,
# description and copyright are the source package's (debian/control,
# debian/copyright): dpkg-gencontrol writes its control file from them. Its
# version is the upstream one alone, which sorts below the Debian
# package's VERSION-N, so the archive's build replaces it.
#   packaging/debian/make-deb.sh VERSION ARCH INSTALLED_TREE OUT_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
version=$1 arch=$2 installed=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
: "${SOURCE_DATE_EPOCH:=$(git log -1 --format=%ct)}"
umask 022

install -d -m 0755 "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/man/man1" \
  "$root/usr/share/doc/portata" "$root/usr/share/lintian/overrides"
install -m 0755 "$installed/bin/portata" "$root/usr/bin/portata"
gzip -9n <"$installed/share/man/man1/portata.1" >"$root/usr/share/man/man1/portata.1.gz"
install -m 0644 debian/copyright "$root/usr/share/doc/portata/copyright"
install -m 0644 packaging/debian/lintian-overrides "$root/usr/share/lintian/overrides/portata"

# The changelog of this build: one entry, by the source package's maintainer.
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)
printf 'portata (%s) unstable; urgency=medium\n\n  * Upstream release %s, linked statically.\n\n -- %s  %s\n' \
  "$version" "$version" "$maintainer" "$(date -u -R -d "@$SOURCE_DATE_EPOCH")" |
  gzip -9n >"$root/usr/share/doc/portata/changelog.gz"
chmod 0644 "$root"/usr/share/man/man1/* "$root"/usr/share/doc/portata/*

# The control file from debian/control's paragraphs, for this architecture
# and version; the binary's library dependencies are none (static), and
# the Debian source version it would name is not this build's source.
dpkg-gencontrol -cdebian/control -ldebian/changelog -f"$work/files" -pportata -P"$root" \
  -v"$version" -DArchitecture="$arch" -V'misc:Depends=' -V'shlibs:Depends=' -USource 2>"$work/gencontrol.log" ||
  { cat "$work/gencontrol.log" >&2; exit 1; }
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum >DEBIAN/md5sums)
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

dpkg-deb --root-owner-group -Zxz --build "$root" "$out/portata_${version}_${arch}.deb" >/dev/null
echo "made $out/portata_${version}_${arch}.deb"
