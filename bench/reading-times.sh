#!/bin/bash
# The CPU time of `kelpov --finish N --json` (reading data.txt, writing the tables, the summary and
# the fairness reading) for the counts where the reading works hardest, on logs of 2000 and 20000
# beats of independent picks (a draw before every beat), alternating picks (1 2 1 2 ...) and rested
# picks (a draw before one beat in five), seeded so that every run reads the same logs.
#
# Usage: bench/reading-times.sh [KELPOV]   (build/release/app/kelpov by default)
set -euo pipefail
kelpov=$(realpath "${1:-build/release/app/kelpov}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The picks of one log, one line each in print form with CR LF.
write_log() {  # COUNT BEATS KIND
    python3 - "$@" > data.txt <<'PY'
import math, random, sys
n, beats, kind = float(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
rng = random.Random(17)
current = 0
out = []
for beat in range(beats):
    if kind == "alternating":
        current = 1 + beat % 2
    elif kind == "independent" or beat == 0 or rng.random() < 0.2:
        current = math.floor(n * rng.random() + 1)
    out.append(" %d \r\n" % current)
sys.stdout.write("".join(out))
PY
}

printf '%-8s %-12s %8s %8s\n' N picks 2000 20000
for n in 2 2.0001 2.5 3 6.0001 20000; do
    for kind in independent alternating rested; do
        line=$(printf '%-8s %-12s' "$n" "$kind")
        for beats in 2000 20000; do
            write_log "$n" "$beats" "$kind"
            # User and system CPU seconds of the whole command, the best of three.
            best=
            for _ in 1 2 3; do
                rm -f results.txt sorted_results.txt
                took=$( { /usr/bin/time -f '%U %S' "$kelpov" --finish "$n" --json >/dev/null; } 2>&1 |
                        awk '{ printf "%.2f", $1 + $2 }')
                if [ -z "$best" ] || awk "BEGIN { exit !($took < $best) }"; then best=$took; fi
            done
            line+=$(printf ' %7ss' "$best")
        done
        echo "$line"
    done
done
