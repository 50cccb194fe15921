#!/usr/bin/env bash
# End to end: the real kelpov binary on its own Xvfb, driven with a real pointer and keyboard.
# Three outcomes and a 50 ms beat are typed in, "Submit" is clicked, the pointer wanders over the
# window's surface, "Finish" is clicked; then data.txt, results.txt and sorted_results.txt are
# checked byte for byte against counts taken here from data.txt.
#
# Usage: run-under-xvfb.sh PATH-TO-KELPOV
set -euo pipefail

binary=$(realpath "${1:?usage: run-under-xvfb.sh PATH-TO-KELPOV}")
outcomes=3
interval=50

scratch=$(mktemp -d)
work="$scratch/run"
mkdir "$work"
xvfb_pid=""
kelpov_pid=""

fail() {
    echo "FAIL: $*" >&2
    if [[ -s $scratch/kelpov.err ]]; then
        echo "--- kelpov stderr:" >&2
        cat "$scratch/kelpov.err" >&2
    fi
    exit 1
}

step() {
    echo "-- $*"
}

cleanup() {
    if [[ -n $kelpov_pid ]] && kill -0 "$kelpov_pid" 2>/dev/null; then
        kill -KILL "$kelpov_pid" 2>/dev/null || true
        wait "$kelpov_pid" 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# wait_for SECONDS WHAT COMMAND...: polls COMMAND until it succeeds; fails after SECONDS.
wait_for() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit))
    until "$@"; do
        ((SECONDS < deadline)) || fail "timed out after ${limit} s waiting for $what"
        sleep 0.1
    done
}

# No xdotool call may hang the test, whatever state the server is in.
xdo() {
    timeout 10 xdotool "$@"
}

display_known() {
    [[ -s $scratch/display ]]
}

server_answers() {
    xdo getdisplaygeometry >/dev/null 2>&1
}

step "starting Xvfb"
# -displayfd lets the server pick a free display number itself, so parallel runs never collide.
# -noreset: otherwise the server resets when its last client leaves, and a client that connects
# in that moment is refused.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 \
    3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
wait_for 10 "Xvfb to choose a display" display_known
DISPLAY=":$(tr -d '[:space:]' <"$scratch/display")"
export DISPLAY
wait_for 10 "Xvfb on $DISPLAY to answer" server_answers

step "starting $binary in $work"
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
(cd "$work" && exec "$binary") >"$scratch/kelpov.out" 2>"$scratch/kelpov.err" &
kelpov_pid=$!

step "finding the window"
root=$(xdo search --maxdepth 0 '' 2>/dev/null)
candidates=$(xdo search --sync --all --onlyvisible --pid "$kelpov_pid" --name '^Kelpov1\.0$') ||
    {
        kill -0 "$kelpov_pid" 2>/dev/null || fail "kelpov exited before showing its window"
        fail "no visible window named Kelpov1.0 of pid $kelpov_pid"
    }
windows=()
for candidate in $candidates; do
    [[ $candidate == "$root" ]] || windows+=("$candidate")
done
((${#windows[@]} == 1)) || fail "expected one Kelpov1.0 window, found ${#windows[@]}: ${windows[*]}"
window=${windows[0]}

# With no window manager the X window is exactly the client area.
eval "$(xdo getwindowgeometry --shell "$window")"
[[ ${WIDTH:-} == 687 && ${HEIGHT:-} == 497 ]] ||
    fail "client area is ${WIDTH:-?}x${HEIGHT:-?}, expected 687x497"

# Centres of the controls, in client coordinates.
click_at() {
    xdo mousemove --window "$window" "$1" "$2" click 1
}

step "typing $outcomes outcomes and a $interval ms beat"
click_at 256 36 # Future Outcomes
xdo key --clearmodifiers ctrl+a
xdo type --delay 20 "$outcomes"
click_at 256 76 # Interval
xdo key --clearmodifiers ctrl+a
xdo type --delay 20 "$interval"

# A draw over the bare surface with the new count, so that a beat that comes before the next
# movement still records an item of 1..outcomes rather than the initial 0.
xdo mousemove --window "$window" 100 300 mousemove --window "$window" 120 320

step "Submit"
click_at 256 116

step "moving the pointer over the surface"
# Sixty distinct points, each different from the one before, clear of the visible "Finish"
# button and credit link; about 1.5 s in all.
moves=()
for ((i = 0; i < 60; i++)); do
    moves+=(mousemove --window "$window" $((30 + i * 37 % 520)) $((150 + i * 53 % 320)) sleep 0.025)
done
timeout 20 xdotool "${moves[@]}" || fail "xdotool could not move the pointer"

step "Finish"
click_at 648 56

results="$work/results.txt"
sorted="$work/sorted_results.txt"
data="$work/data.txt"
sorted_complete() {
    [[ -f $results && -f $sorted ]] && (($(wc -l <"$sorted") >= outcomes + 1))
}
wait_for 15 "results.txt and a complete sorted_results.txt" sorted_complete
kill -0 "$kelpov_pid" 2>/dev/null || fail "kelpov exited after Finish"
if grep -q '^kelpov: ' "$scratch/kelpov.err"; then
    fail "kelpov reported a failure"
fi

step "checking data.txt"
[[ -f $data ]] || fail "data.txt is missing"
picks=$(wc -l <"$data")
((picks >= 10)) || fail "data.txt holds $picks lines, expected at least 10"
[[ $(tail -c 1 "$data" | od -An -tx1 | tr -d '[:space:]') == 0a ]] ||
    fail "data.txt does not end with a complete line"
counts=()
total=0
distinct=0
for ((item = 1; item <= outcomes; item++)); do
    n=$(LC_ALL=C grep -a -c -x -F " $item "$'\r' "$data" || true)
    counts[item]=$n
    total=$((total + n))
    ((n == 0)) || distinct=$((distinct + 1))
done
if ((total != picks)); then
    echo "lines that are not ' ITEM ' CR LF with ITEM in 1..$outcomes:" >&2
    LC_ALL=C grep -a -n -v -x -E " [1-$outcomes] "$'\r' "$data" | head -5 | od -c >&2 || true
    fail "only $total of the $picks lines of data.txt are item lines"
fi
# Every movement draws anew: a pointer that drew nothing would leave one item recorded throughout.
((distinct >= 2)) || fail "every one of the $picks picks is the same item: movement drew nothing"
echo "   $picks picks; item counts: ${counts[*]:1}"

# expect_file NAME EXPECTED ACTUAL
expect_file() {
    if ! cmp -s "$2" "$3"; then
        echo "--- expected $1 (cat -A):" >&2
        cat -A "$2" >&2
        echo "--- actual $1 (cat -A):" >&2
        cat -A "$3" >&2
        fail "$1 differs from the counts of data.txt"
    fi
}

header=$'Item      Quantity\r\n'

step "checking results.txt"
{
    printf '%s' "$header"
    for ((item = 1; item <= outcomes; item++)); do
        printf ' %d  %d \r\n' "$item" "${counts[item]}"
    done
} >"$scratch/results.expected"
expect_file results.txt "$scratch/results.expected" "$results"

step "checking sorted_results.txt"
# Most frequent first; equal counts keep item order.
{
    printf '%s' "$header"
    for ((item = 1; item <= outcomes; item++)); do
        echo "${counts[item]} $item"
    done | sort -k1,1nr -k2,2n | while read -r count item; do
        printf ' %d  %d \r\n' "$item" "$count"
    done
} >"$scratch/sorted.expected"
expect_file sorted_results.txt "$scratch/sorted.expected" "$sorted"

step "closing the program"
# Without a window manager nothing asks the window to close, so the program gets SIGTERM.
kill -TERM "$kelpov_pid"
exited() {
    ! kill -0 "$kelpov_pid" 2>/dev/null
}
wait_for 10 "kelpov to exit" exited
status=0
wait "$kelpov_pid" || status=$?
kelpov_pid=""
((status == 0 || status == 128 + 15)) || fail "kelpov ended with status $status"

echo "PASS"
