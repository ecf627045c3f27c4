#!/usr/bin/env bash
# Checks a release in dist/ as a user would meet it: every file there and
# SHA256SUMS right; lintian clean on both Debian packages; each Linux
# tarball's program answering 60 km for 100 and 25 (the arm64 one under
# qemu-aarch64); and the amd64 package installed with apt into a fresh
# Debian 12 root that has no compiler, run in a terminal and in a pipe, its
# man page read, then purged with nothing of it left. Where the fresh root
# cannot be made (no way to Debian's packages) or qemu is missing, it says
# so loudly and checks the rest.
#   packaging/install-check.sh VERSION [DIST_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
version=${1:?usage: packaging/install-check.sh VERSION [DIST_DIR]}
dist=$(realpath "${2:-dist}")
name=portata-$version
work=$(mktemp -d)
tmux_socket=portata-install-check-$$
cleanup() {
  tmux -L "$tmux_socket" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "== install-check: $*"; }
loud() {
  echo "=================================================================="
  printf '%s\n' "$@"
  echo "=================================================================="
}

# The range line of a whole run in a pipe, or nothing.
answers_60_km() { printf '100\n25\n' | "$@" | grep -q ' 60 km '; }

step "every file of the release, and SHA256SUMS"
expected=("$name-linux-x86_64.tar.gz" "$name-linux-arm64.tar.gz" "$name-macos-arm64.tar.gz"
  "$name-macos-x86_64.tar.gz" "$name-windows-x86_64.zip" "portata_${version}_amd64.deb"
  "portata_${version}_arm64.deb" "$name.tar.gz" SHA256SUMS)
for file in "${expected[@]}"; do
  [[ -s $dist/$file ]] || { echo "missing from dist/: $file" >&2; exit 1; }
done
(cd "$dist" && sha256sum --strict -c SHA256SUMS)
for file in "${expected[@]}"; do
  [[ $file == SHA256SUMS ]] || grep -q "  $file\$" "$dist/SHA256SUMS" || { echo "not in SHA256SUMS: $file" >&2; exit 1; }
done
for archive in "$dist"/$name-*.tar.gz; do
  listing=$(tar -tzf "$archive" | LC_ALL=C sort | tr '\n' ' ')
  [[ $listing == "$name/ $name/LICENSE $name/README.md $name/portata $name/portata.1 " ]] ||
    { echo "$archive holds: $listing" >&2; exit 1; }
done
listing=$(unzip -Z1 "$dist/$name-windows-x86_64.zip" | LC_ALL=C sort | tr '\n' ' ')
[[ $listing == "$name/ $name/LICENSE $name/README.md $name/portata.exe $name/portata.txt " ]] ||
  { echo "the Windows zip holds: $listing" >&2; exit 1; }

step "lintian on both packages (no error, no warning)"
lintian --fail-on error,warning --display-info "$dist/portata_${version}_amd64.deb" "$dist/portata_${version}_arm64.deb"

step "the Linux tarballs' programs"
for platform in linux-x86_64 linux-arm64; do
  mkdir -p "$work/$platform"
  tar -xzf "$dist/$name-$platform.tar.gz" -C "$work/$platform"
done
answers_60_km "$work/linux-x86_64/$name/portata"
echo "linux-x86_64: 60 km"
if command -v qemu-aarch64 >/dev/null; then
  answers_60_km qemu-aarch64 "$work/linux-arm64/$name/portata"
  echo "linux-arm64 (qemu-aarch64): 60 km"
else
  loud "QEMU-AARCH64 IS MISSING: the linux-arm64 tarball's program was NOT RUN."
fi

step "the amd64 package in a fresh Debian 12 root"
root=$work/root
# The mirror is given, not read from standard input (CI has none).
if ! mmdebstrap --variant=minbase --include=man-db --skip=cleanup/apt/lists \
  bookworm "$root" http://deb.debian.org/debian >"$work/mmdebstrap.log" 2>&1; then
  tail -5 "$work/mmdebstrap.log"
  loud "NO FRESH DEBIAN ROOT COULD BE MADE (mmdebstrap failed: Debian's packages" \
    "unreachable?): the .deb was NOT installed, run and removed." \
    "Everything else above was checked."
  exit 0
fi
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
# A minimal image may keep man pages and docs out (dpkg path-exclude, as
# Debian's container images do); the package's own are let in again.
printf 'path-include=/usr/share/man/man1/portata.1.gz\npath-include=/usr/share/doc/portata/*\n' \
  >"$root/etc/dpkg/dpkg.cfg.d/zz-keep-package-docs"
if in_root sh -c 'command -v cc || command -v gcc || command -v g++ || command -v c++ || command -v clang'; then
  echo "the fresh root has a compiler" >&2
  exit 1
fi
(cd "$root" && find . -xdev | LC_ALL=C sort) >"$work/before"
cp "$dist/portata_${version}_amd64.deb" "$root/tmp/"
in_root apt-get -o Dpkg::Use-Pty=0 install -y -q "/tmp/portata_${version}_amd64.deb"
rm "$root/tmp/portata_${version}_amd64.deb"
in_root dpkg -L portata

answers_60_km in_root portata
echo "in a pipe: 60 km"

# In a terminal: tmux's pane is the pseudo-terminal, portata runs in the root.
tmux -L "$tmux_socket" -f /dev/null new-session -d -x 80 -y 25 \
  "chroot '$root' /usr/bin/env -i TERM=xterm PATH=/usr/bin:/bin portata; echo exit=\$?; sleep 600"
pane() { tmux -L "$tmux_socket" capture-pane -p; }
wait_for() {
  local deadline=$((SECONDS + 60))
  until pane | grep -q "$1"; do
    ((SECONDS < deadline)) || { pane; echo "no '$1' in the terminal" >&2; exit 1; }
    sleep 0.2
  done
}
wait_for 'Antenna TX'
tmux -L "$tmux_socket" send-keys 100 Enter
wait_for 'Antenna RX'
tmux -L "$tmux_socket" send-keys 25 Enter
wait_for ' 60 km'
tmux -L "$tmux_socket" send-keys x
wait_for 'exit=0'
echo "in a terminal: 60 km, then exit status 0 after a key"
tmux -L "$tmux_socket" kill-server

page=$(in_root man -P cat portata 2>&1)
grep -q 'optical range of an FM radio link' <<<"$page" && grep -q 'COPYRIGHT' <<<"$page" ||
  { echo "$page" | head -20; echo "man portata did not show the page" >&2; exit 1; }
echo "man portata: the page, its COPYRIGHT section included"

in_root apt-get -o Dpkg::Use-Pty=0 purge -y -q portata
(cd "$root" && find . -xdev | LC_ALL=C sort) >"$work/after"
# What the package leaves: any path not there before it came, or named
# after it. The logs and caches of apt, dpkg and man-db change with any
# package and are not its own (man-db keeps the page it formatted above in
# /var/cache/man until its daily clean-up).
left=$( (comm -13 "$work/before" "$work/after"; cd "$root" && find . -xdev -name '*portata*') |
  grep -v -E '^\./var/(log|cache)/|^\./var/lib/apt/lists/' || true)
if [[ -n $left ]]; then
  echo "left after purging portata:" >&2
  echo "$left" >&2
  exit 1
fi
echo "purged: nothing left"
step "all checked"
