# Sourced by the scripts that install Debian packages or run dpkg: as root,
# or through sudo when started by another user.
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
# apt-get without questions, waiting for another apt run to let go of its lock.
apt_get() {
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900 "$@"
}
# Whether the package $1 is installed.
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
