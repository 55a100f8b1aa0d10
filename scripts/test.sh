#!/usr/bin/env bash
# Runs every test suite of pelnor on Debian 12, installing what the suites need first (apt-get, as
# root; packages already present are skipped). Ends with ctest's summary of the main build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

packages=(cmake g++ make libgtest-dev libgmock-dev python3 libimage-exiftool-perl imagemagick
          libtiff-tools valgrind clang libclang-rt-14-dev gcovr g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine
          file binutils-mingw-w64-x86-64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

run_step() {  # name, command...: runs an extra suite and stops the run when it fails
  local name=$1; shift
  echo "== $name"
  if ! "$@"; then echo "== $name FAILED"; exit 1; fi
}

for extra in scripts/sanitize.sh scripts/valgrind.sh scripts/fuzz.sh; do
  if [ -x "$extra" ]; then run_step "$extra" "$extra" --ci; fi
done

echo "== main build and test suites"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
run_step "Windows builds and the end-to-end suite under Wine" bash scripts/windows-tests.sh build
ctest --test-dir build --output-on-failure -j "$jobs"
