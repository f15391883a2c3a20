#!/usr/bin/env bash
# The console program as a scheduler runs it: "backup --verificar --manter N --copiar-para PASTA",
# "verificar" and "historico" with stand-ins for PostgreSQL's programs. It asks nothing (its input
# stays open and is never read), prints its status lines and its outcome, and ends with the code of
# the table in its help. Bad usage is refused before anything runs.
set -uo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

drive=$work/drive
backups=$drive/Meridano/Tarvio/backup
bin=$drive/Meridano/Tarvio/pg10/bin
copies=$work/copias
calls=$work/calls
mkdir -p "$bin" "$backups" "$copies" "$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial"
echo '<a/>' >"$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial/a.xml"

# pg_dump writes a dump; pg_restore lists it, and restores it unless $work/restore-fails exists;
# psql answers, counts 4 tables and 120 rows; createdb and dropdb record their calls.
cat >"$bin/pg_dump.exe" <<SH
#!/bin/sh
[ -e "$work/dump-fails" ] && exit 1
printf PGDMP; head -c 1000000 /dev/zero
SH
cat >"$bin/pg_restore.exe" <<SH
#!/bin/sh
if [ "\$1" = --list ]; then [ "\$(head -c 5 "\$2")" = PGDMP ]; exit; fi
echo "pg_restore \$*" >>"$calls"
[ -e "$work/restore-fails" ] && { echo "pg_restore: error: could not execute query" >&2; exit 1; }
exit 0
SH
cat >"$bin/psql.exe" <<SH
#!/bin/sh
echo "psql \$*" >>"$calls"
case "\$*" in *pg_temp.linhas*) echo '4|120';; esac
exit 0
SH
for p in createdb dropdb; do printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$p" "$calls" >"$bin/$p.exe"; done
chmod +x "$bin"/*.exe
# The second attempt runs pg_dump.exe by its bare name, along PATH: it finds this same stand-in
# first, not the machine's own pg_dump (which reached the real test servers when they were up, and
# made a backup meant to fail succeed).
mkdir -p "$work/path"
cp "$bin/pg_dump.exe" "$work/path/pg_dump.exe"

# The program's input: a pipe that stays open and is never written, so a program that read it would
# wait until the time limit below.
mkfifo "$work/input"
exec 3<>"$work/input"
run() {  # run NAME ARGS...: the program with that input; output in $work/NAME.out
  local name=$1; shift
  timeout 120 env TARVIO_DRIVE_C="$drive" PATH="$work/path:$PATH" "$program" "$@" <&3 >"$work/$name.out" 2>&1
  code=$?
}
history_lines() { tr -d '\r' <"$backups/historico.txt" 2>/dev/null | cut -f2,3,4; }

# --- Bad usage: told before anything runs, exit 2, nothing written.
for args in "backup --manter 0" "backup --manter abc" "backup --manter" "backup --manter=-3" \
            "backup --copiar-para copias" "backup --verificar --verificar" "backup --apagar-tudo" \
            "verificar a.zip b.zip" "historico muitos" "/backup" "restaurar"; do
  run usage $args
  check "bad usage \"$args\" exits 2 (exit $code)" test "$code" = 2
  check "bad usage \"$args\" points to the help" contains "$work/usage.out" "--help"
done
check "bad usage touched nothing" test -z "$(ls -A "$backups")"
run help --help
check "--help exits 0" test "$code" = 0
for text in "Códigos de saída:" "3  outro backup ou restauração em andamento neste servidor" "--copiar-para PASTA"; do
  check "--help tells \"$text\"" contains "$work/help.out" "$text"
done

# --- Archives already there, in both folders, with names that only look like the program's own.
for name in tarvio-20240101-000000.zip tarvio-20240102-000000.zip tarvio-20240103-000000.zip \
            tarvio-2026.zip TARVIO-20240104-000000.ZIP notas.txt; do
  echo x >"$backups/$name"
  echo x >"$copies/$name"
done

run full backup --verificar --manter 2 --copiar-para "$copies"
check "the full run succeeds (exit $code)" test "$code" = 0
check "it reports the backup" contains "$work/full.out" "Backup efetuado com êxito! Disponível em"
check "it reports the drill" contains "$work/full.out" "Verificação concluída com êxito!"
check "it counts tables and rows" contains "$work/full.out" "4 tabela(s), 120 linha(s)."
check "it reports the copy" contains "$work/full.out" "Cópia conferida: $copies/tarvio-"
check "its closing line" contains "$work/full.out" "Resultado: sucesso (código de saída 0)."
check "no [OK] asked" lacks "$work/full.out" "[OK]"
check "no menu" lacks "$work/full.out" "-- Ação --"
made=$(cd "$backups" && ls tarvio-2[0-9]*-*.zip | sort | tail -1)
check "the archive was made ($made)" test -n "$made" -a "$made" != tarvio-20240103-000000.zip
keep=$(printf '%s\n' TARVIO-20240104-000000.ZIP notas.txt tarvio-20240103-000000.zip "$made" tarvio-2026.zip | sort)
check "two archives stay in the backup folder, and every other file" \
  test "$(cd "$backups" && ls | grep -v -x -e historico.txt | sort)" = "$keep"
check "the same in the copy's folder" test "$(cd "$copies" && ls | sort)" = "$keep"
check "the copy is the archive" cmp -s "$backups/$made" "$copies/$made"
check "the scratch database was restored and dropped" bash -c \
  'grep -q "^pg_restore .*-d tarvio_verificacao" "$0" && tail -2 "$0" | grep -q "^dropdb .*tarvio_verificacao"' "$calls"
check "the live database is never named" bash -c '! grep -qE " tarvio( |$)" "$0"' "$calls"
check "the drill's temporary folder is gone" test ! -e "$backups/verificacao"
check "three lines in the history" test "$(history_lines)" = "$(printf 'backup\tlinha de comando\tsucesso\nverificação\tlinha de comando\tsucesso\ncópia\tlinha de comando\tsucesso')"

# --- The drill fails: exit 4, the older archives stay, nothing is copied.
touch "$work/restore-fails"
: >"$calls"
sleep 1  # a new second, a new archive name
run drill backup --verificar --manter 1 --copiar-para "$copies"
rm -f "$work/restore-fails"
check "a failed drill exits 4 (exit $code)" test "$code" = 4
check "its verdict" contains "$work/drill.out" "A verificação falhou: o pg_restore não restaurou o backup sem erros"
check "its closing line" contains "$work/drill.out" "Resultado: a verificação falhou (código de saída 4)."
check "no retention after a failed drill" test -e "$backups/tarvio-20240103-000000.zip"
check "no copy after a failed drill" test "$(cd "$copies" && ls | sort)" = "$keep"
check "the scratch database dropped all the same" bash -c 'tail -2 "$0" | grep -q "^dropdb .*tarvio_verificacao"' "$calls"

# --- The copy fails: exit 5, the backup stands.
sleep 1
run copy backup --copiar-para "$work/nao-existe"
check "a failed copy exits 5 (exit $code)" test "$code" = 5
check "it says why" contains "$work/copy.out" "A cópia falhou: a pasta $work/nao-existe não existe ou não pode ser alcançada."
check "the backup stands" contains "$work/copy.out" "Backup efetuado com êxito!"
check "the history says so" test "$(history_lines | tail -2)" = "$(printf 'backup\tlinha de comando\tsucesso\ncópia\tlinha de comando\tfalha')"

# --- No dump: exit 1.
touch "$work/dump-fails"
run nodump backup --verificar
rm -f "$work/dump-fails"
check "a failed backup exits 1 (exit $code)" test "$code" = 1
check "its message, without waiting for OK" contains "$work/nodump.out" "Nenhuma tentativa de backup teve êxito!"

# --- Another run holds the server: exit 3, refused before anything.
flock "$drive/.tarvio-backup.lock" sleep 5 &
holder=$!
sleep 0.5
run refused backup
check "a run refused by another exits 3 (exit $code)" test "$code" = 3
run refused-drill verificar
check "a drill refused by another exits 3 (exit $code)" test "$code" = 3
wait "$holder"
check "both refusals are in the history" test "$(history_lines | tail -2)" = "$(printf 'backup\tlinha de comando\trecusada\nverificação\tlinha de comando\trecusada')"

# --- The drill of an existing archive, and of the newest one.
run named verificar "C:\\Meridano\\Tarvio\\backup\\$made"
check "the drill of a named archive succeeds (exit $code)" test "$code" = 0
check "it proved that archive" contains "$work/named.out" "O backup C:\\Meridano\\Tarvio\\backup\\$made foi restaurado"
run newest verificar
check "the drill of the newest archive succeeds (exit $code)" test "$code" = 0

# --- The history as a table.
run table historico 4
check "historico exits 0 (exit $code)" test "$code" = 0
check "its header" contains "$work/table.out" "Início               Tipo"
check "four runs shown" test "$(grep -cE '^20[0-9]{2}-' "$work/table.out")" = 4
check "the error of a refused run below it" contains "$work/table.out" "    erro: Já existe um backup ou uma restauração"

report
