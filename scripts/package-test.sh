#!/usr/bin/env bash
# The library as a client takes it. Builds and runs examples/installed-library-client/
#   1. against `cmake --install build/default --prefix TMP`, once with
#      find_package and once with pkg-config, and checks the installed tree
#      (headers, SONAME, RUNPATH, exported symbols, the quorvel command);
#   2. with quorvel's sources taken in by add_subdirectory and by FetchContent;
#   3. against the Debian packages of `cpack --preset package`, installed with
#      dpkg -i (and purged again afterwards unless they were installed before).
# Then builds the API reference (target docs: doxygen, no warnings).
# Needs build/default (cmake --workflow --preset test) and runs as root, or
# as a user who may sudo, on Debian 12 with ./scripts/install-deps.sh done.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD

work=$(mktemp -d /tmp/quorvel-package.XXXXXX)
installed_debs=()
cleanup() {
  if ((${#installed_debs[@]})); then
    echo "== purging ${installed_debs[*]} =="
    dpkg_wait --purge "${installed_debs[@]}" >/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

source scripts/lib/apt.sh
# dpkg, waiting while another installation holds its lock.
dpkg_wait() {
  local out
  for _ in $(seq 180); do
    out=$("${as_root[@]}" dpkg "$@" 2>&1) && { printf '%s\n' "$out"; return 0; }
    grep -qi 'lock' <<<"$out" || { printf '%s\n' "$out" >&2; return 1; }
    sleep 5
  done
  printf '%s\n' "$out" >&2
  return 1
}

fail() { echo "FAILED: $*" >&2; exit 1; }

# The consumer on the embedded default workstation: a mapped-drive path and
# a UNC path, each to its DNC name and back.
names=('F:\REPORTS\2026\summary.txt' '\\FS2\CAD\drawings\valve.dwg')
expected='F:\REPORTS\2026\summary.txt -> \\NW1\DATA\REPORTS\2026\summary.txt -> \\NW1\DATA\REPORTS\2026\summary.txt F:\REPORTS\2026\summary.txt
\\FS2\CAD\drawings\valve.dwg -> \\FS2\CAD\drawings\valve.dwg -> \\FS2\CAD\drawings\valve.dwg'
check_run() {  # check_run LABEL PROGRAM
  local got
  got=$(env -u QUORVEL_WORKSTATION "$2" "${names[@]}") || fail "$1: exit status $?"
  [ "$got" == "$expected" ] || fail "$1: printed
$got
expected
$expected"
  echo "$1: ok"
}

consumer_cmake() {  # consumer_cmake DIR [cmake arguments...]
  local dir=$1
  shift
  cmake -S examples/installed-library-client -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j2 >/dev/null
}

consumer_pkgconfig() {  # consumer_pkgconfig OUTPUT (PKG_CONFIG_PATH as set)
  local libdir
  libdir=$(pkg-config --variable=libdir quorvel)
  # shellcheck disable=SC2046
  g++ -std=c++20 -Wall -Werror examples/installed-library-client/main.cpp $(pkg-config --cflags --libs quorvel) \
    -Wl,-rpath,"$libdir" -o "$1"
}

echo "== cmake --install into a temporary prefix =="
[ -f build/default/CMakeCache.txt ] || fail "build/default missing: run cmake --workflow --preset test first"
cmake --build build/default -j2 --target quorvel quorvel_cli >/dev/null
prefix=$work/prefix
cmake --install build/default --prefix "$prefix" >/dev/null
lib=$(dirname "$(find "$prefix" -name 'libquorvel.so.1' -print -quit)")
[ -d "$lib" ] || fail "libquorvel.so.1 not installed"
for f in include/quorvel/NetResConvert.h include/quorvel/Win32Types.h include/quorvel/sim/Workstation.h \
         bin/quorvel; do
  [ -e "$prefix/$f" ] || fail "$f not installed"
done
[ ! -e "$prefix/include/quorvel/Win32Api.h" ] || fail "the platform boundary header is installed"
for f in cmake/quorvel/quorvelConfig.cmake cmake/quorvel/quorvelConfigVersion.cmake \
         cmake/quorvel/quorvelTargets.cmake pkgconfig/quorvel.pc libquorvel.so libquorvel_sim.so.1; do
  [ -e "$lib/$f" ] || fail "$f not installed in $lib"
done
readelf -d "$lib/libquorvel.so.1" | grep -q 'SONAME.*\[libquorvel\.so\.1\]' || fail "SONAME of libquorvel"
readelf -d "$lib/libquorvel.so.1" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || fail "RUNPATH of libquorvel"
# The command carries the library and the simulation in itself: it loads
# neither, from the prefix or from the build.
! readelf -d "$prefix/bin/quorvel" | grep -q 'NEEDED.*libquorvel' || fail "quorvel needs a shared libquorvel"
! readelf -d "$prefix/bin/quorvel" | grep -q 'R.*PATH' || fail "quorvel has a library search path"
[ "$(env -u QUORVEL_WORKSTATION "$prefix/bin/quorvel" to-dnc "${names[0]}")" == '\\NW1\DATA\REPORTS\2026\summary.txt' ] \
  || fail "installed quorvel to-dnc"
# Exported: the public members; not exported: private operations and data.
exports=$(nm -DC --defined-only "$lib/libquorvel.so.1")
for sym in 'CNetResConvert::ConvRes2DNC(' 'CNetResConvert::BuildLists()' 'MOUNT_T::operator='; do
  grep -qF "$sym" <<<"$exports" || fail "not exported: $sym"
done
for sym in 'CNetResConvert::m_' 'CNetResConvert::GetAllServers' 'CNetResConvert::ConvName2DNC' 'MapList'; do
  ! grep -qF "$sym" <<<"$exports" || fail "exported: $sym"
done
# Nothing of the tests ships: no test interface among the headers, no fault
# hook, state reset or test access in the libraries.
[ "$(cd "$prefix/include/quorvel" && find . -name '*.h' | sort | tr '\n' ' ')" == \
  './NetResConvert.h ./Win32Types.h ./quorvel.h ./sim/Workstation.h ' ] || fail "unexpected headers installed"
for so in libquorvel.so.1 libquorvel_sim.so.1; do
  ! nm -C "$lib/$so" | grep -qE 'qvsim::testing|FaultPoint|TestAccess|qvtest|Reset' || fail "$so holds a test hook"
done
echo "installed tree: ok"

consumer_cmake "$work/find-package" -DCMAKE_PREFIX_PATH="$prefix"
check_run "find_package, installed prefix" "$work/find-package/consumer"
PKG_CONFIG_PATH=$lib/pkgconfig consumer_pkgconfig "$work/consumer-pc"
check_run "pkg-config, installed prefix" "$work/consumer-pc"

echo "== quorvel as a subproject =="
consumer_cmake "$work/subdirectory" -DQUORVEL_SOURCE_DIR="$src"
targets=$(cmake --build "$work/subdirectory" --target help)
for t in quorvel_cli quorvel_library_tests quorvel_bench; do
  ! grep -q "^$t:" <<<"$targets" || fail "a subproject builds $t"
done
check_run "add_subdirectory" "$work/subdirectory/consumer"
consumer_cmake "$work/fetchcontent" -DQUORVEL_SOURCE_DIR="$src" -DQUORVEL_FETCH=ON
check_run "FetchContent" "$work/fetchcontent/consumer"

echo "== Debian packages =="
cmake --preset package >/dev/null
cmake --build --preset package -j2 >/dev/null
rm -f build/package/*.deb
cpack --preset package >/dev/null
debs=(build/package/*.deb)
echo "${debs[@]##*/}"
((${#debs[@]} == 3)) || fail "expected 3 packages"
for deb in "${debs[@]}"; do
  name=$(dpkg-deb -f "$deb" Package)
  installed "$name" || installed_debs+=("$name")
done
dpkg_wait -i "${debs[@]}" >/dev/null
files=$(dpkg -L libquorvel1 libquorvel-dev quorvel)
for f in /usr/bin/quorvel /usr/include/quorvel/NetResConvert.h quorvel/quorvelConfig.cmake \
         pkgconfig/quorvel.pc libquorvel.so.1; do
  grep -q "$f\$" <<<"$files" || fail "$f not in the packages"
done
if [ -f docs/quorvel.1 ]; then
  grep -q '/man1/quorvel\.1' <<<"$files" || fail "manual page not in the quorvel package"
fi
[ "$(env -u QUORVEL_WORKSTATION /usr/bin/quorvel to-dnc "${names[0]}")" == '\\NW1\DATA\REPORTS\2026\summary.txt' ] \
  || fail "packaged quorvel to-dnc"
consumer_cmake "$work/deb-find-package"
check_run "find_package, Debian packages" "$work/deb-find-package/consumer"
PKG_CONFIG_PATH='' consumer_pkgconfig "$work/deb-consumer-pc"
check_run "pkg-config, Debian packages" "$work/deb-consumer-pc"

echo "== API reference (doxygen, no warnings) =="
cmake --build build/default --target docs
[ -f build/default/docs/html/classCNetResConvert.html ] || fail "no page for CNetResConvert"
echo "package test: ok"
