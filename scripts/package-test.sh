#!/usr/bin/env bash
# The Debian package end to end. Builds velmora_<version>_<arch>.deb from a build
# folder with CPack, unpacks it with dpkg-deb -x into a temporary folder (nothing is
# installed into the system) and runs the unpacked programs from another current
# folder: velmora-cli --version, init, -C DIR generate of the sample, check --json
# read by a JSON parser, and the desktop entry's start of the dialog (offscreen).
# Then lintian checks the package: an error fails the stage, warnings are shown.
#
#   bash scripts/package-test.sh [BUILD_DIR]      (default: build)
#
# BUILD_DIR must hold a finished build of velmora and velmora-cli; the package lands
# in BUILD_DIR/package.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out="$build/package"
work=$(mktemp -d)
dialog_pid=""
cleanup() {
    [[ -z "$dialog_pid" ]] || kill "$dialog_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

check_tag=package
source "$root/scripts/checks.sh"
logged() {  # file command...: the command's output goes to file
    local file=$1
    shift
    "$@" >"$file" 2>&1
}

# --- the package ------------------------------------------------------------------
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out") >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2; exit 1; }
deb=$(find "$out" -maxdepth 1 -name 'velmora_*.deb' | head -n 1)
[[ -n "$deb" ]] || { echo "package: cpack wrote no .deb" >&2; cat "$out/cpack.log" >&2; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
expect "the package is $(basename "$deb")" \
    test "$(basename "$deb")" = "velmora_${version}_$(dpkg --print-architecture).deb"
depends=$(dpkg-deb -f "$deb" Depends)
expect "dpkg-shlibdeps found the libraries ($depends)" \
    grep -q 'liblua5.1-0.*libqt6widgets6' <<<"$depends"

unpacked="$work/unpacked"
dpkg-deb -x "$deb" "$unpacked"
for file in usr/bin/velmora usr/bin/velmora-cli usr/share/velmora/workspace/default.kiv \
        usr/share/velmora/workspace/ZQD/tzedit.lua usr/share/applications/velmora.desktop \
        usr/share/icons/hicolor/scalable/apps/velmora.svg usr/share/man/man1/velmora-cli.1.gz \
        usr/share/doc/velmora/copyright usr/share/doc/velmora/changelog.gz; do
    [[ -f "$unpacked/$file" ]] || fail "the package lacks /$file"
done
expect "the desktop entry starts the dialog in the per-user working folder" \
    grep -qx 'Exec=velmora --user-workspace' "$unpacked/usr/share/applications/velmora.desktop"

# A file only the unpacked copy has: init must take that copy, not the repository's.
shared="$unpacked/usr/share/velmora/workspace"
echo "unpacked copy" >"$shared/from-the-package.txt"

# --- velmora-cli from another current folder --------------------------------------
cli="$unpacked/usr/bin/velmora-cli"
ci="$work/ci-job"
mkdir -p "$ci"
cd "$ci"
expect "--version prints velmora-cli $version" test "$("$cli" --version)" = "velmora-cli $version"
expect "init lays out a working folder" logged "$work/init.out" "$cli" init partition
expect "init copies the unpacked package's working folder" \
    cmp -s "$shared/from-the-package.txt" partition/from-the-package.txt
expect "init copies default.kiv unchanged" cmp -s "$shared/default.kiv" partition/default.kiv
rc=0
"$cli" init partition >/dev/null 2>"$work/init-again.err" || rc=$?
expect "init refuses a folder with a default.kiv (exit $rc)" test "$rc" -eq 1
expect "-C partition generate writes the sample's projects" \
    logged "$work/generate.out" "$cli" -C partition generate
expect "the generated tree has its Keil workspace" \
    test -f partition/BSP/SampleCode/TrustZone/TrustZone.uvmpw

json_is() {  # valid-true-or-false [text the message holds] < JSON
    python3 -c '
import json, sys
reply = json.load(sys.stdin)
valid = sys.argv[1] == "true"
assert set(reply) == {"valid", "message"}, reply
assert reply["valid"] is valid and isinstance(reply["message"], str), reply
assert (reply["message"] == "") is valid, reply
assert len(sys.argv) < 3 or sys.argv[2] in reply["message"], reply
' "$@"
}
"$cli" -C partition check --json >"$work/check.json" || true
expect "check --json of the sample reads as JSON: valid" json_is true <"$work/check.json"
# Both projects under one name with quotes, a backslash and an "é": the name rule
# quotes it in its message.
sed -i 's/^NAME=\(Non\)\{0,1\}SecureApp\r$/NAME=Twin"\xc3\xa9\\x\r/' partition/default.kiv
rc=0
"$cli" -C partition check --json >"$work/check.json" || rc=$?
expect "check --json of a broken configuration exits 1 (exit $rc)" test "$rc" -eq 1
expect "check --json of a broken configuration reads as JSON with its message" \
    json_is false $'[Twin"\xc3\xa9\\x] project name cannot be the same.' <"$work/check.json"
echo "package: check --json said: $(cat "$work/check.json")"

# --- the dialog, as the desktop entry starts it ------------------------------------
home="$work/home"
mkdir -p "$home"
HOME="$home" XDG_DATA_HOME="" QT_QPA_PLATFORM=offscreen \
    "$unpacked/usr/bin/velmora" --user-workspace >"$work/dialog.out" 2>&1 &
dialog_pid=$!
user_folder="$home/.local/share/velmora/workspace"
for _ in $(seq 1 100); do
    [[ "$(readlink "/proc/$dialog_pid/cwd" 2>/dev/null)" == "$user_folder" ]] && break
    kill -0 "$dialog_pid" 2>/dev/null || break
    sleep 0.1
done
expect "velmora --user-workspace lays out $user_folder and runs the dialog there" \
    test "$(readlink "/proc/$dialog_pid/cwd" 2>/dev/null)" = "$user_folder"
expect "the per-user folder comes from the unpacked copy" test -f "$user_folder/from-the-package.txt"
kill "$dialog_pid" 2>/dev/null || true
wait "$dialog_pid" 2>/dev/null || true
dialog_pid=""

# --- lintian ------------------------------------------------------------------------
echo "package: lintian $(basename "$deb")"
rc=0
lintian --display-info --fail-on error "$deb" >"$out/lintian.txt" 2>&1 || rc=$?
grep -v '^running with root privileges' "$out/lintian.txt" || true
expect "lintian reports no error (exit $rc)" test "$rc" -eq 0

checks_summary
