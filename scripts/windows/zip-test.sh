#!/usr/bin/env bash
# The Windows zip end to end under Wine: packs the cross-built velmora-cli.exe with
# the bundled working folder (CPack ZIP), unpacks the zip into a fresh folder and,
# from another current folder, runs its velmora-cli.exe: --version, init, and
# -C DIR generate of the sample.
#
#   scripts/windows/zip-test.sh PROJECT_BUILD_DIR WORK_DIR
#
# Wine's environment (WINEPREFIX, a running wineserver) comes from the caller;
# VELMORA_WINE names the loader.
set -euo pipefail

project=$(cd "${1:?usage: zip-test.sh PROJECT_BUILD_DIR WORK_DIR}" && pwd)
work=${2:?usage: zip-test.sh PROJECT_BUILD_DIR WORK_DIR}
wine=${VELMORA_WINE:-/usr/lib/wine/wine64}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

check_tag=zip
source "$(dirname "${BASH_SOURCE[0]}")/../checks.sh"
windows() {  # log-file arguments...: the unpacked velmora-cli.exe under Wine
    local log=$1
    shift
    "$wine" "$exe" "$@" >"$log" 2>&1 </dev/null
}

(cd "$project" && cpack -G ZIP -B "$work/package") >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2; exit 1; }
zip=$(find "$work/package" -maxdepth 1 -name 'velmora-*-win64.zip' | head -n 1)
[[ -n "$zip" ]] || { echo "zip: cpack wrote no zip" >&2; cat "$work/cpack.log" >&2; exit 1; }
echo "zip: $(basename "$zip")"

mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
top="$work/unpacked/$(basename "$zip" .zip)"
exe="$top/velmora-cli.exe"
expect "the zip holds velmora-cli.exe beside workspace/" \
    test -f "$exe" -a -f "$top/workspace/default.kiv" -a -f "$top/workspace/ZQD/tzedit.lua"
# A file only the unpacked copy has: init must take that copy.
echo "unpacked copy" >"$top/workspace/from-the-zip.txt"

mkdir -p "$work/ci-job"
cd "$work/ci-job"
windows "$work/version.out" --version || true
version=$(tr -d '\r' <"$work/version.out")
expect "--version prints '$version'" grep -qx 'velmora-cli [0-9.]*' <<<"$version"
expect "init lays out a working folder" windows "$work/init.out" init partition
expect "init copies the zip's working folder" test -f partition/from-the-zip.txt
expect "-C partition generate writes the sample's projects" \
    windows "$work/generate.out" -C partition generate
expect "the generated tree has its Keil workspace" \
    test -f partition/BSP/SampleCode/TrustZone/TrustZone.uvmpw
for log in init generate; do
    [[ $failures -eq 0 ]] || tail -n 20 "$work/$log.out" | sed "s/^/  $log: /" >&2
done

checks_summary
