#!/usr/bin/env bash
# The Windows stage of CI: installs the MinGW-w64 cross compilers, wine64 and
# 32-bit wine, builds the library for 32-bit and 64-bit Windows, checks the
# 32-bit DLL's exports, imports and entry point, and runs both test sets of
# each architecture (headless, fresh prefix), 64-bit under wine64 and 32-bit
# under wine:
#   - windows-ARCH-sim: the library's behaviour tests over the simulated
#     workstation;
#   - windows-ARCH: the real-platform tests against QLMZTXQUORVELCPP100.DLL and
#     quorvel.exe on the system's own functions.
# 32-bit programs need a kernel that runs 32-bit user code. Where it does not
# (execve of an i386 program fails), the 32-bit test sets are built but not
# run, and the script says so; QUORVEL_REQUIRE_32BIT=1 makes that an error.
# Then the C interface: its plain export names in both DLLs, an import library
# in MSVC's format made from quorvel.def (llvm-dlltool, as lib /def makes it),
# and the C clients of both architectures (the 32-bit ones where 32-bit
# programs run).
set -euo pipefail
cd "$(dirname "$0")/.."

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt_get() {
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900 "$@"
}
# The mirror's i386 index of the security suite does not match its Release
# file, so an update fails once the i386 architecture is added; what is
# installed here does not need that index (see below).
apt_update() { apt_get update -q || echo "(apt-get update: some indexes failed, see above)"; }
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 llvm-14
          googletest nlohmann-json3-dev libcli11-dev cmake ninja-build unzip)
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if ((${#missing[@]})); then
  echo "== installing ${missing[*]} =="
  apt_update
  apt_get install -y -q --no-install-recommends "${missing[@]}"
fi

# 32-bit Wine needs the i386 architecture. Without the i386 index of the
# security suite, apt cannot match i386 libraries to their amd64 versions from
# that suite, so for this one install apt ignores the suite and takes every
# library, amd64 and i386 alike, from the main suite's point release.
if ! installed wine32:i386 || ! installed wine; then
  echo "== installing 32-bit Wine =="
  dpkg --print-foreign-architectures | grep -qx i386 || "${as_root[@]}" dpkg --add-architecture i386
  apt_update
  prefs=$(mktemp /tmp/quorvel-apt-prefs.XXXXXX)
  printf '%s\n' 'Package: *' 'Pin: release n=bookworm-security' 'Pin-Priority: -1' '' \
                 'Package: *' 'Pin: release n=bookworm' 'Pin-Priority: 1001' >"$prefs"
  chmod 644 "$prefs"
  apt_get install -y -q --no-install-recommends --allow-downgrades \
    -o Dir::Etc::Preferences="$prefs" wine wine32:i386
  rm -f "$prefs"
fi

WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINE32=/usr/lib/wine/wine
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/quorvel-wine.XXXXXX)
unpacked=$(mktemp -d /tmp/quorvel-package.XXXXXX)
trap 'wineserver_bin=$(dirname "$WINE64")/wineserver; [ -x "$wineserver_bin" ] && "$wineserver_bin" -k 2>/dev/null; rm -rf "$WINEPREFIX" "$unpacked"' EXIT
# Headless: no display, no desktop integration, no Mono or Gecko prompts.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

for preset in windows-i686 windows-i686-sim windows-x86_64 windows-x86_64-sim; do
  echo "== build $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
done

echo "== 32-bit DLL: exports, imports and entry point =="
dll=build/windows-i686/QLMZTXQUORVELCPP100.DLL
[ -f build/windows-i686/Quorvel/libQLMZTXQUORVELCPP100.dll.a ] || { echo "no import library"; exit 1; }
dump=$(i686-w64-mingw32-objdump -p "$dll")
for sym in _ZN14CNetResConvert10BuildListsEv _ZN14CNetResConvert10ClearListsEv \
           _ZN14CNetResConvert12GetMountListEv _ZN7MOUNT_TC1Ev; do
  grep -q "\] $sym\$" <<<"$dump" || { echo "export missing: $sym"; exit 1; }
done
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | sort -u)
echo "imports: $(echo $imports)"
for lib in $imports; do
  case "$lib" in
    kernel32.dll|advapi32.dll|mpr.dll|version.dll|user32.dll|msvcrt.dll|api-ms-win-crt-*.dll) ;;
    *) echo "unexpected import: $lib"; exit 1 ;;
  esac
done
for lib in kernel32.dll advapi32.dll mpr.dll version.dll; do
  grep -qx "$lib" <<<"$imports" || { echo "import missing: $lib"; exit 1; }
done
grep -q 'FileVersion' < <(i686-w64-mingw32-strings -el "$dll") || { echo "no version resource"; exit 1; }
# The C runtime calls DllMain as stdcall (_DllMain@12); a DllMain of another
# convention would leave the runtime's empty default in its place.
i686-w64-mingw32-nm build/windows-i686/module/CMakeFiles/quorvel.dir/DllMain.cpp.obj |
  grep -q ' T _DllMain@12$' || { echo "the module defines no stdcall DllMain"; exit 1; }

echo "== wine prefix =="
"$WINE64" wineboot -i >/dev/null 2>&1 || true

# 32-bit programs run where the kernel runs 32-bit user code.
run32=1
if ! out=$(timeout 120 "$WINE32" build/windows-i686/quorvel.exe --version 2>&1); then
  echo "== 32-bit programs cannot run here: =="
  echo "$out" | head -3
  [ "${QUORVEL_REQUIRE_32BIT:-0}" = 1 ] && exit 1
  run32=0
fi
wine_of() { if [ "$1" = i686 ]; then echo "$WINE32"; else echo "$WINE64"; fi; }

for arch in x86_64 i686; do
  if [ "$arch" = i686 ] && [ "$run32" = 0 ]; then
    echo "== (the 32-bit test sets were built, not run) =="
    continue
  fi
  label=$(basename "$(wine_of "$arch")")
  echo "== behaviour tests over the simulated workstation ($label) =="
  ctest --test-dir "build/windows-$arch-sim" --output-on-failure -j2 --no-tests=error
  echo "== real-platform tests and quorvel.exe ($label) =="
  ctest --test-dir "build/windows-$arch" --output-on-failure --no-tests=error
done

echo "== C interface: exports of both DLLs =="
cexports=$(sed -n 's/^ *\(quorvel_[a-z_]*\)$/\1/p' Quorvel/quorvel.def)
for arch in i686 x86_64; do
  dump=$($arch-w64-mingw32-objdump -p build/windows-$arch/QLMZTXQUORVELCPP100.DLL)
  # The C functions under their plain names, and the C++ classes as before.
  for sym in $cexports _ZN14CNetResConvert11ConvRes2DNCEPKcPcRm _ZN14CNetResConvert12GetMountListEv \
             _ZN7MOUNT_TC1Ev _ZN14CNetResConvert6m_tNetE; do
    grep -q "\] $sym\$" <<<"$dump" || { echo "$arch: export missing: $sym"; exit 1; }
  done
  echo "$arch: $(wc -w <<<"$cexports") C functions, $(grep -c '\] _ZN14CNetResConvert' <<<"$dump") class members exported"
done

echo "== C interface: C clients, also through an MSVC-format import library made from quorvel.def =="
for pair in x86_64:i386:x86-64 i686:i386; do
  arch=${pair%%:*}
  dir=build/windows-$arch
  llvm-dlltool-14 -m "${pair#*:}" -d Quorvel/quorvel.def -l $dir/quorvel-msvc.lib
  $arch-w64-mingw32-gcc -std=c11 -O2 -IQuorvel/include examples/c/quorvel_convert.c $dir/quorvel-msvc.lib \
    -o $dir/quorvel-convert-msvclib.exe
  if [ "$arch" = i686 ] && [ "$run32" = 0 ]; then
    echo "(the 32-bit C clients were built, not run)"
    continue
  fi
  wine=$(wine_of "$arch")
  for exe in quorvel-convert.exe quorvel-convert-msvclib.exe; do
    # Wine has no network: the conversion answers a status.
    out=$(cd $dir && "$wine" ./$exe '\\SRV\VOL\DIR' 2>&1 || true)
    grep -q -- '-> error [0-9]' <<<"$out" || { echo "$arch $exe: $out"; exit 1; }
  done
  (cd $dir && "$wine" ./quorvel-dynload.exe)
done

# The packages, and a client program built against each as a Windows
# developer builds it (examples/client), run on a system without a network.
for arch in i686 x86_64; do
  echo "== package and client ($arch) =="
  (cd "build/windows-$arch" && cpack -G ZIP >/dev/null)
  zip=$(ls "build/windows-$arch"/quorvel-*-win*.zip)
  listing=$(unzip -Z1 "$zip")
  for f in bin/QLMZTXQUORVELCPP100.DLL bin/quorvel.exe lib/libQLMZTXQUORVELCPP100.dll.a \
           include/quorvel/NetResConvert.h lib/cmake/quorvel/quorvelConfig.cmake README.txt; do
    grep -qx "$f" <<<"$listing" || { echo "$zip lacks $f"; exit 1; }
  done
  echo "$zip: $(wc -l <<<"$listing") entries"
  unzip -q "$zip" -d "$unpacked/$arch"
  cmake -S examples/client -B "$unpacked/client-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" -DCMAKE_PREFIX_PATH="$unpacked/$arch" >/dev/null
  cmake --build "$unpacked/client-$arch"
  if [ "$arch" = i686 ] && [ "$run32" = 0 ]; then
    echo "(the 32-bit client was built, not run)"
    continue
  fi
  (cd "$unpacked/client-$arch" && "$(wine_of "$arch")" ./client.exe) | tr -d '\r' >"$unpacked/client-$arch.out"
  diff -u examples/client/expected-no-network.txt "$unpacked/client-$arch.out"
  echo "client output as expected"
done
