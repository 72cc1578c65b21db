#!/bin/sh
# Runs one Windows program under Wine in the build tree's prefix.
# ctest calls this as CMAKE_CROSSCOMPILING_EMULATOR; the prefix is made and
# its server kept alive by the wine_prefix_setup test fixture.
# Wine 8 now and then fails to start a process when Linux's address-space
# randomisation has put something where Wine maps its shared user data
# ("failed to map the shared user data: c0000018"); CreateProcessW then fails
# with 1359. Without randomisation the layout is the same every time, so the
# suite's processes all start under it (their children inherit it).
case "$(cat /proc/self/personality 2>/dev/null)" in
*[4567cdefCDEF]????) ;;
*) if setarch "$(uname -m)" -R true 2>/dev/null; then exec setarch "$(uname -m)" -R "$0" "$@"; fi ;;
esac
: "${VX_WINEPREFIX:?VX_WINEPREFIX must name the build tree's Wine prefix}"
export WINEPREFIX="$VX_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
