#!/usr/bin/env bash
# Builds GoogleTest for 64-bit Windows from the sources that libgtest-dev installs
# (/usr/src/googletest), with the MinGW toolchain, and installs it into PREFIX.
#
#   scripts/windows/build-gtest.sh BUILD_DIR PREFIX
#
# find_package(GTest) then finds PREFIX/lib/cmake/GTest. Nothing happens when that
# package is installed there already.
set -euo pipefail

build_dir=${1:?usage: build-gtest.sh BUILD_DIR PREFIX}
prefix=${2:?usage: build-gtest.sh BUILD_DIR PREFIX}
mkdir -p "$build_dir" "$prefix"
build_dir=$(cd "$build_dir" && pwd)
prefix=$(cd "$prefix" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
toolchain="$here/../../cmake/mingw-w64.cmake"
source_dir=${VELMORA_GTEST_SOURCE:-/usr/src/googletest}

if [[ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" && -f "$prefix/lib/libgtest_main.a" ]]; then
    echo "build-gtest: GoogleTest is installed in $prefix already"
    exit 0
fi
[[ -f "$source_dir/CMakeLists.txt" ]] || {
    echo "build-gtest: $source_dir not found (install libgtest-dev)" >&2; exit 1; }

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
work="$build_dir/gtest-build"
rm -rf "$work"
cmake -S "$source_dir" -B "$work" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_GMOCK=OFF \
    -DBUILD_SHARED_LIBS=OFF \
    -Dgtest_disable_pthreads=OFF \
    >"$build_dir/gtest-configure.log" 2>&1 || { cat "$build_dir/gtest-configure.log" >&2; exit 1; }
cmake --build "$work" -j "${VELMORA_JOBS:-2}" >"$build_dir/gtest-build.log" 2>&1 || {
    tail -n 50 "$build_dir/gtest-build.log" >&2; exit 1; }
cmake --install "$work" >"$build_dir/gtest-install.log" 2>&1 || {
    cat "$build_dir/gtest-install.log" >&2; exit 1; }
echo "build-gtest: installed GoogleTest into $prefix"
