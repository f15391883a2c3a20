#!/usr/bin/env bash
# Drives the console program through standard input, as a script or a scheduler would, and checks
# what it prints, what it leaves on the drive and its exit code.
set -uo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
# Here the output is held in a variable, not a file.
contains() { grep -qF -- "$2" <<<"$1"; }

# Without the drive variable, or with one that is not a folder, it refuses to start.
out=$(env -u TARVIO_DRIVE_C "$program" </dev/null 2>&1); code=$?
check "refuses without TARVIO_DRIVE_C (exit $code)" test "$code" -eq 2
check "says which variable is missing" contains "$out" "TARVIO_DRIVE_C"
out=$(TARVIO_DRIVE_C="$work/none" "$program" </dev/null 2>&1); code=$?
check "refuses a drive that is not a folder (exit $code)" test "$code" -eq 2
check "names the folder" contains "$out" "$work/none"

# "Backups Efetuados" creates the backup folder and tells what Explorer would open.
drive=$work/drive
mkdir -p "$drive/Meridano/Tarvio"
out=$(printf '3\n' | TARVIO_DRIVE_C="$drive" "$program" 2>&1); code=$?
check "menu 3 then end of input ends normally (exit $code)" test "$code" -eq 0
check "the waiting line is shown" contains "$out" "Aguardando ação..."
check "backup folder created" test -d "$drive/Meridano/Tarvio/backup"
check "Explorer's parameters are told" contains "$out" '[Explorer: explorer.exe /root,C:\Meridano\Tarvio\backup'

# The restore confirmation answered No changes nothing and shows no login.
out=$(printf '2\nn\n0\n' | TARVIO_DRIVE_C="$drive" "$program" 2>&1); code=$?
check "restore answered No (exit $code)" test "$code" -eq 0
check "the confirmation box is shown" contains "$out" "== Atenção! =="
check "its text" contains "$out" "Deseja continuar? (Não recomendado.)"
check "no login after No" bash -c '! grep -qF "Autenticação" <<<"$0"' "$out"

# Started with "backup" where the scripts cannot be written (no C:\Meridano): the error box shows
# the file-creation error without waiting for its OK, and the program exits with 1, so a scheduler
# can tell.
empty=$work/empty-drive
mkdir -p "$empty"
out=$(TARVIO_DRIVE_C="$empty" "$program" BACKUP </dev/null 2>&1); code=$?
check "a failed backup run exits with 1 (exit $code)" test "$code" -eq 1
check "the first attempt's line" contains "$out" "Iniciando método 1 de backup..."
check "the error box" contains "$out" 'Cannot create file "C:\Meridano\backup.bat". The system cannot find the path specified.'

# Any other first argument is bad usage: it runs nothing and ends with 2.
out=$(TARVIO_DRIVE_C="$empty" "$program" /backup </dev/null 2>&1); code=$?
check "/backup is bad usage (exit $code)" test "$code" -eq 2
check "no attempt for /backup" bash -c '! grep -qF "Iniciando" <<<"$0"' "$out"

report
