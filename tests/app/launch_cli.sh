#!/usr/bin/env bash
# Starts the real binary in each launch mode and checks how it ends.
# usage: launch_cli.sh BINARY no-display|stays-alive|snapshot-quits
set -u
binary=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "FAIL: $*"; cat "$work/err" 2>/dev/null; exit 1; }

case $2 in
no-display)
    "$binary" 2>"$work/err"
    status=$?
    [ $status -eq 1 ] || fail "status $status, expected 1"
    grep -q '^corvane: no display to run on' "$work/err" || fail "no plain message about the display"
    ;;
stays-alive)
    # The tray utility has no window and must keep running until it is told to quit.
    QT_QPA_PLATFORM=offscreen timeout 2 "$binary" --open /nonexistent.png 2>"$work/err"
    status=$?
    [ $status -eq 124 ] || fail "status $status: the normal mode ended by itself"
    ;;
help-and-errors)
    # Neither needs a display, and neither starts the tray (which would say there is no display).
    "$binary" --help >"$work/out" 2>"$work/err"
    status=$?
    [ $status -eq 0 ] || fail "--help ended with $status"
    grep -q '^  --capture-window ' "$work/out" || fail "--help does not list --capture-window"
    [ -s "$work/err" ] && fail "--help printed on standard error"
    "$binary" --version >"$work/out" 2>"$work/err"
    status=$?
    [ $status -eq 0 ] && grep -qx 'corvane [0-9.]*' "$work/out" || fail "--version ended with $status: $(cat "$work/out")"
    "$binary" --frobnicate >"$work/out" 2>"$work/err"
    status=$?
    [ $status -eq 2 ] || fail "an unknown switch ended with $status"
    [ "$(head -n 1 "$work/err")" = "corvane: unknown option --frobnicate" ] || fail "an unknown switch said: $(head -n 1 "$work/err")"
    grep -q '^Usage: corvane' "$work/err" || fail "no usage after an unknown switch"
    [ -s "$work/out" ] && fail "an unknown switch printed on standard output"
    "$binary" --capture-screen --output "$work/f.png" 2>"$work/err"
    status=$?
    [ $status -eq 2 ] || fail "--output without a display ended with $status"
    grep -qx 'corvane: no display to run on.*' "$work/err" || fail "--output without a display said: $(cat "$work/err")"
    [ -e "$work/f.png" ] && fail "--output without a display wrote a file"
    ;;
snapshot-quits)
    QT_QPA_PLATFORM=offscreen timeout 10 "$binary" --uitest "$work/shots" 2>"$work/err"
    status=$?
    [ $status -eq 0 ] || fail "status $status, expected the snapshot mode to quit with 0"
    ;;
*)
    echo "unknown case $2"
    exit 2
    ;;
esac
echo "ok: $2"
