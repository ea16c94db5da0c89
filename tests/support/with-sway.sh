#!/usr/bin/env bash
# Runs a command inside a private headless Wayland session that is torn down afterwards: sway with two
# outputs (HEADLESS-1 1280 x 720 at scale 1 at 0,0 and HEADLESS-2 800 x 600 at scale 2, 400 x 300
# logical, at 1280,0) and a keyboard on its seat, a private session bus with the wlroots screenshot
# portal, and a scratch HOME.
# With --no-portal the bus has no portal on it (the command brings its own).
# usage: with-sway.sh [--no-portal] COMMAND [ARGS...]
portal=1
if [ "${1:-}" = "--no-portal" ]; then
    portal=0
    shift
fi
for tool in sway swaymsg dbus-run-session wtype; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
source "$(dirname "$0")/e2e.sh"

# sway refuses to run as root; any uid without a home will do. Its socket lives in a runtime folder of
# its own, and the clients (root) reach it by its full path, keeping a runtime folder they own.
sway_uid=${CORVANE_SWAY_UID:-4242}
sway_runtime="$work/sway-runtime"
mkdir -p "$sway_runtime"
[ "$(id -u)" -eq 0 ] && chown "$sway_uid:$sway_uid" "$sway_runtime"
chmod 700 "$sway_runtime"
cat >"$work/sway.conf" <<'EOF'
output HEADLESS-1 resolution 1280x720 position 0 0 scale 1
output HEADLESS-2 resolution 800x600 position 1280 0 scale 2
# Otherwise the software cursor is in every capture.
seat * hide_cursor 1
default_border none
default_floating_border none
EOF

export XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state"
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
# The document portal mounts a FUSE folder in the runtime folder and may outlive the bus briefly.
mounts+=("$XDG_RUNTIME_DIR/doc")

uid_args=()
[ "$(id -u)" -eq 0 ] && uid_args=(setpriv "--reuid=$sway_uid" "--regid=$sway_uid" --clear-groups)
XDG_RUNTIME_DIR="$sway_runtime" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${uid_args[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
servers+=($!)
wait_for 'socket=$(find "$sway_runtime" -maxdepth 1 -name "wayland-*" ! -name "*.lock" -print -quit)
    SWAYSOCK=$(find "$sway_runtime" -maxdepth 1 -name "sway-ipc.*.sock" -print -quit); [ -n "$socket" ] && [ -n "$SWAYSOCK" ]' ||
    fail "sway did not start: $(cat "$work/sway.log")"
export WAYLAND_DISPLAY=$socket SWAYSOCK
swaymsg -q create_output || fail "sway made no second output: $(cat "$work/sway.log")"
await '[ "$(swaymsg -t get_outputs -r | grep -c "\"name\": \"HEADLESS")" = 2 ]' "sway has not two outputs"
export CORVANE_SWAY_LOG="$work/sway.log"

# A user's seat always has a keyboard. Each wtype run brings a virtual keyboard and takes it away when
# it exits; were it the only one, the seat would lose its keyboard after every key, the compositor would
# take the keyboard focus from the program with it, and Qt would count the program inactive and close
# whatever pop-up menu it has open. A wtype that waits a day keeps one keyboard on the seat throughout.
wtype -s 86400000 &
pids+=($!)
await 'swaymsg -t get_inputs | grep -q "\"type\": \"keyboard\""' "no keyboard on the seat"

# xdg-desktop-portal 1.16 offers Screenshot only when some backend also declares the Access interface
# (the permission dialog), which the wlroots backend does not; desktops get it from another backend.
# Only sandboxed callers are ever asked, so naming the wlroots backend for it is enough here.
mkdir -p "$work/portals"
cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$work/portals/"
printf '[portal]\nDBusName=org.freedesktop.impl.portal.desktop.wlr\nInterfaces=org.freedesktop.impl.portal.Access;\nUseIn=sway;\n' \
    >"$work/portals/access.portal"

# The session's services run on a private bus, inside which the command then runs.
cat >"$work/session.sh" <<'EOF'
set -u
dbus-update-activation-environment HOME XDG_CONFIG_HOME XDG_RUNTIME_DIR XDG_DATA_HOME XDG_CACHE_HOME \
    XDG_STATE_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE WAYLAND_DISPLAY SWAYSOCK >/dev/null 2>&1
services=()
trap 'kill "${services[@]}" 2>/dev/null; wait' EXIT
if [ "$1" = 1 ]; then
    # The wlroots portal exits without pipewire.
    pipewire >"$CORVANE_SESSION_DIR/pipewire.log" 2>&1 &
    services+=($!)
    /usr/libexec/xdg-desktop-portal-wlr >"$CORVANE_SESSION_DIR/portal-wlr.log" 2>&1 &
    services+=($!)
    # Started by hand rather than by the bus, so that each runs once and with this session's settings.
    wait_for 'dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.impl.portal.desktop.wlr 2>/dev/null | grep -q "boolean true"'
    /usr/libexec/xdg-desktop-portal -r >"$CORVANE_SESSION_DIR/portal.log" 2>&1 &
    services+=($!)
    wait_for 'dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
        org.freedesktop.DBus.Introspectable.Introspect 2>/dev/null | grep -q org.freedesktop.portal.Screenshot' ||
        { echo "the screenshot portal did not start"; cat "$CORVANE_SESSION_DIR"/*.log; exit 1; }
fi
shift
"$@"
EOF
export CORVANE_SESSION_DIR="$work" XDG_DESKTOP_PORTAL_DIR="$work/portals"
export -f wait_for
dbus-run-session -- bash "$work/session.sh" "$portal" "$@"
