#!/usr/bin/env bash
# Runs the GUI driver against tarvio-backup.exe in the current Wine prefix and display (start it
# through scripts/with-wine.sh), and takes the screenshots that the driver asks for.
# Usage: run-gui-test.sh gui_driver.exe tarvio-backup.exe OUTPUT-FOLDER
set -euo pipefail
driver=$1 app=$2 out=$3
: "${WINEPREFIX:?run this under scripts/with-wine.sh}" "${DISPLAY:?no display}"
source "$(dirname "$0")/screenshots.sh"
start_screenshots "$out"
trap stop_screenshots EXIT

# Wine's background processes (services, the desktop) start with the first program in the prefix
# and outlive it: start them here, away from the caller's output pipe, which they would hold open.
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true

status=0
wine "$driver" "$(winepath -w "$app")" 'C:\tarvio-gui-shots' || status=1

# The layout again at 144 DPI (150 %): every position and size scales.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wine "$driver" "$(winepath -w "$app")" 'C:\tarvio-gui-shots' -144dpi || status=1
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
exit $status
