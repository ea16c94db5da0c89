#!/usr/bin/env bash
# Runs a command under a private virtual X server that is torn down afterwards.
# usage: with-xvfb.sh [-screen WxHxD] COMMAND [ARGS...]
set -u
geometry=1280x800x24
if [ "${1:-}" = "-screen" ]; then
    geometry=$2
    shift 2
fi
command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 1; }
work=$(mktemp -d)
# -noreset: without it the server resets when its last client leaves and loses its settings.
Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# An X11 client with WAYLAND_DISPLAY set counts as being on XWayland and would capture through the portal.
unset WAYLAND_DISPLAY
export DBUS_SESSION_BUS_ADDRESS=disabled:
"$@"
