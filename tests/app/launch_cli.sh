#!/usr/bin/env bash
# Starts the real binary in each launch mode and checks how it ends.
# usage: launch_cli.sh BINARY no-display|stays-alive|help-and-errors
set -u
binary=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "FAIL: $*"; cat out err 2>/dev/null; exit 1; }
# run STATUS ARGS...: the command ends with STATUS, its output in out and err.
run() {
    local want=$1
    shift
    "$@" >out 2>err
    local status=$?
    [ $status = "$want" ] || fail "$* ended with $status, not $want"
}
case $2 in
no-display)
    run 1 "$binary"
    grep -q '^corvane: no display to run on' err || fail "no plain message about the display"
    ;;
stays-alive)
    # The tray utility has no window and must keep running until it is told to quit, even when the
    # picture it was asked to open is missing.
    QT_QPA_PLATFORM=offscreen run 124 timeout 2 "$binary" --open /nonexistent.png
    ;;
help-and-errors)
    # Neither needs a display, and neither starts the tray (which would say there is no display). A
    # command that waits for its picture ends without one, writing nothing.
    run 0 "$binary" --help
    grep -q '^  --capture-window ' out && [ ! -s err ] || fail "--help does not list --capture-window on standard output alone"
    run 0 "$binary" --version
    grep -qx 'corvane [0-9.]*' out || fail "--version printed: $(cat out)"
    run 2 "$binary" --frobnicate
    [ "$(head -n 1 err)" = "corvane: unknown option --frobnicate" ] && grep -q '^Usage: corvane' err && [ ! -s out ] ||
        fail "an unknown switch said other things"
    run 2 "$binary" --capture-screen --output f.png
    grep -qx 'corvane: no display to run on.*' err && [ ! -e f.png ] || fail "--output without a display said other things"
    ;;
*) fail "unknown case $2" ;;
esac
echo "ok: $2"
