#!/usr/bin/env bash
# Every test suite of pelnor on Debian 12, each preset built once (what each runs: README, Tests).
# Installs what the suites need first (apt-get, as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make python3 libgtest-dev clang libclang-rt-14-dev libimage-exiftool-perl exiv2 imagemagick libtiff-tools
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386 g++-i686-linux-gnu qemu-user dpkg-dev file
          lintian python3-jsonschema jq zlib1g-dev libbrotli-dev libz-mingw-w64-dev zlib1g-dev:i386 libbrotli-dev:i386)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=$([ "$(id -u)" -eq 0 ] || echo sudo)
  $sudo dpkg --add-architecture i386  # for wine32, which runs the 32-bit Windows program
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

for preset in sanitize windows-x86 windows-x64 linux-i686 linux; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null  # warnings are errors in the presets
  [ "$preset" = linux ] || ctest --preset "$preset"  # the linux summary ends the output, below
done
# grep reads the whole listing (no -q): under pipefail an objdump cut off early would hide a match.
if { i686-w64-mingw32-objdump -d build-windows-x86/CMakeFiles/pelnor_core.dir/src/*/*.obj
     i686-linux-gnu-objdump -d build-linux-i686/CMakeFiles/pelnor_core.dir/src/*/*.o; } |
    grep -E $'\tf(i?(add|sub|subr|mul|div|divr)[slp]?|sqrt)( |$)' >&2; then
  echo "x87 arithmetic in a 32-bit core: the YCbCr conversion would round differently" >&2
  exit 1
fi
rm -f build/pelnor_*.deb
(cd build && cpack -G DEB >/dev/null)
lintian --fail-on error,warning build/pelnor_*.deb
ctest --preset linux
