#!/usr/bin/env bash
# Re-creates the database "tarvio" on one of the private servers and fills it with the data of a
# small ERP server, the same for the same seed. Sizes: "normal" (its custom-format dump is a few MB)
# and "small" (its dump stays under 1,000,000 bytes).
# Usage: generate.sh PORT normal|small [SEED]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

[ $# -ge 2 ] || { echo "usage: $0 PORT normal|small [SEED]" >&2; exit 2; }
port=$1 size=$2 seed=${3:-20261209}
pg_role "$port" >/dev/null
case "$size" in
  normal) scale=50 docs=330 ;;
  small) scale=10 docs=30 ;;
  *) echo "generate: size must be normal or small, not $size" >&2; exit 2 ;;
esac

pg_psql "$port" -d postgres -c "DROP DATABASE IF EXISTS tarvio WITH (FORCE)" -c "CREATE DATABASE tarvio"
pg_psql "$port" -d tarvio -v seed="$seed" -v scale="$scale" -v docs="$docs" -f "$here/generate.sql"
