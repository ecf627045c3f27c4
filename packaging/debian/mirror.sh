#!/usr/bin/env bash
# Prints the address of this machine's source of Debian's packages: the apt
# source whose label is Debian (the main archive, not its security or
# updates suites), as apt reads the machine's sources. Prints nothing, and
# fails, where the machine has none. The fresh Debian roots of the checks
# take their packages from there, so no host is written into a script.
set -euo pipefail
mirror=$(apt-get indextargets --format '$(LABEL) $(REPO_URI)' 2>/dev/null | awk '$1 == "Debian" { print $2; exit }')
[[ -n $mirror ]] && echo "$mirror"
