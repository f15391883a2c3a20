#!/usr/bin/env bash
# Ctrl+C at tarvio-backup-cli.exe's console under Wine: console_ctrl_driver.exe runs in a console
# of its own (wineconsole, on the test's display) and types Ctrl+C there. Runs inside
# scripts/with-wine.sh. Usage: console_ctrl.sh DRIVER_EXE CLI_EXE GATE_STANDIN_EXE
set -uo pipefail
driver=$1 cli=$2 gate=$3
: "${WINEPREFIX:?run this under scripts/with-wine.sh}" "${DISPLAY:?no display}"
root=$WINEPREFIX/drive_c/Meridano
if [ -e "$root" ]; then echo "C:\\Meridano exists already in $WINEPREFIX" >&2; exit 1; fi
log=$WINEPREFIX/drive_c/console-ctrl.log
trap 'rm -rf "$root" "$log" "$log.program"' EXIT
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
# wineconsole does not pass the exit code on: the log tells.
timeout 300 wine wineconsole "$(winepath -w "$driver")" "$(winepath -w "$cli")" "$(winepath -w "$gate")" \
  'C:\console-ctrl.log' </dev/null >/dev/null 2>&1
tr -d '\r' <"$log"
echo "---- the program's output in the last case:"
tr -d '\r' <"$log.program"
grep -qx '0 check(s) failed' <(tr -d '\r' <"$log")
