#!/usr/bin/env bash
# Under Wine, tarvio-backup-cli.exe as a scheduler runs it, with the real cmd.exe and the private
# PostgreSQL servers: "backup --verificar --manter 2 --copiar-para D:\copias" (D: a second drive of
# the prefix), a copy to a drive that does not exist, the drill of an archive whose dump pg_restore
# rejects, "historico", bad usage; the history file, the events the program hands to Wine's event log
# (Wine keeps none: its ReportEventW writes their text to its debug channel "eventlog") and the
# registration of the event source. Runs inside scripts/with-wine.sh with the servers of the pg fixture up.
# Usage: admin.sh CLI_EXE PG_WRAPPER_EXE SERVER_CONFIG_STANDIN_EXE PG_SCRIPTS_DIR
set -uo pipefail
cli=$1 wrapper=$2 standin=$3 pg_scripts=$4
: "${WINEPREFIX:?run this under scripts/with-wine.sh}"
source "$pg_scripts/common.sh"
source "$(dirname "$0")/installation.sh"
work=$(mktemp -d /tmp/tarvio-admin.XXXXXX)
cleanup() {
  rm -f "$WINEPREFIX/dosdevices/d:"
  rm -rf "$root" "$work"
}
trap cleanup EXIT

install_programs "$wrapper" "$standin"
put "$tomcat/esocial/eventos/S-1200-0001.xml" '<evento id="S-1200"/>'
put "$jetty/trabalhadores/joao-lima/holerite-2026-10.pdf" 'holerite jetty'

# The second drive: D: is a folder of the test.
copies=$work/d-drive/copias
mkdir -p "$copies"
ln -s "$work/d-drive" "$WINEPREFIX/dosdevices/d:"
for name in tarvio-20240101-000000.zip tarvio-20240102-000000.zip tarvio-20240103-000000.zip tarvio-2026.zip \
            notas.txt; do
  echo x >"$backups/$name"
  echo x >"$copies/$name"
done

# run NAME ARGS...: the program with its events shown (type and number on Wine's "fixme" line of
# ReportEventW, the text on the "eventlog" line that follows); output in $work/NAME.out and .err.
run() {
  local name=$1; shift
  WINEDEBUG=fixme+advapi,trace+eventlog,warn+eventlog,err+eventlog timeout 300 wine "$cli" "$@" </dev/null \
    >"$work/$name.out" 2>"$work/$name.err"
  code=$?
  sed -i 's/\r$//' "$work/$name.out"
  echo "---- tarvio-backup-cli.exe $* (exit $code)"; cat "$work/$name.out"
}
# The events of a run as "TYPE ID": 0x0004 information, 0x0001 error; the number in hexadecimal.
events() { sed -n 's/.*ReportEventW ([0-9A-F]*,\(0x[0-9a-f]*\),0x[0-9a-f]*,\(0x[0-9a-f]*\),.*/\1 \2/p' "$work/$1.err"; }
scratch_databases() { pg_psql 5432 -d postgres -Atc "SELECT count(*) FROM pg_database WHERE datname = 'tarvio_verificacao'"; }
history_lines() { tr -d '\r' <"$backups/historico.txt" | cut -f2,3,4; }

before=$("$pg_scripts/fingerprint.sh" 5432)
run full backup --verificar --manter 2 --copiar-para 'D:\copias'
check "the full run succeeds (exit $code)" [ "$code" = 0 ]
check "the drill restored and counted" grep -qE "Verificação concluída com êxito! .* [1-9][0-9.]* tabela\(s\), [1-9][0-9.]* linha\(s\)\.$" "$work/full.out"
check "the copy was read back" grep -qF 'Cópia conferida: D:\copias\tarvio-' "$work/full.out"
check "nothing was asked" bash -c '! grep -qF "[OK]" "$1"' _ "$work/full.out"
made=$(cd "$backups" && ls tarvio-2[0-9][0-9][0-9][0-9][0-9][0-9][0-9]-*.zip | sort | tail -1)
keep=$(printf '%s\n' notas.txt tarvio-20240103-000000.zip "$made" tarvio-2026.zip | sort)
check "two archives and every other file stay in C:\\Meridano\\Tarvio\\backup" \
  [ "$(cd "$backups" && ls | grep -vx historico.txt | sort)" = "$keep" ]
check "the same in D:\\copias" [ "$(cd "$copies" && ls | sort)" = "$keep" ]
check "the copy is the archive" cmp -s "$backups/$made" "$copies/$made"
check "the scratch database is gone" [ "$(scratch_databases)" = 0 ]
check "the live database is untouched" [ "$("$pg_scripts/fingerprint.sh" 5432)" = "$before" ]
check "no temporary folder left" [ ! -e "$backups/verificacao" ]
check "three lines in the history" [ "$(history_lines)" = "$(printf 'backup\tlinha de comando\tsucesso\nverificação\tlinha de comando\tsucesso\ncópia\tlinha de comando\tsucesso')" ]
check "three success events (information, 100)" [ "$(events full)" = "$(printf '0x0004 0x00000064\n0x0004 0x00000064\n0x0004 0x00000064')" ]
check "the events' text" grep -qF 'Backup (linha de comando): sucesso.' "$work/full.err"
check "the event source is registered with eventcreate's messages" bash -c \
  'wine reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tarvio Backup" /v EventMessageFile 2>/dev/null | grep -qF "EventCreate.exe"'

sleep 1  # a new second, a new archive's name
run copy backup --copiar-para 'Q:\copias'
check "a copy to a drive that does not exist exits 5 (exit $code)" [ "$code" = 5 ]
check "it says why" grep -qF 'A cópia falhou: a pasta Q:\copias não existe ou não pode ser alcançada.' "$work/copy.out"
check "its events: the backup's success, the copy's failure (error, 102)" \
  [ "$(events copy)" = "$(printf '0x0004 0x00000064\n0x0001 0x00000066')" ]
# Wine shows the text's non-ASCII characters as escapes ("C\00f3pia").
check "the failure's text in the event" grep -qF 'pia (linha de comando): falha.' "$work/copy.err"

# An archive whose dump pg_restore rejects: the custom-format signature, then nothing it can read.
python3 - "$backups/rejeitado.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("backup/tarvio.backup", b"PGDMP" + bytes(range(256)) * 64)
PY
run drill verificar 'C:\Meridano\Tarvio\backup\rejeitado.zip'
check "the drill of a rejected dump exits 4 (exit $code)" [ "$code" = 4 ]
check "its verdict" grep -qF "A verificação falhou: o pg_restore não restaurou o backup sem erros" "$work/drill.out"
check "the scratch database is gone after it too" [ "$(scratch_databases)" = 0 ]
check "its event (error, 103)" [ "$(events drill)" = "0x0001 0x00000067" ]
check "pg_restore's log is kept" bash -c 'ls "$1"/verificacao-*.log >/dev/null 2>&1' _ "$backups"

run usage backup --manter 0
check "bad usage exits 2 (exit $code)" [ "$code" = 2 ]

run table historico
check "historico exits 0 (exit $code)" [ "$code" = 0 ]
check "the table shows the drill that failed" grep -qE "^20[0-9-]+ [0-9:]+ +verificação +linha de comando +falha " "$work/table.out"
check "and its error below it" grep -qF "    erro: A verificação falhou: o pg_restore" "$work/table.out"
check "the live database is still untouched" [ "$("$pg_scripts/fingerprint.sh" 5432)" = "$before" ]

echo "---- $failures failure(s)"
[ "$failures" = 0 ]
