#!/usr/bin/env bash
# How many of the beats a 1 ms interval asks for the real window keeps: Kelpov runs on its own
# Xvfb, "Submit" starts the beats, and the lines of "data.txt" are counted over SECONDS. With
# --moving the pointer sweeps over the window meanwhile, so every beat competes with draws.
#
# Usage: bench/beat-rate.sh PATH-TO-KELPOV [SECONDS] [--moving]
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    exec xvfb-run -a -s "-noreset -screen 0 1024x768x24" "$0" "$@"
fi
binary=$(realpath "${1:?usage: beat-rate.sh PATH-TO-KELPOV [SECONDS] [--moving]}")
seconds=${2:-10}
source "$(dirname "$0")/../scripts/x11-driver.sh"

scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir "$scratch/run"
start_kelpov "$binary" "$scratch/run" || {
    echo "beat-rate: no Kelpov window appeared" >&2
    exit 1
}
type_setting "${interval_box[@]}" 1
click_at "${submit_button[@]}"
if [[ ${3:-} == --moving ]]; then
    while xdo mousemove --window "$window" $((RANDOM % 500 + 20)) $((RANDOM % 300 + 150)); do :; done 2>/dev/null &
fi
sleep 1
lines() {
    wc -l <"$scratch/run/data.txt"
}
first=$(lines) start=$(date +%s.%N)
sleep "$seconds"
last=$(lines) end=$(date +%s.%N)
awk -v n=$((last - first)) -v s="$start" -v e="$end" \
    'BEGIN { t = (e - s) * 1000; printf "%d beats in %.0f ms: %.3f of nominal\n", n, t, n / t }'
