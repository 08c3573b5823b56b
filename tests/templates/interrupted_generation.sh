#!/bin/bash
# A generation killed at any write, or one whose writes fail as on a full disk,
# leaves a tree that the next `velmora-cli generate --overwrite` restores whole:
# byte for byte the tree an uninterrupted generation writes, with no temporary
# file left over and no damaged file to replace. Faults come from strace: a
# SIGKILL injected at the Nth write system call, or ENOSPC from the Nth on.
#
#   interrupted_generation.sh VELMORA_CLI WORKSPACE
#
# VELMORA_FAULT_SECONDS bounds the time spent on kills (default 120); the kill
# points are spread over the generation's file writes. Exits 77 (skipped) when
# strace cannot trace here.
set -u

cli=${1:?usage: interrupted_generation.sh VELMORA_CLI WORKSPACE}
workspace=${2:?usage: interrupted_generation.sh VELMORA_CLI WORKSPACE}
budget=${VELMORA_FAULT_SECONDS:-120}
. "$(dirname "$0")/../support/fault_workspace.sh"
out=$(sed -n 's/^TEMPLATE_PATH=//p' default.kiv | tr -d '\r')
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# Every entry of the tree with its type, and every file's hash.
manifest() {
    (cd "$1" && find . -printf '%y %p\n' | sort && find . -type f -print0 | sort -z |
        xargs -0 -r sha256sum)
}

# The numbers of the write calls that go to a file (not to standard output or
# error), as strace counts them, for a generation that starts from the tree $1.
file_write_numbers() {
    rm -rf "$out" && cp -R "$1" "$out"
    strace -f -o "$work/writes.trace" -e trace=write "$cli" generate --overwrite >/dev/null 2>&1
    awk '/ write\(/ { n++; if ($0 !~ / write\([12],/) print n }' "$work/writes.trace"
}

# The rerun after a fault: exit 0, no damaged file replaced, the reference tree.
expect_restored() {
    local what=$1 reference=$2
    "$cli" generate --overwrite >"$work/rerun.log" 2>&1
    local rc=$?
    [ "$rc" -eq 0 ] || { fail "$what: the rerun exited $rc"; grep -v '^\(Flolder\|Create\|First\|Next\|dir\|file\|Copy\|copy\)' "$work/rerun.log"; return; }
    if grep -q '^Replaced ' "$work/rerun.log"; then fail "$what: the fault left a damaged file"; fi
    manifest "$out" >"$work/got.manifest"
    diff "$reference" "$work/got.manifest" >"$work/diff" || { fail "$what: tree differs"; head -n 8 "$work/diff"; }
}

# A complete tree (mkdir + generate), and its manifest.
mkdir -p "$out"
"$cli" generate >"$work/first.log" 2>&1 || { cat "$work/first.log"; echo "generate failed"; exit 1; }
cp -R "$out" "$work/complete"
manifest "$out" >"$work/complete.manifest"
mkdir "$work/empty"

# Kill points over a fresh generation and over a regeneration of a complete tree.
# They are taken in passes of every fourth point, so that a run cut short by the
# time bound has still covered the whole generation evenly.
sed 's/^/empty /' <(file_write_numbers "$work/empty") >"$work/points"
sed 's/^/complete /' <(file_write_numbers "$work/complete") >>"$work/points"
total=$(wc -l <"$work/points")
[ "$total" -gt 0 ] || { echo "no file writes seen"; exit 1; }
start=$SECONDS
killed=0
for pass in 0 1 2 3; do
    while read -r phase n; do
        [ $((SECONDS - start)) -lt "$budget" ] || break 2
        rm -rf "$out" && cp -R "$work/$phase" "$out"
        # In a subshell, so the shell's own "Killed" notice stays out of the log.
        (strace -f -o /dev/null -e trace=write -e inject=write:signal=KILL:when="$n" \
            "$cli" generate --overwrite >/dev/null 2>&1; :) 2>/dev/null
        expect_restored "kill at write $n over the $phase tree" "$work/complete.manifest"
        killed=$((killed + 1))
    done < <(awk -v pass="$pass" '(NR - 1) % 4 == pass' "$work/points")
done
echo "killed at $killed of $total file writes"

# A full disk during a regeneration over a tree with a user's edit: the run fails
# (exit 3) and every file is whole: as it was, as the full regeneration makes it,
# or a fresh copy of a template file whose edit the full disk stopped; nothing
# temporary stays. The next run completes it.
(cd "$work/ZQD" && find . -type f -print0 | xargs -0 sha256sum | cut -d ' ' -f 1) >"$work/template.hashes"
rm -rf "$out" && cp -R "$work/complete" "$out"
project=$(find "$out" -name '*.uvprojx' | sort | head -n 1)
sed -i '1a <!-- the developer'"'"'s own note -->' "$project"
cp -R "$out" "$work/edited"
"$cli" generate --overwrite >/dev/null 2>&1
cp -R "$out" "$work/regenerated"
manifest "$out" >"$work/regenerated.manifest"
grep -q "the developer's own note" "$project" || fail "the regeneration lost the user's edit"
for n in $(file_write_numbers "$work/edited" | awk 'NR == 1 || NR % 7 == 0'); do
    rm -rf "$out" && cp -R "$work/edited" "$out"
    strace -f -o /dev/null -e trace=write -e inject=write:error=ENOSPC:when="$n+" \
        "$cli" generate --overwrite >/dev/null 2>&1
    rc=$?
    [ "$rc" -eq 3 ] || fail "full disk from write $n: exit $rc, not 3 (created with errors)"
    (cd "$out" && find . -type f) | while read -r file; do
        cmp -s "$out/$file" "$work/edited/$file" || cmp -s "$out/$file" "$work/regenerated/$file" ||
            grep -qx "$(sha256sum <"$out/$file" | cut -d ' ' -f 1)" "$work/template.hashes" ||
            echo "$file"
    done >"$work/cut"
    [ -s "$work/cut" ] && { fail "full disk from write $n: cut or foreign files"; head -n 5 "$work/cut"; }
    expect_restored "full disk from write $n" "$work/regenerated.manifest"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "every interrupted generation was restored whole"
