#!/bin/sh
# Generates a template tree with velmora-cli from a configuration file, in a copy
# of the bundled working folder, and builds the generated projects for the
# Cortex-M23 with the GNU Arm tool chain (compile_generated.sh).
#
#   compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv
set -eu

cli=${1:?usage: compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv}
workspace=${2:?usage: compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv}
configuration=${3:?usage: compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv}
here=$(cd "$(dirname "$0")" && pwd)
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$workspace/." "$work/"
cp "$configuration" "$work/default.kiv"

cd "$work"
"$cli" generate >generate.log 2>&1 || { cat generate.log; echo "velmora-cli generate failed"; exit 1; }
output=$(sed -n 's/^TEMPLATE_PATH=//p' default.kiv | tr -d '\r')
[ -f "$output/TrustZone.uvmpw" ] || { cat generate.log; echo "no tree generated in $output"; exit 1; }
sh "$here/compile_generated.sh" "$output"
