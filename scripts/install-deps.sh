#!/usr/bin/env bash
# Installs the Debian packages that building and testing quorvel need.
# Runs as root, or through sudo when started by another user.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"

packages=(
  cmake ninja-build g++ make pkg-config
  nlohmann-json3-dev libcli11-dev
  googletest libgtest-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev valgrind
  python3 python3-jsonschema
  doxygen dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# An index that fails to download (a mirror out of step for one suite or
# architecture) is reported but does not stop the install: the packages
# come from the lists that did load.
apt_get update -q || echo "install-deps: apt-get update reported errors; going on with the lists it has" >&2
apt_get install -y -q --no-install-recommends "${missing[@]}"
