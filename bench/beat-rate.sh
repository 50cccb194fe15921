#!/usr/bin/env bash
# How many of the beats an interval asks for the real window keeps, and the longest stall of its
# event loop meanwhile: Kelpov runs on its own Xvfb, "Submit" starts the beats, the lines of
# "data.txt" are counted over SECONDS, and the window is pinged every 20 ms as a window manager
# pings it. With --moving the pointer sweeps over the window meanwhile, so every beat competes with
# draws; with --slow-sync MS every sync of the program sleeps MS milliseconds first, as on a slow
# USB stick or network folder.
#
# Usage: bench/beat-rate.sh PATH-TO-KELPOV [SECONDS] [--moving] [--interval MS] [--slow-sync MS]
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    "$(dirname "$0")/../scripts/ensure-packages" xvfb xauth xdotool gcc python3-xlib
    exec xvfb-run -a -s "-noreset -screen 0 1024x768x24" "$0" "$@"
fi
binary=$(realpath "${1:?usage: beat-rate.sh PATH-TO-KELPOV [SECONDS] [--moving] [--interval MS] [--slow-sync MS]}")
seconds=${2:-10}
shift $(($# > 1 ? 2 : 1))
here=$(dirname "$0")
moving='' interval=1 slow_sync=''
while (($#)); do
    case $1 in
        --moving) moving=1 ;;
        --interval) interval=$2 && shift ;;
        --slow-sync) slow_sync=$2 && shift ;;
        *) echo "beat-rate: unknown argument $1" >&2 && exit 2 ;;
    esac
    shift
done
source "$here/../scripts/x11-driver.sh"

scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir "$scratch/run"
if [[ -n $slow_sync ]]; then
    gcc -shared -fPIC -o "$scratch/slow-sync.so" "$here/slow-sync.c" -ldl
    export LD_PRELOAD=$scratch/slow-sync.so SLOW_SYNC_MS=$slow_sync
fi
start_kelpov "$binary" "$scratch/run" || {
    echo "beat-rate: no Kelpov window appeared" >&2
    exit 1
}
unset LD_PRELOAD
type_setting "${interval_box[@]}" "$interval"
click_at "${submit_button[@]}"
if [[ -n $moving ]]; then
    while xdo mousemove --window "$window" $((RANDOM % 500 + 20)) $((RANDOM % 300 + 150)); do :; done 2>/dev/null &
fi
sleep 1
lines() {
    wc -l <"$scratch/run/data.txt"
}
first=$(lines) start=$(date +%s.%N)
stall=$(/usr/bin/python3 "$here/event-loop-stalls.py" "$window" "$seconds")
last=$(lines) end=$(date +%s.%N)
awk -v n=$((last - first)) -v s="$start" -v e="$end" -v i="$interval" -v stall="$stall" \
    'BEGIN { t = (e - s) * 1000; printf "%d beats in %.0f ms: %.3f of nominal; longest stall %d ms\n", n, t, n * i / t, stall }'
