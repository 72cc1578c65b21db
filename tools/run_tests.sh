#!/usr/bin/env bash
# Sets up a fresh Debian machine (mingw-w64, Wine, Xvfb), builds everything
# for Windows and runs every test under Wine inside a virtual display.
# Extra arguments go to ctest: tools/run_tests.sh -R pipe_protocol
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
vx_install_packages
vx_configure_and_build
vx_build_clang
vx_run_ctest "$@"
