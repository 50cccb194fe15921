#!/usr/bin/env bash
# The real program as a person runs it. First with no X server: the help, the version, a command
# line it refuses, a display that does not answer and no display at all, none of which may touch
# the data.txt in place; --finish with standard descriptors closed, stdout on /dev/full or a pipe
# whose reader has gone. Then on its own X server, driven by pointer and keyboard: a run whose
# three files are checked byte for byte, rebuilt by --finish under a locale that writes "3,0", and
# whose link opens once however long Return is held; a second Kelpov in the same folder, which
# raises the first window and touches nothing, also while a stranger's bytes and a silent peer wait
# on its socket; a folder held by a program that is not Kelpov, or by a socket that never answers,
# reported in use; a run killed while picking and finished at the next start with Return held on
# the question, a failure after
# start-up, a FIFO whose reader leaves, and the desktop menu's command where ~/Kelpov is a file.
# Every failure must end the program with status 1. Every wait waits for what it needs, with a
# bound, and says what did not happen.
#
# Usage: run-under-xvfb.sh PATH-TO-KELPOV
set -euo pipefail
binary=$(realpath "$1")
source "$(dirname "$0")/../../scripts/x11-driver.sh"
fail() {
    echo "FAIL: $*" >&2
    cat "${scratch:-}"/*.err >&2 2>/dev/null || true
    exit 1
}
# reported WHAT ERRORS [MAIN]: once ERRORS tells of the failure, its report waits in a dialog over
# the main window MAIN (when the program has one), and Return closes it, which must end the program
# with status 1.
reported() {
    await "a report of \"$1\"" 10 grep -q "$1" "$2"
    await_dialog "$kelpov_pid" "${3:-}" || fail "no dialog reports \"$1\""
    xdo key Return
    ends_within 10 "$kelpov_pid" "the report of \"$1\"" 1
}
if [[ -z ${KELPOV_XVFB:-} ]]; then
    scratch=$(mktemp -d)
    mkdir "$scratch/folder"
    printf ' 1 \r\n 2 \r\n' | tee "$scratch/kept" >"$scratch/folder/data.txt"
    # Each line: the exit status; globs for all of stdout and of stderr, which is one line if any;
    # the environment; the arguments.
    # A display that surely does not answer: no server has its socket or its lock.
    for ((free = 77; ; free++)); do
        [[ -e /tmp/.X11-unix/X$free || -e /tmp/.X$free-lock ]] || break
    done
    while IFS='|' read -r want out err env args; do
        env=${env//:77/:$free} err=${err//:77/:$free}
        status=0
        (cd "$scratch/folder" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $env \
            "$binary" $args) >"$scratch/out" 2>"$scratch/said" || status=$?
        [[ $status == "$want" && $(<"$scratch/out") == $out && $(<"$scratch/said") == $err &&
            $(wc -l <"$scratch/said") == $((${#err} > 0)) ]] ||
            fail "kelpov $env $args: status $status, printed: $(cat "$scratch/out" "$scratch/said")"
        [[ $(ls "$scratch/folder") == data.txt ]] &&
            cmp -s "$scratch/kept" "$scratch/folder/data.txt" || fail "kelpov $env $args: files"
    done <<'EOF'
0|Usage: kelpov *--home-folder*|||--help
0|kelpov 1.0|||--version
2||kelpov: Unknown option 'bogus'. *||--bogus
2||kelpov: Unexpected argument 'data.txt'. *||-style fusion data.txt
1||kelpov: cannot open a window: no connection to the X display ":77"|DISPLAY=:77|
1||kelpov: needs a graphical session*||
EOF
    # --finish never writes into data.txt, whichever standard descriptors are closed, and results
    # it cannot print are status 1 with a line on stderr, the tables written all the same.
    printf ' 1 \r\n 2 \r\n 2' | tee "$scratch/kept" >"$scratch/folder/data.txt"
    (cd "$scratch/folder" && exec "$binary" --finish 2 <&- 2>&- >/dev/null) ||
        fail "--finish with 0 and 2 closed: status $?"
    cmp -s "$scratch/kept" "$scratch/folder/data.txt" || fail "--finish wrote into data.txt"
    gone='import os, subprocess, sys; r, w = os.pipe(); os.close(r)
sys.exit(subprocess.run(sys.argv[1:], stdout=w).returncode)'
    for out in closed /dev/full gone; do
        rm "$scratch/folder/"*results.txt
        (cd "$scratch/folder" && case $out in
            closed) exec "$binary" --finish 2 --json <&- >&- ;;
            /dev/full) exec "$binary" --finish 2 >/dev/full ;;
            gone) exec python3 -c "$gone" "$binary" --finish 2 --json ;;
            esac) 2>"$scratch/said" && fail "--finish, stdout $out: status 0"
        grep -q 'the tables are written, but the results cannot be printed' "$scratch/said" &&
            [[ -s $scratch/folder/sorted_results.txt ]] || fail "--finish, stdout $out: $(<"$scratch/said")"
    done
    for option in --help --version; do
        (cd "$scratch/folder" && exec "$binary" $option >/dev/full) 2>"$scratch/said" &&
            fail "$option on /dev/full: status 0"
        [[ $(<"$scratch/said") == "kelpov: $option: it cannot be printed: No space left on device" ]] ||
            fail "$option on /dev/full: $(<"$scratch/said")"
    done
    rm -rf "$scratch"
    KELPOV_XVFB=1 exec xvfb-run -a -s "-noreset -screen 0 1024x768x24" "$0" "$@"
fi
scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"

# A stand-in for the program that opens links, which notes what it was asked to open and the
# files it was started with.
mkdir "$scratch/run" "$scratch/full" "$scratch/bin"
printf '#!/bin/sh\necho "$@" >>"%s/opened"\nls -l /proc/$$/fd >>"%s/inherited"\n' "$scratch" \
    "$scratch" >"$scratch/bin/xdg-open"
chmod +x "$scratch/bin/xdg-open"
PATH="$scratch/bin:$PATH" start_kelpov "$binary" "$scratch/run" || fail "no window"
[[ $(xprop -id "$window" _NET_WM_NAME) == *' = "Kelpov1.0"' ]] || fail "the title is not Kelpov1.0"
type_setting "${outcomes_box[@]}" 3
type_setting "${interval_box[@]}" 50
# A draw with the new count, so that the first beat records an item of 1..3.
xdo mousemove --window "$window" 100 300 mousemove --window "$window" 120 320
click_at "${submit_button[@]}"
for ((i = 0; i < 60; i++)); do
    moves+=(mousemove --window "$window" $((30 + i * 37 % 520)) $((150 + i * 53 % 320)) sleep 0.025)
done
xdo "${moves[@]}"
click_at "${finish_button[@]}"
await "sorted_results.txt after Finish" 10 lines_of "$scratch/run/sorted_results.txt" 4
# The tables, worked out here from data.txt, whose every line must be an item of 1..3.
check_run_files "$scratch/run" 3
# Return held for 1.5 s on a file's link, a Shift+Tab from the results view that has the focus
# after "Finish": one opening. Then the link above is opened once more: its press comes after every
# repeat of the held key, so once its opening is noted and no stand-in runs, all have been.
xdo key shift+Tab keydown Return sleep 1.5 keyup Return key shift+Tab Return
opened_twice() {
    lines_of "$scratch/opened" 2 && ! pgrep -f "$scratch/bin/xdg-open" >/dev/null
}
await "the openings of two links" 10 opened_twice
[[ $(sort "$scratch/opened") == "file://$scratch/run/"*.txt$'\n'"file://$scratch/run/"*.txt &&
    $(sort -u "$scratch/opened" | wc -l) == 2 ]] ||
    fail "a held Return opened: $(cat "$scratch/opened")"
! grep -F "$scratch/run/" "$scratch/inherited" || fail "a link's program inherited a file of the run"
# A second Kelpov in the folder, started with Qt's own options while the focus is elsewhere, gives
# the first window the focus and ends with status 0, every file as it was. Meanwhile a stranger's
# bytes on the first one's socket are dropped, and a peer that says nothing keeps no one waiting.
socket_of() { echo "$XDG_RUNTIME_DIR/kelpov-$(stat -c %D "$1")-$(printf %x "$(stat -c %i "$1")")"; }
peer() { # FOLDER BYTES SECONDS: sends BYTES to the socket of FOLDER's Kelpov, waits, prints the answer
    /usr/bin/python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall(sys.argv[2].encode())
time.sleep(float(sys.argv[3])); s.settimeout(2); print(s.recv(99).decode(), end="")' \
        "$(socket_of "$1")" "$2" "$3"
}
root=$(xdo search --maxdepth 0 '' 2>/dev/null)
cp -r "$scratch/run" "$scratch/before"
focus_on() { [[ $(xdo getwindowfocus) == "$1" ]]; }
xdo windowfocus --sync "$root"
[[ -z $(peer "$scratch/run" $'hello\nraise\n' 0) ]] || fail "a stranger's bytes were answered"
peer "$scratch/run" '' 3 >/dev/null &
silent=$!
focus_on "$root" || fail "a stranger's bytes moved the focus"
(cd "$scratch/run" && exec timeout 5 "$binary" -platform xcb -style fusion) 2>"$scratch/second.err" ||
    fail "the second Kelpov ended with status $?"
await "the focus on the first window" 2 focus_on "$window"
kill "$silent" 2>/dev/null || true
diff -r "$scratch/before" "$scratch/run" || fail "the second Kelpov touched a file"
# The same tables again from data.txt alone, as for a run that never reached "Finish": refused
# while the run's Kelpov holds the folder, rebuilt byte for byte once it is gone.
cp "$scratch/run/results.txt" "$scratch/run/sorted_results.txt" "$scratch"
localedef -c -i de_DE -f UTF-8 "$scratch/de_DE.UTF-8" 2>/dev/null || [[ -d $scratch/de_DE.UTF-8 ]]
recover() {
    (cd "$scratch/run" && env -u DISPLAY LOCPATH="$scratch" LC_ALL=de_DE.UTF-8 "$binary" \
        --finish 3,0) >"$scratch/recovered" 2>&1
}
recover && fail "--finish in a folder in use"
grep -q 'in use by another Kelpov' "$scratch/recovered" || fail "--finish: $(<"$scratch/recovered")"
kill "$kelpov_pid"
ends_within 10 "$kelpov_pid" "SIGTERM"
recover || fail "--finish: $(<"$scratch/recovered")"
[[ $(head -n 1 "$scratch/recovered") == "$(awk 'NR > 1 { k += $2 } END { print k }' \
    "$scratch/results.txt") picks"* ]] ||
    fail "--finish printed: $(<"$scratch/recovered")"
cmp "$scratch/results.txt" "$scratch/run/results.txt" &&
    cmp "$scratch/sorted_results.txt" "$scratch/run/sorted_results.txt" || fail "--finish tables"

# Nothing to raise: the folder is held by a program that is not Kelpov, first alone, then with a
# socket in the place of Kelpov's that never answers. Kelpov reports the folder in use, as before.
mkdir "$scratch/held"
# Neither keeps the suite's output open, and each is the process the trap ends (flock -F runs sleep
# in its own place).
flock -F "$scratch/held" sleep 60 >/dev/null 2>&1 &
for stalled in no yes; do
    if [[ $stalled == yes ]]; then
        /usr/bin/python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(); time.sleep(60)' \
            "$(socket_of "$scratch/held")" >/dev/null 2>&1 &
        await "the silent socket" 5 test -S "$(socket_of "$scratch/held")"
    fi
    (cd "$scratch/held" && exec "$binary" -platform xcb) 2>"$scratch/held.err" &
    kelpov_pid=$!
    reported 'in use by another Kelpov' "$scratch/held.err"
    [[ -z $(ls "$scratch/held") ]] || fail "a Kelpov refused the folder wrote a file"
done

# A run killed while picking is offered back at the next start: "Finish That Run…" (a Tab away
# from "Quit", the default button), pressed by a Return held 0.8 s, opens the count dialog, which
# the repeats leave open; its outcome count writes the tables byte for byte as kelpov --finish does,
# from the picks data.txt kept, which stays as it was.
mkdir "$scratch/killed" "$scratch/reference"
start_kelpov "$binary" "$scratch/killed" || fail "no window"
type_setting "${outcomes_box[@]}" 4
type_setting "${interval_box[@]}" 20
click_at "${submit_button[@]}"
xdo mousemove --window "$window" 200 300 sleep 0.1 mousemove --window "$window" 300 350
await "ten picks in the killed run's data.txt" 10 \
    eval '(($(cat "$scratch/killed/data.txt" | wc -l) >= 10))'
kill -KILL "$kelpov_pid"
ends_within 10 "$kelpov_pid" "SIGKILL"
cp "$scratch/killed/data.txt" "$scratch/reference/"
(cd "$scratch/reference" && env -u DISPLAY "$binary" --finish 4 >/dev/null) || fail "--finish 4"
start_kelpov "$binary" "$scratch/killed" || fail "no window after the kill"
await_dialog "$kelpov_pid" "$window" || fail "no question about the killed run"
xdo key Tab keydown Return sleep 0.8 keyup Return
await_dialog "$kelpov_pid" "$window $dialog" || fail "no question about the outcome count"
[[ ! -e $scratch/killed/results.txt ]] || fail "a held Return answered the outcome count too"
xdo key --clearmodifiers ctrl+a type 4
xdo key Return
await "the killed run's results" 10 lines_of "$scratch/killed/sorted_results.txt" 5
for file in data.txt results.txt sorted_results.txt; do
    cmp "$scratch/reference/$file" "$scratch/killed/$file" || fail "the killed run's $file"
done
kill "$kelpov_pid"
ends_within 10 "$kelpov_pid" "SIGTERM"

# A failure after start-up: every write to data.txt fails at the first beat.
ln -s /dev/full "$scratch/full/data.txt"
start_kelpov "$binary" "$scratch/full" || fail "no window"
type_setting "${interval_box[@]}" 10
click_at "${submit_button[@]}"
reported 'File failure' "$scratch/full.err" "$window"

# A FIFO in place of data.txt whose reader leaves after 100 lines: a file failure, never a death
# by SIGPIPE (status 141).
mkdir "$scratch/fifo"
mkfifo "$scratch/fifo/data.txt"
head -c 500 "$scratch/fifo/data.txt" >/dev/null &
start_kelpov "$binary" "$scratch/fifo" || fail "no window"
type_setting "${interval_box[@]}" 10
click_at "${submit_button[@]}"
reported 'Broken pipe' "$scratch/fifo.err" "$window"

# The desktop menu's command, with ~/Kelpov a file: the failure is told in Kelpov's dialog.
mkdir "$scratch/home" "$scratch/menu"
: >"$scratch/home/Kelpov"
entry=$(sed -n 's/^Exec=//p' "$(dirname "$0")/../../packaging/org.example.kelpov.desktop.in")
eval "menu=(${entry//@KELPOV_PROGRAM@/$binary})"
(cd "$scratch/menu" && HOME="$scratch/home" QT_QPA_PLATFORM=xcb exec "${menu[@]}") \
    2>"$scratch/menu.err" &
kelpov_pid=$!
reported "cannot enter the folder \"$scratch/home/Kelpov\"" "$scratch/menu.err"
[[ ! -s $scratch/home/Kelpov && -z $(ls "$scratch/menu") ]] || fail "the menu start wrote a file"
echo PASS
