#!/usr/bin/env bash
# The tray icon and its menu with the real binary, a window manager and a tray host (tests/support/e2e.sh).
# usage: tray_e2e.sh BINARY CASE
binary=$1 case_name=$2
source "$(dirname "$0")/../support/e2e.sh"
if [ "$case_name" = region-on-each-monitor-from-menu ]; then x_desktop two-monitors tray; else x_desktop tray; fi

convert -size 300x200 xc:'rgb(20,120,220)' "$work/shot.png"
start
await 'xwininfo -tree -id "$panel" | grep -q "\"corvane\""' "the tray icon did not dock"
# choose KEY...: the tray menu opened with a right click and walked with the arrow keys.
choose() {
    xdotool mousemove --window "$panel" 12 16 click 3
    await menu_up "no menu on a right click"
    sleep 0.3
    xdotool key --delay 80 "$@" Return
    await '! menu_up' "the tray menu stayed"
}

case $case_name in
open-image-from-menu)
    # Past the captures (the disabled "Cancel Delayed Capture" is skipped).
    choose Down Down Down Down
    await 'titled "Open Image in Editor$"' "no open dialog"
    sleep 0.5
    xdotool type --delay 20 "$work/shot.png"
    key Return
    editor_up
    ;;
captures-keep-the-icon)
    # Our windows leave the screen during a capture; the tray icon must stay in its panel, whole, and
    # its menu still work: Capture Region… twice, then Quit Corvane.
    for capture in 1 2; do
        choose Down
        await '[ "$(overlays)" = 1 ]' "no overlay in capture $capture"
        key Escape
        await '[ "$(overlays)" = 0 ]' "the overlay stayed in capture $capture"
    done
    width=$(xwininfo -tree -id "$panel" | awk '/"corvane"/ { split($(NF - 1), size, "x"); print size[1]; exit }')
    check '[ "${width:-0}" -ge 16 ]' "the tray icon is ${width:-0} pixels wide after two captures"
    choose Up
    await '! alive' "Quit Corvane left the program running"
    wait "$app"
    status=$?
    check '[ $status = 0 ]' "Quit Corvane ended with status $status"
    ;;
preferences-from-menu)
    # A name pattern typed into the window is in the settings file at once; the folder field has the
    # focus, past "Choose…" lies the file name.
    choose Down Down Down Down Down
    await 'titled "Corvane Preferences$"' "no preferences window"
    sleep 0.5
    xdotool key --delay 80 Tab Tab
    xdotool type --delay 20 'tray-%n'
    await 'grep -qxF "pattern=tray-%n" "$XDG_CONFIG_HOME/corvane/corvane.conf" 2>/dev/null' "the pattern did not reach the settings file"
    ;;
delayed-capture-from-menu)
    # "Capture Region in 5 Seconds", then "Cancel Delayed Capture" (enabled only while it waits): no
    # overlay. Not cancelled: the overlay comes, and not before its time.
    choose Down Down Down
    choose Down Down Down Down
    sleep 6
    check '[ "$(overlays)" = 0 ]' "a cancelled delayed capture put up the overlay"
    started=$(date +%s%N)
    choose Down Down Down
    await '[ "$(overlays)" = 1 ]' "the delayed capture put up no overlay"
    check '[ $(($(date +%s%N) - started)) -ge 5000000000 ]' "the overlay came before 5 s had passed"
    key Escape
    ;;
region-on-each-monitor-from-menu)
    # Capture Region… on each monitor, the pixels read back from the clipboard. The second region covers
    # the place where the tray menu was open: the menu must not be in the frozen picture.
    for row in "2120 200 2920 800 800x600+2120+200" "1400 800 1890 1040 490x240+1400+800"; do
        read -r x1 y1 x2 y2 geometry <<<"$row"
        choose Down
        await '[ "$(overlays)" = 2 ]' "Capture Region… put up no overlays"
        sleep 0.5
        drag "$x1" "$y1" "$x2" "$y2"
        copy_from_menu
        expect_pixels "$work/clip.png" "$geometry"
    done
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
