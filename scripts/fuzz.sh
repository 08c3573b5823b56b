#!/usr/bin/env bash
# A short libFuzzer run of the INI reader (tests/fuzz). Needs clang++ with its
# libFuzzer runtime; without them it says so and succeeds.
#
#   bash scripts/fuzz.sh              # 20000 runs
#   bash scripts/fuzz.sh -max_total_time=60
#
# Builds in build-fuzz/ (VELMORA_FUZZ_BUILD chooses another folder). Extra arguments
# go to the fuzzer and replace the default -runs=20000.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_FUZZ_BUILD:-$root/build-fuzz}"
jobs="${VELMORA_JOBS:-2}"

clangxx="$(command -v clang++ || command -v clang++-14 || true)"
clangc="$(command -v clang || command -v clang-14 || true)"
if [ -z "$clangxx" ] || [ -z "$clangc" ]; then
  echo "fuzz: clang++ is not installed; no fuzz run"
  exit 0
fi
probe="$(mktemp -d)"
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
  >"$probe/probe.cpp"
if ! "$clangxx" -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1; then
  echo "fuzz: clang++ has no libFuzzer runtime; no fuzz run"
  exit 0
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER="$clangc" -DCMAKE_CXX_COMPILER="$clangxx" \
  -DVELMORA_BUILD_UI=OFF -DVELMORA_BUILD_BENCHMARK=OFF -DVELMORA_SANITIZE=OFF >/dev/null
cmake --build "$build" --target fuzz_ini_read -j"$jobs"

# The seeds stay untouched: new inputs go to a corpus folder in the build.
corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(-runs=20000)
cd "$build"
"$build/tests/fuzz/fuzz_ini_read" "${args[@]}" -max_len=65536 -timeout=10 \
  "$corpus" "$root/tests/fuzz/corpus"
echo "fuzz: INI reader run finished without findings"
