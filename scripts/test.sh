#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the full build
# (core, dialog, command-line runner), its Debian package unpacked and run, the core
# once more under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# cross build under Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${VELMORA_JOBS:-2}"

bash scripts/deps.sh scripts/packages-base.txt scripts/packages.txt

echo "== Build and test =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Debian package, unpacked and run; lintian =="
bash scripts/package-test.sh build

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON \
  -DVELMORA_BUILD_UI=OFF -DVELMORA_BUILD_BENCHMARK=OFF
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

if [ -x scripts/fuzz.sh ]; then
  echo "== Short fuzz run =="
  bash scripts/fuzz.sh
fi

if [ -f scripts/windows/test.sh ] && [ "${VELMORA_SKIP_WINDOWS:-0}" != 1 ]; then
  echo "== Windows build under Wine =="
  bash scripts/windows/test.sh
fi
echo "All test stages passed."
