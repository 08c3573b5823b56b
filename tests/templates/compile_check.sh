#!/bin/sh
# Generates a template tree with velmora-cli from a configuration file (which must
# pass velmora-cli check), in a copy of the bundled working folder, then builds it:
# "ide" compiles what the Keil and IAR projects list (compile_generated.sh), "gcc"
# builds and checks the GCC images with the tree's own CMake presets (gcc_build.sh).
# With a fourth argument the generation must report a failure and every build must
# stop with a message that holds that text.
#
#   compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv [EXPECTED_STOP]
#
# BUILDS (default "ide gcc") chooses the builds.
set -eu

usage="usage: compile_check.sh VELMORA_CLI WORKSPACE CONFIGURATION.kiv [EXPECTED_STOP]"
cli=${1:?$usage}
workspace=${2:?$usage}
configuration=${3:?$usage}
stop=${4:-}
builds=${BUILDS:-ide gcc}
here=$(cd "$(dirname "$0")" && pwd)
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$workspace/." "$work/"
cp "$configuration" "$work/default.kiv"

cd "$work"
"$cli" check || { echo "velmora-cli check refuses $configuration"; exit 1; }
if [ -z "$stop" ]; then
  "$cli" generate >generate.log 2>&1 || { cat generate.log; echo "velmora-cli generate failed"; exit 1; }
elif "$cli" generate >generate.log 2>&1; then
  cat generate.log; echo "velmora-cli generate reported no failure"; exit 1
fi
output=$work/$(sed -n 's/^TEMPLATE_PATH=//p' default.kiv | tr -d '\r')
[ -f "$output/TrustZone.uvmpw" ] || { cat generate.log; echo "no tree generated in $output"; exit 1; }

run_build() {
  case "$1" in
    ide) sh "$here/compile_generated.sh" "$output" ;;
    gcc) sh "$here/gcc_build.sh" "$output" "$work/default.kiv" ;;
    *) echo "unknown build $1"; return 1 ;;
  esac
}

for build in $builds; do
  if [ -z "$stop" ]; then
    run_build "$build"
    continue
  fi
  if run_build "$build" >"build-$build.log" 2>&1; then
    cat "build-$build.log"; echo "the $build build did not stop"; exit 1
  fi
  grep -q "$stop" "build-$build.log" || { cat "build-$build.log"; echo "the $build build stopped for another reason"; exit 1; }
  echo "the $build build stops: $stop"
done
