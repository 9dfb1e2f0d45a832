#!/usr/bin/env bash
# The Windows stage of CI: installs the MinGW-w64 cross compilers and wine64,
# builds the library for 32-bit and 64-bit Windows on the real Win32
# functions, checks the 32-bit DLL's exports and imports, and runs under
# wine64 (headless, fresh prefix) both test sets of the 64-bit builds:
#   - windows-x86_64-sim: the library's behaviour tests over the simulated
#     workstation;
#   - windows-x86_64: the real-platform tests against QLMZTXQUORVELCPP100.DLL.
# Then the C interface: its plain export names in both DLLs, an import library
# in MSVC's format made from quorvel.def (llvm-dlltool, as lib /def makes it),
# and the C clients of both architectures (the 32-bit ones where a 32-bit Wine
# exists).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 llvm-14
          googletest nlohmann-json3-dev libcli11-dev cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "== installing ${missing[*]} =="
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/quorvel-wine.XXXXXX)
trap 'wineserver_bin=$(dirname "$WINE64")/wineserver; [ -x "$wineserver_bin" ] && "$wineserver_bin" -k 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
# Headless: no display, no desktop integration, no Mono or Gecko prompts.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

for preset in windows-i686 windows-x86_64 windows-x86_64-sim; do
  echo "== build $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
done

echo "== 32-bit DLL: exports and imports =="
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

echo "== wine prefix =="
"$WINE64" wineboot -i >/dev/null 2>&1 || true

echo "== behaviour tests over the simulated workstation (wine64) =="
ctest --test-dir build/windows-x86_64-sim --output-on-failure -j2 --no-tests=error
echo "== real-platform tests (wine64) =="
ctest --test-dir build/windows-x86_64 --output-on-failure --no-tests=error

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
# A 32-bit Wine needs wine32 and a kernel that runs 32-bit programs.
WINE32=""
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  WINE32=/usr/lib/wine/wine
fi
for pair in x86_64:i386:x86-64 i686:i386; do
  arch=${pair%%:*}
  dir=build/windows-$arch
  llvm-dlltool-14 -m "${pair#*:}" -d Quorvel/quorvel.def -l $dir/quorvel-msvc.lib
  $arch-w64-mingw32-gcc -std=c11 -O2 -IQuorvel/include examples/c/quorvel_convert.c $dir/quorvel-msvc.lib \
    -o $dir/quorvel-convert-msvclib.exe
  wine=$WINE64
  if [ "$arch" = i686 ]; then
    wine=$WINE32
    [ -n "$wine" ] || { echo "i686: no 32-bit Wine here: the 32-bit C clients are built, not run"; continue; }
  fi
  for exe in quorvel-convert.exe quorvel-convert-msvclib.exe; do
    # Wine has no network: the conversion answers a status.
    out=$(cd $dir && "$wine" ./$exe '\\SRV\VOL\DIR' 2>&1 || true)
    grep -q -- '-> error [0-9]' <<<"$out" || { echo "$arch $exe: $out"; exit 1; }
  done
  (cd $dir && "$wine" ./quorvel-dynload.exe)
done
