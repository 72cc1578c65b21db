#!/bin/sh
# start PREFIX: make the prefix (once per run) and keep its server up.
# stop PREFIX:  stop that prefix's server, and only that one.
set -eu
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
    # A first process warms the server's registry and desktop.
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
