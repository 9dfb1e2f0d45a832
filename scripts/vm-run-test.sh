#!/usr/bin/env bash
# Tests of scripts/vm-run.sh: what a command writes and its exit status come
# back from the machine, the folders and the environment are the caller's,
# a 32-bit program runs there, and a guest that crashes, a kernel fault in
# the guest, a command killed by a signal and a command that runs out of time
# each give their own status, never success. Each case boots a machine (a
# few seconds on idle cores).
set -uo pipefail
cd "$(dirname "$0")/.."
vm=$PWD/scripts/vm-run.sh

passed=0 failed=0 skipped=0
t=$(mktemp -d /tmp/quorvel-vm-test.XXXXXX)
trap 'rm -rf "$t"' EXIT

# check NAME CONDITION...: one verdict per case.
check() {
  local name=$1
  shift
  if "$@"; then
    echo "ok - $name"
    passed=$((passed + 1))
  else
    echo "FAIL - $name"
    echo "  stdout: $(sed 's/^/  | /' "$t/out")"
    echo "  stderr: $(sed 's/^/  | /' "$t/err")"
    failed=$((failed + 1))
  fi
}
# has FILE PATTERN...: FILE holds a line matching each PATTERN.
has() {
  local file=$1 p
  shift
  for p in "$@"; do grep -q -- "$p" "$file" || return 1; done
}
# vm [VAR=VALUE]... -- ARG...: runs vm-run.sh, keeps its output, status in rc.
vm() {
  local env=()
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  env "${env[@]}" "$vm" "$@" >"$t/out" 2>"$t/err"
  rc=$?
}

echo "== usage =="
vm -- ; check "no command: usage error 2 without a boot" \
  test "$rc" = 2 -a "$(grep -c usage "$t/err")" = 1

mkdir "$t/elsewhere"
cd "$t/elsewhere"
vm -- -w "$OLDPWD/scripts" true
cd - >/dev/null
check "a current folder the machine cannot see: error 2 without a boot" \
  test "$rc" = 2 -a "$(grep -c "is not in the machine" "$t/err")" = 1

echo "== output, status, folders, environment =="
mkdir "$t/share"
echo "from the host" >"$t/share/from-host"
probe=/usr/share/vm-run-test-probe-$$
# shellcheck disable=SC2016
script='
pwd
echo "$QV_PROBE"
cat from-host
echo "to stderr" >&2
[ -t 1 ] && echo "stdout is a terminal" || echo "stdout is not a terminal"
echo "from the guest" >from-guest
touch "$1" && echo "root writable"
exit 7'
cd "$t/share"
vm QV_PROBE='a b $c' QUORVEL_VM_KERNEL_LOG="$t/kernel.log" -- -w "$t/share" sh -c "$script" sh "$probe"
cd - >/dev/null
expected="$t/share
a b \$c
from the host
to stderr
stdout is not a terminal
root writable"
check "status 7 comes back" test "$rc" = 7
check "stdout and stderr come back in order, through a pipe, in the caller's folder and environment" \
  test "$(cat "$t/out")" = "$expected"
check "a file written in the shared folder is on the host" test "$(cat "$t/share/from-guest" 2>&1)" = "from the guest"
check "the host's root stays unchanged" test ! -e "$probe"
check "QUORVEL_VM_KERNEL_LOG keeps the guest kernel's log" has "$t/kernel.log" 'Linux version'


# The remaining cases share $t and run in it, wherever the checkout lies.
cd "$t"
echo "== machine size, what the command leaves running, a 32-bit program =="
# shellcheck disable=SC2016
script='
nproc
sed -n "s/^MemTotal: *\([0-9]*\) kB/\1/p" /proc/meminfo
sleep 1000 &
if [ -x /lib/ld-linux.so.2 ]; then /lib/ld-linux.so.2 --version | head -1; else echo "no i386 loader"; fi'
vm QUORVEL_VM_CPUS=2 QUORVEL_VM_MEMORY=1G QUORVEL_VM_TIMEOUT=300 -- -w "$t" sh -c "$script"
check "a background process left running does not hold the machine" test "$rc" = 0
check "QUORVEL_VM_CPUS gives the guest its CPUs" test "$(sed -n 1p "$t/out")" = 2
mem=$(sed -n 2p "$t/out")
check "QUORVEL_VM_MEMORY gives the guest its memory" test "${mem:-0}" -gt 800000 -a "${mem:-0}" -le 1048576
if grep -q "no i386 loader" "$t/out"; then
  echo "skip - a 32-bit program runs in the guest (no /lib/ld-linux.so.2 on this host)"
  skipped=$((skipped + 1))
else
  check "a 32-bit program runs in the guest" has "$t/out" 'ld.so (.*GLIBC' 
fi

echo "== a command killed by a signal =="
# shellcheck disable=SC2016
vm -- -w "$t" sh -c 'echo before; kill -KILL $$'
check "a command killed by SIGKILL gives 137" test "$rc" = 137 -a "$(cat "$t/out")" = before

echo "== a crash in the guest =="
vm -- -w "$t" sh -c 'echo c >/proc/sysrq-trigger; echo survived'
check "a kernel crash gives 125, not the command's status" test "$rc" = 125
check "it says the machine ended without a status and shows the kernel's last messages" \
  has "$t/err" "ended without a status" "Kernel panic"
check "the crash interrupted the command" test "$(grep -c survived "$t/out")" = 0

echo "== a kernel fault in the guest while the command succeeds =="
if [ -x /usr/lib/wine/wine ]; then
  # With SMAP on, the software CPU makes the guest kernel fault in every Wine
  # process; the command itself ignores that and exits 0.
  vm QUORVEL_VM_CPU=max QUORVEL_VM_TIMEOUT=300 -- -w "$t" sh -c \
    'mkdir /tmp/p; WINEDEBUG=-all WINEPREFIX=/tmp/p WINEARCH=win32 /usr/lib/wine/wine wineboot; echo done; exit 0'
  check "a kernel fault gives 125 although the command gave 0" test "$rc" = 125 -a "$(tail -1 "$t/out")" = done
  check "it says so and shows the fault" has "$t/err" "guest kernel reported a fault" "Oops: "
else
  echo "skip - a kernel fault in the guest (no 32-bit Wine, /usr/lib/wine/wine, on this host)"
  skipped=$((skipped + 1))
fi

echo "== the time limit =="
vm QUORVEL_VM_TIMEOUT=30 -- -w "$t" sleep 1000
check "a command that outlasts QUORVEL_VM_TIMEOUT gives 124" test "$rc" = 124
check "it says so" has "$t/err" "time limit of 30 s"

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
