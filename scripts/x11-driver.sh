# Drives a Kelpov window on an X server with xdotool. Sourced by the scripts that run the real
# program (the end-to-end tests, the beat-rate measurement, the screenshots), which run under
# `xvfb-run -a -s -noreset`: without -noreset the server resets whenever its last client leaves,
# and a program that connects in that moment is refused.

# No xdotool call may hang a script, whatever state the server is in.
xdo() {
    timeout 10 xdotool "$@"
}

# start_kelpov BINARY DIRECTORY: starts the program in DIRECTORY, its output in DIRECTORY.out and
# DIRECTORY.err, and sets kelpov_pid and window (its one top-level window, named "Kelpov1.0").
# With no window manager that X window is exactly the client area, so pointer coordinates given
# with --window are the window's own.
start_kelpov() {
    (cd "$2" && QT_QPA_PLATFORM=xcb exec "$1") >"$2.out" 2>"$2.err" &
    kelpov_pid=$!
    window=$(xdo search --sync --onlyvisible --pid "$kelpov_pid" --name '^Kelpov1\.0$' |
        grep -v -x "$(xdo search --maxdepth 0 '' 2>/dev/null)" | head -n 1) || true
    [[ -n $window ]]
}

# await WHAT SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; after SECONDS it gives
# up, saying that WHAT did not happen (through the caller's fail, or on stderr), and returns 1.
await() {
    local what=$1 seconds=$2 deadline=$((${EPOCHREALTIME/./} + $2 * 1000000))
    shift 2
    until "$@" 2>/dev/null; do
        if ((${EPOCHREALTIME/./} >= deadline)); then
            if declare -F fail >/dev/null; then fail "$what did not happen within $seconds s"; fi
            echo "$what did not happen" >&2
            return 1
        fi
        sleep 0.05
    done
}

# lines_of FILE N: FILE holds exactly N lines.
lines_of() { [[ $(cat "$1" 2>/dev/null | wc -l) == "$2" ]]; }

# ends_within SECONDS PID WHAT [STATUS]: waits for the program to end, SECONDS at the most after
# WHAT, and sets status to its exit status, which must be STATUS when that is given.
ends_within() {
    local deadline=$((${EPOCHREALTIME/./} + $1 * 1000000))
    while kill -0 "$2" 2>/dev/null; do
        ((${EPOCHREALTIME/./} < deadline)) || fail "Kelpov did not end within $1 s of $3"
        sleep 0.02
    done
    status=0
    wait "$2" || status=$?
    [[ -z ${4:-} || $status == "$4" ]] || fail "exit status $status after $3, not $4"
}

# await_dialog PID [WINDOWS]: waits until PID shows a window other than WINDOWS (its main window, a
# dialog it is closing), gives it the input focus (there is no window manager to do so) and sets
# dialog to it. Only windows PID has are given: the server hands the window numbers of a program
# that has gone to the next one.
await_dialog() {
    dialog=
    local pid=$1 others=(-e none) root
    for other in ${2:-}; do others+=(-e "$other"); done
    root=$(xdo search --maxdepth 0 '' 2>/dev/null)
    find_dialog() {
        dialog=$(xdo search --onlyvisible --pid "$pid" 2>/dev/null |
            grep -v -x -e "$root" "${others[@]}" | head -n 1) && [[ -n $dialog ]]
    }
    await "a dialog of process $pid" 10 find_dialog || return 1
    xdo windowfocus --sync "$dialog"
}

click_at() {
    xdo mousemove --window "$window" "$1" "$2" click 1
}

# type_setting X Y TEXT: replaces the text of the box at X, Y.
type_setting() {
    click_at "$1" "$2"
    xdo key --clearmodifiers ctrl+a
    xdo type --delay 20 "$3"
}

# Where the controls are, in window coordinates.
outcomes_box=(256 36)
interval_box=(256 76)
submit_button=(256 116)
finish_button=(648 56)

# close_window WID: asks the window to close as a window manager does, with a WM_PROTOCOLS client
# message carrying WM_DELETE_WINDOW. Needs python3-xlib.
close_window() {
    /usr/bin/python3 - "$1" <<'PYTHON'
import sys
from Xlib import X, display, protocol

screen = display.Display()
window = screen.create_resource_object("window", int(sys.argv[1]))
close = protocol.event.ClientMessage(
    window=window, client_type=screen.intern_atom("WM_PROTOCOLS"),
    data=(32, [screen.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
window.send_event(close)
screen.flush()
PYTHON
}

# check_run_files FOLDER N: the three files of a finished run in FOLDER agree: data.txt holds at
# least 10 lines, each an item of 1..N, with at least two different items (movement drew), and
# results.txt and sorted_results.txt are the tables of its counts, byte for byte.
check_run_files() {
    local counts
    counts=$(LC_ALL=C awk -v n="$2" 'BEGIN { RS = "\r\n" }
        !/^ [0-9]+ $/ || $1 < 1 || $1 > n { bad = 1 } { k[$1]++ }
        END { if (bad || NR < 10) exit 1; for (i = 1; i <= n; i++) print i, k[i] + 0 }' \
        "$1/data.txt") || fail "$1/data.txt holds fewer than 10 lines, or a line not of 1..$2"
    (($(awk '$2 > 0' <<<"$counts" | wc -l) >= 2)) ||
        fail "one item throughout: movement drew nothing"
    cmp <(run_table <<<"$counts") "$1/results.txt" || fail "$1/results.txt is wrong"
    cmp <(sort -s -k2,2nr <<<"$counts" | run_table) "$1/sorted_results.txt" ||
        fail "$1/sorted_results.txt is wrong"
}

# run_table: the table of results for lines "ITEM COUNT", as Kelpov writes it.
run_table() {
    printf 'Item      Quantity\r\n'
    while read -r item count; do printf ' %d  %d \r\n' "$item" "$count"; done
}
