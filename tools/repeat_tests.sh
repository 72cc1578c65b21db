#!/usr/bin/env bash
# Runs the suite, or the selection that the ctest arguments make, N times in a
# row, each time on the gcc build and on the checked build as
# tools/run_tests.sh does, and tells how many rounds were green. Sets up and
# builds both trees first. Exit code 0 only when every round was green.
#   tools/repeat_tests.sh 5
#   tools/repeat_tests.sh 20 -R 'fault_test|soak_test'
#   VX_REPEAT_TREES=build tools/repeat_tests.sh 5     # the gcc build alone
# Each run's full output stays in <tree>/repeat-<i>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! [[ "${1:-}" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: tools/repeat_tests.sh N [ctest arguments]" >&2
  exit 2
fi
runs=$1
shift
trees=(${VX_REPEAT_TREES:-build build-clang})
source tools/setup.sh
vx_install_packages
vx_configure_and_build >/dev/null
[[ " ${trees[*]} " == *" build-clang "* ]] && vx_build_clang >/dev/null
trap 'exit 130' INT TERM HUP
green=0
for ((i = 1; i <= runs; i++)); do
  verdict=green
  for tree in "${trees[@]}"; do
    log=$tree/repeat-$i.log
    started=$SECONDS
    if vx_run_ctest_in "$tree" "$@" >"$log" 2>&1; then
      result=green
    else
      result="RED: $(grep -E '^\s+[0-9]+ - ' "$log" | awk '{print $3}' | paste -sd' ' || true)"
      verdict=RED
    fi
    echo "run $i of $runs, $tree: $result ($((SECONDS - started)) s," \
      "$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" || echo 'no summary'))"
  done
  [ "$verdict" = green ] && green=$((green + 1))
done
echo "$green of $runs rounds green"
[ "$green" -eq "$runs" ]
