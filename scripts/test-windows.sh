#!/usr/bin/env bash
# The 64-bit Windows libraries: cross-built with MinGW-w64 into WIN_DIR
# (default build/windows), checked for their imports and exports, their tests
# run under Wine, the product's registry values looked at with "reg query", and
# renders of both editions compared with those of the Linux libraries in
# LINUX_DIR (default build/release, built by scripts/test.sh before).
# Skipped with a note when Wine or MinGW-w64 is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${1:-build/windows}
linux=${2:-build/release}
jobs=${EMBERLINE_JOBS:-2}

if ! command -v wine >/dev/null || ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "== windows: skipped (wine or g++-mingw-w64-x86-64-posix is not installed)"
  exit 0
fi
start=$SECONDS

echo "== windows: configure and build"
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DEMBERLINE_BENCH=OFF \
  -DEMBERLINE_HOST_SKINGEN="$PWD/$linux/tools/skingen/emberline_skingen" >/dev/null
cmake --build "$dir" -j "$jobs"

echo "== windows: imports and exports"
for dll in Emberline2x64 Emberline_x64; do
  dump=$(x86_64-w64-mingw32-objdump -p "$dir/$dll.dll")
  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
  for lib in $imports; do
    case $lib in
      KERNEL32.DLL|MSVCRT.DLL|UCRTBASE.DLL|API-MS-WIN-CRT-*|ADVAPI32.DLL) ;;
      *) echo "$dll.dll imports $lib, not a system library"; exit 1 ;;
    esac
  done
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
  if [ "$exports" != "VSTPluginMain main " ]; then
    echo "$dll.dll exports '$exports', not exactly VSTPluginMain and main"; exit 1
  fi
  echo "$dll.dll: imports $imports; exports $exports"
done

# Wine in a prefix of this build's own, never the user's ~/.wine; one
# wineserver for the whole run, stopped at the end. Everything Wine runs
# writes into files: its helper processes inherit pipes and would hold them.
export WINEPREFIX=$PWD/$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
logs=$dir/wine-logs
mkdir -p "$logs" "$dir/render"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/.emberline-ready" ]; then
  echo "== windows: making the Wine prefix"
  wineboot -i >"$logs/wineboot.log" 2>&1
  touch "$WINEPREFIX/.emberline-ready"
fi
wineserver -p >"$logs/wineserver.log" 2>&1 || true  # else the first program starts one

echo "== windows: test under Wine"
# A test that fails is run once more: under load a Wine client now and then
# loses its connection to the wineserver ("recvmsg: Connection reset by
# peer") before the program starts; a real failure fails twice.
(cd "$dir" && ctest --output-on-failure -j "$jobs" --repeat until-pass:2 ${CTEST_ARGS:-})

echo "== windows: registry values"
# The hive test leaves memo slot B and the settings in the machine-wide key.
key='HKLM\SOFTWARE\Zevsound\Emberline20'
wine reg query "$key" >"$logs/reg-settings.txt" 2>&1 </dev/null
wine reg query "$key\\MemoB" >"$logs/reg-memo.txt" 2>&1 </dev/null
expect() {
  if ! tr -d '\r' <"$1" | grep -qE "$2"; then
    echo "not in $1: $2"; cat "$1"; exit 1
  fi
}
expect "$logs/reg-settings.txt" '^ +vuintegration +REG_BINARY +0000803E$'
expect "$logs/reg-settings.txt" '^ +overcounter +REG_BINARY +0000803F$'
expect "$logs/reg-settings.txt" '^ +knobmode +REG_BINARY +[0-9A-F]{8}$'
expect "$logs/reg-memo.txt" '^ +param  7 +REG_BINARY +0000803E$'
expect "$logs/reg-memo.txt" '^ +param 41 +REG_BINARY +0000803F$'
expect "$logs/reg-memo.txt" '^ +name +REG_SZ +Hive Check$'
echo "settings and memo slot B are in $key under their value names"

echo "== windows: renders against the Linux libraries"
if [ -x "$linux/tests/emberline_render_dump" ]; then
  for dll in Emberline2x64 Emberline_x64; do
    "$linux/tests/emberline_render_dump" --random "$linux/$dll.so" "$dir/render/$dll-linux.raw"
    "$dir/wine-run.sh" "$dir/tests/emberline_render_dump.exe" --random "$PWD/$dir/$dll.dll" "$dir/render/$dll-windows.raw"
    echo -n "$dll: "
    # The product's transcendental functions are its own (the C libraries
    # differ in the last bit): 32-bit output identical byte for byte, 64-bit
    # output within 1e-15.
    "$linux/tests/emberline_render_dump" --compare "$dir/render/$dll-linux.raw" "$dir/render/$dll-windows.raw" 1e-15
  done
else
  echo "no Linux render tool in $linux: build it first (scripts/test.sh does)"; exit 1
fi
echo "== windows: passed in $((SECONDS - start)) s"
