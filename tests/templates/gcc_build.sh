#!/bin/sh
# Builds a generated tree as its README says, in the output folder:
#   cmake --preset P && cmake --build --preset P
# for the presets default (-O0) and release (-O2), with warnings as errors, and
# checks every image against the configuration (check_gcc_images.py). Then it
# relinks the default build: each secure link reads its previous import library
# back in, and the images must pass the checks again.
#
#   gcc_build.sh OUTPUT_TREE CONFIGURATION.kiv
set -eu

tree=${1:?usage: gcc_build.sh OUTPUT_TREE CONFIGURATION.kiv}
configuration=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "$*"; exit 1; }
for tool in cmake ninja arm-none-eabi-gcc python3; do
  command -v "$tool" >/dev/null || fail "$tool not found (scripts/packages-base.txt, scripts/packages.txt)"
done

cd "$tree"
for preset in default release; do
  rm -rf "build/$preset"
  CFLAGS=-Werror cmake --preset "$preset" >"configure-$preset.log" 2>&1 ||
    { cat "configure-$preset.log"; fail "cmake --preset $preset failed"; }
  cmake --build --preset "$preset" >"build-$preset.log" 2>&1 ||
    { cat "build-$preset.log"; fail "cmake --build --preset $preset failed"; }
  python3 "$here/check_gcc_images.py" "$configuration" "build/$preset"
done

# A relink after the first build: the secure images read their import libraries back.
for main in */main_*.c; do touch "$main"; done
cmake --build --preset default >build-again.log 2>&1 || { cat build-again.log; fail "the rebuild failed"; }
for rsp in build/default/*/cmse_lib_in.rsp; do
  [ -e "$rsp" ] || continue
  grep -q -- "--in-implib=" "$rsp" || fail "$rsp: the relink does not read the import library back in"
done
python3 "$here/check_gcc_images.py" "$configuration" build/default
