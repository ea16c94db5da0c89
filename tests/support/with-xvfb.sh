#!/usr/bin/env bash
# Runs a command on a virtual X server of its own (tests/support/e2e.sh) that is torn down afterwards.
# usage: with-xvfb.sh [two-monitors] COMMAND [ARGS...]
source "$(dirname "$0")/e2e.sh"
if [ "$1" = two-monitors ]; then
    x_screen two-monitors
    shift
else
    x_screen
fi
export DBUS_SESSION_BUS_ADDRESS=disabled:
"$@"
