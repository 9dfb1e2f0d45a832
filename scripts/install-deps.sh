#!/usr/bin/env bash
# Installs the Debian packages that building and testing quorvel need.
# Runs as root, or through sudo when started by another user.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  nlohmann-json3-dev libcli11-dev
  googletest libgtest-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev valgrind
  doxygen dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900 update -q
"${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${missing[@]}"
