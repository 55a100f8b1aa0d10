#!/usr/bin/env bash
# pelnor under hostile input: sanitizers, valgrind, fuzzing and line coverage.
#
#   bash scripts/hostile.sh sanitize        unit + e2e suites built with ASan+UBSan, run by ctest
#   bash scripts/hostile.sh valgrind        e2e suite with the tool under valgrind memcheck, then
#                                           the seed corpus and regression inputs replayed under it
#   bash scripts/hostile.sh fuzz [SECONDS]  bounded libFuzzer run (default 120 s), fails on any crash
#   bash scripts/hostile.sh coverage        line coverage of src/ over unit + e2e (+ corpus replay)
#   bash scripts/hostile.sh ci              sanitize, valgrind and a 120 s fuzz run, in that order
#
# Each step installs what it needs with apt-get when run as root (Debian 12), and builds in its
# own directory: build-fsanitize, build-fvalgrind, build-ffuzz, build-fcoverage.
# Environment: JOBS (default 2), FUZZ_FORKS (parallel fuzz processes, default 1),
# PELNOR_CORPUS_DIR (the real-camera files, default ../shared/corpus/real).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
JOBS=${JOBS:-2}
CORPUS_DIR=${PELNOR_CORPUS_DIR:-$ROOT/../shared/corpus/real}

# Quiet, so that a log file that is not empty holds a report. Add --track-origins=yes to find
# where an uninitialised value came from (slower).
VALGRIND_FLAGS="--quiet --tool=memcheck --error-exitcode=99 --leak-check=full \
--errors-for-leak-kinds=definite,indirect,possible"

log() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are missing.
need() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  if [[ $(id -u) != 0 ]]; then
    echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
    exit 1
  fi
  log "installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

need_build_tools() { need cmake ninja-build g++ libgtest-dev libgmock-dev; }

# configure DIR SOURCE [cmake args...]
configure() {
  local dir=$1 source=$2
  shift 2
  mkdir -p "$dir"
  cmake -S "$source" -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1 ||
    { cat "$dir/configure.log"; exit 1; }
}

# Writes the seed corpus (fixture-built files, the real files' first 32 KB, kept regressions)
# into DIR with the make_seeds binary BIN.
make_seed_corpus() {
  local bin=$1 dir=$2
  rm -rf "$dir"
  mkdir -p "$dir"
  "$bin" "$dir" "$CORPUS_DIR"
  if compgen -G "$ROOT/tests/regression/*.bin" >/dev/null; then
    cp "$ROOT"/tests/regression/*.bin "$dir"/
  fi
}

# Fails, printing them, when sanitizer reports were logged into DIR.
check_reports() {
  local dir=$1
  if compgen -G "$dir/*" >/dev/null; then
    echo "sanitizer reports:" >&2
    cat "$dir"/* >&2
    return 1
  fi
}

cmd_sanitize() {
  need_build_tools
  local dir=build-fsanitize
  log "configure $dir (ASan + UBSan)"
  configure $dir . -DPELNOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
  log "build"
  cmake --build $dir -j "$JOBS"
  local reports=$ROOT/$dir/reports
  rm -rf "$reports" && mkdir -p "$reports"
  log "ctest"
  # A report in the tool run by an e2e case must fail the case even when the case expects a
  # non-zero exit code, so reports get an exit code of their own and are logged as well.
  ASAN_OPTIONS=detect_leaks=1:exitcode=86:log_path=$reports/asan:abort_on_error=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=87:log_path=$reports/ubsan \
    ctest --test-dir $dir -j "$JOBS" --output-on-failure --timeout 300
  check_reports "$reports"
  echo "sanitize: no AddressSanitizer or UndefinedBehaviorSanitizer report"
}

cmd_valgrind() {
  need_build_tools
  need valgrind
  local dir=build-fvalgrind
  log "configure $dir"
  configure $dir fuzz -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
  log "build"
  cmake --build $dir -j "$JOBS" --target pelnor e2e_tests pelnor_fuzz_replay make_seeds
  local logs=$ROOT/$dir/valgrind-logs
  rm -rf "$logs" && mkdir -p "$logs"
  local launcher=$ROOT/$dir/valgrind-launcher.sh
  printf '#!/bin/sh\nexec valgrind %s --log-file=%s/tool.%%p.log "$@"\n' "$VALGRIND_FLAGS" "$logs" \
    >"$launcher"
  chmod +x "$launcher"

  # Valgrind's start-up dominates each run of the tool, so the suite runs in JOBS shards.
  log "e2e suite with the tool under valgrind ($JOBS shards)"
  local pids=() shard status=0
  for ((shard = 0; shard < JOBS; shard++)); do
    GTEST_TOTAL_SHARDS=$JOBS GTEST_SHARD_INDEX=$shard PELNOR_LAUNCHER=$launcher \
      PELNOR_BIN=$ROOT/$dir/pelnor/pelnor "$dir/pelnor/tests/e2e_tests" --gtest_brief=1 \
      >"$dir/e2e-shard-$shard.log" 2>&1 &
    pids+=($!)
  done
  for shard in "${!pids[@]}"; do
    wait "${pids[$shard]}" || { status=1; cat "$dir/e2e-shard-$shard.log"; }
  done
  grep -h -E '^\[  (PASSED|FAILED) ' "$dir"/e2e-shard-*.log || true
  local runs
  runs=$(find "$logs" -name 'tool.*.log' | wc -l)
  echo "valgrind: $runs runs of the tool"
  ((runs > 0)) || { echo "the e2e suite never ran the tool through the launcher" >&2; exit 1; }

  log "seed corpus and regressions replayed under valgrind"
  make_seed_corpus "$dir/make_seeds" "$dir/seeds"
  # shellcheck disable=SC2086
  valgrind $VALGRIND_FLAGS --log-file="$logs/replay.%p.log" "$dir/pelnor_fuzz_replay" "$dir/seeds"

  # Any log that is not empty holds a valgrind report.
  local bad
  bad=$(find "$logs" -name '*.log' -size +0 | sort)
  if [[ -n $bad ]]; then
    echo "valgrind reports:" >&2
    for f in $bad; do echo "--- $f" >&2; cat "$f" >&2; done
    exit 1
  fi
  ((status == 0)) || { echo "valgrind: the e2e suite failed" >&2; exit 1; }
  echo "valgrind: no memcheck error and no leak"
}

cmd_fuzz() {
  local seconds=${1:-120}
  need cmake ninja-build clang libclang-rt-14-dev libgtest-dev libgmock-dev
  local dir=build-ffuzz
  log "configure $dir (clang, libFuzzer + ASan + UBSan)"
  configure $dir fuzz -DCMAKE_CXX_COMPILER=clang++
  log "build"
  cmake --build $dir -j "$JOBS" --target pelnor_fuzz make_seeds
  make_seed_corpus "$dir/make_seeds" "$dir/seeds"
  local corpus=$ROOT/fuzz/corpus-work
  mkdir -p "$corpus" "$dir/artifacts"
  echo "seeds: $(find "$dir/seeds" -type f | wc -l) files; working corpus: $(find "$corpus" -type f | wc -l) files"

  log "fuzz for $seconds s"
  local forks=${FUZZ_FORKS:-1} fork_args=()
  ((forks > 1)) && fork_args=(-fork="$forks" -ignore_crashes=0)
  local status=0
  "$dir/pelnor_fuzz" "${fork_args[@]}" -dict=fuzz/pelnor.dict -max_total_time="$seconds" \
    -max_len=40000 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" "$corpus" "$dir/seeds" 2>"$dir/fuzz.log" || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added)' \
    "$dir/fuzz.log" || true
  echo "corpus: $(find "$corpus" -type f | wc -l) files"
  if ((status != 0)); then
    grep -A40 -E '^==[0-9]+==ERROR|runtime error|pelnor_fuzz:|deadly signal|timeout' "$dir/fuzz.log" | head -80 >&2
    echo "fuzz: FAILED (exit $status); inputs in $dir/artifacts/" >&2
    exit 1
  fi
  echo "fuzz: no crash, hang, leak or sanitizer report in $seconds s"
}

cmd_coverage() {
  need_build_tools
  need gcovr
  local dir=build-fcoverage
  log "configure $dir (gcc --coverage)"
  configure $dir fuzz -DCMAKE_CXX_COMPILER=g++ -DPELNOR_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug
  log "build"
  cmake --build $dir -j "$JOBS" --target pelnor unit_tests e2e_tests pelnor_fuzz_replay make_seeds
  find $dir -name '*.gcda' -delete
  log "unit + e2e suites"
  ctest --test-dir $dir/pelnor -j "$JOBS" --output-on-failure --timeout 300 -E '_NOT_BUILT' \
    >"$dir/ctest.log" || { cat "$dir/ctest.log"; exit 1; }
  grep -E 'tests passed|tests failed' "$dir/ctest.log"
  # Only the objects of the core and the tool: a test's own object files say nothing about src/.
  local gcovr_args=(--root "$ROOT" --filter "$ROOT/src/" --exclude "$ROOT/src/platform/platform_win32.cpp"
    --gcov-executable gcov "$dir/pelnor/CMakeFiles/pelnor_core.dir" "$dir/pelnor/CMakeFiles/pelnor.dir")
  log "line coverage of src/ over the unit and e2e suites"
  gcovr "${gcovr_args[@]}" --txt | tee "$dir/coverage-suites.txt"
  log "line coverage of src/ with the seed corpus and the fuzz corpus replayed as well"
  make_seed_corpus "$dir/make_seeds" "$dir/seeds"
  local inputs=("$dir/seeds")
  [[ -d fuzz/corpus-work ]] && inputs+=(fuzz/corpus-work)
  "$dir/pelnor_fuzz_replay" "${inputs[@]}"
  gcovr "${gcovr_args[@]}" --txt | tee "$dir/coverage-all.txt"
}

main() {
  local step=${1:-}
  shift || true
  case $step in
    sanitize) cmd_sanitize ;;
    valgrind) cmd_valgrind ;;
    fuzz) cmd_fuzz "${1:-120}" ;;
    coverage) cmd_coverage ;;
    ci)
      cmd_sanitize
      cmd_valgrind
      cmd_fuzz 120
      ;;
    *)
      sed -n '2,15p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
      exit 2
      ;;
  esac
}

main "$@"
