#!/usr/bin/env bash
# Prints a fingerprint of the contents of the database "tarvio" on one of the private servers: for
# every table its row count and the md5 of its rows in a fixed order, every sequence's position,
# and the md5 of the schema as pg_dump writes it, owners and grants left out so that a database
# restored on the other server compares equal. Two databases with equal fingerprints hold the same
# data. Usage: fingerprint.sh [PORT] [--schema]   (--schema: print the schema itself too)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

port=${1:-5432}
pg_role "$port" >/dev/null

# The table list and the per-table queries come from the catalog, so new tables count too.
pg_psql "$port" -d tarvio -At <<'SQL'
SELECT format('SELECT %L || '' rows='' || count(*) || '' md5='' || coalesce(md5(string_agg(t::text, E''\n'' ORDER BY t::text)), ''-'') FROM %I.%I AS t',
              'table ' || schemaname || '.' || tablename, schemaname, tablename)
FROM pg_tables
WHERE schemaname NOT IN ('pg_catalog', 'information_schema')
ORDER BY schemaname, tablename
\gexec
SELECT format('SELECT %L || '' last_value='' || last_value || '' is_called='' || is_called FROM %I.%I',
              'sequence ' || schemaname || '.' || sequencename, schemaname, sequencename)
FROM pg_sequences
ORDER BY schemaname, sequencename
\gexec
SQL

# pg_dump brackets its script with \restrict and \unrestrict lines holding a new random key each time.
schema=$(PGPASSWORD=$(pg_password "$port") PGPASSFILE=/dev/null "$pg_bin/pg_dump" -h localhost -p "$port" \
  -U "$(pg_role "$port")" --schema-only --no-owner --no-privileges tarvio | grep -v '^\\\(un\)\?restrict ')
echo "schema md5=$(printf '%s' "$schema" | md5sum | cut -d' ' -f1)"
if [ "${2:-}" = --schema ]; then printf '%s\n' "$schema"; fi
