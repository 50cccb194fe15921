#!/usr/bin/env bash
# The beats a slow disk leaves the window, side by side in one run: beats of 1 ms and of 100 ms,
# each with syncs as the disk makes them and with every sync made 200 ms and 2 s slower, the
# pointer sweeping over the window throughout. For each: the share of the nominal beats kept, that
# share against the same beat's undelayed one, and the longest stall of the event loop.
#
# Usage: bench/slow-disk.sh PATH-TO-KELPOV [SECONDS]
set -euo pipefail
binary=$1 seconds=${2:-10}
printf '%-6s %-9s %-8s %-12s %s\n' beat sync+ kept vs-undelayed 'longest stall'
for interval in 1 100; do
    for delay in 0 200 2000; do
        said=$("$(dirname "$0")/beat-rate.sh" "$binary" "$seconds" --moving --interval "$interval" \
            --slow-sync "$delay")
        kept=$(sed -E 's/.*: ([0-9.]+) of nominal.*/\1/' <<<"$said")
        stall=$(sed -E 's/.*longest stall ([0-9]+) ms/\1/' <<<"$said")
        ((delay == 0)) && undelayed=$kept
        printf '%-6s %-9s %-8s %-12s %s\n' "${interval} ms" "${delay} ms" "$kept" \
            "$(awk -v k="$kept" -v u="$undelayed" 'BEGIN { printf "%.2f", k / u }')" "${stall} ms"
    done
done
