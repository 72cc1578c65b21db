#!/usr/bin/env bash
# Shows ElevatedTasks at work under Wine: installs what a fresh Debian machine
# lacks, builds everything, makes a Wine prefix of its own (build/demo-prefix)
# with the fake Xperf on PATH and the fake "CORVANTALauncher" service
# registered, then drives qlfvxET.exe through qlfvxETctl.exe and prints what
# every command changed. Any arguments replace the default commands.
#   tools/run_demo.sh
#   tools/run_demo.sh debugdir-create quit
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${VX_DEMO_STAGE:-}" != "display" ]; then
  source tools/setup.sh
  vx_install_packages
  vx_configure_and_build
  echo "Built into build/bin."
  # Everything Wine shows (a "Registry key failed" box, say) needs a display.
  exec env VX_DEMO_STAGE=display xvfb-run -a "$0" "$@"
fi

root=$PWD
prefix=$root/build/demo-prefix
xperf_log=$root/build/demo-xperf.log
service_name=CORVANTALauncher

cmake/wine-prefix.sh start "$prefix"
trap 'cmake/wine-prefix.sh stop "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

win() { winepath -w "$1" 2>/dev/null; }
bin=$(win "$root/build/bin")

# The fake Xperf is found through PATH, as the real one would be, and writes
# the command line it was given to the log.
export WINEPATH
WINEPATH=$(win "$root/build/bin/doubles/xperf")
rm -f "$xperf_log"
export VX_FAKE_XPERF_LOG
VX_FAKE_XPERF_LOG=$(win "$xperf_log")

# The fake launcher service, registered stopped; its stop takes 300 ms.
wine sc create "$service_name" \
  binPath= "\"$bin\\fake_service.exe\" $service_name 300" \
  start= demand >/dev/null
echo "Registered the fake service $service_name (stopped)."
echo

if [ $# -eq 0 ]; then
  set -- debugdir-create \
    debugdir-set 'C:\VxDemo\Session Logs' \
    debugdir-delete \
    lnkagt-create \
    lnkagt-set 'C:\windows\temp' \
    lnkagt-delete \
    xperf-start \
    xperf-stop \
    service-restart \
    code 42 \
    quit
fi
echo "qlfvxETctl $*"
echo "(lines such as \"ControlService failed (1062)\" come from qlfvxET.exe's own console,"
echo " which Wine does not hide: stopping a service that is not running fails.)"
status=0
wine "$root/build/bin/qlfvxETctl.exe" "$@" || status=$?

echo
if [ -s "$xperf_log" ]; then
  echo "The fake Xperf was run with:"
  grep '^params=' "$xperf_log" | sed 's/^params=/  Xperf.exe /'
else
  echo "The fake Xperf was not run."
fi
echo "qlfvxETctl exit code: $status"
echo
echo "What is left, as qlfvxETctl status sees it (no elevation, no ElevatedTasks):"
wine "$root/build/bin/qlfvxETctl.exe" status || true
exit "$status"
