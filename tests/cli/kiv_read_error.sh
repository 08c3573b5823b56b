#!/bin/bash
# A read error part-way through ./default.kiv: velmora-cli keeps what was read and
# goes on instead of aborting. strace makes the second read of the file fail with
# EIO; the file is padded past the first read, so the error falls in the middle.
#
#   kiv_read_error.sh VELMORA_CLI WORKSPACE
#
# Exits 77 (skipped) when strace cannot trace here.
set -u

cli=${1:?usage: kiv_read_error.sh VELMORA_CLI WORKSPACE}
workspace=${2:?usage: kiv_read_error.sh VELMORA_CLI WORKSPACE}
. "$(dirname "$0")/../support/fault_workspace.sh"
{
    cat default.kiv
    printf '[LATE]\r\n'
    for i in $(seq 1 1500); do printf 'pad%04d=0123456789abcdef\r\n' "$i"; done
    printf '[TAIL]\r\nmarker=end\r\n'
} >padded.kiv
cp padded.kiv default.kiv
printf "addprj('Imported', 1, 0x10060000, 0x8000, 0x30010000, 0, 0, 0, 0, 0, 0, '', infname)\n" >ldp.lua

failing_read() {
    strace -f -o "$work/reads.trace" -P "$work/default.kiv" -e trace=read \
        -e inject=read:error=EIO:when=2 "$cli" "$@"
}

status=0
failing_read check >check.log 2>&1
rc=$?
grep -q 'INJECTED' reads.trace || { echo "no read of default.kiv failed"; exit 1; }
[ "$rc" -eq 0 ] || { echo "check exited $rc after a read error"; cat check.log; status=1; }

cp padded.kiv default.kiv
failing_read import project.uvprojx >import.log 2>&1
rc=$?
[ "$rc" -eq 0 ] || { echo "import exited $rc after a read error"; cat import.log; status=1; }
# What came before the error is saved again with the imported row; what came after is not.
for kept in 'NAME=SecureApp' 'NAME=NonSecureApp' 'NAME=Imported' 'pad0001='; do
    grep -q "^$kept" default.kiv || { echo "lost: $kept"; status=1; }
done
if grep -q '^marker=end' default.kiv; then echo "read past the error"; status=1; fi
[ "$status" -eq 0 ] && echo "a read error part-way kept what was read"
exit "$status"
