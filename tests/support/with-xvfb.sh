#!/usr/bin/env bash
# Runs a command on a virtual X server of its own (tests/support/e2e.sh) that is torn down afterwards.
# usage: with-xvfb.sh [two-monitors] COMMAND [ARGS...]
source "$(dirname "$0")/e2e.sh"
x_screen "$1"
[ "$1" = two-monitors ] && shift
export DBUS_SESSION_BUS_ADDRESS=disabled:
"$@"
