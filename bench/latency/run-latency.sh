#!/usr/bin/env bash
# Runs the latency harness against the real program on a private virtual X server with a window
# manager: LAYOUT "one" is a single 3840 x 2160 monitor, "two" the two-monitor layout of the capture
# tests (1920 x 1080 at ratio 1 beside 2560 x 1440 at ratio 2).
# usage: run-latency.sh one|two path/to/bench_latency path/to/corvane [harness flags]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root="$here/../.."
layout=${1:?usage: run-latency.sh one|two HARNESS PROGRAM [harness flags]}
harness=$2
program=$3
shift 3

if [ "${CORVANE_LATENCY_INNER:-}" != 1 ]; then
    export CORVANE_LATENCY_INNER=1
    case $layout in
    one) exec "$root/tests/support/with-xvfb.sh" -screen 3840x2160x24 "$0" "$layout" "$harness" "$program" "$@" ;;
    two) exec "$root/tests/support/with-xvfb.sh" -screen 4480x1440x24 "$root/tests/capture/two-monitors.sh" \
        "$0" "$layout" "$harness" "$program" "$@" ;;
    *) echo "layout must be one or two" >&2; exit 2 ;;
    esac
fi

# A scratch HOME and a window manager, as a desktop session has.
work=$(mktemp -d)
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME/Desktop" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
# F13 has no key in the virtual server's keymap.
xmodmap -e 'keycode 191 = F13'
# Something to capture other than black: a gradient over the whole root window.
convert -size "$(xdpyinfo | awk '/dimensions:/ {print $2}')" gradient:'#335577-#aa6644' "$work/root.png"
display -window root "$work/root.png" >/dev/null 2>&1 || true
# A session bus of its own: the command-line trigger hands its request to the running program over it.
bus=()
command -v dbus-run-session >/dev/null && bus=(dbus-run-session --)
"${bus[@]}" "$harness" "$@" -- "$program" 2>"$work/program.log" || { cat "$work/program.log" >&2; exit 1; }
