# Sourced by the end-to-end scripts: starts openbox and waits until it manages windows. A window mapped
# while the window manager is still starting can be left unmapped for good.
# shellcheck shell=bash
openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
