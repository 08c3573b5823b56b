#!/bin/sh
# Generates the tree of each configuration with velmora-cli, in a fresh copy of the
# bundled working folder, and compares a manifest of it (every folder, and every
# file with its SHA-256) with the one recorded in MANIFESTS; a second generation
# over that tree must leave it as it was. Work on the scripts' speed must not
# change a byte of what they write. With VELMORA_REFRESH_MANIFEST=1 the manifests
# are written instead, for a change that means to alter the output.
#
#   output_identity.sh VELMORA_CLI WORKSPACE MANIFESTS CONFIGURATION.kiv...
set -eu

usage="usage: output_identity.sh VELMORA_CLI WORKSPACE MANIFESTS CONFIGURATION.kiv..."
cli=${1:?$usage}
workspace=${2:?$usage}
manifests=${3:?$usage}
shift 3
[ $# -gt 0 ] || { echo "$usage"; exit 2; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folders (with a closing slash) and files below $1, one per line, sorted
# bytewise so that the manifest does not depend on the locale.
manifest() {
  (cd "$1" || exit 1
   find . -mindepth 1 -type d | sed 's|^\./||; s|$|/|'
   find . -type f -exec sha256sum {} + | sed 's|^\([0-9a-f]*\)  \./\(.*\)$|\2  \1|') |
    LC_ALL=C sort
}

failed=0
for configuration in "$@"; do
  name=$(basename "$configuration" .kiv)
  run="$work/$name"
  mkdir "$run"
  cp -R "$workspace/." "$run/"
  cp "$configuration" "$run/default.kiv"
  (cd "$run" && "$cli" generate >generate.log 2>&1) ||
    { cat "$run/generate.log"; echo "$name: velmora-cli generate failed"; failed=1; continue; }
  output=$run/$(sed -n 's/^TEMPLATE_PATH=//p' "$run/default.kiv" | tr -d '\r')
  manifest "$output" >"$run/manifest"
  # A second run over the tree it wrote reads back every file it keeps; it must
  # leave the same bytes.
  (cd "$run" && "$cli" generate --overwrite >regenerate.log 2>&1) ||
    { cat "$run/regenerate.log"; echo "$name: velmora-cli generate --overwrite failed"; failed=1; continue; }
  manifest "$output" >"$run/manifest-again"
  diff -u "$run/manifest" "$run/manifest-again" ||
    { echo "$name: a second generation changed the tree"; failed=1; continue; }
  recorded="$manifests/$name.manifest"
  if [ "${VELMORA_REFRESH_MANIFEST:-0}" = 1 ]; then
    cp "$run/manifest" "$recorded"
    echo "$name: manifest written ($(wc -l <"$recorded") entries)"
  elif [ ! -f "$recorded" ]; then
    echo "$name: no manifest recorded at $recorded"; failed=1
  elif ! diff -u "$recorded" "$run/manifest"; then
    echo "$name: the generated tree differs from its recorded manifest"; failed=1
  else
    echo "$name: $(wc -l <"$recorded") entries as recorded"
  fi
done
exit $failed
