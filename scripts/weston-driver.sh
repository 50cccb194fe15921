# Drives Kelpov on weston, a Wayland compositor, nested in an X server. Sourced after x11-driver.sh
# by the scripts that run the real program on Wayland, which run under xvfb-run with an X screen of
# 1280x800 and define fail MESSAGE. weston's x11 backend shows its 1024x768 screen as one window at
# the top left of the X screen, so xdotool there moves weston's pointer (in weston's coordinates)
# and types on weston's keyboard. weston also offers an X display of its own (Xwayland) for
# programs on the xcb platform. Windows are found on weston's screenshots, by their colours
# (scripts/screen-windows).
# Needs: weston xwayland qt6-wayland xdotool python3-pil.

# start_weston SCRATCH: starts weston with its runtime folder and socket in SCRATCH, and sets
# weston_pid, WAYLAND_DISPLAY, XDG_RUNTIME_DIR and xwayland_display (weston's X display). Its
# desktop is one plain colour with no panel, so whatever else shows is a window, and no animation
# delays what a screenshot shows. --debug lets weston-screenshooter take pictures; pixman draws
# without any graphics driver.
start_weston() {
    export XDG_RUNTIME_DIR=$1/runtime WAYLAND_DISPLAY=kelpov-test
    shots=$1/shots
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    mkdir "$shots"
    cat >"$1/weston.ini" <<'EOF'
[core]
idle-time=0
[shell]
background-color=0xff204020
panel-position=none
animation=none
close-animation=none
startup-animation=none
focus-animation=none
[input-method]
path=
EOF
    weston --backend=x11-backend.so --use-pixman --xwayland --debug --config="$1/weston.ini" \
        --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 >"$1/weston.log" 2>&1 &
    weston_pid=$!
    await "weston's Wayland socket" 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
    await "weston's X display" 10 grep -q 'xserver listening on display' "$1/weston.log"
    xwayland_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$1/weston.log")
}

# screenshot: the path of a new PNG of weston's screen.
screenshot() {
    rm -f "$shots"/*.png
    (cd "$shots" && timeout 10 weston-screenshooter) && echo "$shots"/*.png
}

# park: moves the pointer to the bottom right corner of weston's screen, where no title bar is, so
# that weston's cursor hides none of the buttons on a screenshot.
park() {
    enter 1020 765
}

# wait_for_window WHAT TEST: takes screenshots until one shows a window that Qt decorates for which
# the function TEST succeeds, or fails after 20 s saying that WHAT did not show. TEST, and the
# caller afterwards, read the window from: title_bar (left top right), body (the colour of its
# area), active (1 or 0), origin (x y: the top left of its own area), close_button,
# maximize_button (x y each).
wait_for_window() {
    local what=$1 test=$2 tries=60 line shot
    local -a windows fields
    park
    while ((tries-- > 0)); do
        shot=$(screenshot) || fail "weston-screenshooter took no picture"
        mapfile -t windows < <("$(dirname "${BASH_SOURCE[0]}")/screen-windows" "$shot")
        for line in "${windows[@]}"; do
            read -r -a fields <<<"$line"
            title_bar=("${fields[@]:0:3}")
            body=${fields[3]} active=${fields[4]}
            origin=("${fields[0]}" $((fields[1] + 30)))
            close_button=("${fields[@]:5:2}")
            maximize_button=("${fields[@]:7:2}")
            "$test" && return 0
        done
        sleep 0.1
    done
    fail "$what did not show"
}

# wait_for_empty_screen WHAT: takes screenshots until one shows no window that Qt decorates, or
# fails after 20 s saying that WHAT did not come. A window may show for a moment after its program
# has ended; the next one must not be taken for it.
wait_for_empty_screen() {
    local tries=60 shot
    park
    while ((tries-- > 0)); do
        shot=$(screenshot) || fail "weston-screenshooter took no picture"
        [[ -z $("$(dirname "${BASH_SOURCE[0]}")/screen-windows" "$shot") ]] && return 0
        sleep 0.1
    done
    fail "$1 did not come"
}

# The tests for wait_for_window.
is_main() { [[ $body == 308cc6 && $active == 1 ]]; }  # the window's colour, as offscreen
is_dialog() { [[ $body == efefef && $active == 1 ]]; }
is_maximized() { ((title_bar[1] == 0 && title_bar[2] - title_bar[0] > 1000)); }
is_main_maximized() { is_main && is_maximized; }
is_main_restored() { is_main && ! is_maximized; }
is_dialog_maximized() { is_dialog && is_maximized; }

# At a point of the window found last, given in its own coordinates.
point() {
    echo $((origin[0] + $1)) $((origin[1] + $2))
}

# enter X Y: moves the pointer to a point of weston's screen. weston follows the X pointer only by
# steps from where it last saw it, which may not be where it is (it sees it afresh only as it enters
# weston's window); so the X screen is larger than weston's, and the pointer leaves weston's window
# and enters it again at the point.
enter() {
    xdo mousemove 1200 790
    xdo mousemove "$1" "$2"
}

# press X Y: clicks at a point of weston's screen. The move and the click go separately, so that
# the window under the pointer has taken the move when the button comes.
press() {
    enter "$1" "$2"
    xdo click 1
}

# type_into X Y TEXT: replaces the text of the box at X, Y of the window found last. (Not with
# --clearmodifiers, which may find the button of the click before still down, and press it again.)
type_into() {
    press $(point "$1" "$2")
    xdo key ctrl+a
    xdo type --delay 20 "$3"
}

# move_over: moves the pointer through the window found last, which draws items while picking.
move_over() {
    local -a moves=()
    local i
    for ((i = 0; i < 40; i++)); do
        moves+=(mousemove $(point $((30 + i * 37 % 520)) $((150 + i * 53 % 320))) sleep 0.025)
    done
    enter $(point 30 150)
    xdo "${moves[@]}"
}

# more_lines FILE COUNT: waits until FILE holds more than COUNT lines: the beats go on.
more_lines() {
    await "a beat in $1 after its line $2" 5 holds_more "$1" "$2"
}
holds_more() {
    (($(wc -l <"$1") > $2))
}
