#!/usr/bin/env bash
# Runs a command in a private network namespace with only the loopback interface up, so the fixed
# PostgreSQL ports and the test services never meet a server of the machine. Needs root (CI runs as
# root); for another user the command runs in the machine's own network, with a warning.
set -euo pipefail
if [ "${TARVIO_PRIVATE_NET:-}" = 1 ]; then exec "$@"; fi
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n env TARVIO_PRIVATE_NET=1 bash -c 'ip link set lo up && exec "$@"' bash "$@"
fi
echo "in-private-net: not root, running in the machine's own network" >&2
exec "$@"
