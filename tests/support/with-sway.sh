#!/usr/bin/env bash
# Runs a command inside a private headless Wayland session that is torn down afterwards: sway with two
# outputs (HEADLESS-1 1280 x 720 at scale 1 at 0,0 and HEADLESS-2 800 x 600 at scale 2, 400 x 300
# logical, at 1280,0) and a keyboard on its seat, a private session bus with the wlroots screenshot
# portal, and a scratch HOME.
# With --no-portal the bus has no portal on it (the command brings its own).
# usage: with-sway.sh [--no-portal] COMMAND [ARGS...]
set -u
portal=1
if [ "${1:-}" = "--no-portal" ]; then
    portal=0
    shift
fi
for tool in sway swaymsg dbus-run-session wtype; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

work=$(mktemp -d /tmp/corvane-sway-XXXXXX)
chmod 755 "$work"
# sway refuses to run as root; any uid without a home will do. Its socket lives in a runtime folder of
# its own, and the clients (root) reach it by its full path, keeping a runtime folder they own.
sway_uid=${CORVANE_SWAY_UID:-4242}
sway_runtime="$work/sway-runtime"
runtime="$work/runtime"
mkdir -p "$sway_runtime" "$runtime" "$work/home/Desktop" "$work/home/.config"
[ "$(id -u)" -eq 0 ] && chown "$sway_uid:$sway_uid" "$sway_runtime"
chmod 700 "$sway_runtime" "$runtime"
cat >"$work/sway.conf" <<'EOF'
output HEADLESS-1 resolution 1280x720 position 0 0 scale 1
output HEADLESS-2 resolution 800x600 position 1280 0 scale 2
# Otherwise the software cursor is in every capture.
seat * hide_cursor 1
default_border none
default_floating_border none
EOF

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$runtime"
export XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache"
export XDG_STATE_HOME="$work/home/.local/state" XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
sway_pid=
keyboard_pid=
cleanup() {
    [ -n "$keyboard_pid" ] && kill "$keyboard_pid" 2>/dev/null
    [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
    # The document portal mounts a FUSE folder in the runtime folder and may outlive the bus briefly.
    grep -q " $runtime/doc " /proc/mounts && { fusermount3 -uz "$runtime/doc" || umount -l "$runtime/doc"; } 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

uid_args=()
[ "$(id -u)" -eq 0 ] && uid_args=(setpriv "--reuid=$sway_uid" "--regid=$sway_uid" --clear-groups)
XDG_RUNTIME_DIR="$sway_runtime" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${uid_args[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 100); do
    socket=$(find "$sway_runtime" -maxdepth 1 -name 'wayland-*' ! -name '*.lock' -print -quit 2>/dev/null)
    SWAYSOCK=$(find "$sway_runtime" -maxdepth 1 -name 'sway-ipc.*.sock' -print -quit 2>/dev/null)
    [ -n "$socket" ] && [ -n "$SWAYSOCK" ] && break
    sleep 0.05
done
[ -n "$socket" ] && [ -n "$SWAYSOCK" ] || { echo "sway did not start"; cat "$work/sway.log"; exit 1; }
export WAYLAND_DISPLAY=$socket SWAYSOCK
swaymsg -q create_output || { echo "sway made no second output"; cat "$work/sway.log"; exit 1; }
for _ in $(seq 50); do
    [ "$(swaymsg -t get_outputs -r | grep -c '"name": "HEADLESS')" -ge 2 ] && break
    sleep 0.05
done
export CORVANE_SWAY_LOG="$work/sway.log"

# A user's seat always has a keyboard. Each wtype run brings a virtual keyboard and takes it away when
# it exits; were it the only one, the seat would lose its keyboard after every key, the compositor would
# take the keyboard focus from the program with it, and Qt would count the program inactive and close
# whatever pop-up menu it has open. A wtype that waits a day keeps one keyboard on the seat throughout.
wtype -s 86400000 &
keyboard_pid=$!
for _ in $(seq 100); do
    swaymsg -t get_inputs | grep -q '"type": "keyboard"' && break
    sleep 0.05
done
swaymsg -t get_inputs | grep -q '"type": "keyboard"' || { echo "no keyboard on the seat"; exit 1; }

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
if [ "$1" = 1 ]; then
    # The wlroots portal exits without pipewire.
    pipewire >"$CORVANE_SESSION_DIR/pipewire.log" 2>&1 &
    services+=($!)
    /usr/libexec/xdg-desktop-portal-wlr >"$CORVANE_SESSION_DIR/portal-wlr.log" 2>&1 &
    services+=($!)
    # Started by hand rather than by the bus, so that each runs once and with this session's settings.
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.impl.portal.desktop.wlr 2>/dev/null |
            grep -q 'boolean true' && break
        sleep 0.05
    done
    /usr/libexec/xdg-desktop-portal -r >"$CORVANE_SESSION_DIR/portal.log" 2>&1 &
    services+=($!)
    ready=0
    for _ in $(seq 100); do
        if dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
            org.freedesktop.DBus.Introspectable.Introspect 2>/dev/null | grep -q 'org.freedesktop.portal.Screenshot'; then
            ready=1
            break
        fi
        sleep 0.1
    done
    [ "$ready" = 1 ] || { echo "the screenshot portal did not start"; cat "$CORVANE_SESSION_DIR"/*.log; exit 1; }
fi
shift
"$@"
status=$?
for pid in "${services[@]}"; do kill "$pid" 2>/dev/null; done
wait 2>/dev/null
exit $status
EOF
export CORVANE_SESSION_DIR="$work" XDG_DESKTOP_PORTAL_DIR="$work/portals"
dbus-run-session -- bash "$work/session.sh" "$portal" "$@"
