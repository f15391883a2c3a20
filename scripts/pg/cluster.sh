#!/usr/bin/env bash
# Starts, stops or reports two private PostgreSQL servers kept in a folder of the caller's:
# port 5432 with superuser "postgres" (password "plovertin") and port 6543 with superuser
# "pgmeridano" (password "h7j6k5l4"), each with a database "tarvio", listening on localhost only.
# Usage: cluster.sh start|stop|status DIR [PORT]   (PORT: act on one server only)
#        cluster.sh start --fresh DIR [PORT]       (discard the servers' data first)
# The ports are fixed, so run it inside a private network namespace (scripts/in-private-net.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

usage() { echo "usage: $0 start [--fresh]|stop|status DIR [5432|6543]" >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1; shift
fresh=0
if [ "$action" = start ] && [ "$1" = --fresh ]; then fresh=1; shift; fi
[ $# -ge 1 ] || usage
if [ "$action" = start ]; then mkdir -p "$1"; fi
[ -d "$1" ] || { echo "cluster: folder $1 does not exist" >&2; exit 2; }
dir=$(cd "$1" && pwd)
ports=("${pg_ports[@]}")
if [ $# -ge 2 ]; then pg_role "$2" >/dev/null || usage; ports=("$2"); fi
run_dir="$dir/run"

# PostgreSQL refuses to run as root: then the servers belong to the unprivileged user "postgres".
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

data_dir() { echo "$dir/$1/data"; }
is_running() { [ -f "$(data_dir "$1")/postmaster.pid" ] && as_owner "$pg_bin/pg_ctl" status -D "$(data_dir "$1")" >/dev/null 2>&1; }
is_answering() { "$pg_bin/pg_isready" -q -h localhost -p "$1" -t 2; }
# Something answers on the port, on either loopback address.
port_taken() { (: <>"/dev/tcp/127.0.0.1/$1") 2>/dev/null || (: <>"/dev/tcp/::1/$1") 2>/dev/null; }

init_server() {
  local port=$1 data; data=$(data_dir "$port")
  local pwfile="$dir/$port/pwfile"
  pg_password "$port" >"$pwfile"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$dir/$port" "$pwfile"
    as_owner test -x "$dir" || { echo "cluster: user postgres cannot reach $dir (check the modes of its parent folders)" >&2; exit 1; }
  fi
  as_owner "$pg_bin/initdb" -D "$data" -U "$(pg_role "$port")" --pwfile="$pwfile" \
    --auth=scram-sha-256 -E UTF8 --no-locale --no-sync >"$dir/$port/initdb.log" 2>&1 \
    || { cat "$dir/$port/initdb.log" >&2; exit 1; }
  rm -f "$pwfile"
  cat >>"$data/postgresql.conf" <<CONF
# Private test server: localhost only, sockets in its own folder, no durability, small footprint.
port = $port
listen_addresses = 'localhost'
unix_socket_directories = '$run_dir'
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 16MB
max_connections = 30
max_wal_size = 256MB
logging_collector = off
CONF
  # Every connection, host or socket, must give the password.
  cat >"$data/pg_hba.conf" <<HBA
local all all scram-sha-256
host all all 127.0.0.1/32 scram-sha-256
host all all ::1/128 scram-sha-256
HBA
}

start_server() {
  local port=$1 data; data=$(data_dir "$port")
  if is_running "$port"; then
    is_answering "$port" && return 0
    # A server of this folder left running elsewhere (another network namespace): restart it here.
    as_owner "$pg_bin/pg_ctl" stop -D "$data" -m immediate -w >/dev/null 2>&1 || true
  fi
  if port_taken "$port"; then
    echo "cluster: port $port is already in use; run inside a private network namespace (scripts/in-private-net.sh)" >&2
    exit 1
  fi
  if [ "$fresh" = 1 ] || [ ! -f "$data/PG_VERSION" ]; then
    rm -rf "${dir:?}/$port"
    mkdir -p "$dir/$port"
    init_server "$port"
    local created=1
  fi
  as_owner "$pg_bin/pg_ctl" start -D "$data" -w -t 60 -l "$dir/$port/server.log" >/dev/null \
    || { tail -20 "$dir/$port/server.log" >&2; exit 1; }
  if [ "${created:-0}" = 1 ]; then
    pg_psql "$port" -d postgres -c "CREATE DATABASE tarvio"
  fi
}

stop_server() {
  local port=$1 data; data=$(data_dir "$port")
  [ -f "$data/postmaster.pid" ] || return 0
  as_owner "$pg_bin/pg_ctl" stop -D "$data" -m fast -w -t 60 >/dev/null 2>&1 || true
}

case "$action" in
  start)
    mkdir -p "$run_dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$run_dir"; chmod a+x "$dir"; fi
    for p in "${ports[@]}"; do start_server "$p"; done
    ;;
  stop)
    for p in "${ports[@]}"; do stop_server "$p"; done
    ;;
  status)
    status=0
    for p in "${ports[@]}"; do
      if is_running "$p" && is_answering "$p"; then echo "$p running"; else echo "$p stopped"; status=3; fi
    done
    exit $status
    ;;
  *) usage ;;
esac
