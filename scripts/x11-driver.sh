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
