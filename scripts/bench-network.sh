#!/bin/sh
# What conversions cost where every platform call is a network round trip.
# The simulation counts every call (quorvel --stats --json) and can spend a
# latency on each (the workstation's "latency").
#
#   scripts/bench-network.sh [N] [LATENCY_US] [QUORVEL] [BASELINE]
#
# 1. Platform calls per name, for each kind of name, on the default
#    workstation and on a generated network of 30,000 servers and 10,000 NDS
#    containers: one by one (names as arguments), and in a batch (names from
#    standard input) for the first name of its kind (cold) and for each of
#    the 1,000 after it (warm); the lists are built by a name before.
# 2. A catalogue of N NDS names (default 1,000,000) over 1,000 distinct
#    containers: with every network call taking LATENCY_US microseconds
#    (default 1000) the names per second and platform calls per name, wall
#    time; without latency the CPU seconds (best of three), and those of
#    BASELINE (another build's quorvel, optional, run interleaved) on the
#    same names, whose outputs must agree.
set -eu
N=${1:-1000000}
LATENCY=${2:-1000}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
QUORVEL=${3:-$ROOT/build/default/quorvel}
BASELINE=${4:-}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
unset QUORVEL_WORKSTATION
DEFAULT=$ROOT/platform/sim/DefaultWorkstation.json
python3 "$ROOT/bench/make_workstation.py" "$DEFAULT" network 10000 > "$WORK/network.json"
python3 "$ROOT/bench/make_workstation.py" "$DEFAULT" containers 1000 > "$WORK/catalogue.json"
python3 "$ROOT/bench/make_workstation.py" "$DEFAULT" containers 1000 --latency "$LATENCY" > "$WORK/slow.json"

/usr/bin/python3 - "$QUORVEL" "$WORK" "$N" "$LATENCY" "$BASELINE" "$DEFAULT" <<'PY'
import json, os, resource, subprocess, sys, time

quorvel, work, n, latency, baseline, default = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5], sys.argv[6]

def run(argv, names, workstation, binary=quorvel, stats=True):
    """Platform calls of one run (None without stats, which a baseline build
    may not have), its wall and CPU seconds, its output."""
    inp = "".join(x + "\n" for x in names).encode("cp1252")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    p = subprocess.run([binary, "--workstation", workstation] + (["--stats", "--json"] if stats else []) + argv,
                       input=inp, capture_output=True, check=not stats)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    calls = json.loads(p.stderr.decode().strip().splitlines()[-1])["stats"]["platform_calls"] if stats else None
    cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    return calls, wall, cpu, p.stdout

KINDS = {
    "drive path": lambda i: "F:\\REPORTS\\d%d\\f.txt" % i,
    "UNC, listed server": lambda i: "\\\\FS1\\PROJECTS\\d%d\\f.txt" % i,
    "UNC, unlisted server": lambda i: "\\\\NOBODY\\VOL\\d%d\\f.txt" % i,
    "NDS name": lambda i: "\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\d%d\\f.txt" % i,
    "DNC name (from-dnc)": lambda i: "\\\\NW1\\DATA\\d%d\\f.txt" % i,
}
WARMUP = ["\\\\BUILD01\\DROP\\lists", "F:\\lists"]  # builds the server list, then the mount list

print("platform calls per name (1,000 names of a kind after the lists are built)")
print("%-22s %-20s %12s %12s %12s" % ("workstation", "kind", "one by one", "batch, cold", "batch, warm"))
for label, ws in (("default", default), ("30,000 servers", work + "/network.json")):
    for kind, make in KINDS.items():
        command = ["from-dnc"] if kind.startswith("DNC") else ["to-dnc"]
        names = [make(i) for i in range(1001)]
        base, _, _, _ = run(command + ["-"], WARMUP, ws)
        one, _, _, _ = run(command + WARMUP + names[:1000], [], ws)
        single = (one - run(command + WARMUP, [], ws)[0]) / 1000
        first, _, _, _ = run(command + ["-"], WARMUP + names[:1], ws)
        all_, _, _, _ = run(command + ["-"], WARMUP + names, ws)
        print("%-22s %-20s %12.3f %12d %12.4f" % (label, kind, single, first - base, (all_ - first) / 1000))

names = ["\\\\ACME_TREE\\Acme\\OU%05d\\NW1_DATA\\d%d\\f%d.doc" % (i % 1000, i % 97, i) for i in range(n)]
print()
print("catalogue of %d NDS names over 1,000 containers" % n)
calls, wall, cpu, out = run(["to-dnc", "-"], names, work + "/slow.json")
print("  %d us a network call: %.2f s wall, %.0f names/s, %d platform calls, %.4f per name"
      % (latency, wall, n / wall, calls, calls / n))
calls, _, _, _ = run(["to-dnc", "-"], names, work + "/catalogue.json")

def cpu_of(binary):
    """CPU seconds and output of `to-dnc -` over the catalogue, no latency."""
    _, _, cpu, out = run(["to-dnc", "-"], names, work + "/catalogue.json", binary, stats=False)
    return cpu, out

# Three rounds, interleaved with the baseline's, the best of each.
times, btimes = [], []
for _ in range(3):
    cpu, out = cpu_of(quorvel)
    times.append(cpu)
    if baseline:
        bcpu, bout = cpu_of(baseline)
        btimes.append(bcpu)
        if bout != out:
            sys.exit("the baseline's output differs")
cpu = min(times)
print("  no latency:  %.2f s CPU, %.0f names/s (CPU), %d platform calls" % (cpu, n / cpu, calls))
if baseline:
    bcpu = min(btimes)
    print("  baseline:    %.2f s CPU, %.0f names/s (CPU); same output; %.2fx the baseline's time"
          % (bcpu, n / bcpu, cpu / bcpu))
PY
