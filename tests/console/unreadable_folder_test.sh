#!/usr/bin/env bash
# A work folder the backup cannot list (here: owned by another user, without access for the one
# who runs the backup) must fail the backup with the folder named, never be archived as an empty
# folder that a later restore would put back in place of the files.
set -uo pipefail
program=$1
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
  echo "needs root and setpriv to run the program as another user"; exit 0
fi
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

# The program and its interpreter stand-in, where the other user may run them.
cp "$program" "$(dirname "$program")/tarvio-cmd" "$work/"
drive=$work/drive
bin=$drive/Meridano/Tarvio/pg10/bin
esocial=$drive/Meridano/Tarvio/tomcat9/work/tarvio/esocial
mkdir -p "$bin" "$drive/Meridano/Tarvio/backup" "$esocial/lotes" "$esocial/privada"
echo '<a/>' >"$esocial/lotes/a.xml"
echo '<b/>' >"$esocial/privada/b.xml"
printf '#!/bin/sh\nprintf PGDMP; head -c 1000000 /dev/zero\n' >"$bin/pg_dump.exe"
printf '#!/bin/sh\ncase "$1" in --list) [ "$(head -c 5 "$2")" = PGDMP ];; esac\n' >"$bin/pg_restore.exe"
chmod 755 "$bin"/*.exe
chown -R nobody:nogroup "$drive"
chown root:root "$esocial/privada"
chmod 700 "$esocial/privada"

out=$work/run.out
setpriv --reuid=nobody --regid=nogroup --clear-groups env TARVIO_DRIVE_C="$drive" "$work/tarvio-backup" backup \
  </dev/null >"$out" 2>&1
code=$?
check "the run fails (exit $code)" test "$code" -ne 0
check "the error names the folder" contains "$out" \
  'Cannot list the folder "C:\Meridano\Tarvio\tomcat9\work\tarvio\esocial\privada". Access is denied'
check "no success line" bash -c '! grep -qF "Backup efetuado com êxito" "$0"' "$out"
check "no archive" bash -c '! ls "$0"/tarvio-*.zip* >/dev/null 2>&1' "$drive/Meridano/Tarvio/backup"
check "the dump is kept" test -s "$drive/Meridano/Tarvio/backup/tarvio.backup"
check "the unreadable files are still there" test -f "$esocial/privada/b.xml"

report
