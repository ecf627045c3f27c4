#!/usr/bin/env bash
# Checks a release in dist/ as a user would meet it: every file that
# packaging/platforms names there and SHA256SUMS right; lintian clean on
# every Debian package; each Linux tarball's program answering 60 km for
# 100 and 25 (under its emulator where it is not this machine's); and each
# Debian package whose architecture this machine can run installed with apt
# into a fresh Debian 12 root that has no compiler (amd64 natively, armhf
# under qemu-arm through binfmt_misc), run in a terminal and in a pipe, its
# man page read, then purged with nothing of it left. Where a fresh root
# cannot be made (no way to Debian's packages, no emulator registered) it
# says so loudly and checks the rest.
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

# The rows of packaging/platforms: platform preset archive deb runner.
mapfile -t platforms < <(grep -v -e '^#' -e '^$' packaging/platforms)
debs=()
for row in "${platforms[@]}"; do
  read -r platform preset archive deb runner <<<"$row"
  [[ $deb == - ]] || debs+=("portata_${version}_$deb.deb")
done

step "every file of the release, and SHA256SUMS"
expected=("$name.tar.gz" portata.rb SHA256SUMS "${debs[@]}")
for row in "${platforms[@]}"; do
  read -r platform preset archive deb runner <<<"$row"
  expected+=("$name-$platform.$archive")
done
for file in "${expected[@]}"; do
  [[ -s $dist/$file ]] || { echo "missing from dist/: $file" >&2; exit 1; }
done
(cd "$dist" && sha256sum --strict -c SHA256SUMS)
for file in "${expected[@]}"; do
  [[ $file == SHA256SUMS ]] || grep -q "  $file\$" "$dist/SHA256SUMS" || { echo "not in SHA256SUMS: $file" >&2; exit 1; }
done
for row in "${platforms[@]}"; do
  read -r platform preset archive deb runner <<<"$row"
  if [[ $archive == zip ]]; then
    listing=$(unzip -Z1 "$dist/$name-$platform.zip" | LC_ALL=C sort | tr '\n' ' ')
    want="$name/ $name/LICENSE $name/README.md $name/portata.exe $name/portata.txt "
  else
    listing=$(tar -tzf "$dist/$name-$platform.tar.gz" | LC_ALL=C sort | tr '\n' ' ')
    want="$name/ $name/LICENSE $name/README.md $name/portata $name/portata.1 "
  fi
  [[ $listing == "$want" ]] || { echo "$name-$platform.$archive holds: $listing" >&2; exit 1; }
done

step "lintian on every package (no error, no warning)"
lintian --fail-on error,warning --display-info "${debs[@]/#/$dist/}"

step "the Linux tarballs' programs"
for row in "${platforms[@]}"; do
  read -r platform preset archive deb runner <<<"$row"
  [[ $runner != - ]] || continue
  mkdir -p "$work/$platform"
  tar -xzf "$dist/$name-$platform.tar.gz" -C "$work/$platform"
  program=$work/$platform/$name/portata
  if [[ $runner == native ]]; then
    answers_60_km "$program"
  elif command -v "$runner" >/dev/null; then
    answers_60_km "$runner" "$program"
  else
    loud "${runner^^} IS MISSING: the $platform tarball's program was NOT RUN."
    continue
  fi
  echo "$platform ($runner): 60 km"
done

# Installs, runs and purges the package of one Debian architecture in a
# fresh Debian 12 root of that architecture, and reads its man page there
# when asked (man-db comes with it; an emulated root takes long enough
# without it, and the page is the same on every architecture).
check_in_fresh_root() {
  local arch=$1 read_man=$2 root=$work/root-$1 mirror include=()
  local deb=portata_${version}_$arch.deb
  [[ $read_man == with-man ]] && include=(--include=man-db)
  if ! mirror=$(packaging/debian/mirror.sh); then
    loud "THIS MACHINE HAS NO APT SOURCE FOR DEBIAN: the $arch .deb was NOT installed," \
      "run and removed. Everything else above was checked."
    return
  fi
  if ! mmdebstrap --variant=minbase --arch="$arch" "${include[@]}" --skip=cleanup/apt/lists \
    bookworm "$root" "$mirror" >"$work/mmdebstrap-$arch.log" 2>&1; then
    tail -5 "$work/mmdebstrap-$arch.log"
    loud "NO FRESH DEBIAN $arch ROOT COULD BE MADE (mmdebstrap failed: Debian's packages" \
      "unreachable from $mirror?): the $arch .deb was NOT installed, run and removed." \
      "Everything else above was checked."
    return
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
  cp "$dist/$deb" "$root/tmp/"
  in_root apt-get -o Dpkg::Use-Pty=0 install -y -q "/tmp/$deb"
  rm "$root/tmp/$deb"
  in_root dpkg -L portata

  answers_60_km in_root portata
  echo "$arch, in a pipe: 60 km"

  # In a terminal: tmux's pane is the pseudo-terminal, portata runs in the root.
  tmux -L "$tmux_socket" -f /dev/null new-session -d -x 80 -y 25 \
    "chroot '$root' /usr/bin/env -i TERM=xterm PATH=/usr/bin:/bin portata; echo exit=\$?; sleep 600"
  pane() { tmux -L "$tmux_socket" capture-pane -p; }
  wait_for() {
    local deadline=$((SECONDS + 120))
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
  echo "$arch, in a terminal: 60 km, then exit status 0 after a key"
  tmux -L "$tmux_socket" kill-server

  if [[ $read_man == with-man ]]; then
    page=$(in_root man -P cat portata 2>&1)
    grep -q 'optical range of an FM radio link' <<<"$page" && grep -q 'COPYRIGHT' <<<"$page" ||
      { echo "$page" | head -20; echo "man portata did not show the page" >&2; exit 1; }
    echo "$arch, man portata: the page, its COPYRIGHT section included"
  fi

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
  echo "$arch, purged: nothing left"
  rm -rf "$root"
}

step "the amd64 package in a fresh Debian 12 root"
check_in_fresh_root amd64 with-man

# An armhf root runs its programs (dpkg's scripts, apt, portata) through
# qemu-arm, which the kernel starts for them when binfmt_misc has it
# registered with the F flag (Debian's qemu-user-static and binfmt-support).
step "the armhf package in a fresh Debian 12 armhf root, under qemu-arm"
binfmt=/proc/sys/fs/binfmt_misc/qemu-arm
if [[ -r $binfmt ]] && grep -q '^enabled' "$binfmt" && grep -q '^flags:.*F' "$binfmt"; then
  check_in_fresh_root armhf without-man
else
  loud "THE KERNEL CANNOT RUN ARMHF PROGRAMS HERE (no qemu-arm registered in binfmt_misc" \
    "with the F flag: install qemu-user-static and binfmt-support, with binfmt_misc" \
    "mounted): the armhf .deb was NOT installed in an armhf root. Its program did" \
    "run under qemu-arm above where qemu-arm was found."
fi
step "all checked"
