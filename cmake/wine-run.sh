#!/bin/sh
# Runs one Windows program under Wine in the build tree's prefix.
# ctest calls this as CMAKE_CROSSCOMPILING_EMULATOR; the prefix is made and
# its server kept alive by the wine_prefix_setup test fixture.
: "${VX_WINEPREFIX:?VX_WINEPREFIX must name the build tree's Wine prefix}"
export WINEPREFIX="$VX_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
