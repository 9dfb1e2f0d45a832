#!/usr/bin/env bash
# Builds the test programs (Debug, no sanitizers) in build/memcheck and runs
# each one under Valgrind memcheck: any invalid access, use of uninitialised
# memory or leak (definite or possible) fails the run.
#
#   scripts/memcheck.sh [--build DIR] [program ...]   (default: every test program)
#
# The fault sweep replaces operator new with its counting one; Valgrind is
# told to leave a program's own allocation functions alone
# (somalloc=nouserintercepts) and still watches the malloc they call.
#
# --build DIR reuses a configured build folder without sanitizers (such as
# build/default after `cmake --workflow --preset test`) instead of
# configuring build/memcheck.
set -euo pipefail
cd "$(dirname "$0")/.."

build=""
if [[ "${1:-}" == "--build" ]]; then
  build="$2"
  shift 2
fi
programs=("$@")
if [[ ${#programs[@]} -eq 0 ]]; then
  programs=(quorvel_sim_tests quorvel_trace_tests quorvel_module_tests quorvel_library_tests
            quorvel_cli_tests quorvel_hardening_tests quorvel_fault_tests)
fi

if [[ -z "$build" ]]; then
  build=build/memcheck
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=OFF \
    -DQUORVEL_BUILD_BENCHMARKS=OFF >/dev/null
elif grep -q '^QUORVEL_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  echo "memcheck.sh: $build is built with sanitizers; Valgrind needs a plain build" >&2
  exit 2
fi
cmake --build "$build" -j2 --target "${programs[@]}" quorvel_cli

status=0
for p in "${programs[@]}"; do
  log="$build/memcheck-$p.log"
  echo "== valgrind $p"
  if valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,possible \
       --soname-synonyms=somalloc=nouserintercepts \
       --error-exitcode=1 --track-origins=yes --log-file="$log" \
       "$build/$p" --gtest_brief=1 >"$build/memcheck-$p.out" 2>&1; then
    echo "   clean ($(grep -m1 -o 'ERROR SUMMARY: [0-9]* errors' "$log"))"
  else
    echo "   FAILED: see $log and $build/memcheck-$p.out"
    grep -E 'ERROR SUMMARY|definitely lost|possibly lost|Invalid|uninitialised' "$log" | head -n 20 || true
    tail -n 5 "$build/memcheck-$p.out"
    status=1
  fi
done
exit $status
