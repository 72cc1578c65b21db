#!/usr/bin/env bash
# Builds everything for Windows and runs qlfvxETbench.exe under Wine in a
# prefix of its own (build/bench-prefix), made for this run and stopped at
# the end. Prints the machine, then the table of routines against floors.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$PWD/build/bench-prefix"

if [ "${1:-}" != "--in-display" ]; then
    source tools/setup.sh
    vx_install_packages
    vx_configure_and_build
    # The prefix's server is started inside the display, as the tests do.
    exec xvfb-run -a "$0" --in-display
fi

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cmake/wine-prefix.sh start "$prefix"
trap 'cmake/wine-prefix.sh stop "$prefix"' EXIT
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "wine: $(wine --version 2>/dev/null)"
(cd build/bin && wine qlfvxETbench.exe)
