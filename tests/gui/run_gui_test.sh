#!/bin/sh
# Starts the program under a private X server, once with the platform's HID
# backend and once with --demo, checks the keypad window's client size, opens
# the editor with a click on a key and saves screenshots of both windows.
# usage: run_gui_test.sh PADMACRO XSHOT STAGED_APP_DIR SCREENSHOT_DIR
set -u
absolute() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
padmacro=$(absolute "$1") xshot=$(absolute "$2") staged=$3 shots=$4

command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb not installed: skipped"; exit 77; }
command -v xwininfo >/dev/null 2>&1 || { echo "xwininfo (x11-utils) missing"; exit 1; }

. "$(dirname "$0")/xwindows.sh"
x_session

cp -R "$staged" "$work/app" || exit 1
mkdir -p "$shots"

start_xvfb || exit 1
unset QT_QPA_PLATFORM
export ASAN_OPTIONS=detect_leaks=0

failures=0
run_one() { # name, extra arguments
    name=$1; shift
    (cd "$work/app" && exec "$padmacro" "$@") >"$work/$name.out" 2>&1 &
    apid=$!
    if ! found=$(wait_window); then
        echo "$name: no keypad window appeared"
        cat "$work/$name.out"
        failures=$((failures + 1))
    else
        id=${found% *} size=${found#* }
        # Past the third scheduler tick, when the status bar gets its text
        # (in the demo: the keypad is found, so Program goes through).
        wait_status "$id"
        if [ "$size" != "301x532" ]; then
            echo "$name: keypad window is $size, expected 301x532"
            failures=$((failures + 1))
        else
            echo "$name: keypad window $id is $size"
        fi
        # The title names the simulated keypad, and only that.
        title=$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)
        named=no want=no
        case $title in *"simulated keypad"*) named=yes ;; esac
        [ "$name" = demo ] && want=yes
        if [ "$named" != "$want" ]; then
            echo "$name: keypad window title $title"
            failures=$((failures + 1))
        fi
        shot "$name" form1 "$id"
        [ "$name" = demo ] && second_start "$name"
        # A click on the top-left key opens the editor.
        editor=$(open_editor "$id" "$xshot") || editor=
        if [ -n "$editor" ]; then
            echo "$name: editor window ${editor% *} is 972x408"
            shot "$name" form2 "${editor% *}"
            [ "$name" = demo ] && program_road "$name" "${editor% *}" "$id"
        else
            echo "$name: the editor did not open"
            failures=$((failures + 1))
        fi
    fi
    kill "$apid" 2>/dev/null
    wait "$apid" 2>/dev/null
    apid=
}

# With the simulated keypad: lock left Shift, record Shift+Q and 2, program
# the key and shoot the editor before and the keypad window after. The
# clicks carry no time stamps, so which presses the toolkit pairs into
# double clicks (and drops as third clicks) varies, and so do the Shift on
# the strokes and whether each key was taken; but nothing other than Q and
# then 2 may be stored, each stroke with its display line, and an editor
# that stays open after Program fails.
program_road() { # run name, editor id, keypad window id
    click_until_shown "$2" 57 210 2
    click_until_shown "$2" 93 124
    click_until_shown "$2" 115 81
    shot "$1" form2-macro "$2"
    attempt=0
    while [ $attempt -lt 20 ]; do
        "$xshot" --click "$2" 212 302
        # Three scheduler ticks carry the job; the editor closes at once.
        wait_limit=30 wait_gone 972x408 && break
        attempt=$((attempt + 1))
    done
    if [ -n "$(find_window 972x408)" ]; then
        echo "$1: the editor is still open after Program"
        failures=$((failures + 1))
    fi
    log=$work/app/log
    strokes=$(tr -d '\r' < "$log/KeyNum40.txt" | tr '\n' ' ')
    echo "$1: stored strokes: $strokes"
    # Q is usage 20 and 2 is usage 31; the modifier byte is none or left Shift.
    if ! echo "$strokes" | grep -Eq '^([02],20 )*([02],31 )*$'; then
        echo "$1: key 40 should hold Q and then 2, with or without Shift"
        failures=$((failures + 1))
    fi
    for f in KeyNum40 KeyCode40; do
        if [ "$(tr -cd '\r' < "$log/$f.txt" | wc -c)" -ne "$(tr -cd '\n' < "$log/$f.txt" | wc -c)" ]; then
            echo "$1: a line of $f.txt does not end in CR LF"
            failures=$((failures + 1))
        fi
    done
    # A display line a stroke, and perhaps the locked Shift's line still
    # waiting for its key.
    n=$(wc -l < "$log/KeyNum40.txt") lines=$(wc -l < "$log/KeyCode40.txt")
    if [ "$lines" -lt "$n" ] || [ "$lines" -gt $((n + 1)) ]; then
        echo "$1: key 40 stored $n strokes but $lines display lines"
        failures=$((failures + 1))
    fi
    shot "$1" form1-programmed "$3"
}

# Clicks (once, or $4 times) at X Y in window $1 until the window shows it
# (its picture changes), for up to a minute. A window that has just appeared
# can drop clicks, and the next click must not be taken for the second of a
# double click.
click_until_shown() { # window id, x, y[, clicks]
    "$xshot" "$work/before.png" "$1" >/dev/null 2>&1
    round=0
    while [ $round -lt 20 ]; do
        n=0
        while [ $n -lt "${4:-1}" ]; do
            "$xshot" --click "$1" "$2" "$3"
            n=$((n + 1))
        done
        "$xshot" --until-changed "$1" "$work/before.png" 3 && return 0
        round=$((round + 1))
    done
    return 1
}

# Waits until the keypad window $1 is drawn and then until its picture
# changes once more: the status bar's first text. Goes on after a minute
# (on a very busy machine the text can come before the first picture).
wait_status() { # window id
    "$xshot" --until-drawn "$1" "$work/drawn.png" 60 &&
        "$xshot" --until-changed "$1" "$work/drawn.png" 60
    return 0
}

# A second start on the same folder brings the first window to the front
# and ends with status 0, leaving the first running.
second_start() { # run name
    if out=$(cd "$work/app" && timeout 60 "$padmacro" --demo 2>&1); then
        case $out in
        *"already open on"*) echo "$1: a second start brought the first window to the front" ;;
        *) echo "$1: the second start said: $out"; failures=$((failures + 1)) ;;
        esac
    else
        echo "$1: the second start failed: $out"
        failures=$((failures + 1))
    fi
    if ! kill -0 "$apid" 2>/dev/null; then
        echo "$1: the first window ended"
        failures=$((failures + 1))
    fi
}

shot() { # run name, window name, window id
    if "$xshot" "$shots/$2-$1.png" "$3"; then
        echo "$1: screenshot $shots/$2-$1.png"
    else
        echo "$1: screenshot of $2 failed"
        failures=$((failures + 1))
    fi
}

run_one platform
run_one demo --demo

[ $failures -eq 0 ]
