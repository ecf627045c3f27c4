#!/usr/bin/env bash
# Checks the Debian source package (debian/) as Debian's archive would build
# it, in a fresh Debian 12 root made with mmdebstrap: the release's source
# archive as the upstream tarball (portata_VERSION.orig.tar.gz), its build
# dependencies from debian/control, `dpkg-buildpackage -us -uc` with the
# test suite, `lintian --pedantic` on the .dsc, .buildinfo and
# .deb with no error and no warning (every other tag shown), and the
# autopkgtest of debian/tests on the installed package with the null
# runner. First the facts the packaging repeats are checked against their
# one source: the upstream version (project(VERSION)) in debian/changelog,
# and LICENSE in debian/copyright. Where no fresh root can be made it says
# so loudly. The packages and logs are left in build/debian-source.
#   packaging/debian/source-check.sh VERSION [DIST_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
version=${1:?usage: packaging/debian/source-check.sh VERSION [DIST_DIR]}
dist=$(realpath "${2:-dist}")
out=$PWD/build/debian-source
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step() { echo "== debian-source-check: $*"; }
loud() {
  echo "=================================================================="
  printf '%s\n' "$@"
  echo "=================================================================="
}

step "debian/ says what the tree says"
debian_version=$(dpkg-parsechangelog -l debian/changelog -S Version)
if [[ ${debian_version%-*} != "$version" ]]; then
  echo "debian/changelog is at $debian_version, whose upstream part is not project(VERSION) $version:" >&2
  echo "add an entry with dch -v $version-1" >&2
  exit 1
fi
# LICENSE's notice and text, as the Expat paragraph of debian/copyright
# holds them (one space in, "." for an empty line).
licence_in_copyright=$(awk '/^License: Expat$/ { on = 1; next } !/^ / { on = 0 } on { sub(/^ /, ""); sub(/^\.$/, ""); print }' debian/copyright)
licence=$(sed -n '/^Permission/,$p' LICENSE)
holder=$(sed -n 's/^Copyright (c) //p' LICENSE)
if [[ $licence_in_copyright != "$licence" ]] || ! grep -qx "Copyright: $holder" debian/copyright; then
  echo "debian/copyright does not hold LICENSE's notice ($holder) and text" >&2
  exit 1
fi
echo "debian/changelog: $debian_version; debian/copyright: LICENSE's text, $holder"

source=$dist/portata-$version.tar.gz
[[ -s $source ]] || { echo "no $source: make the release first (cmake --workflow --preset dist)" >&2; exit 1; }
if ! mirror=$(packaging/debian/mirror.sh); then
  loud "THIS MACHINE HAS NO APT SOURCE FOR DEBIAN: the source package was NOT built and checked."
  exit 0
fi

# The steps inside the root, as root there (the build needs no root:
# Rules-Requires-Root: no).
# The upstream tarball holds no debian/ (.gitattributes keeps it out of the
# release's source archive): the tree's comes beside it, as the source
# package's own part.
mkdir -p "$work/srv"
cp "$source" "$work/srv/portata_$version.orig.tar.gz"
git ls-files --error-unmatch debian/control debian/rules >/dev/null
git ls-files -z debian | tar --null -T - -cf "$work/srv/debian.tar"
# Its result is the file status (0 when every step passed), read once the
# root's /srv is copied out.
cat >"$work/srv/steps.sh" <<EOF
#!/bin/sh
set -eu
cd /srv
export LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive
tar -xzf portata_$version.orig.tar.gz
tar -xf debian.tar -C portata-$version
echo "== build dependencies"
apt-get -o Dpkg::Use-Pty=0 build-dep -y -q ./portata-$version >build-dep.log
echo "== dpkg-buildpackage -us -uc"
(cd portata-$version && dpkg-buildpackage -us -uc) >build.log 2>&1 || { tail -60 build.log; exit 1; }
grep -E '^(100% tests passed|[0-9]+% tests passed)|tests failed' build.log || true
echo "== lintian --pedantic"
# Judged from the tags it prints: lintian's own --fail-on also counts an
# overridden warning once --show-overrides shows it. Indented, so that the
# log's filter of mmdebstrap's I: lines keeps lintian's.
lintian --pedantic --display-info --show-overrides --fail-on none \
  portata_$debian_version.dsc portata_${debian_version}_*.buildinfo \
  portata_${debian_version}_*.deb >lintian.log 2>&1 || { cat lintian.log; exit 1; }
sed 's/^/  /' lintian.log
if grep -q '^[EW]: ' lintian.log; then echo "lintian reports an error or a warning (above)"; exit 1; fi
echo "== autopkgtest (null runner)"
apt-get -o Dpkg::Use-Pty=0 install -y -q autopkgtest >/dev/null
autopkgtest --output-dir=/srv/autopkgtest portata_${debian_version}_*.deb portata_$debian_version.dsc -- null
EOF
printf '#!/bin/sh\nsh /srv/steps.sh\necho $? >/srv/status\n' >"$work/srv/check.sh"

step "a fresh Debian 12 root from $mirror: build, lintian, autopkgtest"
rm -rf "$out"
mkdir -p "$out"
mmdebstrap --variant=buildd --include=lintian --skip=cleanup/apt/lists \
  --customize-hook="copy-in $work/srv /" \
  --customize-hook='chroot "$1" sh /srv/check.sh' \
  --customize-hook="sync-out /srv $out" \
  bookworm "$work/root" "$mirror" >"$work/mmdebstrap.log" 2>&1 || true
rm -rf "$work/root"
if [[ ! -s $out/status ]]; then
  tail -20 "$work/mmdebstrap.log"
  loud "NO FRESH DEBIAN ROOT COULD BE MADE (mmdebstrap failed: Debian's packages" \
    "unreachable from $mirror?): the source package was NOT built and checked."
  exit 0
fi
grep -v -e '^I: ' "$work/mmdebstrap.log"
if [[ $(cat "$out/status") != 0 ]]; then
  echo "the source package failed its checks (above; its logs are in $out)" >&2
  exit 1
fi
step "built, lintian clean, autopkgtest passed: $(cd "$out" && ls -- *.dsc *.deb | tr '\n' ' ')"
