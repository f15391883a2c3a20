#!/usr/bin/env bash
# End to end under Wine: tarvio-backup-cli.exe makes a backup of the private PostgreSQL server's
# database and of work folders on a freshly laid out C:\Meridano, the archive is read back with
# Python's zipfile, the database and the files are changed, and a restore through the menu brings
# both back. Runs inside scripts/with-wine.sh (WINEPREFIX set) with the servers of the pg fixture up.
# Usage: backup_restore.sh CLI_EXE PG_WRAPPER_EXE SERVER_CONFIG_STANDIN_EXE PG_SCRIPTS_DIR
set -uo pipefail
cli=$1 wrapper=$2 standin=$3 pg_scripts=$4
: "${WINEPREFIX:?run this under scripts/with-wine.sh}"
source "$pg_scripts/common.sh"
source "$(dirname "$0")/installation.sh"
work=$(mktemp -d /tmp/tarvio-e2e.XXXXXX)
# An Explorer that a run opened would outlive the program: it is ended here.
cleanup() {
  local p
  for p in $(explorer_pids); do kill "$p" 2>/dev/null; done
  rm -rf "$root" "$work"
}
trap cleanup EXIT

# --- The installation: client programs, the configuration program, work folders.
install_programs "$wrapper" "$standin"

put "$tomcat/tarvio_nfse/2026/11/nfse-000123.xml" '<nfse origem="tomcat" numero="123"/>'
put "$tomcat/tarvio_nfse/nfse-000124.xml" '<nfse origem="tomcat" numero="124"/>'
put "$jetty/tarvio_nfse/nfse-000124.xml" '<nfse origem="jetty" numero="124"/>'
put "$jetty/trabalhadores/joao-lima/holerite-2026-10.pdf" 'holerite jetty'
put "$tomcat/trabalhadores/ana-souza/holerite-2026-11.pdf" 'holerite tomcat'
put "$tomcat/esocial/eventos/S-1200-0001.xml" '<evento id="S-1200"/>'
put "$tomcat/esocial/eventos/relatório ação.xml" '<relatório>ação</relatório>'
put "$tomcat/esocial/lotes_pendentes/lote-77.xml" '<lote pendente="sim"/>'
put "$tomcat/reinf/R-2010-03.xml" '<reinf evento="R-2010"/>'
put "$tomcat/manifestacaodestinatario/nfe-3526.xml" '<nfe numero="3526"/>'
put "$tomcat/outros/fora-do-backup.txt" 'not archived'
mkdir -p "$tomcat/esocial/vazia"

# The files the archive must hold beside the dump, as they are in the work folders: the jetty copy
# of a name in both folders replaces the tomcat one; the pending batch is deleted before the archive.
expected=$work/expected
mkdir -p "$expected"
cp -a "$tomcat/." "$expected/"
rm -rf "$expected/outros" "$expected/esocial/lotes_pendentes"
cp -a "$jetty/." "$expected/"

# --- Backup, as a scheduler starts it: nothing is asked.
before=$("$pg_scripts/fingerprint.sh" 5432)
wine "$cli" backup </dev/null >"$work/backup.out" 2>"$work/backup.err"
code=$?
sed -i 's/\r$//' "$work/backup.out"  # the console writes CR LF line ends
echo "---- tarvio-backup-cli.exe backup (exit $code)"; cat "$work/backup.out"
[ -s "$work/backup.err" ] && { echo "---- stderr"; cat "$work/backup.err"; }
check "backup exit code 0" [ "$code" = 0 ]
for line in "Iniciando método 1 de backup..." "Aguarde, efetuando backup..." "Fim..."; do
  check "backup printed \"$line\"" grep -qF -- "$line" "$work/backup.out"
done
check "first dump attempt succeeded" bash -c '! grep -qF "Método 1 de backup falhou..." "$1"' _ "$work/backup.out"
windows_archive=$(sed -n 's/.*Backup efetuado com êxito! Disponível em \(C:\\Meridano\\Tarvio\\backup\\tarvio-[^ ]*\.zip\)\.$/\1/p' "$work/backup.out" | head -1)
check "backup printed its success line with the archive's name" [ -n "$windows_archive" ]
name=${windows_archive##*\\}
archive=$backups/$name
check "archive $name exists in C:\\Meridano\\Tarvio\\backup" [ -n "$name" -a -f "$archive" ]
check "no [OK] was waited for" bash -c '! grep -qF "[OK]" "$1"' _ "$work/backup.out"
sleep 1
check "no Explorer was started by a run that nobody watches" [ -z "$(explorer_pids)" ]
check "no dump file left" [ ! -e "$backups/tarvio.backup" ]
check "no password file left" [ ! -e "$root/pgpass" ]
check "no script left" [ ! -e "$root/backup.bat" ]
check "pending batch folder removed" [ ! -e "$tomcat/esocial/lotes_pendentes" ]

# Entry names are in the OEM code page (850 in the prefix's Brazilian locale) with flag bit 11 clear,
# or in UTF-8 with the bit set; zipfile takes the former as cp437 unless told otherwise.
check "archive read back by Python's zipfile" python3 - "$archive" "$expected" <<'PY'
import os, sys, zipfile
archive, expected_dir = sys.argv[1], sys.argv[2]
expected = {}
for folder, _, files in os.walk(expected_dir):
    for f in files:
        path = os.path.join(folder, f)
        expected[os.path.relpath(path, expected_dir).replace(os.sep, "/")] = open(path, "rb").read()
ok = True
def bad(msg):
    global ok
    ok = False
    print("  archive:", msg)
with zipfile.ZipFile(archive, metadata_encoding="cp850") as z:
    if z.testzip() is not None:
        bad("damaged entry " + z.testzip())
    infos = z.infolist()
    names = [i.filename for i in infos]
    for i in infos:
        print(f"  {i.file_size:>9}  {'utf-8' if i.flag_bits & 0x800 else 'oem  '}  {i.filename}")
    if len(names) != len(set(n.lower() for n in names)):
        bad("duplicate names")
    accented = [i for i in infos if i.filename == "esocial/eventos/relatório ação.xml"]
    if not accented or accented[0].flag_bits & 0x800:
        bad("the accented name is not stored in the OEM code page")
    if "esocial/vazia/" not in names:
        bad("no entry for the empty folder esocial/vazia/")
    files = {n for n in names if not n.endswith("/")}
    if "backup/tarvio.backup" not in files:
        bad("no backup/tarvio.backup")
    elif not z.read("backup/tarvio.backup").startswith(b"PGDMP"):
        bad("backup/tarvio.backup is not a custom-format dump")
    files.discard("backup/tarvio.backup")
    if files != set(expected):
        bad(f"names differ: missing {sorted(set(expected) - files)}, extra {sorted(files - set(expected))}")
    for n in files & set(expected):
        if z.read(n) != expected[n]:
            bad(f"{n}: content differs")
sys.exit(0 if ok else 1)
PY

# --- Change the database and the work folders.
pg_psql 5432 -d tarvio -c "CREATE TABLE depois_do_backup (id int)" -c "DELETE FROM itens_nota" \
  -c "UPDATE clientes SET nome = nome || ' (alterado)'" >/dev/null
rm -rf "$tomcat/reinf" "$tomcat/esocial/eventos/relatório ação.xml"
put "$tomcat/esocial/depois-do-backup.xml" '<novo/>'
put "$tomcat/tarvio_nfse/nfse-000124.xml" '<nfse alterada/>'
check "database changed after the backup" [ "$("$pg_scripts/fingerprint.sh" 5432)" != "$before" ]
archives_before=$(ls "$backups"/*.zip | wc -l)

# --- Restore through the menu: 2, confirm, support login, the archive's path, then 0.
printf '2\ns\nzefyrdal\nkwandolime\n%s\n0\n' "$windows_archive" |
  wine "$cli" >"$work/restore.out" 2>"$work/restore.err"
code=$?
sed -i 's/\r$//' "$work/restore.out"
echo "---- tarvio-backup-cli.exe with the restore answers (exit $code)"; cat "$work/restore.out"
[ -s "$work/restore.err" ] && { echo "---- stderr"; cat "$work/restore.err"; }
check "restore exit code 0" [ "$code" = 0 ]
for line in "Realizando Backup de Segurança Antes da Restauração..." "Descompactando o Arquivo de Backup..." \
            "Banco de Dados Restaurado!" "Iniciando o Tarvio Server..."; do
  check "restore printed \"$line\"" grep -qF -- "$line" "$work/restore.out"
done
check "database fingerprint equals the one at backup time" [ "$("$pg_scripts/fingerprint.sh" 5432)" = "$before" ]
restored=$(cd "$tomcat" && find . -type f | sort)
wanted=$(cd "$expected" && find . -type f | sort)
check "work files restored (names)" [ "$restored" = "$wanted" ]
check "work files restored (contents)" diff -r "$expected" "$tomcat"
check "accented name restored" [ -f "$tomcat/esocial/eventos/relatório ação.xml" ]
check "empty folder restored" [ -d "$tomcat/esocial/vazia" ]
wait_until 10 test -s "$started"
check "configuration program started" [ -s "$started" ]
check "extraction folder gone" [ ! -e "$backups/zip" ]
check "restore copy of the dump gone" [ ! -e "$backups/restaurar.backup" ]
check "no dump file left after the restore" [ ! -e "$backups/tarvio.backup" ]
check "safety archive added" [ "$(ls "$backups"/*.zip | wc -l)" = $((archives_before + 1)) ]

echo "---- $failures failure(s)"
[ "$failures" = 0 ]
