#!/usr/bin/env bash
# The console program's progress line: on a terminal (a pseudo-terminal made by script(1)) it is
# drawn while the archive is written and read back, and erased when each step ends, so that the
# screen holds the same lines as piped output; piped output holds the status lines only.
set -uo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

# An installation whose pg_dump writes a dump of 24 MiB at once.
drive=$work/drive
bin=$drive/Meridano/Tarvio/pg10/bin
mkdir -p "$bin" "$drive/Meridano/Tarvio/backup" "$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial"
echo '<a/>' >"$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial/a.xml"
python3 -c 'import os, sys; sys.stdout.buffer.write(b"PGDMP" + os.urandom(24 << 20))' >"$work/dump.backup"
printf '#!/bin/sh\nexec cat "%s"\n' "$work/dump.backup" >"$bin/pg_dump.exe"
printf '#!/bin/sh\ncase "$1" in --list) [ "$(head -c 5 "$2")" = PGDMP ];; esac\n' >"$bin/pg_restore.exe"
chmod +x "$bin/pg_dump.exe" "$bin/pg_restore.exe"

# The same backup, piped and on a terminal (the message dialog takes its default at the end of
# the input).
TARVIO_DRIVE_C="$drive" "$program" backup </dev/null >"$work/piped.out" 2>&1
piped_code=$?
script -qfec "env TARVIO_DRIVE_C='$drive' '$program' backup </dev/null" /dev/null </dev/null >"$work/terminal.out" 2>&1
terminal_code=$?
check "piped: the backup succeeds (exit $piped_code)" test "$piped_code" -eq 0
check "terminal: the backup succeeds (exit $terminal_code)" test "$terminal_code" -eq 0
check "piped: the status lines" grep -qF "Backup efetuado com êxito!" "$work/piped.out"

check "the progress line as a terminal shows it, erased at the end of each step" \
  python3 - "$work/piped.out" "$work/terminal.out" <<'PY'
import re, sys
piped = open(sys.argv[1], "rb").read().decode()
raw = open(sys.argv[2], "rb").read().decode()
ok = True
def fail(what):
    global ok
    ok = False
    print("  ", what)
if "Progresso" in piped or "\r" in piped:
    fail("piped output holds something else than lines: " + repr(piped[:300]))
shown = re.findall(r"Progresso: (\d+)% \((\d+) de (\d+) MB\)", raw)
percents = [int(p) for p, _, _ in shown]
print("   progress lines drawn:", len(shown), "percentages:", percents)
if len(shown) < 4 or 100 not in percents or not any(0 < p < 100 for p in percents):
    fail("the progress line did not move through a step")
# What the terminal shows: each line as the carriage returns leave it (the terminal writes
# "\r\n" for each line break).
screen = []
for line in raw.replace("\r\n", "\n").split("\n"):
    cells = []
    column = 0
    for c in line:
        if c == "\r":
            column = 0
            continue
        if column < len(cells):
            cells[column] = c
        else:
            cells.append(c)
        column += 1
    screen.append("".join(cells).rstrip())
stamp = lambda text: re.sub(r"tarvio-\d{8}-\d{6}", "tarvio-STAMP", text)
expected = [stamp(l.rstrip()) for l in piped.split("\n")]
if [stamp(l) for l in screen] != expected:
    fail("the terminal shows other lines than the pipe:\n" + "\n".join(screen))
sys.exit(0 if ok else 1)
PY

report
