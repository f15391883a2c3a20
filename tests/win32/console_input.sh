#!/usr/bin/env bash
# Lines typed at tarvio-backup-cli.exe's console under Wine, accented letters among them:
# console_input_driver.exe runs in a console of its own (wineconsole, on the test's display) and
# types there. Runs inside scripts/with-wine.sh. Usage: console_input.sh DRIVER_EXE CLI_EXE
set -uo pipefail
driver=$1 cli=$2
: "${WINEPREFIX:?run this under scripts/with-wine.sh}" "${DISPLAY:?no display}"
root=$WINEPREFIX/drive_c/Meridano
if [ -e "$root" ]; then echo "C:\\Meridano exists already in $WINEPREFIX" >&2; exit 1; fi
mkdir -p "$root/Tarvio"
log=$WINEPREFIX/drive_c/console-input.log
trap 'rm -rf "$root" "$log" "$log.program"' EXIT
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
# wineconsole does not pass the exit code on: the log tells.
timeout 300 wine wineconsole "$(winepath -w "$driver")" "$(winepath -w "$cli")" 'C:\console-input.log' \
  </dev/null >/dev/null 2>&1
tr -d '\r' <"$log"
echo "---- the program's output:"
tr -d '\r' <"$log.program"
grep -qx '0 check(s) failed' <(tr -d '\r' <"$log")
