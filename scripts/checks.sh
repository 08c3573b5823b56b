# Counting the checks of an end-to-end script. Source it after setting check_tag,
# the word that starts every line:
#   pass TEXT              counts a check that held
#   fail TEXT              counts one that did not (on standard error)
#   expect TEXT COMMAND... passes when the command succeeds, else fails
#   checks_summary         prints "TAG: N passed, N failed"; fails when any failed
passes=0
failures=0
pass() { echo "$check_tag: ok: $1"; passes=$((passes + 1)); }
fail() { echo "$check_tag: FAILED: $1" >&2; failures=$((failures + 1)); }
expect() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
checks_summary() {
    echo "$check_tag: $passes passed, $failures failed"
    [[ $failures -eq 0 ]]
}
