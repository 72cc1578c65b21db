#!/bin/sh
# start PREFIX: make the prefix (once per run) and keep its server up.
# stop PREFIX:  stop that prefix's server, and only that one.
set -eu
action=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The server stays up between the programs of a run, so that each starts in
# milliseconds, but not for ever: this long after the last program of the
# prefix has ended, it ends with everything it runs, also when the run was
# killed before it could stop the prefix itself.
linger_seconds=60
case "$action" in
start)
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        rm -rf "$prefix"
    fi
    wineboot -i >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p"$linger_seconds" >/dev/null 2>&1 </dev/null
    # A crash ends the program at once, with the exception as its exit code:
    # Wine's default debugger would wait for somebody to close its dialog,
    # and report exit code 0 after. (This also warms the server's registry
    # and desktop.)
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /d '' /f >/dev/null 2>&1 </dev/null
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
