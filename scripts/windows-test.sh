#!/usr/bin/env bash
# The Windows stage of CI: installs the MinGW-w64 cross compilers, wine64,
# 32-bit wine and QEMU, builds the library for 32-bit and 64-bit Windows,
# checks the 32-bit DLL's exports, imports and entry point and the C
# interface's export names, makes the ZIP package of each architecture, and
# runs every test set of each architecture headless, in a fresh prefix with a
# persistent wineserver, 64-bit under wine64 and 32-bit under wine:
#   - windows-ARCH-sim: the library's behaviour tests and case files over the
#     simulated workstation, and the C clients on it;
#   - windows-ARCH: the real-platform tests against QLMZTXQUORVELCPP100.DLL,
#     quorvel.exe on the system's own functions (the command list of
#     tests/windows/no-network.* among them) and the C clients on it;
#   - the C client linked through an MSVC-format import library made from
#     quorvel.def (llvm-dlltool, as lib /def makes it);
#   - examples/windows-package-client built against the unpacked ZIP package.
# 32-bit programs need a kernel that runs 32-bit user code. Where it does not
# (execve of an i386 program fails), the 32-bit sets run in one throw-away
# x86_64 virtual machine (scripts/vm-run.sh), which makes its own 32-bit
# prefix. QUORVEL_32BIT_VM=always runs them there on any kernel; =0 skips
# them where the kernel cannot run them; QUORVEL_REQUIRE_32BIT=1 makes a
# 32-bit set that did not run an error.
#
# scripts/windows-test.sh --sets ARCH runs the sets of ARCH only, from the
# builds and the unpacked package a full run left (what the machine runs).
set -euo pipefail
cd "$(dirname "$0")/.."

WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINE32=/usr/lib/wine/wine
# Debian's wineserver runs the 64-bit server, which serves both.
WINESERVER=/usr/lib/wine/wineserver
# Inside the tree, which the virtual machine shares: the unpacked packages
# with the clients built against them, and a line "ARCH SET" for each set
# that passed.
packages_dir=build/windows-package
ran=build/windows-sets.ran
sets=(sim real c-clients package-client)

wine_of() { if [ "$1" = i686 ]; then echo "$WINE32"; else echo "$WINE64"; fi; }
stop_wine() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
}
trap stop_wine EXIT

# run_sets ARCH: every test set of ARCH, in a fresh prefix whose wineserver
# stays up from wineboot to the last program (each program would otherwise
# start a server of its own).
run_sets() {
  local arch=$1 wine dir=build/windows-$1 t0=$SECONDS t
  wine=$(wine_of "$arch")
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEPREFIX WINEARCH
  # Headless: no display, no desktop integration, no Mono or Gecko prompts.
  unset DISPLAY WAYLAND_DISPLAY
  WINEPREFIX=$(mktemp -d "/tmp/quorvel-wine-$arch.XXXXXX")
  WINEARCH=win64
  [ "$arch" = x86_64 ] || WINEARCH=win32
  echo "== $arch: wine prefix ($(basename "$wine"), $WINEARCH) =="
  "$WINESERVER" -p
  "$wine" wineboot -i >/dev/null 2>&1 || true
  echo "prefix made in $((SECONDS - t0)) s"

  t=$SECONDS
  echo "== $arch: behaviour tests, case files and C clients over the simulated workstation =="
  ctest --test-dir "build/windows-$arch-sim" --output-on-failure -j2 --no-tests=error
  echo "$arch sim" >>"$ran"
  echo "($((SECONDS - t)) s)"

  t=$SECONDS
  echo "== $arch: real-platform tests, quorvel.exe and C clients on the system's functions =="
  ctest --test-dir "$dir" --output-on-failure --no-tests=error
  echo "$arch real" >>"$ran"
  echo "($((SECONDS - t)) s)"

  echo "== $arch: C clients, one linked through the MSVC-format import library =="
  for exe in quorvel-convert.exe quorvel-convert-msvclib.exe; do
    # Wine has no network: the conversion answers a status.
    out=$(cd "$dir" && "$wine" ./$exe '\\SRV\VOL\DIR' 2>&1 || true)
    grep -q -- '-> error [0-9]' <<<"$out" || { echo "$arch $exe: $out"; exit 1; }
  done
  (cd "$dir" && "$wine" ./quorvel-dynload.exe)
  echo "$arch c-clients" >>"$ran"

  echo "== $arch: the client built against the package =="
  (cd "$packages_dir/client-$arch" && "$wine" ./client.exe) | tr -d '\r' >"$packages_dir/client-$arch.out"
  diff -u examples/windows-package-client/expected-no-network.txt "$packages_dir/client-$arch.out"
  echo "client output as expected"
  echo "$arch package-client" >>"$ran"

  stop_wine
  echo "== $arch: every set passed in $((SECONDS - t0)) s =="
}

if [ "${1:-}" = --sets ]; then
  run_sets "$2"
  exit 0
fi

source scripts/lib/apt.sh
# The mirror's i386 index of the security suite does not match its Release
# file, so an update fails once the i386 architecture is added; what is
# installed here does not need that index (see below).
apt_update() { apt_get update -q || echo "(apt-get update: some indexes failed, see above)"; }

# QEMU and busybox for scripts/vm-run.sh, installed here with the rest so
# that apt installs them before the pinned install of 32-bit Wine below.
packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 llvm-14
          googletest nlohmann-json3-dev libcli11-dev cmake ninja-build unzip
          qemu-system-x86 busybox-static)
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

for preset in windows-i686 windows-i686-sim windows-x86_64 windows-x86_64-sim; do
  echo "== build $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
done

echo "== 32-bit DLL: exports, imports and entry point =="
dll=build/windows-i686/QLMZTXQUORVELCPP100.DLL
[ -f build/windows-i686/module/libQLMZTXQUORVELCPP100.dll.a ] || { echo "no import library"; exit 1; }
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

echo "== C interface: the C client through an MSVC-format import library made from quorvel.def =="
for pair in x86_64:i386:x86-64 i686:i386; do
  arch=${pair%%:*}
  dir=build/windows-$arch
  llvm-dlltool-14 -m "${pair#*:}" -d Quorvel/quorvel.def -l $dir/quorvel-msvc.lib
  $arch-w64-mingw32-gcc -std=c11 -O2 -IQuorvel/include examples/c/quorvel_convert.c $dir/quorvel-msvc.lib \
    -o $dir/quorvel-convert-msvclib.exe
done

# The packages, and a client program built against each as a Windows
# developer builds it (examples/windows-package-client).
rm -rf "$packages_dir"
mkdir -p "$packages_dir"
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
  unzip -q "$zip" -d "$packages_dir/$arch"
  cmake -S examples/windows-package-client -B "$packages_dir/client-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" -DCMAKE_PREFIX_PATH="$PWD/$packages_dir/$arch" >/dev/null
  cmake --build "$packages_dir/client-$arch"
done

: >"$ran"
run_sets x86_64

# 32-bit programs run natively where the kernel runs 32-bit user code, and
# otherwise in one virtual machine that makes its own prefix and runs them
# all.
t=$SECONDS
vm=${QUORVEL_32BIT_VM:-1}
if native=$(timeout 60 "$WINE32" --version 2>&1) && [ "$vm" != always ]; then
  echo "== 32-bit sets: natively ($native) =="
  run_sets i686
elif [ "$vm" != 0 ]; then
  echo "== 32-bit sets: in a virtual machine (here: $(head -1 <<<"$native")) =="
  QUORVEL_VM_TIMEOUT=${QUORVEL_VM_TIMEOUT:-2400} ./scripts/vm-run.sh -w "$PWD" ./scripts/windows-test.sh --sets i686
else
  echo "== 32-bit sets: not run (here: $(head -1 <<<"$native"); QUORVEL_32BIT_VM=0) =="
fi
echo "32-bit stage: $((SECONDS - t)) s"

missing=()
for set in "${sets[@]}"; do grep -qx "i686 $set" "$ran" || missing+=("$set"); done
if ((${#missing[@]})); then
  echo "== 32-bit sets that did not run: ${missing[*]} =="
  [ "${QUORVEL_REQUIRE_32BIT:-0}" = 1 ] && exit 1
fi
echo "== Windows: $(wc -l <"$ran") of $((2 * ${#sets[@]})) sets passed =="
