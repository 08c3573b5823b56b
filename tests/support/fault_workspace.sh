# Sourced by the fault-injection shell tests: with cli and workspace set, makes cli
# an absolute path, exits 77 (skipped) when strace is missing or cannot trace
# here, and enters work, a copy of the working folder removed when the test ends.

cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")
command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }
strace -f -o /dev/null -e trace=none true 2>/dev/null || { echo "strace cannot trace here"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$workspace/." "$work/"
cd "$work" || exit 1
