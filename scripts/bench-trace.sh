#!/bin/sh
# What the trace calls cost while tracing is off: the conversion benchmarks
# of the normal build (build/default) against a build whose library has its
# trace calls compiled out (build/notrace, QUORVEL_TRACE_COMPILED_OUT=ON).
# Prints the median CPU time of each and the difference in per cent.
#   scripts/bench-trace.sh [REPETITIONS]   (default 15)
set -eu
REPS=${1:-15}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
cmake --preset default > /dev/null
cmake --build --preset default --target quorvel_bench > /dev/null
cmake -S . -B build/notrace -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_TRACE_COMPILED_OUT=ON \
    -DQUORVEL_BUILD_TESTS=OFF > /dev/null
cmake --build build/notrace --target quorvel_bench > /dev/null
FILTER='BM_ConvRes2DNC|BM_ConvDNCtoMAP'
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# Interleaved runs, so that a change in the machine's load meets both.
for i in $(seq 1 "$REPS"); do
    build/default/quorvel_bench --benchmark_filter="$FILTER" --benchmark_format=json > "$WORK/on.$i.json"
    build/notrace/quorvel_bench --benchmark_filter="$FILTER" --benchmark_format=json > "$WORK/off.$i.json"
done
/usr/bin/python3 - "$WORK" "$REPS" <<'PY'
import json, statistics, sys
work, reps = sys.argv[1], int(sys.argv[2])
def times(kind):
    out = {}
    for i in range(1, reps + 1):
        for b in json.load(open(f"{work}/{kind}.{i}.json"))["benchmarks"]:
            out.setdefault(b["name"], []).append(b["cpu_time"])
    return {k: statistics.median(v) for k, v in out.items()}
on, off = times("on"), times("off")
print("%-32s %14s %14s %8s" % ("benchmark", "normal (ns)", "no trace (ns)", "cost"))
for name in on:
    print("%-32s %14.1f %14.1f %7.1f%%" % (name, on[name], off[name], 100 * (on[name] / off[name] - 1)))
PY
