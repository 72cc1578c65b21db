#!/usr/bin/env bash
# Sets up a fresh Debian machine (mingw-w64, Wine, Xvfb), builds everything
# for Windows and runs every test under Wine inside a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
vx_install_packages
vx_configure_and_build
vx_build_clang
# ctest makes the run's Wine prefix inside the build tree, keeps its server
# up for the run and stops it at the end.
xvfb-run -a --server-args="-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure --timeout 900 "$@"
