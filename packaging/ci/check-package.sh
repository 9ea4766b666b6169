#!/bin/sh
# Builds the Debian package, runs lintian on it, unpacks it into a staging
# root, validates the desktop entry and metainfo with Debian's tools, then starts the installed
# program from the staging root under Xvfb with an empty HOME: the first start
# makes the per-user folder and programs a macro through the windows (with
# the simulated keypad), the second start must keep that macro.
# usage: packaging/ci/check-package.sh [DEB]   (without DEB: make package)
set -u
cd "$(dirname "$0")/../.." || exit 1
repo=$(pwd)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
die() { echo "FAIL: $*"; exit 1; }

deb=${1:-}
if [ -z "$deb" ]; then
    make package || die "make package"
    deb=$(ls -t build-release/padmacro_*.deb 2>/dev/null | head -n 1)
fi
[ -f "$deb" ] || die "no package found ($deb)"
ok "package $deb"

. "$repo/tests/gui/xwindows.sh"
x_session

# ---- contents ------------------------------------------------------------
stage=$work/root
dpkg-deb -x "$deb" "$stage" || die "dpkg-deb -x $deb"
id=io.github.padmacro.padmacro
for f in usr/bin/padmacro usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/48x48/apps/$id.png usr/share/icons/hicolor/256x256/apps/$id.png \
    usr/share/man/man1/padmacro.1.gz usr/lib/udev/rules.d/70-padmacro.rules \
    usr/share/padmacro/install-udev-rule usr/share/padmacro/BMP/1.bmp; do
    [ -e "$stage/$f" ] || fail "the package lacks /$f"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"
dpkg-deb -f "$deb" Depends | grep -q 'fonts-dejavu-extra' || fail "Depends lacks the fonts"
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -q postinst || fail "no postinst"
desktop-file-validate "$stage/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
zcat "$stage/usr/share/man/man1/padmacro.1.gz" | grep -q '^\.TH PADMACRO 1' || fail "padmacro.1 is no manual page"
ok "contents checked"

# ---- Debian's own checker and the documentation it wants ------------------
doc=$stage/usr/share/doc/padmacro
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" 2>/dev/null ||
    fail "no machine-readable /usr/share/doc/padmacro/copyright"
grep -q '^License: ' "$doc/copyright" 2>/dev/null || fail "the copyright file names no licence"
version=$(dpkg-deb -f "$deb" Version)
# A native package's Debian changelog is changelog.gz.
zcat "$doc/changelog.gz" 2>/dev/null | head -n 1 | grep -q "^padmacro ($version) " ||
    fail "/usr/share/doc/padmacro/changelog.gz does not start with the entry for $version"
# Hardening, read from the programs themselves: full RELRO with immediate
# binding, position-independent, stack protector, fortified calls, no .comment.
for prog in "$stage"/usr/bin/*; do
    name=${prog##*/}
    readelf -lW "$prog" | grep -q GNU_RELRO || fail "$name: no RELRO"
    readelf -dW "$prog" | grep -q 'FLAGS.*BIND_NOW' || fail "$name: no immediate binding"
    readelf -hW "$prog" | grep -q 'Type:.*DYN' || fail "$name: not position-independent"
    readelf -sW --dyn-syms "$prog" | grep -q '__stack_chk_fail' || fail "$name: no stack protector"
    readelf -sW --dyn-syms "$prog" | grep -q '__[a-z_]*_chk@' || fail "$name: no fortified calls"
    readelf -SW "$prog" | grep -q ' \.comment ' && fail "$name: has a .comment section"
done
if command -v lintian >/dev/null 2>&1; then
    lintian --display-info "$deb" >"$work/lintian.txt" 2>&1
    cat "$work/lintian.txt"
    grep -E '^[EW]: ' "$work/lintian.txt" >/dev/null && fail "lintian reports errors or warnings"
    grep -E '^I: .*(hardening-|binary-has-unneeded-section|stack-protector)' "$work/lintian.txt" >/dev/null &&
        fail "lintian reports missing hardening or unneeded sections"
    grep -q '^Traceback\|^Internal error' "$work/lintian.txt" && fail "lintian did not finish"
else
    fail "lintian is not installed (scripts/install-deps package)"
fi
ok "Debian checks done"

# ---- options, without a display -------------------------------------------
bin=$stage/usr/bin/padmacro
(unset DISPLAY; "$bin" --help) | grep -q -- '--dir' || fail "padmacro --help"
(unset DISPLAY; "$bin" --version) | grep -q '^padmacro ' || fail "padmacro --version"
(unset DISPLAY; "$bin" --no-such-option 2>/dev/null); [ $? -eq 2 ] || fail "an unknown option does not exit 2"

# ---- the program under Xvfb -----------------------------------------------
command -v Xvfb >/dev/null 2>&1 || die "Xvfb missing"
command -v xwininfo >/dev/null 2>&1 || die "xwininfo (x11-utils) missing"
xshot=$work/xshot
# shellcheck disable=SC2046
g++ -std=c++20 -O1 -fPIC -o "$xshot" tools/xshot/xshot.cpp $(pkg-config --cflags --libs Qt6Gui xcb) ||
    die "cannot build tools/xshot"

start_xvfb || die "Xvfb did not start"
unset QT_QPA_PLATFORM XDG_DATA_HOME
export HOME=$work/home
mkdir -p "$HOME"
user_dir=$HOME/.local/share/padmacro

# Waits until the file has content, up to 30 s.
wait_content() {
    i=0
    while [ $i -lt 300 ]; do
        [ -s "$1" ] && return 0
        i=$((i + 1))
        sleep 0.1
    done
    return 1
}
start() { # name, arguments: started in the empty home, as the menu does
    name=$1; shift
    (cd "$HOME" && exec "$bin" "$@") >"$work/$name.out" 2>&1 &
    apid=$!
}
stop() {
    kill "$apid" 2>/dev/null
    wait "$apid" 2>/dev/null
    apid=
}

# First start: the per-user folder appears; a macro is programmed.
start first --demo
if pad=$(wait_window 301x532); then
    ok "first start: keypad window ${pad% *}"
    # Program before the simulated keypad is found only says so: wait for
    # the status bar, the first change after the window is drawn.
    "$xshot" --until-drawn "${pad% *}" "$work/first-drawn.png" 60 &&
        "$xshot" --until-changed "${pad% *}" "$work/first-drawn.png" 20 ||
        echo "first start: no status shown yet; going on"
    n=$(ls "$user_dir/log" 2>/dev/null | wc -l)
    [ "$n" -eq 78 ] || fail "the per-user folder holds $n macro files, not 78"
    [ -L "$user_dir/BMP" ] && [ "$(readlink -f "$user_dir/BMP")" = "$(readlink -f "$stage/usr/share/padmacro/BMP")" ] ||
        fail "$user_dir/BMP does not lead to the installed pictures"
    editor=$(open_editor "${pad% *}" "$xshot") || editor=
    if [ -z "$editor" ]; then
        fail "first start: the editor did not open"
    else
        # The 2 key clicked, Shift+Q typed (X key codes 50 and 24), then
        # Program; a click can arrive before the window takes input, so all
        # are tried again while nothing is stored.
        for attempt in 1 2 3; do
            "$xshot" --until-drawn "${editor% *}" "$work/editor-drawn.png" 60 || true
            "$xshot" --click "${editor% *}" 115 81
            "$xshot" --keys "${editor% *}" +50 24 -50
            "$xshot" --click "${editor% *}" 212 302
            wait_content "$user_dir/log/KeyNum40.txt" && break
            [ -n "$(find_window 972x408)" ] || "$xshot" --click "${pad% *}" 35 37
        done
        [ -s "$user_dir/log/KeyNum40.txt" ] || {
            fail "first start: Program stored no macro"
            "$xshot" "$work/first-editor.png" "${editor% *}" && cp "$work/first-editor.png" /tmp/pkg-first-editor.png
            cat "$work/first.out"
        }
    fi
else
    fail "first start: no keypad window"
    cat "$work/first.out"
fi
stop
stored=$(cat "$user_dir/log/KeyNum40.txt" 2>/dev/null)
[ -n "$stored" ] && ok "first start stored: $(echo "$stored" | tr -d '\r' | tr '\n' ' ')"
[ -n "$stored" ] && { echo "$stored" | grep -q '^2,20' || fail "first start: typed Shift+Q was not recorded"; }

# Second start, as from the menu: the macro is still there.
start second
if pad=$(wait_window 301x532); then
    ok "second start: keypad window ${pad% *}"
    "$xshot" --until-drawn "${pad% *}" "$work/second.png" 60 || fail "second start: no screenshot"
else
    fail "second start: no keypad window"
    cat "$work/second.out"
fi
stop
[ -n "$stored" ] && [ "$(cat "$user_dir/log/KeyNum40.txt")" = "$stored" ] ||
    fail "the second start did not keep the stored macro"
[ "$(ls "$user_dir/log" | wc -l)" -eq 78 ] || fail "the second start changed the macro files"

if [ $failures -ne 0 ]; then
    echo "check-package: $failures check(s) failed"
    exit 1
fi
echo "check-package: all checks passed"
