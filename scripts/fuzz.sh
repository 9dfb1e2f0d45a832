#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang-14) and runs each one
# either for a given time or for a given number of executions.
#
#   scripts/fuzz.sh --time 600 [--parallel 2] [target ...]
#   scripts/fuzz.sh --runs 2000 [target ...]
#
# Each target starts from its seed corpus in fuzz/corpus/<target> and keeps
# what it learns in build/fuzz/corpus/<target>; crash inputs land in
# build/fuzz/artifacts/<target>/. The script fails when any target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=""
amount=""
parallel=1
targets=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --time) mode=time; amount="$2"; shift 2 ;;
    --runs) mode=runs; amount="$2"; shift 2 ;;
    --parallel) parallel="$2"; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [[ -z "$mode" || ! "$amount" =~ ^[0-9]+$ || ! "$parallel" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: fuzz.sh (--time SECONDS | --runs N) [--parallel P] [target ...]" >&2
  exit 2
fi

build=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build "$build" --target fuzz_targets -j2

if [[ ${#targets[@]} -eq 0 ]]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_one() {
  local t="$1"
  local work="$build/corpus/$t" artifacts="$build/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  local limit
  if [[ "$mode" == time ]]; then limit="-max_total_time=$amount"; else limit="-runs=$amount"; fi
  local log="$build/$t.log"
  if "$build/$t" "$limit" -max_len=4096 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    echo "$t: ok, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') executions"
  else
    echo "$t: FAILED (see $log, inputs in $artifacts)"
    tail -n 30 "$log"
    return 1
  fi
}

for t in "${targets[@]}"; do
  if [[ ! -x "$build/$t" ]]; then echo "fuzz.sh: no target $t" >&2; exit 2; fi
done

status=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [[ ${#pids[@]} -ge $parallel ]]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
