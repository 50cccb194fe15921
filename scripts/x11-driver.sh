# Drives a Kelpov window on an X server with xdotool. Sourced by the scripts that run the real
# program (the end-to-end test, the beat-rate measurement, the screenshots), which run under
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
    local what=$1 seconds=$2 tries=$(($2 * 20))
    shift 2
    until "$@"; do
        if ((--tries <= 0)); then
            if declare -F fail >/dev/null; then fail "$what did not happen within $seconds s"; fi
            echo "$what did not happen within $seconds s" >&2
            return 1
        fi
        sleep 0.05
    done
}

# await_exit PID SECONDS: waits for the program to end and sets exit_status to its status.
await_exit() {
    await "the end of process $1" "$2" eval '! kill -0 '"$1"' 2>/dev/null' || return 1
    exit_status=0
    wait "$1" || exit_status=$?
}

# await_dialog PID: waits until PID shows a window other than its main one ($window, if any), gives
# it the input focus (there is no window manager to do so) and sets dialog to it.
await_dialog() {
    dialog=
    local pid=$1 root
    root=$(xdo search --maxdepth 0 '' 2>/dev/null)
    find_dialog() {
        dialog=$(xdo search --onlyvisible --pid "$pid" 2>/dev/null |
            grep -v -x -e "$root" -e "${window:-none}" | head -n 1) && [[ -n $dialog ]]
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
