#!/usr/bin/env bash
# See scripts/hostile.sh. With --ci: the bounded run that the test command uses.
set -euo pipefail
args=()
for a in "$@"; do [[ $a == --ci ]] || args+=("$a"); done
exec bash "$(dirname "${BASH_SOURCE[0]}")/hostile.sh" coverage "${args[@]}"
