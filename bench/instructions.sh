#!/usr/bin/env bash
# Instructions per file (valgrind's callgrind counts instructions, not seconds: the same count for
# the same binary and inputs, whatever else the machine is doing), for the default dump, -a and
# -j -a over the real camera files, each in one invocation.
#
#   bench/instructions.sh [PELNOR] [CORPUS]
#
# PELNOR is a Release build of the tool (default: build-bench/pelnor/pelnor, built here when
# missing); CORPUS a folder of camera files (default: ../shared/corpus/real).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pelnor="${1:-$root/build-bench/pelnor/pelnor}"
corpus="${2:-${PELNOR_CORPUS:-$root/../shared/corpus/real}}"
if [ ! -x "$pelnor" ]; then
  cmake -S "$root/bench" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build-bench" -j2 --target pelnor >/dev/null
fi
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
mapfile -t files < <(find "$corpus" -maxdepth 1 -type f ! -name '*.tsv' ! -name '*.md' | LC_ALL=C sort)
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
echo "| Options | Instructions | Files | Per file |"
echo "|---|---:|---:|---:|"
for options in "-k" "-a -s -k" "-j -a -s -k"; do
  # shellcheck disable=SC2086
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" "$pelnor" $options "${files[@]}" \
    >/dev/null 2>"$out/log" || true
  total=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$out/log")
  echo "| \`$options\` | $total | ${#files[@]} | $((total / ${#files[@]})) |"
done
