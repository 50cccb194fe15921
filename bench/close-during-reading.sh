#!/bin/bash
# How long Kelpov lives after its window is closed while the fairness reading is still at work:
# a start in a folder whose data.txt holds 20000 alternating picks (1 2 1 2 ...) finishes that run
# with the count given ("Finish That Run…"), and the window is closed as a window manager closes
# it as soon as the tables are written, while the reading is being worked out.
#
# Usage: xvfb-run -a -s -noreset bench/close-during-reading.sh [KELPOV] [COUNT] [TIMES]
#        (build/release/app/kelpov, 20000 and 5 by default)
set -euo pipefail
binary=$(realpath "${1:-build/release/app/kelpov}")
count=${2:-20000}
times=${3:-5}
source "$(dirname "$0")/../scripts/x11-driver.sh"
fail() {
    echo "close-during-reading: $*" >&2
    exit 1
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for ((run = 1; run <= times; run++)); do
    folder=$scratch/run$run
    mkdir "$folder"
    awk 'BEGIN { for (k = 0; k < 20000; k++) printf " %d \r\n", 1 + k % 2 }' >"$folder/data.txt"
    start_kelpov "$binary" "$folder" || fail "no window"
    await_dialog "$kelpov_pid" "$window" || fail "no question about the unfinished run"
    xdo key Tab keydown Return sleep 0.8 keyup Return
    await_dialog "$kelpov_pid" "$window $dialog" || fail "no question about the outcome count"
    xdo key --clearmodifiers ctrl+a type "$count"
    xdo key Return
    # The tables are written whole under a name of their own, then renamed.
    await "the tables" 10 test -s "$folder/sorted_results.txt"
    kill -0 "$kelpov_pid" || fail "Kelpov ended before the close"
    closed=${EPOCHREALTIME/./}
    close_window "$window"
    while kill -0 "$kelpov_pid" 2>/dev/null; do sleep 0.005; done
    took=$((${EPOCHREALTIME/./} - closed))
    printf 'run %d: ended %d ms after the close\n' "$run" "$((took / 1000))"
done
