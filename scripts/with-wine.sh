#!/usr/bin/env bash
# Runs a command with a private, headless Wine: its own prefix (Brazilian Portuguese locale, ANSI
# 1252 and OEM 850), its own Xvfb display, and no window manager delays. Everything is removed
# afterwards. Usage: scripts/with-wine.sh COMMAND [ARGS...]
set -euo pipefail
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
work=$(mktemp -d /tmp/tarvio-wine.XXXXXX)
export WINEPREFIX="$work/prefix"
xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 200); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -1 "$work/display")"

# A template prefix is kept between runs: a fresh one takes 10-20 s to make.
template="${XDG_CACHE_HOME:-$HOME/.cache}/tarvio/wine-prefix-2-$(wine --version 2>/dev/null | tr -c 'a-zA-Z0-9.\n' _).tar"
# A missing or unreadable template (a fresh machine, a read-only home) only costs that time.
if [ ! -s "$template" ] || ! tar -C "$work" -xf "$template" 2>/dev/null; then
  rm -rf "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || { echo "with-wine: wineboot --init failed" >&2; exit 1; }
  wineserver -w
  # Without a window manager, every hidden or closed window would wait 2 s for one.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 \
    || { echo "with-wine: cannot set up the Wine prefix" >&2; exit 1; }
  # A program that crashes ends with its backtrace on its output, instead of waiting behind a crash
  # dialog that nobody closes until the test's time limit.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 \
    || { echo "with-wine: cannot set up the Wine prefix" >&2; exit 1; }
  wineserver -w
  # Kept only when complete; a name of its own, so that runs at the same time do not mix their copies.
  if mkdir -p "$(dirname "$template")" 2>/dev/null; then
    tar -C "$work" -cf "$template.$$.tmp" prefix 2>/dev/null && mv "$template.$$.tmp" "$template" \
      || rm -f "$template.$$.tmp"
  fi
fi
wineserver -p
# The first program started in a prefix also starts Wine's own services, which keep its standard
# output open: started under ctest, they would keep ctest waiting for the end of that output.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
set +e
"$@"
status=$?
set -e
exit $status
