#!/usr/bin/env bash
# Runs every test: the native build with AddressSanitizer and UndefinedBehaviorSanitizer, and the
# Windows build under Wine. Installs what is missing first. The whole run takes place in a private
# network namespace (see in-private-net.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${TARVIO_PRIVATE_NET:-}" != 1 ]; then
  scripts/setup.sh
  exec scripts/in-private-net.sh "$0" "$@"
fi
jobs=$(nproc)
# The compiler cache also serves clones in other folders (CI builds a fresh clone each time): paths
# inside the tree count relative to it. The build folder recorded in the debug information may then
# name an earlier clone.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

# A test without a time limit of its own gets this one, so that a hung test fails instead of
# holding CI up; the slowest take about a minute on a loaded machine.
timeout=600
status=0
ctest --test-dir build/linux-asan --output-on-failure -j "$jobs" --timeout "$timeout" || status=1
scripts/with-wine.sh ctest --test-dir build/windows --output-on-failure --timeout "$timeout" || status=1
exit $status
