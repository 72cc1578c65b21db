#!/bin/sh
# start PREFIX: make the prefix (once per run) and keep its server up.
# stop PREFIX:  stop that prefix's server, and only that one.
set -eu
# Wine 8 now and then fails to start a process when Linux's address-space
# randomisation has put something where Wine maps its shared user data
# ("failed to map the shared user data: c0000018"); CreateProcessW then fails
# with 1359. Without randomisation the layout is the same every time, so the
# suite's processes all start under it (their children inherit it).
case "$(cat /proc/self/personality 2>/dev/null)" in
*[4567cdefCDEF]????) ;;
*) if setarch "$(uname -m)" -R true 2>/dev/null; then exec setarch "$(uname -m)" -R "$0" "$@"; fi ;;
esac
action=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
start)
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        rm -rf "$prefix"
    fi
    wineboot -i >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1 </dev/null
    # A crash ends the program at once, with the exception as its exit code:
    # Wine's default debugger would wait for somebody to close its dialog,
    # and report exit code 0 after.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /d '' /f >/dev/null 2>&1 </dev/null
    # A first console program warms the server's registry and starts the
    # desktop and the other system processes here, with no output handle
    # that a test's runner waits on.
    wine cmd /c exit 0 >/dev/null 2>&1 </dev/null || true
    echo "Wine prefix ready: $prefix"
    ;;
stop)
    wineserver -k 2>/dev/null || true
    echo "Wine prefix stopped: $prefix"
    ;;
*)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
