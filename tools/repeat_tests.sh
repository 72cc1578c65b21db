#!/usr/bin/env bash
# Runs the suite, or the selection that the ctest arguments make, N times in a
# row and tells how many runs were green. Sets up and builds like
# tools/run_tests.sh first. Exit code 0 only when every run was green.
#   tools/repeat_tests.sh 5
#   tools/repeat_tests.sh 20 -R 'fault_test|soak_test'
# Each run's full output stays in build/repeat-<i>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! [[ "${1:-}" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: tools/repeat_tests.sh N [ctest arguments]" >&2
  exit 2
fi
runs=$1
shift
source tools/setup.sh
vx_install_packages
vx_configure_and_build >/dev/null
green=0
for ((i = 1; i <= runs; i++)); do
  log=build/repeat-$i.log
  started=$SECONDS
  if vx_run_ctest "$@" >"$log" 2>&1; then
    green=$((green + 1))
    verdict=green
  else
    verdict="RED: $(grep -E '^\s+[0-9]+ - ' "$log" | awk '{print $3}' | paste -sd' ' || true)"
  fi
  echo "run $i of $runs: $verdict ($((SECONDS - started)) s, $(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" || echo 'no summary'))"
done
echo "$green of $runs runs green"
[ "$green" -eq "$runs" ]
