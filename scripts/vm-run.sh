#!/usr/bin/env bash
# vm-run.sh [-w DIR] COMMAND [ARG]...
#
# Runs COMMAND in a throw-away x86_64 virtual machine (QEMU's software CPU, no
# KVM) and hands back its output and exit status. The machine boots Debian's
# x86_64 kernel, whose IA-32 emulation runs 32-bit programs even where the
# host's kernel does not. Inside it:
#   - the host's root folder, read-only, under an overlay whose changes stay
#     in the machine's memory; empty tmpfs on /tmp, /var/tmp, /run, /dev/shm;
#   - DIR (default: the current folder) shared read-write at its own path, so
#     paths are the same inside and out;
#   - COMMAND runs as root in the current folder (which must lie in DIR when
#     it is under /tmp, /var/tmp, /run or /dev) with the caller's exported
#     environment, its standard input empty and its standard output and
#     error through one pipe (never a terminal). What it leaves running is
#     ended when it returns, then the machine powers off.
#
# Exit status: COMMAND's own; 124 when the time limit ran out; 125 when the
# machine ended without handing back a status (a panic in the guest, a failed
# start) or its kernel reported a fault (an oops) while COMMAND ran, whatever
# COMMAND returned; then the guest kernel's messages follow on standard error.
#
# Knobs (environment):
#   QUORVEL_VM_MEMORY      guest memory (default 3G)
#   QUORVEL_VM_CPUS        guest CPUs (default 1; on busy host cores one
#                          guest CPU runs faster than two)
#   QUORVEL_VM_CPU         QEMU's CPU model (default max,-smap: with SMAP the
#                          guest kernel faults in every Wine process under
#                          the software CPU)
#   QUORVEL_VM_TIMEOUT     time limit in seconds, boot included (default 3600)
#   QUORVEL_VM_KERNEL_LOG  file that receives the guest kernel's whole log
#   QUORVEL_VM_CACHE       where the kernel and initramfs are kept (default
#                          /var/cache/quorvel-vm, or ~/.cache/quorvel-vm for
#                          a user who cannot write there)
#
# The first run on a machine installs qemu-system-x86 and busybox-static
# with apt-get, fetches the kernel package that linux-image-amd64 names with
# `apt-get download`, unpacks it with `dpkg-deb -x` (nothing lands in /boot,
# no initramfs hook runs) and makes a small initramfs of busybox and the
# kernel's virtio, 9p and overlay modules; later runs reuse them.
set -euo pipefail

usage() { echo "usage: $0 [-w DIR] COMMAND [ARG]..." >&2; exit 2; }
here=$(pwd -P)
workdir=$here
while getopts w: opt; do
  case $opt in
    w) workdir=$(realpath -e -- "$OPTARG") ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
(($#)) || usage
[ -d "$workdir" ] && [ "$workdir" != / ] || { echo "vm-run: -w needs a folder other than /" >&2; exit 2; }
case $workdir in *[[:space:]]*) echo "vm-run: the folder's path holds a blank: $workdir" >&2; exit 2 ;; esac
# The machine has its own empty /tmp, /var/tmp, /run and /dev: a current
# folder there exists inside only when it lies in the shared folder.
case $here/ in
  "$workdir"/*) ;;
  /tmp/*|/var/tmp/*|/run/*|/dev/*|/proc/*|/sys/*)
    echo "vm-run: the current folder $here is not in the machine (it has its own /tmp, /var/tmp, /run and /dev); run from within $workdir or share this folder with -w" >&2
    exit 2 ;;
esac

memory=${QUORVEL_VM_MEMORY:-3G}
cpus=${QUORVEL_VM_CPUS:-1}
cpu=${QUORVEL_VM_CPU:-max,-smap}
time_limit=${QUORVEL_VM_TIMEOUT:-3600}
if [ -n "${QUORVEL_VM_CACHE:-}" ]; then
  cache=$QUORVEL_VM_CACHE
elif mkdir -p /var/cache/quorvel-vm 2>/dev/null && [ -w /var/cache/quorvel-vm ]; then
  cache=/var/cache/quorvel-vm
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvel-vm
fi

# The guest's modules, each after those it depends on (found from the
# depends= entries of the .ko files).
guest_modules=(virtio_pci 9pnet_virtio 9p overlay)

# /init of the initramfs: busybox sh as process 1.
read -r -d '' guest_init <<'INIT' || true
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
exec </dev/console >/dev/console 2>&1
fail() { echo "vm-run init: $*"; sync; reboot -f; }
for m in $(cat /modules/order); do insmod "/modules/$m.ko" || fail "insmod $m"; done

# cache=loose: with cache=none a Wine program run from the share crashes at
# start. Its writes are cached: they reach the host at the sync below.
opts=trans=virtio,version=9p2000.L,msize=262144,cache=loose
mkdir -p /host /rw /newroot
mount -t 9p -o "$opts,ro" hostroot /host || fail "mounting the host's root"
run=$(sed -n 's/.*quorvel\.run=\([^ ]*\).*/\1/p' /proc/cmdline)
cp "/host$run/workdir" "/host$run/command" / || fail "reading $run"
work=$(cat /workdir)

mount -t tmpfs -o size=75%,mode=755 rw /rw
mkdir /rw/upper /rw/work
mount -t overlay -o lowerdir=/host,upperdir=/rw/upper,workdir=/rw/work root /newroot || fail "overlay"
mount -t proc proc /newroot/proc
mount -t sysfs sys /newroot/sys
mount -t devtmpfs dev /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts devpts /newroot/dev/pts
mount -t tmpfs -o mode=1777 shm /newroot/dev/shm
mount -t tmpfs -o size=75%,mode=1777 tmp /newroot/tmp
mount -t tmpfs -o size=75%,mode=1777 tmp /newroot/var/tmp
mount -t tmpfs -o mode=755 run /newroot/run
mkdir -p "/newroot$work"
mount -t 9p -o "$opts" work "/newroot$work" || fail "mounting $work"
cp /command /newroot/run/vm-run-command

# The command's output reaches the host through a pipe to the second serial
# port: a program that finds a terminal would write escape sequences.
stty -F /dev/ttyS1 raw -echo
mkfifo /output
cat /output >/dev/ttyS1 &
relay=$!
# In the background: a shell reports a foreground command that a signal
# ended ("Killed") into that command's own output.
chroot /newroot /bin/bash /run/vm-run-command </dev/null >/output 2>&1 &
wait $!
status=$?
# End what the command left running (a server holding the pipe open).
for p in /proc/[0-9]*; do
  pid=${p#/proc/}
  [ "$pid" = 1 ] || [ "$pid" = "$relay" ] || kill -KILL "$pid" 2>/dev/null
done
wait "$relay"
sync
umount "/newroot$work" || echo "vm-run init: $work stays mounted"
echo "vm-run-status $status" >/dev/ttyS2
reboot -f
INIT

source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"
need=()
command -v qemu-system-x86_64 >/dev/null || need+=(qemu-system-x86)
[ -x /bin/busybox ] && /bin/busybox --list | grep -qx cpio || need+=(busybox-static)
if ((${#need[@]})); then
  echo "vm-run: installing ${need[*]}" >&2
  apt_get install -y -q --no-install-recommends "${need[@]}" >&2
fi

# The kernel package that linux-image-amd64 names, and its version, looked up
# again when apt's lists have changed.
kernel_package() {
  apt-cache show --no-all-versions linux-image-amd64 2>/dev/null |
    sed -n 's/^Depends:.*\(linux-image-[^ ,]*\) (= \([^)]*\)).*/\1 \2/p' | head -1
}
mkdir -p "$cache"
if [ ! -s "$cache/kernel" ] || [ /var/lib/apt/lists -nt "$cache/kernel" ]; then
  k=$(kernel_package)
  if [ -z "$k" ]; then
    apt_get update -q >&2 || echo "vm-run: apt-get update reported errors" >&2
    k=$(kernel_package)
  fi
  [ -n "$k" ] || { echo "vm-run: apt knows no kernel package that linux-image-amd64 depends on" >&2; exit 125; }
  echo "$k" >"$cache/kernel.new"
  mv "$cache/kernel.new" "$cache/kernel"
fi
read -r kpkg kver <"$cache/kernel"
kdir=$cache/${kpkg}_$kver
initrd=$kdir/initramfs-$(printf '%s' "$guest_init" | sha256sum | cut -c1-16).cpio

# Fetches and unpacks the kernel package (once per package) and makes the
# initramfs; any failure ends the script with 125.
fail_setup() { echo "vm-run: $*" >&2; rm -rf "$tmp" "$kdir.new"; exit 125; }
setup() {
  local ko name deps
  if [ ! -f "$kdir/vmlinuz" ] || [ ! -f "$kdir/modules/order" ]; then
    echo "vm-run: fetching $kpkg $kver" >&2
    (cd "$tmp" && apt-get -o APT::Sandbox::User=root download -q "$kpkg=$kver" >&2) ||
      fail_setup "cannot download $kpkg $kver"
    dpkg-deb -x "$tmp"/*.deb "$tmp/x" || fail_setup "cannot unpack $kpkg"
    grep -qx 'CONFIG_IA32_EMULATION=y' "$tmp"/x/boot/config-* ||
      fail_setup "$kpkg runs no 32-bit programs (CONFIG_IA32_EMULATION)"
    declare -A path=() seen=()
    while IFS= read -r ko; do
      name=$(basename "$ko" .ko)
      path[${name//-/_}]=$ko
    done < <(find "$tmp"/x/lib/modules -name '*.ko')
    rm -rf "$kdir.new"
    mkdir -p "$kdir.new/modules"
    # Depth first: a module goes into the list after what it depends on.
    add() {
      local m=$1 d deps
      [ -z "${seen[$m]:-}" ] || return 0
      seen[$m]=1
      [ -n "${path[$m]:-}" ] || fail_setup "$kpkg has no module $m"
      deps=$(tr '\0' '\n' <"${path[$m]}" | sed -n 's/^depends=//p' | head -1)
      for d in ${deps//,/ }; do add "${d//-/_}"; done
      cp "${path[$m]}" "$kdir.new/modules/$m.ko"
      echo "$m" >>"$kdir.new/modules/order"
    }
    for m in "${guest_modules[@]}"; do add "$m"; done
    cp "$tmp"/x/boot/vmlinuz-* "$kdir.new/vmlinuz"
    # The uncompressed kernel starts through its PVH entry point, skipping
    # the decompressor, which takes more than half of a boot on the software
    # CPU. Without PVH or an xz-compressed payload the compressed kernel boots.
    local at
    at=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$kdir.new/vmlinuz" | head -1 | cut -d: -f1)
    if grep -qx 'CONFIG_PVH=y' "$tmp"/x/boot/config-* && [ -n "$at" ] &&
       xz -dc --single-stream <(tail -c +$((at + 1)) "$kdir.new/vmlinuz") >"$tmp/vmlinux" 2>/dev/null &&
       [ "$(head -c 4 "$tmp/vmlinux" | od -An -tx1 | tr -d ' ')" = 7f454c46 ]; then
      mv "$tmp/vmlinux" "$kdir.new/vmlinux"
    fi
    rm -rf "$kdir"
    mv "$kdir.new" "$kdir"
  fi
  mkdir -p "$tmp/root/bin" "$tmp/root/proc" "$tmp/root/sys" "$tmp/root/dev"
  cp /bin/busybox "$tmp/root/bin/busybox"
  cp -r "$kdir/modules" "$tmp/root/modules"
  printf '%s\n' "$guest_init" >"$tmp/root/init"
  chmod 755 "$tmp/root/init"
  (cd "$tmp/root" && find . | /bin/busybox cpio -o -H newc 2>/dev/null) >"$initrd.new"
  mv "$initrd.new" "$initrd"
  rm -rf "$tmp"
  # What older kernels and older inits left.
  find "$cache" -mindepth 1 -maxdepth 1 -name 'linux-image-*' ! -path "$kdir" -exec rm -rf {} +
  find "$kdir" -maxdepth 1 -name 'initramfs-*' ! -path "$initrd" -delete
  echo "vm-run: kernel and initramfs in $kdir ($(tr '\n' ' ' <"$kdir/modules/order"))" >&2
}

if [ ! -f "$initrd" ]; then
  exec 9>"$cache/lock"
  flock 9
  if [ ! -f "$initrd" ]; then
    tmp=$(mktemp -d "$cache/setup.XXXXXX")
    trap 'rm -rf "$tmp" "$kdir.new"' EXIT
    setup
    trap - EXIT
  fi
  exec 9>&-
fi

# What the machine reads from the host's root at start: the folder to share
# and the command with the caller's environment and current folder.
run=$(mktemp -d /tmp/quorvel-vm.XXXXXX)
chmod 755 "$run"
qemu_pid=
cleanup() {
  [ -z "$qemu_pid" ] || kill "$qemu_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
printf '%s\n' "$workdir" >"$run/workdir"
{
  export -p | grep -Ev '^declare -x (PWD|OLDPWD|SHLVL|_)(=|$)'
  printf 'cd %q || exit 1\n' "$here"
  printf 'exec'
  printf ' %q' "$@"
  printf '\n'
} >"$run/command"

kernel=$kdir/vmlinuz
[ -f "$kdir/vmlinux" ] && kernel=$kdir/vmlinux
kernel_log=${QUORVEL_VM_KERNEL_LOG:-$run/kernel.log}
: >"$run/status"
set +e
timeout --kill-after=10 "$time_limit" qemu-system-x86_64 \
  -accel tcg,thread=multi -cpu "$cpu" -machine pc -m "$memory" -smp "$cpus" \
  -nodefaults -display none -nic none -no-reboot \
  -kernel "$kernel" -initrd "$initrd" \
  -append "console=ttyS0 panic=-1 quorvel.run=$run" \
  -chardev file,id=console,path="$kernel_log" -serial chardev:console \
  -chardev stdio,id=output,signal=off -serial chardev:output \
  -chardev file,id=status,path="$run/status" -serial chardev:status \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$workdir",mount_tag=work,security_model=none,multidevs=remap \
  </dev/null &
qemu_pid=$!
wait "$qemu_pid"
rc=$?
qemu_pid=
set -e

if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
  echo "vm-run: time limit of $time_limit s reached" >&2
  exit 124
fi
faults='BUG: |Oops: |kernel BUG |general protection fault'
kernel_fault="^\\[ *[0-9.]+\\] ($faults)"
kernel_trouble="^\\[ *[0-9.]+\\] (Kernel panic|$faults)"
status=$(sed -n 's/^vm-run-status \([0-9]*\)\r*$/\1/p' "$run/status")
if [ -z "$status" ]; then
  # From the first panic or fault on, else the last lines: a long call trace
  # must not push the panic's own message out of view.
  first=$(grep -n -m1 -E "$kernel_trouble" "$kernel_log" | cut -d: -f1) || true
  echo "vm-run: the machine ended without a status (qemu exit status $rc); the guest kernel's last messages:" >&2
  if [ -n "$first" ]; then sed -n "$first,$((first + 60))p" "$kernel_log"; else tail -n 40 "$kernel_log"; fi | tr -d '\r' >&2
  exit 125
fi
fault=$(grep -n -m1 -E "$kernel_fault" "$kernel_log" | cut -d: -f1) || true
if [ -n "$fault" ]; then
  echo "vm-run: the guest kernel reported a fault while the command ran (its status: $status):" >&2
  sed -n "$fault,$((fault + 30))p" "$kernel_log" | tr -d '\r' >&2
  exit 125
fi
exit "$status"
