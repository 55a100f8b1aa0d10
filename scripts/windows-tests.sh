#!/usr/bin/env bash
# Windows checks of pelnor, run on Debian 12 with MinGW-w64 and Wine:
#   1. builds the windows-x86 and windows-x64 presets, with no compiler warning allowed;
#   2. checks that pelnor.exe is a PE32 (32-bit) and a PE32+ (64-bit) console executable that
#      needs no DLL beyond KERNEL32 and msvcrt, and carries the UTF-8 manifest;
#   3. runs the 64-bit .exe under Wine: line ends, a UTF-8 file name end to end, the same output
#      as the Linux build;
#   4. runs the end-to-end suite of a Linux build against the 64-bit .exe under Wine.
# Only 64-bit Windows programs are run: a 32-bit one needs a kernel that runs 32-bit code.
#
# Usage: scripts/windows-tests.sh [--ci] [LINUX_BUILD_DIR]
#   LINUX_BUILD_DIR  a Linux build with the test suites, whose e2e_tests drives the .exe;
#                    without it (and with --ci) one is configured in build-windows-host.
# Needs: g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine file (and cmake, g++, libgtest-dev).
# Environment: PELNOR_WINE (default /usr/lib/wine/wine64), PELNOR_WINE_TIMEOUT (seconds for the
# e2e suite, default 900), PELNOR_BUILD_JOBS (default 2), PELNOR_WINE_SHARDS (e2e processes side
# by side, default PELNOR_BUILD_JOBS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

linux_build=""
for arg in "$@"; do
  case $arg in
    --ci) ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) linux_build=$(cd "$arg" && pwd) || { echo "no build directory $arg" >&2; exit 1; } ;;
  esac
done
cd "$root"
jobs=${PELNOR_BUILD_JOBS:-2}
wine=${PELNOR_WINE:-/usr/lib/wine/wine64}
suite_timeout=${PELNOR_WINE_TIMEOUT:-900}

passed=0
failed=0
check() {  # name, command...: one named check, reported as ok or FAILED
  local name=$1; shift
  if "$@"; then
    echo "ok      $name"; passed=$((passed + 1))
  else
    echo "FAILED  $name"; failed=$((failed + 1))
  fi
}

for tool in i686-w64-mingw32-g++ x86_64-w64-mingw32-g++ x86_64-w64-mingw32-objdump file "$wine"; do
  if ! command -v "$tool" >/dev/null; then
    echo "missing $tool (apt-get install g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine file)" >&2
    exit 1
  fi
done

# --- 1. Build both Windows presets ---------------------------------------------------------
build_preset() {  # preset: configure and build into build-<preset>, failing on any warning
  local preset=$1 dir=$root/build-$1 log
  log=$(mktemp)
  echo "== building $preset in ${dir#"$root"/}"
  cmake --preset "$preset" -B "$dir" >"$log" 2>&1 || { cat "$log"; rm -f "$log"; return 1; }
  if ! cmake --build "$dir" -j "$jobs" --clean-first >"$log" 2>&1; then cat "$log"; rm -f "$log"; return 1; fi
  if grep -q "warning" "$log"; then grep -B2 -A6 "warning" "$log"; rm -f "$log"; return 1; fi
  rm -f "$log"
}
check "windows-x86 builds without warnings" build_preset windows-x86
check "windows-x64 builds without warnings" build_preset windows-x64
exe32=$root/build-windows-x86/pelnor.exe
exe64=$root/build-windows-x64/pelnor.exe
[ -f "$exe32" ] && [ -f "$exe64" ] || { echo "$passed passed, $failed failed"; exit 1; }

# --- 2. What the executables are -------------------------------------------------------------
pe_is() {  # exe, magic (010b PE32 / 020b PE32+), file(1) text
  local headers
  headers=$(x86_64-w64-mingw32-objdump -p "$1")
  grep -Eq "^Magic[[:space:]]+$2" <<<"$headers" &&
    grep -Eq "^Subsystem[[:space:]]+00000003" <<<"$headers" &&  # IMAGE_SUBSYSTEM_WINDOWS_CUI
    file -b "$1" | grep -q "^$3"
}
only_system_dlls() {  # exe: the C++ runtime is linked in; only Windows' own DLLs are imported
  local dlls
  dlls=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u |
         tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || { echo "imports: $dlls"; return 1; }
}
has_utf8_manifest() { grep -q "<activeCodePage[^>]*>UTF-8</activeCodePage>" "$1"; }
check "32-bit .exe is a PE32 console program" pe_is "$exe32" 010b "PE32 executable (console) Intel 80386"
check "64-bit .exe is a PE32+ console program" pe_is "$exe64" 020b "PE32+ executable (console) x86-64"
check "32-bit .exe imports only KERNEL32 and msvcrt" only_system_dlls "$exe32"
check "64-bit .exe imports only KERNEL32 and msvcrt" only_system_dlls "$exe64"
# The YCbCr conversion must round like IEEE doubles everywhere: no x87 arithmetic in the 32-bit
# build of the project's own code (the runtime's printf may use it for its own formatting).
no_x87_arithmetic() {
  local obj found=0
  for obj in "$root"/build-windows-x86/CMakeFiles/pelnor_core.dir/src/*/*.obj; do
    if i686-w64-mingw32-objdump -d "$obj" |
        grep -Eq $'\tf(i?(add|sub|subr|mul|div|divr)[slp]?|sqrt)( |$)'; then
      echo "x87 arithmetic in ${obj#"$root"/}"; found=1
    fi
  done
  [ "$found" -eq 0 ]
}
check "32-bit core does its arithmetic in SSE2" no_x87_arithmetic
check "32-bit .exe carries the UTF-8 manifest" has_utf8_manifest "$exe32"
check "64-bit .exe carries the UTF-8 manifest" has_utf8_manifest "$exe64"

# --- 3. A quiet Wine prefix ------------------------------------------------------------------
export WINEPREFIX=$root/build-windows-x64/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer on first start
unset DISPLAY WAYLAND_DISPLAY
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
# One server for the whole run (it stays 60 s after its last client), so that each start of the
# .exe does not start one of its own. Then wineboot creates the prefix, or brings one made by
# another Wine version up to date (which would otherwise print a notice on the first test's
# standard error); on a current prefix it costs about a second.
[ -f "$WINEPREFIX/system.reg" ] || echo "== creating the Wine prefix ${WINEPREFIX#"$root"/}"
mkdir -p "$WINEPREFIX"
"$wineserver" -p 60 2>/dev/null || true  # or one is running already
timeout 300 "$wine" wineboot >/dev/null 2>&1 || true

scratch=$(mktemp -d)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$scratch"' EXIT

# A small Exif file with a JPEG thumbnail: IFD0 empty, IFD1 with JPEGInterchangeFormat (LONG,
# TIFF offset 44) and JPEGInterchangeFormatLength (LONG, 4), then the 4-byte stream FF D8 FF D9.
exif_with_thumbnail() {
  printf '\377\330\377\341\000\000Exif\000\000'
  printf 'II*\000\010\000\000\000'
  printf '\000\000\016\000\000\000'
  printf '\002\000'
  printf '\001\002\004\000\001\000\000\000\054\000\000\000'
  printf '\002\002\004\000\001\000\000\000\004\000\000\000'
  printf '\000\000\000\000'
  printf '\377\330\377\331'
}
exif_with_thumbnail >"$scratch/plain.jpg"

# Windows text mode: every line the program prints ends in CR LF, when standard output is a
# file as well as when it is a pipe; the same for standard error.
crlf_lines() {  # file: every line ends in CR LF, and there is at least one
  [ -s "$1" ] && ! grep -q $'[^\r]$' "$1" && ! grep -q '^$' "$1"
}
wine_run() { timeout 60 "$wine" "$@"; }
stdout_file_crlf() {
  (cd "$scratch" && wine_run "$exe64" plain.jpg >out.txt 2>err.txt) && crlf_lines "$scratch/out.txt"
}
stdout_pipe_crlf() {
  (cd "$scratch" && wine_run "$exe64" plain.jpg 2>/dev/null | cat >pipe.txt) &&
    crlf_lines "$scratch/pipe.txt"
}
stderr_crlf() {
  local status=0
  (cd "$scratch" && wine_run "$exe64" -x >/dev/null 2>err.txt) || status=$?
  [ "$status" -eq 0 ] && [ "$(cat "$scratch/err.txt")" = $'No such option(-x)\r' ]
}
check "wine: stdout redirected to a file ends lines with CR LF" stdout_file_crlf
check "wine: stdout into a pipe ends lines with CR LF" stdout_pipe_crlf
check "wine: stderr ends lines with CR LF" stderr_crlf

# The help text and its exit code.
help_text() {
  local status=0
  (cd "$scratch" && wine_run "$exe64" -h >help.txt 2>&1) || status=$?
  [ "$status" -eq 2 ] && [ "$(wc -l <"$scratch/help.txt")" -eq 4 ] &&
    grep -q $'pelnor \\[-o\\] \\[-h\\] \\[-?\\] file\\.\\.\\.\r$' "$scratch/help.txt"
}
check "wine: -h prints the help text and exits with 2" help_text

# The C runtime expands wildcards, which no Windows shell does for a program.
wildcards() {
  rm -rf "$scratch/glob" && mkdir "$scratch/glob" && cp "$scratch/plain.jpg" "$scratch/glob/"
  (cd "$scratch/glob" && wine_run "$exe64" "*.jpg" >out.txt 2>&1) &&
    cmp -s "$scratch/glob/out.txt" "$scratch/out.txt"
}
check "wine: *.jpg expands to the matching names" wildcards

# A UTF-8 name outside every ANSI code page reaches CreateFileA intact through the manifest.
utf8_name() {
  local name="фото-é.jpg" status=0
  rm -rf "$scratch/utf8" && mkdir "$scratch/utf8"
  exif_with_thumbnail >"$scratch/utf8/$name"
  (cd "$scratch/utf8" && wine_run "$exe64" -o "$name" >out.txt 2>&1) || status=$?
  [ "$status" -eq 0 ] &&
    grep -q "^done\\[$name.thumb.jpg\\]"$'\r$' "$scratch/utf8/out.txt" &&
    cmp -s <(printf '\377\330\377\331') "$scratch/utf8/$name.thumb.jpg" ||
    { cat "$scratch/utf8/out.txt"; return 1; }
}
check "wine: a UTF-8 file name is opened and its thumbnail written" utf8_name

# Without the manifest the same name goes through the ANSI code page and cannot be opened: this
# shows that Wine honours the manifest, so the check above tests it.
manifest_matters() {
  local probe=$scratch/nomanifest.exe status=0
  cp "$exe64" "$probe"
  # Turn the resource's activeCodePage into an unknown element of the same length.
  sed -i 's/activeCodePage/activeXodePage/g' "$probe"
  (cd "$scratch/utf8" && wine_run "$probe" "фото-é.jpg" >out2.txt 2>&1) || status=$?
  [ "$status" -eq 1 ] && grep -q "open error" "$scratch/utf8/out2.txt"
}
check "wine: without the manifest that name cannot be opened" manifest_matters

# --- 4. The end-to-end suite against the .exe -----------------------------------------------
if [ -z "$linux_build" ]; then
  linux_build=$root/build-windows-host
  echo "== building the e2e suite in ${linux_build#"$root"/}"
  log=$(mktemp)
  if ! { cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DPELNOR_BUILD_TESTS=ON &&
         cmake --build "$linux_build" -j "$jobs" --target pelnor; } >"$log" 2>&1; then
    cat "$log"; rm -f "$log"; exit 1
  fi
  if grep -q "^e2e_tests:" "$linux_build/Makefile" 2>/dev/null; then
    cmake --build "$linux_build" -j "$jobs" --target e2e_tests >"$log" 2>&1 || { cat "$log"; exit 1; }
  fi
  rm -f "$log"
fi
e2e=$linux_build/tests/e2e_tests
if [ -x "$linux_build/pelnor" ]; then
  same_as_linux() {  # the .exe prints what the Linux build prints, line ends aside
    (cd "$scratch" && "$linux_build/pelnor" plain.jpg >linux.txt 2>&1 || true)
    diff <(tr -d '\r' <"$scratch/out.txt") "$scratch/linux.txt"
  }
  check "wine: the .exe prints what the Linux build prints" same_as_linux
fi

echo "windows: $passed passed, $failed failed"
if [ ! -x "$e2e" ]; then
  echo "no e2e suite in ${linux_build}: the end-to-end run is skipped"
  [ "$failed" -eq 0 ]
  exit
fi

# The suite starts the .exe a few hundred times, about 0.2 s each under Wine: it runs in shards
# side by side, one for each core given.
shards=${PELNOR_WINE_SHARDS:-$jobs}
echo "== e2e suite against build-windows-x64/pelnor.exe under Wine, $shards shards"
start=$(date +%s)
status=0
pids=()
for ((i = 0; i < shards; i++)); do
  GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$i \
    PELNOR_BIN=$exe64 PELNOR_LAUNCHER=$wine PELNOR_CRLF=1 \
    timeout "$suite_timeout" "$e2e" --gtest_brief=1 >"$scratch/e2e.$i" 2>&1 &
  pids+=($!)
done
total=0
ok=0
for ((i = 0; i < shards; i++)); do
  wait "${pids[$i]}" || status=1
  grep -v "^Running main()" "$scratch/e2e.$i" || true
  ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from.*/\1/p' "$scratch/e2e.$i")
  passed_here=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\./\1/p' "$scratch/e2e.$i")
  total=$((total + ${ran:-0}))
  ok=$((ok + ${passed_here:-0}))
done
[ "$total" -gt 0 ] || status=1
echo "e2e under Wine in $(($(date +%s) - start)) s"
echo "wine-e2e: $ok passed, $((total - ok)) failed"
[ "$failed" -eq 0 ] && [ "$status" -eq 0 ]
