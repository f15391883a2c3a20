#!/usr/bin/env bash
# The program's main job on a self-made demo installation: installs what is missing, builds the
# console program, makes a demo drive C: (the fixed folder layout, sample work folders, the two
# PostgreSQL servers with a generated database), runs a backup as a user would ("tarvio-backup
# backup"), lists the archive it made, runs the backup a scheduler would run ("backup --verificar
# --manter 2 --copiar-para ..."), then changes the database and the work folders and restores the
# first archive through the menu, shows that the data came back, and prints the history.
# Everything lives under build/demo; the servers run in a private network namespace and are
# stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${TARVIO_PRIVATE_NET:-}" != 1 ]; then
  scripts/setup.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j "$(nproc)" --target tarvio-backup tarvio-cmd tarvio-record
  exec scripts/in-private-net.sh "$0" "$@"
fi

root=$PWD
bin=$root/build/linux/bin
demo=$root/build/demo
drive=$demo/drive
source scripts/pg/common.sh

say() { printf '\n\033[1m== %s\033[0m\n' "$*"; }

say "Demo installation in $drive (stands for C:\\)"
rm -rf "$drive"
mkdir -p "$drive/Meridano/Tarvio/backup" "$drive/Meridano/Tarvio/config" "$drive/Windows/System32" \
         "$drive/Meridano/Tarvio/pg10/bin" "$drive/Meridano/Tarvio/pgsql/bin"
tomcat=$drive/Meridano/Tarvio/tomcat9/work/tarvio
jetty=$drive/Meridano/Tarvio/jetty/work/tarvio
for f in esocial/eventos/S-1200-0001.xml esocial/lotes_pendentes/lote-77.xml reinf/R-2010-03.xml \
         reinf/remessas/envio-12.xml trabalhadores/ana-souza/holerite-2026-11.pdf \
         tarvio_nfse/2026/11/nfse-000123.xml manifestacaodestinatario/nfe-3526.xml; do
  mkdir -p "$(dirname "$tomcat/$f")"
  printf '<documento origem="tomcat" nome="%s">conteúdo de demonstração</documento>\n' "$f" >"$tomcat/$f"
done
mkdir -p "$tomcat/esocial/vazia" "$jetty/trabalhadores/joao-lima" "$jetty/tarvio_nfse"
printf 'holerite jetty\n' >"$jetty/trabalhadores/joao-lima/holerite-2026-10.pdf"
printf '<nfse origem="jetty"/>\n' >"$jetty/tarvio_nfse/nfse-000124.xml"
for p in pg_dump psql dropdb createdb pg_restore; do
  ln -sf "$pg_bin/$p" "$drive/Meridano/Tarvio/pg10/bin/$p.exe"
  ln -sf "$pg_bin/$p" "$drive/Meridano/Tarvio/pgsql/bin/$p.exe"
done
# Stand-ins for the Windows tools that stop and start the server: they only record their calls.
ln -sf "$bin/tarvio-record" "$drive/Windows/System32/taskkill.exe"
ln -sf "$bin/tarvio-record" "$drive/Windows/System32/net"
ln -sf "$bin/tarvio-record" "$drive/Meridano/Tarvio/config/Tarvio_Server_Config.exe"
export TARVIO_RECORD_FILE=$demo/server-commands.log
: >"$TARVIO_RECORD_FILE"

say "PostgreSQL servers on ports 5432 and 6543 with a generated database \"tarvio\""
cleanup() { scripts/pg/cluster.sh stop "$demo/pg" >/dev/null 2>&1 || true; }
trap cleanup EXIT
scripts/pg/cluster.sh start --fresh "$demo/pg"
scripts/pg/generate.sh 5432 normal
scripts/pg/generate.sh 6543 normal
export TARVIO_DRIVE_C=$drive  # no PGHOST: the program gives its scripts PGHOST=localhost itself
before=$(scripts/pg/fingerprint.sh 5432)

say "tarvio-backup backup   (started with a command, it asks nothing)"
"$bin/tarvio-backup" backup </dev/null
archive=$(ls -t "$drive/Meridano/Tarvio/backup/"tarvio-*.zip | head -1)

say "The archive $(basename "$archive")"
python3 - "$archive" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        print(f"{i.file_size:>10}  {'deflate' if i.compress_type == 8 else 'stored ':7}  {i.filename}")
    print("test:", "OK" if z.testzip() is None else "BAD")
PY

copies=$demo/copias
say "The nightly run: tarvio-backup backup --verificar --manter 2 --copiar-para $copies"
# Two archives of earlier nights, in the backup folder and in the copies' folder, so that the
# retention has something to delete.
mkdir -p "$copies"
for night in 20240101-020000 20240102-020000; do
  cp "$archive" "$drive/Meridano/Tarvio/backup/tarvio-$night.zip"
  cp "$archive" "$copies/tarvio-$night.zip"
done
sleep 1  # a name of its own for the new archive
set +e
"$bin/tarvio-backup" backup --verificar --manter 2 --copiar-para "$copies" </dev/null
code=$?
set -e
echo "exit code: $code"
echo "C:\\Meridano\\Tarvio\\backup:"; ls "$drive/Meridano/Tarvio/backup"
echo "$copies:"; ls "$copies"
[ "$code" = 0 ]

say "Changing the database and the work folders after the backup"
pg_psql 5432 -d tarvio -c "CREATE TABLE depois_do_backup (id int)" -c "DELETE FROM itens_nota" \
  -c "UPDATE clientes SET nome = nome || ' (alterado)'"
rm -rf "$tomcat/reinf"
printf 'novo\n' >"$tomcat/esocial/depois-do-backup.xml"
changed=$(scripts/pg/fingerprint.sh 5432)
[ "$changed" != "$before" ] && echo "database changed"

say "Restore from $(basename "$archive") through the menu: 2, confirm, support login, the archive's path, then 0"
windows_path="C:\\Meridano\\Tarvio\\backup\\$(basename "$archive")"
printf '2\ns\nzefyrdal\nkwandolime\n%s\n0\n' "$windows_path" | "$bin/tarvio-backup"

say "After the restore"
after=$(scripts/pg/fingerprint.sh 5432)
if [ "$after" = "$before" ]; then echo "database: same content as at the backup"; else echo "database: DIFFERENT from the backup"; exit 1; fi
(cd "$tomcat" && find . -type f | sort)
echo "server commands run by the restore:"; cat "$TARVIO_RECORD_FILE"

say "tarvio-backup historico"
"$bin/tarvio-backup" historico
