#!/usr/bin/env bash
# Batch benchmark: pelnor (by default, with -s -k, and dumping with -a) against the system-call
# floor and exiv2, jhead and exiftool, -p over phone files against its own floor with the peak
# memory of a 20 MB preview, -j against the text and against exiftool's JSON, -s -a over the
# containers (../shared/corpus/containers, or $PELNOR_CONTAINERS) against exiftool with the memory
# and the bytes read of 50 MB raw files, plus the strip-conversion microbenchmark.
#
#   bench/run.sh [-n FILES] [-r RUNS] [-p PEER_FILES] [-d DIR] [--no-micro] [--keep]
#
# Builds what it needs (Release) in build-bench/, makes a batch of FILES copies (default 10000)
# of the sample files in examples/ and of the real camera files in ../shared/corpus/real (or
# $PELNOR_CORPUS; skipped when absent) in a temporary directory (under DIR, else $TMPDIR or
# /tmp), and prints the results as Markdown tables. exiftool runs on PEER_FILES of the names
# (default 500) and its times are scaled up. Installs the peers and strace with apt-get when
# they are missing (as root). A large deletion on the same ext4 file system in the minutes
# before (an earlier run's clean-up, say) slows the file creations of the -o runs; see
# docs/performance.md.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PELNOR_BENCH_BUILD:-$root/build-bench}"
corpus="${PELNOR_CORPUS:-$root/../shared/corpus/real}"
files=10000
runs=7
peer_files=500
micro=1
keep=()
dir=()
while [ $# -gt 0 ]; do
  case "$1" in
    -n) files="$2"; shift 2 ;;
    -r) runs="$2"; shift 2 ;;
    -p) peer_files="$2"; shift 2 ;;
    -d) dir=(--dir "$2"); shift 2 ;;
    --no-micro) micro=0; shift ;;
    --keep) keep=(--keep); shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

need=()
for tool in exiv2:exiv2 jhead:jhead exiftool:libimage-exiftool-perl strace:strace xargs:findutils \
            python3:python3; do
  command -v "${tool%%:*}" >/dev/null || need+=("${tool#*:}")
done
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y -qq "${need[@]}" >/dev/null || { apt-get update -qq && apt-get install -y -qq "${need[@]}" >/dev/null; }
  else
    echo "missing (install them or run as root): ${need[*]}" >&2
  fi
fi

# The project's own samples, the committed copies in examples/.
samples=()
for f in "$root"/examples/*.jpg; do
  case "$f" in *.thumb.*) ;; *) [ -f "$f" ] && samples+=("$f") ;; esac
done

cmake -S "$root/bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(pelnor bench_floor bench_picture_floor bench_measure)
[ $micro = 1 ] && targets+=(bench_strip)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

echo "# pelnor batch benchmark"
echo
echo "- Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores, $(free -g | awk '/^Mem:/{print $2}') GiB, Linux $(uname -r)"
echo "- Load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "- Tools: $(exiv2 --version 2>/dev/null | head -1), jhead $(jhead -V 2>/dev/null | awk '{print $3}'), exiftool $(exiftool -ver 2>/dev/null)"
echo
python3 "$root/bench/batch_bench.py" --pelnor "$build/pelnor/pelnor" --floor "$build/bench_floor" \
  --measure "$build/bench_measure" --samples "${samples[@]}" --corpus "$corpus" -n "$files" --runs "$runs" \
  --peer-n "$peer_files" "${keep[@]}" "${dir[@]}"

echo "- Load average after the batch runs: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
python3 "$root/bench/pictures_bench.py" --pelnor "$build/pelnor/pelnor" --floor "$build/bench_picture_floor" \
  --measure "$build/bench_measure" --corpus "$corpus"
echo
if [ -d "$corpus" ]; then
  python3 "$root/bench/json_bench.py" --pelnor "$build/pelnor/pelnor" --measure "$build/bench_measure" \
    --corpus "$corpus"
  echo
fi
containers="${PELNOR_CONTAINERS:-$root/../shared/corpus/containers}"
if [ -d "$containers" ]; then
  python3 "$root/bench/containers_bench.py" --pelnor "$build/pelnor/pelnor" --measure "$build/bench_measure" \
    --corpus "$containers"
  echo
fi
if [ $micro = 1 ]; then
  echo "## Strip conversions (Google Benchmark, 160 x 120 thumbnail)"
  echo
  echo '```'
  "$build/bench_strip" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>&1
  echo '```'
fi
