#!/bin/sh
# usage: bench.sh BUILD_DIR [RUNS] [EVENTS]
# Start-up under a private Xvfb, padmacro against the bare window, then the
# cost per event offscreen; each in its own copy of the staged application
# directory.
set -u
build=$(cd "$1" && pwd) runs=${2:-30} events=${3:-1000}
command -v Xvfb >/dev/null 2>&1 || { echo "bench: Xvfb is not installed"; exit 1; }

. "$(dirname "$0")/../../tests/gui/xwindows.sh"
x_session
cp -R "$build/app" "$work/app" || exit 1
cp -R "$build/app" "$work/events" || exit 1
start_xvfb || exit 1
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$build/bin/padmacro-bench-startup" "$runs" "$work/app" \
    "$build/bin/padmacro-startbench" "$build/bin/padmacro-bare" || exit 1
echo
(cd "$work/events" && QT_QPA_PLATFORM=offscreen "$build/bin/padmacro-bench-events" "$events") || exit 1
