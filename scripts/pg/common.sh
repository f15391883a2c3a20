# Shared settings of the private PostgreSQL servers used by the tests and the demo (sourced, not run).
# Two servers, as on a Tarvio machine: the first on 5432 with role "postgres", the second on 6543
# with role "pgmeridano"; each with its own password and a database "tarvio".
pg_bin=${TARVIO_PG_BIN:-/usr/lib/postgresql/15/bin}
pg_ports=(5432 6543)

# Role and password of the superuser of the server on port $1.
pg_role() { case "$1" in 5432) echo postgres ;; 6543) echo pgmeridano ;; *) echo "unknown port $1" >&2; return 2 ;; esac; }
pg_password() { case "$1" in 5432) echo plovertin ;; 6543) echo h7j6k5l4 ;; *) echo "unknown port $1" >&2; return 2 ;; esac; }

# Runs psql on the server of port $1 as its superuser, over TCP to localhost (password checked).
# Further arguments go to psql.
pg_psql() {
  local port=$1; shift
  PGPASSWORD=$(pg_password "$port") PGPASSFILE=/dev/null "$pg_bin/psql" -X -q -v ON_ERROR_STOP=1 \
    -h localhost -p "$port" -U "$(pg_role "$port")" "$@"
}
