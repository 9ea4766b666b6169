# Shared by the scripts that start padmacro under a private X server
# (tests/gui/run_gui_test.sh, packaging/ci/check-package.sh); sourced, POSIX sh.
# x_session gives them $work (a private folder, removed at exit); they set
# $apid (the program's process id), which is stopped at exit with the server.

x_session() {
    work=$(mktemp -d)
    xpid= apid=
    trap x_cleanup EXIT INT TERM
}

x_cleanup() {
    [ -n "$apid" ] && kill "$apid" 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}

# Starts Xvfb on a free display and exports DISPLAY; $xpid is the server.
start_xvfb() {
    # -noreset: the server would otherwise reset whenever its last client
    # left, and a program started in that moment could not connect.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xpid=$!
    i=0
    while [ ! -s "$work/display" ]; do
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "Xvfb did not start"; cat "$work/xvfb.log"; return 1; }
        sleep 0.1
    done
    DISPLAY=:$(cat "$work/display")
    export DISPLAY
}

# "ID WIDTHxHEIGHT" of a mapped top-level window of the program (of the
# given size, if one is given), or nothing.
find_window() {
    xwininfo -root -children 2>/dev/null | awk '/"padmacro"/ {print $1}' | while read -r wid; do
        info=$(xwininfo -id "$wid" 2>/dev/null)
        echo "$info" | grep -q 'Map State: IsViewable' || continue
        w=$(echo "$info" | awk '/^ *Width:/ {print $2}')
        h=$(echo "$info" | awk '/^ *Height:/ {print $2}')
        [ -z "${1:-}" ] || [ "$1" = "${w}x${h}" ] || continue
        echo "$wid ${w}x${h}"
    done | head -n 1
}

# Waits up to $wait_limit tenths of a second (default 150) for find_window "$@"
# while the program runs; prints what it found.
wait_window() {
    poll_window shown "$@"
}

# The same wait, until no window find_window "$@" finds is mapped.
wait_gone() {
    poll_window gone "$@"
}

poll_window() {
    want=$1
    shift
    i=0
    while [ $i -lt "${wait_limit:-150}" ]; do
        found=$(find_window "$@")
        if [ "$want" = gone ]; then
            [ -z "$found" ] && return 0
        else
            [ -n "$found" ] && { echo "$found"; return 0; }
            kill -0 "$apid" 2>/dev/null || return 1
        fi
        i=$((i + 1))
        sleep 0.1
    done
    return 1
}

# Clicks the keypad window's top-left key ($1 the window id, $2 the xshot
# program) until the editor opens, for up to a minute; a click that comes
# before the window takes input is lost. Prints the editor's "ID SIZE".
open_editor() {
    attempt=0
    while [ $attempt -lt 60 ]; do
        "$2" --click "$1" 35 37
        wait_limit=10 wait_window 972x408 && return 0
        attempt=$((attempt + 1))
    done
    return 1
}
