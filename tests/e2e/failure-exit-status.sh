#!/usr/bin/env bash
# Kelpov started where data.txt cannot be created must report a file failure naming data.txt on
# stderr and exit with status 1. Tests run as root, which ignores permission bits, so the failure
# is made real with a directory named data.txt.
#
# Usage: failure-exit-status.sh PATH-TO-KELPOV
set -euo pipefail

binary=$(realpath "${1:?usage: failure-exit-status.sh PATH-TO-KELPOV}")
limit=20

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
work="$scratch/run"
mkdir -p "$work/data.txt"

fail() {
    echo "FAIL: $*" >&2
    echo "--- kelpov stderr:" >&2
    cat "$scratch/stderr" >&2
    exit 1
}

status=0
(cd "$work" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch" \
    exec timeout --kill-after=5 "$limit" "$binary") >"$scratch/stdout" 2>"$scratch/stderr" ||
    status=$?

((status != 124 && status != 137)) || fail "kelpov was still running after $limit s"
((status == 1)) || fail "exit status $status, expected 1"
grep -q 'File failure' "$scratch/stderr" || fail "stderr does not name a file failure"
grep -q 'data\.txt' "$scratch/stderr" || fail "stderr does not name data.txt"
[[ -d $work/data.txt ]] || fail "the directory data.txt was replaced"

echo "PASS: exit status 1; $(grep 'File failure' "$scratch/stderr")"
