#!/usr/bin/env bash
# Sets up a fresh Debian machine (mingw-w64, clang, Wine, Xvfb), builds
# everything for Windows twice (gcc into build/, the checked clang build into
# build-clang/) and runs every test under Wine inside a virtual display: on
# the gcc build, then again on the checked build, each in its own prefix.
# Exits non-zero when either run fails. Extra arguments go to both ctest
# runs: tools/run_tests.sh -R pipe_protocol
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
vx_install_packages
vx_configure_and_build
vx_build_clang
# An interrupted script stops here: the run under way stops its own prefix
# and the next run does not start.
trap 'exit 130' INT TERM HUP
gcc_run=0
checked_run=0
started=$SECONDS
echo "== The suite on the gcc build (build/)"
vx_run_ctest "$@" || gcc_run=$?
gcc_seconds=$((SECONDS - started))
started=$SECONDS
echo "== The suite on the checked build (build-clang/: undefined-behaviour traps, container checks)"
vx_run_ctest_in build-clang "$@" || checked_run=$?
verdict() { if [ "$1" -eq 0 ]; then echo green; else echo "RED (ctest exit $1)"; fi; }
echo "== gcc build: $(verdict $gcc_run) in ${gcc_seconds} s;" \
  "checked build: $(verdict $checked_run) in $((SECONDS - started)) s"
[ "$gcc_run" -eq 0 ] && [ "$checked_run" -eq 0 ]
