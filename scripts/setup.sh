#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need, and the
# pt_BR.UTF-8 locale that the Wine checks run under. Idempotent and quiet when all is there.
# The package lists live in scripts/packages/*.txt (one package a line, # comments).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

mapfile -t wanted < <(cat "$here"/packages/*.txt | sed -e 's/#.*//' -e 's/[[:space:]]//g' | grep -v '^$' | sort -u)
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -qq
  sudo_if_needed apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The Windows checks run in Brazilian Portuguese (ANSI 1252, OEM 850), as on the users' machines.
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  echo "setup: generating pt_BR.UTF-8"
  sudo_if_needed sed -i 's/^# *\(pt_BR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^pt_BR.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' | sudo_if_needed tee -a /etc/locale.gen >/dev/null
  sudo_if_needed locale-gen >/dev/null
fi
