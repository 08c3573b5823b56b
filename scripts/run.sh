#!/usr/bin/env bash
# Installs what is missing, builds the dialog and starts it in the working folder.
# The bundled working folder is copied once to a user folder, so the repository stays clean.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh scripts/packages-base.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"${VELMORA_JOBS:-2}" --target velmora
work="${VELMORA_WORKDIR:-${XDG_DATA_HOME:-$HOME/.local/share}/velmora/workspace}"
if [ ! -d "$work" ]; then
  mkdir -p "$(dirname "$work")"
  cp -r "$root/workspace" "$work"
  echo "Working folder created: $work"
fi
cd "$work"
exec "$root/build/velmora" "$@"
