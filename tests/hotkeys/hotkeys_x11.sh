#!/usr/bin/env bash
# Gives the virtual server's keymap an F13 key, as a PC keyboard has, then runs the test.
# usage: hotkeys_x11.sh TEST_BINARY [ARGS...]
set -u
xmodmap -e 'keycode 191 = F13' || exit 1
exec "$@"
