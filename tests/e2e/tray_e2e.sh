#!/usr/bin/env bash
# The tray utility with the real binary on a virtual X server with a window manager and a tray host
# (trayer). Run through tests/support/with-xvfb.sh.
# usage: tray_e2e.sh BINARY CASE
set -u
binary=$1
case_name=$2
wait_for() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; return 1; }

source "$(dirname "$0")/../support/e2e-session.sh"
trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
    >/dev/null 2>&1 &
pids+=($!)
wait_for 'xdotool search --name "^panel$" >/dev/null 2>&1' || fail "no tray host"
panel=$(xdotool search --name '^panel$' | head -n 1)

arguments=()
case $case_name in
open-missing-file) arguments=(--open /no/such/file.png) ;;
open-file-at-launch)
    convert -size 300x200 xc:'rgb(20,120,220)' "$work/shot.png"
    arguments=(--open "$work/shot.png")
    ;;
esac
"$binary" "${arguments[@]}" >"$work/corvane.log" 2>&1 &
corvane=$!
pids+=($corvane)
docked() { xwininfo -tree -id "$panel" 2>/dev/null | grep -q '"corvane"'; }
wait_for docked || fail "the tray icon did not dock"

# Opens the tray menu and walks to an item with the arrow keys.
choose() {
    local before
    before=$(visible_windows)
    xdotool mousemove --window "$panel" 12 16 click 3
    wait_for '[ "$(visible_windows)" -gt "$before" ]' || fail "no menu on a right click"
    sleep 0.3
    xdotool key --delay 80 "$@" Return
}

case $case_name in
capture-region-from-menu)
    choose Down
    wait_for '[ "$(xdotool search --onlyvisible --class corvane | while read -r w; do xdotool getwindowgeometry "$w"; done | grep -c "Geometry: 1280x800")" -ge 1 ]' ||
        fail "Capture Region… put up no overlay"
    xdotool key Escape
    ;;
open-image-from-menu)
    convert -size 300x200 xc:'rgb(20,120,220)' "$work/picked.png"
    # Past the captures (the disabled "Cancel Delayed Capture" is skipped).
    choose Down Down Down Down
    wait_for 'xdotool search --onlyvisible --name "^Open Image in Editor$" >/dev/null 2>&1' || fail "no open dialog"
    sleep 0.5
    xdotool type --delay 20 "$work/picked.png"
    xdotool key Return
    wait_for 'xdotool search --onlyvisible --name "^Corvane Editor" >/dev/null 2>&1' || fail "the picked file did not open"
    ;;
quit-from-menu)
    choose Up
    for _ in $(seq 50); do kill -0 "$corvane" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$corvane" 2>/dev/null && fail "Quit Corvane left the program running"
    wait "$corvane"
    status=$?
    [ $status -eq 0 ] || fail "Quit Corvane ended with status $status"
    ;;
open-missing-file)
    # A beep, and the program stays in the tray.
    sleep 1.5
    kill -0 "$corvane" 2>/dev/null || fail "the program ended after a missing --open file"
    xdotool search --onlyvisible --name '^Corvane Editor' >/dev/null 2>&1 && fail "an editor opened for a missing file"
    ;;
open-file-at-launch)
    # The editor comes after the tray icon docked (checked above).
    wait_for 'xdotool search --onlyvisible --name "^Corvane Editor" >/dev/null 2>&1' || fail "--open opened no editor"
    ;;
captures-keep-the-icon)
    # Our windows leave the screen during a capture; the tray icon must stay in its panel, whole.
    overlay_up() { xdotool search --onlyvisible --class corvane | while read -r w; do xdotool getwindowgeometry "$w"; done |
        grep -c "Geometry: 1280x800"; }
    for capture in 1 2; do
        choose Down
        wait_for '[ "$(overlay_up)" -ge 1 ]' || fail "no overlay in capture $capture"
        xdotool key Escape
        wait_for '[ "$(overlay_up)" = 0 ]' || fail "the overlay stayed in capture $capture"
    done
    width=$(xwininfo -tree -id "$panel" | awk '/"corvane"/ { split($(NF - 1), size, "x"); print size[1]; exit }')
    [ "${width:-0}" -ge 16 ] || fail "the tray icon is ${width:-0} pixels wide after two captures"
    choose Up
    wait_for '! kill -0 "$corvane" 2>/dev/null' || fail "the tray menu no longer works after two captures"
    ;;
preferences-from-menu)
    # The window opens from the tray, and a name pattern typed into it is in the settings file at once.
    choose Down Down Down Down Down
    wait_for 'xdotool search --onlyvisible --name "^Corvane Preferences$" >/dev/null 2>&1' || fail "no preferences window"
    sleep 0.5
    # The folder field has the focus; past "Choose…" lies the file name.
    xdotool key --delay 80 Tab Tab
    xdotool type --delay 20 'tray-%n'
    wait_for 'grep -qxF "pattern=tray-%n" "$XDG_CONFIG_HOME/corvane/corvane.conf" 2>/dev/null' ||
        fail "the pattern did not reach the settings file: $(cat "$XDG_CONFIG_HOME/corvane/corvane.conf" 2>&1)"
    ;;
delayed-capture-from-menu)
    overlay_up() { xdotool search --onlyvisible --class corvane | while read -r w; do xdotool getwindowgeometry "$w"; done |
        grep -c "Geometry: 1280x800"; }
    # "Capture Region in 5 Seconds", then "Cancel Delayed Capture" (enabled only while it waits): no overlay.
    idle=$(visible_windows)
    choose Down Down Down
    wait_for '[ "$(visible_windows)" = "$idle" ]' || fail "the tray menu stayed open"
    choose Down Down Down Down
    sleep 6
    [ "$(overlay_up)" = 0 ] || fail "a cancelled delayed capture put up the overlay"
    # Not cancelled: the overlay comes, and not before its time.
    started=$(date +%s.%N)
    choose Down Down Down
    wait_for '[ "$(overlay_up)" -ge 1 ]' || fail "the delayed capture put up no overlay"
    shown=$(date +%s.%N)
    awk -v a="$started" -v b="$shown" 'BEGIN { exit !(b - a >= 5.0) }' || fail "the overlay came before 5 s had passed"
    xdotool key Escape
    ;;
region-on-each-monitor-from-menu)
    # Two monitors (run through tests/capture/two-monitors.sh) over a known noise picture: "Capture
    # Region…" from the tray menu on each, the pixels read back from the clipboard. The second region
    # covers the place where the tray menu was open: the menu must not be in the frozen picture.
    convert -size 4480x1440 -seed 20261207 xc: +noise Random -depth 8 "$work/root.png"
    display -window root "$work/root.png" >/dev/null 2>&1 || true
    overlays_up() { wait_for '[ "$(xdotool search --onlyvisible --class corvane | while read -r w; do
        xdotool getwindowgeometry "$w"; done | grep -cE "Geometry: (1920x1080|2560x1440)")" = 2 ]'; }
    # copy_region X1 Y1 X2 Y2 GEOMETRY: drags, copies from the destination menu, compares with the root.
    copy_region() {
        xclip -selection clipboard -i /dev/null
        sleep 0.5
        xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) \
            mousemove "$3" "$4" mouseup 1
        sleep 1
        xdotool key ctrl+c
        wait_for 'xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null && [ -s "$work/clip.png" ]' ||
            fail "nothing reached the clipboard from the $5 region"
        convert "$work/root.png" -crop "$5" +repage "$work/expected.png"
        [ "$(identify -format '%wx%h' "$work/clip.png")" = "${5%%+*}" ] ||
            fail "$(identify -format '%wx%h' "$work/clip.png") captured, expected the $5 region"
        differing=$(compare -metric AE "$work/clip.png" "$work/expected.png" null: 2>&1)
        [ "$differing" = 0 ] || fail "$differing pixels differ from the root picture's $5"
    }
    choose Down
    overlays_up || fail "Capture Region… put up no overlays"
    copy_region 2120 200 2920 800 800x600+2120+200
    choose Down
    overlays_up || fail "the second Capture Region… put up no overlays"
    copy_region 1400 800 1890 1040 490x240+1400+800
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok: $case_name"
