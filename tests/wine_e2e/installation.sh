# Sourced by the end-to-end scripts under Wine: the fixed layout on the prefix's drive C:, the
# client programs and the configuration program put in place, and the small check helpers.
# Expects WINEPREFIX (scripts/with-wine.sh) and the pg scripts folder's common.sh already sourced.
# Defines: drive root install tomcat jetty backups started; explorer_pids explorer_opened run_driver; fail check
# put wait_until; install_programs PG_WRAPPER_EXE SERVER_CONFIG_STANDIN_EXE.

drive=$WINEPREFIX/drive_c
root=$drive/Meridano
install=$root/Tarvio
tomcat=$install/tomcat9/work/tarvio
jetty=$install/jetty/work/tarvio
backups=$install/backup
started=$install/config/Tarvio_Server_Config.exe.started
if [ -e "$root" ]; then
  echo "C:\\Meridano exists already in $WINEPREFIX; it is not this test's to replace" >&2
  exit 1
fi

# The Explorer that a backup opens is a process of its own that outlives the program; those of this
# prefix are found by their command line.
explorer_pids() {
  local p
  for p in $(pgrep -f 'explorer\.exe /root,'); do
    tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qF 'explorer.exe /root,C:\Meridano\Tarvio\backup' &&
      tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}
explorer_opened() { [ -n "$(explorer_pids)" ]; }

# run_driver OUTPUT DRIVER ARGS...: a GUI test driver under Wine, its output kept in OUTPUT and shown;
# the driver's status. The program it started inherits the driver's output: a driver that ended early
# (a crash) would leave it holding a pipe open for ever, so the output goes to a file, and a program
# of this prefix that outlives its driver is ended.
run_driver() {
  local output=$1 status p; shift
  wine "$@" </dev/null >"$output.raw" 2>&1
  status=$?
  tr -d '\r' <"$output.raw" >"$output"
  rm -f "$output.raw"
  cat "$output"
  # The program's own processes: their command line starts with its Windows path.
  for p in $(pgrep -f '^[A-Z]:\\[^ ]*\\tarvio-backup\.exe'); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
      { echo "# the program outlived its driver: ended"; kill -9 "$p" 2>/dev/null; }
  done
  return $status
}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }
put() { mkdir -p "$(dirname "$1")" && printf '%s\n' "$2" >"$1"; }
# wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds. The limit only keeps a
# broken program from hanging the test; the checks that follow say what went wrong.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# The client programs of both instances (a wrapper that runs the host's PostgreSQL programs) and the
# configuration program's stand-in, which records its start in $started.
install_programs() {
  local wrapper=$1 standin=$2 p
  mkdir -p "$backups" "$install/config" "$install/pg10/bin" "$install/pgsql/bin"
  for p in pg_dump psql dropdb createdb pg_restore; do
    cp "$wrapper" "$install/pg10/bin/$p.exe"
    cp "$wrapper" "$install/pgsql/bin/$p.exe"
  done
  cp "$standin" "$install/config/Tarvio_Server_Config.exe"
}
