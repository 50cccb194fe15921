#!/usr/bin/env bash
# The CPU time of `kelpov --finish N --json`, the whole process, for each outcome count N and each
# kind of run: a draw at every beat (independent), items 1 and 2 in turn (alternating), and a draw
# at half the beats with geometric rests of mean 5 beats between (rested), each of 2000 and 20000
# beats, from a fixed seed. Prints one line per run: N, kind, beats, user + system seconds.
# Usage: bench/reading-times.sh PATH-TO-KELPOV [N...]
set -euo pipefail
kelpov=$(realpath "$1")
shift
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(2 2.0001 2.5 3 6.0001 20000)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
for n in "${counts[@]}"; do
    for kind in independent alternating rested; do
        for beats in 2000 20000; do
            python3 - "$n" "$kind" "$beats" >data.txt <<'EOF'
import math, random, sys
n, kind, beats = float(sys.argv[1]), sys.argv[2], int(sys.argv[3])
random.seed(20000)
draw = lambda: math.floor(n * random.random()) + 1  # as Picker::Draw
current, rest, lines = draw(), 0, []
for beat in range(beats):
    if kind == "alternating":
        current = beat % 2 + 1
    elif kind == "independent" and beat > 0:
        current = draw()
    elif kind == "rested" and beat > 0:
        if rest == 0 and random.random() < 0.5:
            rest = 1
            while random.random() >= 1 / 5:
                rest += 1
        if rest > 0:
            rest -= 1
        else:
            current = draw()
    lines.append(" %d \r\n" % current)
sys.stdout.write("".join(lines))
EOF
            cpu=$( { /usr/bin/time -f '%U %S' "$kelpov" --finish "$n" --json >/dev/null; } 2>&1 |
                awk 'END { printf "%.2f", $1 + $2 }')
            echo "$n $kind $beats $cpu"
        done
    done
done
