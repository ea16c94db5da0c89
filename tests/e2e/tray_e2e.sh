#!/usr/bin/env bash
# The tray icon and its menu with the real binary, a window manager and a tray host (tests/support/e2e.sh).
# usage: tray_e2e.sh BINARY CASE
binary=$1 case_name=$2
source "$(dirname "$0")/../support/e2e.sh"
if [ "$case_name" = captures-keep-the-icon ]; then x_desktop two-monitors tray; else x_desktop tray; fi

convert -size 300x200 xc:'rgb(20,120,220)' "$work/shot.png"
start
docked
# choose KEY...: the tray menu opened with a right click and walked with the arrow keys.
choose() {
    xdotool mousemove --window "$panel" 12 16 click 3
    await menu_up "no menu on a right click"
    walk "$@" Return
    await '! menu_up' "the tray menu stayed"
}

case $case_name in
open-image-from-menu)
    # Past the captures (the disabled "Cancel Delayed Capture" is skipped).
    choose Down Down Down Down
    focus_on "Open Image in Editor"
    xdotool type --delay 20 "$work/shot.png"
    key Return
    editor_up
    ;;
captures-keep-the-icon)
    # Our windows leave the screen during a capture; the tray icon must stay in its panel, whole, and
    # its menu still work: Capture Region… twice, then Quit Corvane. The second region covers the place
    # where the tray menu was open: the menu must not be in the frozen picture.
    choose Down
    await '[ "$(overlays)" = 2 ]' "no overlays from Capture Region…"
    key Escape
    await '[ "$(overlays)" = 0 ]' "the overlays stayed"
    choose Down
    await '[ "$(overlays)" = 2 ]' "no overlays from the second Capture Region…"
    drag 1400 800 1890 1040
    copy_from_menu
    expect_pixels "$work/clip.png" 490x240+1400+800
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
    focus_on "Corvane Preferences"
    xdotool key --delay 80 Tab Tab
    xdotool type --delay 20 'tray-%n'
    await 'grep -qxF "pattern=tray-%n" "$XDG_CONFIG_HOME/corvane/corvane.conf" 2>/dev/null' "the pattern did not reach the settings file"
    ;;
delayed-capture-from-menu)
    # "Capture Region in 5 Seconds", then "Cancel Delayed Capture" (enabled only while it waits). Not
    # cancelled: the overlay comes, and not before its time. Had the cancel left the wait on, the second
    # "in 5 Seconds" would end it and bring no overlay; had it left the timer on, the overlay would come
    # before the second one's time.
    choose Down Down Down
    choose Down Down Down Down
    started=$(date +%s%N)
    choose Down Down Down
    await '[ "$(overlays)" = 1 ]' "the delayed capture put up no overlay"
    check '[ $(($(date +%s%N) - started)) -ge 5000000000 ]' "the overlay came before 5 s had passed"
    key Escape
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
