#!/bin/sh
# Generates a template tree with velmora-cli from a configuration file, in a copy
# of the bundled working folder, and builds the generated projects for the
# Cortex-M23 with the GNU Arm tool chain (compile_generated.sh). With a fourth
# argument the generation must report a failure and the build must stop with a
# message that holds that text.
#
#   compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv [EXPECTED_STOP]
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

stop=${4:-}

cd "$work"
if [ -z "$stop" ]; then
  "$cli" generate >generate.log 2>&1 || { cat generate.log; echo "velmora-cli generate failed"; exit 1; }
elif "$cli" generate >generate.log 2>&1; then
  cat generate.log; echo "velmora-cli generate reported no failure"; exit 1
fi
output=$(sed -n 's/^TEMPLATE_PATH=//p' default.kiv | tr -d '\r')
[ -f "$output/TrustZone.uvmpw" ] || { cat generate.log; echo "no tree generated in $output"; exit 1; }
if [ -z "$stop" ]; then
  sh "$here/compile_generated.sh" "$output"
  exit
fi
if sh "$here/compile_generated.sh" "$output" >build.log 2>&1; then
  cat build.log; echo "the build did not stop"; exit 1
fi
grep -q "$stop" build.log || { cat build.log; echo "the build stopped for another reason"; exit 1; }
echo "the build stops: $stop"
