#!/bin/sh
# Startup: one `quorvel to-dnc` on the embedded default workstation against a
# C++ hello-world built with the same compiler and flags. Counts the CPU time
# (user + system, from wait4) of ROUNDS rounds of 25 runs of each, the two
# taking turns so that a change in the load of the machine meets both alike.
#   scripts/bench-startup.sh [ROUNDS]   (default 8)
set -eu
ROUNDS=${1:-8}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
cmake --preset default > /dev/null
cmake --build --preset default --target quorvel_cli > /dev/null
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
printf '#include <iostream>\nint main() { std::cout << "hello\\n"; }\n' > "$WORK/hello.cpp"
c++ -std=c++20 -O2 -g -DNDEBUG "$WORK/hello.cpp" -o "$WORK/hello"
/usr/bin/python3 - "$ROUNDS" "$ROOT/build/default/quorvel" "$WORK/hello" <<'PY'
import os, statistics, sys
rounds, quorvel, hello = int(sys.argv[1]), sys.argv[2], sys.argv[3]
programs = {"quorvel": [quorvel, "to-dnc", "F:\\x"], "hello-world": [hello]}
null = os.open(os.devnull, os.O_WRONLY)

def cpu(argv):
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=[(os.POSIX_SPAWN_DUP2, null, 1)])
    _, status, usage = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{argv[0]} failed")
    return usage.ru_utime + usage.ru_stime

for argv in programs.values():  # warm the page cache
    cpu(argv)
times = {name: [] for name in programs}
for _ in range(rounds):
    for name, argv in programs.items():
        times[name] += [cpu(argv) for _ in range(25)]
mean = {name: statistics.mean(t) * 1e3 for name, t in times.items()}
median = {name: statistics.median(t) * 1e3 for name, t in times.items()}
for name in programs:
    print(f"{name:12} {mean[name]:.3f} ms CPU per run, median {median[name]:.3f} ms ({len(times[name])} runs)")
print(f"ratio        {mean['quorvel'] / mean['hello-world']:.2f} (of the means), "
      f"{median['quorvel'] / median['hello-world']:.2f} (of the medians)")
PY
