#!/usr/bin/env bash
# Installs the Debian packages named in the given lists (one per line, '#' comments)
# that are not installed yet. Runs apt-get update only when something is missing.
set -euo pipefail
missing=()
for list in "$@"; do
  [ -f "$list" ] || continue
  while read -r pkg _; do
    [ -z "${pkg}" ] || [ "${pkg#\#}" != "${pkg}" ] && continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done < "$list"
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
