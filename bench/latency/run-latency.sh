#!/usr/bin/env bash
# Runs the latency harness against the real program on a private virtual X server with a window
# manager (the end-to-end driver's, tests/support/e2e.sh): LAYOUT "one" is a single 3840 x 2160
# monitor, "two" the two-monitor layout of the end-to-end tests (1920 x 1080 at ratio 1 beside
# 2560 x 1440 at ratio 2).
# usage: run-latency.sh one|two path/to/bench_latency path/to/corvane [harness flags]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
layout=${1:?usage: run-latency.sh one|two HARNESS PROGRAM [harness flags]}
harness=$2
program=$3
shift 3
case_name=latency
# A scratch HOME, the servers, and everything started ended on exit.
source "$here/../../tests/support/e2e.sh"
case $layout in
one) x_screen 3840x2160 ;;
two) x_screen two-monitors ;;
*) fail "layout must be one or two" ;;
esac
openbox >/dev/null 2>&1 &
pids+=($!)
await 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' "openbox did not start"
# Something to capture other than black: a gradient over the whole root window.
convert -size "$(xdpyinfo | awk '/dimensions:/ {print $2}')" gradient:'#335577-#aa6644' "$work/root.png"
show_root "$work/root.png"
# A session bus of its own: the command-line trigger hands its request to the running program over it.
bus=()
command -v dbus-run-session >/dev/null && bus=(dbus-run-session --)
"${bus[@]}" "$harness" "$@" -- "$program" 2>"$work/program.log" || { cat "$work/program.log" >&2; exit 1; }
