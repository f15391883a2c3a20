#!/usr/bin/env bash
# Two console programs started for a backup at nearly the same time, as a scheduled run meets a
# click: the second is refused before it touches anything, and the first one's archive holds the
# whole dump. Then a run killed while it holds the lock: the next run is not kept out by it.
set -uo pipefail
program=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do pkill -KILL -s "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/checks.sh"

drive=$work/drive
bin=$drive/Meridano/Tarvio/pg10/bin
mkdir -p "$bin" "$drive/Meridano/Tarvio/backup" "$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial"
echo '<a/>' >"$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial/a.xml"
# A dump of 24 MiB written over about 3 s. Each call of the stand-in writes bytes of its own (its
# number in every block), so that a dump mixed from two runs shows.
cat >"$work/dump.py" <<'PY'
import sys, time
run = int(sys.argv[1])
block = bytes(range(256)) * 4096  # 1 MiB
out = sys.stdout.buffer if len(sys.argv) < 3 else open(sys.argv[2], "wb")
out.write(b"PGDMP")
for i in range(24):
    out.write(bytes([run, i]) + block[2:])
    out.flush()
    if len(sys.argv) < 3: time.sleep(0.125)
PY
python3 "$work/dump.py" 1 "$work/expected.backup"
cat >"$bin/pg_dump.exe" <<SH
#!/bin/sh
if [ -f "$work/hang" ]; then sleep 600; fi
echo x >>"$work/calls"
exec python3 "$work/dump.py" "\$(wc -l <"$work/calls")"
SH
chmod +x "$bin/pg_dump.exe"
# The restore's pg_restore reads back every dump that a backup archives.
printf '#!/bin/sh\ncase "$1" in --list) [ "$(head -c 5 "$2")" = PGDMP ];; esac\n' >"$bin/pg_restore.exe"
chmod +x "$bin/pg_restore.exe"

# Each program in a session of its own, so that a kill reaches its scripts too (each script runs in
# a process group of its own).
start() {  # start NAME ARGS...: runs the program in the background, output in $work/NAME.out
  local name=$1; shift
  setsid env TARVIO_DRIVE_C="$drive" "$program" "$@" </dev/null >"$work/$name.out" 2>&1 &
  pids+=($!)
}

start first backup
first=$!
# The second starts once the first holds the lock and dumps (its first attempt has begun).
for _ in $(seq 1 300); do grep -qF "Iniciando método 1" "$work/first.out" 2>/dev/null && break; sleep 0.05; done
start second backup
second=$!
wait "$second"; second_code=$?
wait "$first"; first_code=$?

check "the second run is refused with the code for another run (exit $second_code)" test "$second_code" -eq 3
check "the second run says why" contains "$work/second.out" \
  "Já existe um backup ou uma restauração em andamento neste servidor."
check "the second run ran no dump attempt" bash -c '! grep -qF "Iniciando método" "$0"' "$work/second.out"
check "the first run succeeds (exit $first_code)" test "$first_code" -eq 0
check "the first run reports its archive" contains "$work/first.out" "Backup efetuado com êxito!"
archives=("$drive"/Meridano/Tarvio/backup/tarvio-*.zip)
check "one archive" test "${#archives[@]}" -eq 1
unzip -p "${archives[0]}" backup/tarvio.backup >"$work/archived.backup" 2>/dev/null
check "the archive holds the whole dump" cmp -s "$work/expected.backup" "$work/archived.backup"
# Both runs are in the history, each on one whole line: the refused one while the other held the
# lock, the other when it ended.
history=$drive/Meridano/Tarvio/backup/historico.txt
check "two lines in the history" test "$(tr -d '\r' <"$history" | cut -f4)" = "$(printf 'recusada\nsucesso')"
check "each of eight fields" test "$(awk -F'\t' 'NF != 8' "$history" | wc -l)" = 0

# A run killed while it holds the lock (its dump never ends) keeps no later run out.
rm -f "${archives[@]}"
touch "$work/hang"
start killed backup
killed=$!
for _ in $(seq 1 100); do grep -qF "Iniciando método 1" "$work/killed.out" 2>/dev/null && break; sleep 0.1; done
check "the killed run had started its dump" contains "$work/killed.out" "Iniciando método 1 de backup..."
pkill -KILL -s "$killed"
wait "$killed" 2>/dev/null
rm -f "$work/hang"
start after backup
wait $!; after_code=$?
check "the next run succeeds (exit $after_code)" test "$after_code" -eq 0
check "the next run reports its archive" contains "$work/after.out" "Backup efetuado com êxito!"

report
