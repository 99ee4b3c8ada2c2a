#!/usr/bin/env bash
# Walks the window through AT-SPI as a screen reader does: a virtual display, a session bus of its own (on which
# the accessibility bus starts), then the walk against the demo site.
# Usage: screen-reader-test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")" QTWEBENGINE_DISABLE_SANDBOX=1 NO_AT_BRIDGE=0
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_QPA_PLATFORM
mkdir -p "$work/profile" && chmod 700 "$work/profile"
dbus-run-session -- /usr/bin/python3 "$here/screen_reader_walk.py" "$build" "$work"
