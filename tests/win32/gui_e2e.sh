#!/usr/bin/env bash
# End to end through the windows under Wine: tarvio-backup.exe started with "backup" dumps the
# private PostgreSQL server's database and packs the work folders of a freshly laid out
# C:\Meridano (the archive read back with Python's zipfile); then the database and the files are
# changed, and "Restaurar Backup" with the support account and the archive's path brings both back.
# gui_e2e_driver.exe works the windows and asks for the screenshots. Runs inside
# scripts/with-wine.sh with the servers of the pg fixture up.
# Usage: gui_e2e.sh DRIVER_EXE APP_EXE PG_WRAPPER_EXE SERVER_CONFIG_STANDIN_EXE PG_SCRIPTS_DIR OUTPUT-FOLDER
set -uo pipefail
driver=$1 app=$2 wrapper=$3 standin=$4 pg_scripts=$5 out=$6
: "${WINEPREFIX:?run this under scripts/with-wine.sh}" "${DISPLAY:?no display}"
source "$pg_scripts/common.sh"
source "$(dirname "$0")/screenshots.sh"
source "$(dirname "$0")/../wine_e2e/installation.sh"
work=$(mktemp -d /tmp/tarvio-gui-e2e.XXXXXX)
# The driver closes the Explorer window that the backup opens; any Explorer of this prefix left over
# is ended here.
cleanup() {
  local p
  stop_screenshots
  for p in $(explorer_pids); do kill "$p" 2>/dev/null; done
  rm -rf "$root" "$work"
}
trap cleanup EXIT

# --- The installation: client programs, the configuration program, work folders.
install_programs "$wrapper" "$standin"

put "$tomcat/tarvio_nfse/2026/12/nfse-000311.xml" '<nfse origem="tomcat" numero="311"/>'
put "$tomcat/trabalhadores/maria-conceição/holerite-2026-11.pdf" 'holerite tomcat'
put "$tomcat/esocial/eventos/relatório ação.xml" '<relatório>ação</relatório>'
put "$tomcat/esocial/lotes_pendentes/lote-12.xml" '<lote pendente="sim"/>'
put "$tomcat/reinf/R-4010-07.xml" '<reinf evento="R-4010"/>'
put "$tomcat/manifestacaodestinatario/nfe-9001.xml" '<nfe numero="9001"/>'
put "$jetty/tarvio_nfse/nfse-000312.xml" '<nfse origem="jetty" numero="312"/>'

# What the archive holds beside the dump: both work folders merged, the pending batch deleted first.
expected=$work/expected
mkdir -p "$expected"
cp -a "$tomcat/." "$jetty/." "$expected/"
rm -rf "$expected/esocial/lotes_pendentes"

start_screenshots "$out"
# Wine's background processes start with the first program in the prefix and outlive it: started
# here, away from the output pipes below, which they would hold open.
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
app_w=$(winepath -w "$app")

# --- Backup: the program started with "backup".
before=$("$pg_scripts/fingerprint.sh" 5432)
run_driver "$work/backup.out" "$driver" "$app_w" 'C:\tarvio-gui-shots' backup
check "backup driver: every check passed" [ $? = 0 ]
windows_archive=$(sed -n 's/^archive: //p' "$work/backup.out")
name=${windows_archive##*\\}
archive=$backups/$name
check "archive $name in C:\\Meridano\\Tarvio\\backup" [ -n "$name" -a -f "$archive" ]
# A closed window's process may take a moment to end on a loaded machine.
for _ in $(seq 1 100); do [ -z "$(explorer_pids)" ] && break; sleep 0.1; done
check "the Explorer process has ended" [ -z "$(explorer_pids)" ]
check "no dump file, password file or script left" \
  [ ! -e "$backups/tarvio.backup" -a ! -e "$root/pgpass" -a ! -e "$root/backup.bat" ]
check "pending batch folder removed" [ ! -e "$tomcat/esocial/lotes_pendentes" ]

# Entry names are in the OEM code page (850 in the prefix's Brazilian locale) with flag bit 11 clear.
check "archive read back by Python's zipfile" python3 - "$archive" "$expected" <<'PY'
import os, sys, zipfile
archive, expected_dir = sys.argv[1], sys.argv[2]
expected = {}
for folder, _, files in os.walk(expected_dir):
    for f in files:
        path = os.path.join(folder, f)
        expected[os.path.relpath(path, expected_dir).replace(os.sep, "/")] = open(path, "rb").read()
problems = []
with zipfile.ZipFile(archive, metadata_encoding="cp850") as z:
    if z.testzip() is not None:
        problems.append("damaged entry " + z.testzip())
    for i in z.infolist():
        print(f"  {i.file_size:>9}  {'utf-8' if i.flag_bits & 0x800 else 'oem  '}  {i.filename}")
    files = {i.filename: i for i in z.infolist() if not i.filename.endswith("/")}
    accented = files.get("esocial/eventos/relatório ação.xml")
    if accented is None or accented.flag_bits & 0x800:
        problems.append("the accented name is not stored in the OEM code page")
    dump = files.pop("backup/tarvio.backup", None)
    if dump is None or not z.read(dump).startswith(b"PGDMP"):
        problems.append("no custom-format dump backup/tarvio.backup")
    if set(files) != set(expected):
        problems.append(f"missing {sorted(set(expected) - set(files))}, extra {sorted(set(files) - set(expected))}")
    problems += [f"{n}: content differs" for n in set(files) & set(expected) if z.read(n) != expected[n]]
for p in problems:
    print("  archive:", p)
sys.exit(1 if problems else 0)
PY

# --- Change the database and a work file.
pg_psql 5432 -d tarvio -c "CREATE TABLE depois_do_backup (id int)" -c "DELETE FROM itens_nota" >/dev/null
rm -f "$tomcat/esocial/eventos/relatório ação.xml"
put "$tomcat/reinf/R-4010-07.xml" '<reinf alterado/>'
check "database changed after the backup" [ "$("$pg_scripts/fingerprint.sh" 5432)" != "$before" ]
archives_before=$(ls "$backups"/*.zip | wc -l)

# --- Restore through "Restaurar Backup".
run_driver "$work/restore.out" "$driver" "$app_w" 'C:\tarvio-gui-shots' restore "$windows_archive"
check "restore driver: every check passed" [ $? = 0 ]
check "database fingerprint equals the one at backup time" [ "$("$pg_scripts/fingerprint.sh" 5432)" = "$before" ]
check "work files restored" diff -r "$expected" "$tomcat"
check "accented name restored" [ -f "$tomcat/esocial/eventos/relatório ação.xml" ]
safety=$(sed -n 's/^safety archive: //p' "$work/restore.out")
check "safety archive added" [ "$(ls "$backups"/*.zip | wc -l)" = $((archives_before + 1)) -a -n "$safety" \
  -a -f "$backups/${safety##*\\}" ]
for _ in $(seq 1 100); do [ -s "$started" ] && break; sleep 0.1; done
check "configuration program started" [ -s "$started" ]
check "extraction folder gone (extractDir)" [ ! -e "$backups/zip" ]
check "restore copy of the dump gone (restoreFile)" [ ! -e "$backups/restaurar.backup" ]
check "no dump file, password file or script left" \
  [ ! -e "$backups/tarvio.backup" -a ! -e "$root/pgpass" -a ! -e "$root/backup.bat" ]

# --- A restore that fails after the drop (a dump cut in half): the error box, read by the driver,
# names this run's safety archive; the server is started again.
mkdir -p "$drive/copias"
restored=$("$pg_scripts/fingerprint.sh" 5432)
PGPASSWORD=$(pg_password 5432) PGPASSFILE=/dev/null "$pg_bin/pg_dump" -h localhost -p 5432 -U postgres -Fc tarvio \
  >"$work/inteiro.backup"
head -c $(($(stat -c %s "$work/inteiro.backup") / 2)) "$work/inteiro.backup" >"$drive/copias/metade.backup"
rm -f "$started"
archives_before=$(ls "$backups"/*.zip | wc -l)
run_driver "$work/failing-restore.out" "$driver" "$app_w" 'C:\tarvio-gui-shots' failing-restore 'C:\copias\metade.backup'
check "failing restore driver: every check passed" [ $? = 0 ]
safety=$(sed -n 's/^safety archive: //p' "$work/failing-restore.out")
check "its safety archive exists" [ -n "$safety" -a -f "$backups/${safety##*\\}" ]
check "pg_restore's log kept beside the backups" ls "$backups"/pg_restore-*.log
for _ in $(seq 1 100); do [ -s "$started" ] && break; sleep 0.1; done
check "configuration program started again" [ -s "$started" ]
# The database is left as the tests after this one expect it: as it was before the failed restore.
pg_psql 5432 -d postgres -c "DROP DATABASE tarvio" -c "CREATE DATABASE tarvio" >/dev/null
PGPASSWORD=$(pg_password 5432) PGPASSFILE=/dev/null "$pg_bin/pg_restore" -h localhost -p 5432 -U postgres \
  -d tarvio "$work/inteiro.backup"
check "database put back after the failed restore" [ "$("$pg_scripts/fingerprint.sh" 5432)" = "$restored" ]

echo "---- screenshots in $out:"; ls "$out"
echo "---- $failures failure(s)"
[ "$failures" = 0 ]
