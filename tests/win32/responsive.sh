#!/usr/bin/env bash
# A large installation (a dump of a few hundred MB and thousands of work files) backed up and
# restored through tarvio-backup.exe's window under Wine, while responsive_driver.exe checks that
# the window answers within a second all along and that the progress bar moves through each long
# step. The client programs are stand-ins (pg_standin.exe): no database takes part, the dump goes
# through the backup and the restore unchanged. Runs inside scripts/with-wine.sh.
# Usage: responsive.sh DRIVER_EXE APP_EXE PG_STANDIN_EXE SERVER_CONFIG_STANDIN_EXE OUTPUT-FOLDER
set -uo pipefail
driver=$1 app=$2 pg_standin=$3 standin=$4 out=$5
: "${WINEPREFIX:?run this under scripts/with-wine.sh}" "${DISPLAY:?no display}"
source "$(dirname "$0")/screenshots.sh"
source "$(dirname "$0")/../wine_e2e/installation.sh"
work=$(mktemp -d /tmp/tarvio-responsive.XXXXXX)
cleanup() {
  local p
  stop_screenshots
  for p in $(explorer_pids); do kill "$p" 2>/dev/null; done
  rm -rf "$root" "$work"
}
trap cleanup EXIT
started_at=$(date +%s)

install_programs "$pg_standin" "$standin"
# The dump: 160 MB, half of it compressed data (as a custom-format dump holds), half plain table
# rows. The work folders: 2,100 files, about 80 MB of XML, spread over the seven archived folders.
python3 - "$install/pg10/bin/standin-dump.backup" "$tomcat" "$jetty" <<'PY'
import os, random, sys
dump, tomcat, jetty = sys.argv[1:]
rng = random.Random(14)
with open(dump, "wb") as f:
    f.write(b"PGDMP\x01\x0e\x00\x04\x08\x01\x01\x01")
    for block in range(160):
        if block % 2:
            f.write(os.urandom(1 << 20))
        else:
            rows = "".join(f"{block * 100000 + i}\tcliente {rng.randrange(10**6)}\t{rng.random():.6f}\t2026-{1 + i % 12:02d}-{1 + i % 28:02d}\n"
                           for i in range(22000))
            f.write(rows.encode()[: 1 << 20].ljust(1 << 20, b"\n"))
folders = [(tomcat, f) for f in ("tarvio_nfse", "trabalhadores", "esocial", "manifestacaodestinatario", "reinf")]
folders += [(jetty, f) for f in ("tarvio_nfse", "trabalhadores")]
for n in range(2100):
    base, folder = folders[n % len(folders)]
    prefix = "jetty-" if base == jetty else ""
    path = os.path.join(base, folder, f"{2020 + n % 7}", f"{prefix}documento-{n:05d}.xml")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    items = "".join(f'  <item numero="{rng.randrange(10**9)}" valor="{rng.random() * 1000:.2f}" descricao="serviço {rng.randrange(10**5)}"/>\n'
                    for _ in range(480))
    with open(path, "w", encoding="utf-8") as f:
        f.write(f'<documento numero="{n}">\n{items}</documento>\n')
PY
echo "# installation laid out: $(du -sm "$install" | cut -f1) MB in $(find "$install" -type f | wc -l) files"

# What the work folder holds after the restore: both work folders merged.
expected=$work/expected
mkdir -p "$expected"
cp -a "$tomcat/." "$jetty/." "$expected/"

start_screenshots "$out"
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
run_driver "$work/driver.out" "$driver" "$(winepath -w "$app")" 'C:\tarvio-gui-shots'
check "responsive driver: every check passed" [ $? = 0 ]
check "the work files were restored" diff -rq "$expected" "$tomcat"
check "no dump, extraction or script left" \
  [ ! -e "$backups/tarvio.backup" -a ! -e "$backups/zip" -a ! -e "$backups/restaurar.backup" -a ! -e "$root/backup.bat" ]
echo "# the whole check took $(( $(date +%s) - started_at )) s"
echo "---- screenshots in $out:"; ls "$out"
echo "---- $failures failure(s)"
[ "$failures" = 0 ]
