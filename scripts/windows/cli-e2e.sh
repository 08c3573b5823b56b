#!/usr/bin/env bash
# velmora-cli end to end under Wine, against a Linux run of the same command.
#
#   scripts/windows/cli-e2e.sh WINDOWS_CLI_EXE WORK_DIR
#
# 1. "generate" of the bundled sample configuration, in a copy of workspace/ on
#    each system: the same exit code and the same set of files and folders; a
#    second "generate --overwrite" into the existing output (copies that replace
#    files) likewise. The scripts are wrapped so that every string global they
#    receive is recorded: on Windows the path globals use backslashes only.
# 2. "check" of the sample with its BSP path written with backslashes (relative
#    and absolute) finds the three sub-folders and passes; with one sub-folder
#    missing it fails.
#
# Wine's environment (WINEPREFIX, a running wineserver) comes from the caller;
# VELMORA_WINE names the loader. The Linux velmora-cli is VELMORA_LINUX_CLI, or
# the one of the main build (build/), or one built here.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
win_cli=${1:?usage: cli-e2e.sh WINDOWS_CLI_EXE WORK_DIR}
work=${2:?usage: cli-e2e.sh WINDOWS_CLI_EXE WORK_DIR}
wine=${VELMORA_WINE:-/usr/lib/wine/wine64}
jobs=${VELMORA_JOBS:-2}
[[ -f "$win_cli" ]] || { echo "e2e: $win_cli not found" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

check_tag=e2e
source "$root/scripts/checks.sh"

# --- the Linux velmora-cli --------------------------------------------------------
linux_cli=${VELMORA_LINUX_CLI:-}
if [[ -z "$linux_cli" ]]; then
    if [[ -f "$root/build/CMakeCache.txt" ]]; then
        cmake --build "$root/build" --target velmora-cli -j "$jobs" >/dev/null
        linux_cli="$root/build/velmora-cli"
    else
        generator=()
        command -v ninja >/dev/null && generator=(-G Ninja)
        cmake -S "$root" -B "$work/../linux-cli" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
            -DVELMORA_BUILD_UI=OFF -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCHMARK=OFF >/dev/null
        cmake --build "$work/../linux-cli" --target velmora-cli -j "$jobs" >/dev/null
        linux_cli="$work/../linux-cli/velmora-cli"
    fi
fi
[[ -x "$linux_cli" ]] || { echo "e2e: Linux velmora-cli $linux_cli not found" >&2; exit 1; }

run_linux() { (cd "$1" && shift && "$linux_cli" "$@"); }
run_windows() { (cd "$1" && shift && "$wine" "$win_cli" "$@"); }

# A copy of the bundled working folder whose two generation scripts first record
# their string globals (one "[project]" block per run) and then run the real ones.
make_copy() {
    local dir=$1
    cp -a "$root/workspace" "$dir"
    local script
    for script in tes tens; do
        [[ -f "$dir/$script.lua" ]] || continue
        mv "$dir/$script.lua" "$dir/$script-original.lua"
        cat >"$dir/$script.lua" <<EOF
local names = {}
for name, value in pairs(_G) do
    if type(value) == "string" then names[#names + 1] = name end
end
table.sort(names)
local record = assert(io.open("globals-recorded.txt", "a"))
record:write("[$script ", tostring(prjname), "]\n")
for _, name in ipairs(names) do record:write(name, "=", _G[name], "\n") end
record:close()
dofile("$script-original.lua")
EOF
    done
}

# Every file and folder below dir, relative, sorted.
listing() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }

# Runs one command on both systems in their copies; compares exit codes and trees.
compare_run() {
    local what=$1
    shift
    local lin_rc=0 win_rc=0
    run_linux "$work/linux" "$@" >"$work/linux-$what.out" 2>&1 || lin_rc=$?
    run_windows "$work/windows" "$@" >"$work/windows-$what.out" 2>&1 || win_rc=$?
    if [[ $lin_rc -ne 0 ]]; then
        fail "$what on Linux exited $lin_rc"; sed 's/^/  linux: /' "$work/linux-$what.out" | tail -n 20 >&2
    fi
    if [[ $win_rc -ne 0 ]]; then
        fail "$what under Wine exited $win_rc"; sed 's/^/  windows: /' "$work/windows-$what.out" | tail -n 20 >&2
    fi
    [[ $lin_rc -eq 0 && $win_rc -eq 0 ]] && pass "$what exits 0 on both systems"
    listing "$work/linux" >"$work/linux-$what.files"
    listing "$work/windows" >"$work/windows-$what.files"
    if diff -u "$work/linux-$what.files" "$work/windows-$what.files" >"$work/$what.files.diff"; then
        pass "$what writes the same $(wc -l <"$work/linux-$what.files") files and folders on both systems"
    else
        fail "$what: the trees differ (- Linux, + Windows)"; head -n 40 "$work/$what.files.diff" >&2
    fi
}

# --- 1. generate ------------------------------------------------------------------
make_copy "$work/linux"
make_copy "$work/windows"
before=$(listing "$work/windows" | wc -l)
compare_run generate generate
after=$(listing "$work/windows" | wc -l)
if [[ $after -gt $before ]]; then
    pass "generate wrote $((after - before)) new files and folders"
else
    fail "generate wrote nothing"
fi

globals="$work/windows/globals-recorded.txt"
if [[ ! -s "$globals" ]]; then
    fail "the scripts recorded no globals under Wine"
else
    runs=$(grep -c '^\[' "$globals" || true)
    # Path globals: the ones that name a file or folder.
    path_names='^(fpath|fmain|fscatter|fpartition|bsppath|rpath)='
    with_slash=$(grep -E "$path_names" "$globals" | grep '/' || true)
    # fmain, fscatter and fpartition always hold a separator, so a backslash too.
    without_backslash=$(grep -E '^(fmain|fscatter|fpartition)=' "$globals" | grep -v '\\' || true)
    mains=$(grep -c '^fmain=' "$globals" || true)
    if [[ -n "$with_slash" ]]; then
        fail "path globals with a forward slash under Wine:"; echo "$with_slash" | head -n 10 >&2
    elif [[ -n "$without_backslash" || $mains -ne $runs ]]; then
        fail "path globals without a backslash under Wine ($mains fmain in $runs runs):"
        echo "$without_backslash" | head -n 10 >&2
    else
        pass "path globals of $runs script runs use backslashes only"
    fi
    # Any other string global that looks like a path must not mix separators either.
    other=$(grep -vE "$path_names" "$globals" | grep -v '^\[' | grep '/' || true)
    [[ -z "$other" ]] || { fail "other string globals with '/' under Wine:"; echo "$other" | head -n 10 >&2; }
    if cmp -s <(grep -c '^\[' "$work/linux/globals-recorded.txt") <(echo "$runs"); then
        pass "the same number of script runs ($runs) on both systems"
    else
        fail "script runs differ: Linux $(grep -c '^\[' "$work/linux/globals-recorded.txt"), Windows $runs"
    fi
fi

# A second run over the existing output: every copy replaces a file.
compare_run generate-again generate --overwrite

# --- 2. check with backslash BSP paths -------------------------------------------
set_bsp() {  # dir value: rewrites BSP_PATH= in dir/default.kiv, keeping line ends
    local value=${2//\\/\\\\}
    sed -i -E "s|^BSP_PATH=[^\r]*|BSP_PATH=${value//|/\\|}|" "$1/default.kiv"
    grep -q "^BSP_PATH=" "$1/default.kiv" || { echo "e2e: no BSP_PATH in $1/default.kiv" >&2; exit 1; }
}
check_dir="$work/check"
cp -a "$root/workspace" "$check_dir"
mkdir -p "$check_dir/boards"
cp -a "$root/workspace/BSP" "$check_dir/boards/V6048 BSP"
win_abs=$(WINEDEBUG=-all winepath -w "$check_dir/boards/V6048 BSP" 2>/dev/null | tr -d '\r')

expect_check() {  # description bsp-path expected-exit
    local rc=0
    set_bsp "$check_dir" "$2"
    run_windows "$check_dir" check >"$work/check.out" 2>&1 || rc=$?
    if [[ $rc -eq $3 ]]; then
        pass "check with BSP path '$2' exits $rc ($1)"
    else
        fail "check with BSP path '$2' exited $rc, not $3 ($1)"; tail -n 10 "$work/check.out" >&2
    fi
}
expect_check "relative, backslashes" 'boards\V6048 BSP' 0
expect_check "relative from the current folder" '.\boards\V6048 BSP' 0
if [[ -n "$win_abs" ]]; then
    expect_check "absolute, drive letter" "$win_abs" 0
else
    fail "winepath gave no Windows path for the BSP copy"
fi
# Without the device folder the same paths must fail: the check looks inside.
rm -rf "$check_dir/boards/V6048 BSP/Library/Device"
expect_check "device folder missing" 'boards\V6048 BSP' 1
[[ -s "$work/check.out" ]] && grep -q '[A-Za-z]' "$work/check.out" && pass "the failed check says why: $(tr -d '\r' <"$work/check.out" | head -n 1)" || fail "the failed check printed nothing"

checks_summary
