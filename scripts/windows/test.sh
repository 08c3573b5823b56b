#!/usr/bin/env bash
# The Windows build and its tests: cross-compiles the core, velmora-cli and the core
# tests for 64-bit Windows with MinGW-w64 (posix threads, static), runs the tests
# under Wine, then velmora-cli end to end and the zip package (velmora-cli.exe with
# the working folder) unpacked into a fresh folder. Exits non-zero on any failure.
#
#   bash scripts/windows/test.sh
#
# Everything lives in build-win/ (VELMORA_WINDOWS_BUILD chooses another folder): the
# libraries built for Windows, the project build and the Wine prefix.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${VELMORA_WINDOWS_BUILD:-$root/build-win}
jobs=${VELMORA_JOBS:-2}
mkdir -p "$build"
build=$(cd "$build" && pwd)
deps="$build/deps"
prefix="$build/prefix"
project="$build/project"

started=$SECONDS
stage_name=""
stage_start=$SECONDS
# Prints how long the previous step took and names the next one.
stage() {
    [[ -z "$stage_name" ]] || echo "-- windows: $stage_name took $((SECONDS - stage_start)) s"
    stage_name=$1
    stage_start=$SECONDS
    [[ -z "$stage_name" ]] || echo "-- windows: $stage_name"
}

stage "packages"
bash "$root/scripts/deps.sh" "$root/scripts/packages-windows.txt"

stage "Lua 5.1 for Windows"
bash "$root/scripts/windows/build-lua.sh" "$deps" "$prefix"

stage "GoogleTest for Windows"
VELMORA_JOBS=$jobs bash "$root/scripts/windows/build-gtest.sh" "$deps" "$prefix"

# --- Wine: one persistent server for the whole run -----------------------------
wine=/usr/lib/wine/wine64
[[ -x "$wine" ]] || wine=$(command -v wine64 || command -v wine)
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installer prompts, no window.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

stage "Wine prefix and server"
mkdir -p "$WINEPREFIX"
# A server left over from an earlier run of this build folder goes first.
wineserver -k >/dev/null 2>&1 || true
wineserver -p
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    "$wine" wineboot --init >"$build/wineboot.log" 2>&1 </dev/null || {
        cat "$build/wineboot.log" >&2; exit 1; }
fi
# The first program starts Wine's background services, which stay with the
# persistent server. Start them here with no pipe to inherit: a test discovery
# that started them would wait for its output pipe until it timed out.
"$wine" cmd /c exit 0 >/dev/null 2>&1 </dev/null

stage "configure"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$project" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DVELMORA_WINDOWS_PREFIX="$prefix" \
    -DGTest_DIR="$prefix/lib/cmake/GTest" \
    -DVELMORA_LUA_INCLUDE_DIR="$prefix/include/lua5.1" \
    -DVELMORA_LUA_LIBRARY="$prefix/lib/liblua5.1.a" \
    -DVELMORA_BUILD_UI=OFF \
    -DVELMORA_BUILD_BENCHMARK=OFF \
    -DVELMORA_SANITIZE=OFF \
    >"$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }

stage "build"
cmake --build "$project" -j "$jobs"

stage "core tests under Wine"
ctest --test-dir "$project" --output-on-failure --no-tests=error -j "$jobs"

stage "velmora-cli end to end"
if [[ -f "$root/app/cli_main.cpp" ]]; then
    VELMORA_WINE="$wine" bash "$root/scripts/windows/cli-e2e.sh" \
        "$project/velmora-cli.exe" "$build/e2e"
else
    echo "windows: app/cli_main.cpp is not there yet; no end-to-end run"
fi

stage "zip package under Wine"
if [[ -f "$project/velmora-cli.exe" ]]; then
    VELMORA_WINE="$wine" bash "$root/scripts/windows/zip-test.sh" "$project" "$build/zip"
fi

stage ""
echo "windows: build and tests passed in $((SECONDS - started)) s"
