#!/usr/bin/env bash
# Ctrl+C and its kin close the console program as closing the window closes the Windows program:
# during a backup, Ctrl+C typed twice at the terminal (SIGINT to the program's process group, as
# the terminal sends it), then SIGTERM and SIGHUP, leave the run to go on to its end, with the
# whole dump archived and nothing left behind, and the program ends after it; at the menu, Ctrl+C
# ends the program at once.
set -uo pipefail
program=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do pkill -KILL -s "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
# Writing to the input of a program that has ended must not end this script.
trap '' PIPE
source "$(dirname "$0")/checks.sh"
# Waits up to 30 s for a process to end; sets code to its exit code, or to "running".
await() {
  local pid=$1
  for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then code=running; else wait "$pid"; code=$?; fi
}

drive=$work/drive
bin=$drive/Meridano/Tarvio/pg10/bin
mkdir -p "$bin" "$drive/Meridano/Tarvio/backup" "$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial"
echo '<a/>' >"$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial/a.xml"
# A dump of 24 MiB written over about 3 s, as run_lock_test.sh makes it; the stand-in says when it
# has begun.
cat >"$work/dump.py" <<'PY'
import sys, time
block = bytes(range(256)) * 4096
out = sys.stdout.buffer
out.write(b"PGDMP")
for i in range(24):
    out.write(bytes([i]) + block[1:])
    out.flush()
    time.sleep(0.125)
PY
python3 - "$work/expected.backup" <<'PY'
import sys
block = bytes(range(256)) * 4096
with open(sys.argv[1], "wb") as f:
    f.write(b"PGDMP")
    for i in range(24):
        f.write(bytes([i]) + block[1:])
PY
cat >"$bin/pg_dump.exe" <<SH
#!/bin/sh
touch "$work/dumping"
exec python3 "$work/dump.py"
SH
printf '#!/bin/sh\ncase "$1" in --list) [ "$(head -c 5 "$2")" = PGDMP ];; esac\n' >"$bin/pg_restore.exe"
chmod +x "$bin/pg_dump.exe" "$bin/pg_restore.exe"

# --- During a run. The input stays open and is never written: the run asks nothing, and the
# program ends after it.
mkfifo "$work/input"
setsid env TARVIO_DRIVE_C="$drive" "$program" backup <"$work/input" >"$work/run.out" 2>&1 &
run=$!
pids+=($run)
exec 3>"$work/input"
for _ in $(seq 1 100); do [ -e "$work/dumping" ] && break; sleep 0.1; done
check "the dump has begun" test -e "$work/dumping"
sleep 0.5
kill -INT -- "-$run"
sleep 0.3
kill -INT -- "-$run"
kill -TERM "$run"
kill -HUP "$run"
await "$run"
exec 3>&-
check "the program ends after the run (exit $code)" test "$code" = 0
check "the run went on to its end" contains "$work/run.out" "Backup efetuado com êxito!"
check "the run wrote its last line" contains "$work/run.out" "Fim..."
archives=("$drive"/Meridano/Tarvio/backup/tarvio-*.zip)
check "one archive" test "${#archives[@]}" -eq 1 -a -f "${archives[0]}"
unzip -p "${archives[0]}" backup/tarvio.backup >"$work/archived.backup" 2>/dev/null
check "the archive holds the whole dump" cmp -s "$work/expected.backup" "$work/archived.backup"
check "no script or password file left" test ! -e "$drive/Meridano/backup.bat" -a ! -e "$drive/Meridano/pgpass"
check "the menu was not shown again" bash -c '[ "$(grep -c -- "-- Ação --" "$0")" = 0 ]' "$work/run.out"

# --- At the menu: Ctrl+C ends the program at once, the input still open.
rm -f "$work/input"
mkfifo "$work/input"
setsid env TARVIO_DRIVE_C="$drive" "$program" <"$work/input" >"$work/menu.out" 2>&1 &
menu=$!
pids+=($menu)
exec 3>"$work/input"
for _ in $(seq 1 100); do contains "$work/menu.out" "-- Ação --" && break; sleep 0.1; done
kill -INT -- "-$menu"
await "$menu"
exec 3>&-
check "Ctrl+C at the menu ends the program (exit $code)" test "$code" = 0

report
