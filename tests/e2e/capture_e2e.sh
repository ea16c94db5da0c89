#!/usr/bin/env bash
# Region and full-screen captures with the real binary on a virtual X server with two monitors of
# different densities (MON-A 1920 x 1080 at ratio 1, MON-B 2560 x 1440 device pixels at ratio 2) over a
# known noise picture, with a window manager. Captured pixels are compared with the root picture.
# Run through tests/support/with-xvfb.sh -screen 4480x1440x24 and tests/capture/two-monitors.sh.
# usage: capture_e2e.sh BINARY GRAB_HOLDER CASE
set -u
binary=$1
grab_holder=$2
case_name=$3
source "$(dirname "$0")/../support/e2e-session.sh"

# F13 has no key in the virtual server's keymap.
xmodmap -e 'keycode 191 = F13'
convert -size 4480x1440 -seed 20261207 xc: +noise Random -depth 8 "$work/root.png"
display -window root "$work/root.png" >/dev/null 2>&1 || true

start_corvane() {
    "$binary" "$@" >"$work/corvane.log" 2>&1 &
    pids+=($!)
}
# Waits until one of our windows (an overlay or the menu) is on screen.
window_up() {
    for _ in $(seq 300); do
        [ "$(visible_windows)" -gt "${1:-0}" ] && return 0
        sleep 0.1
    done
    return 1
}
# Presses a shortcut until a window answers: the program may still be starting (a sanitizer build
# starts slowly). Presses that arrive during a capture are dropped, so retrying is harmless.
press_until_window() {
    local before
    before=$(visible_windows)
    for _ in $(seq 20); do
        xdotool key "$1"
        for _ in $(seq 10); do
            [ "$(visible_windows)" -gt "$before" ] && { sleep 0.3; return 0; }
            sleep 0.1
        done
    done
    return 1
}
overlays_up() { press_until_window F13; }
drag() { xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) mousemove "$3" "$4" mouseup 1; }
# Chooses "Copy to Clipboard" in the open destination menu and reads the picture back.
copy_from_menu() {
    window_up || fail "no destination menu"
    sleep 0.3
    xdotool key ctrl+c
    for _ in $(seq 50); do
        xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null && [ -s "$work/clip.png" ] && return 0
        sleep 0.1
    done
    fail "nothing reached the clipboard"
}
# Our windows outside the window manager's care (overlays, the menu, the toast) that are not tooltips,
# as "id width" lines.
bare_windows() {
    local id width
    for id in $(xdotool search --onlyvisible --class corvane 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && continue
        width=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ {print $2}')
        [ -n "$width" ] && echo "$id $width"
    done
}
# The open destination menu's window id, nothing when none is up.
menu_window() { bare_windows | awk '$2 < 1000 {print $1}'; }
overlay_up() {
    for _ in $(seq 300); do
        bare_windows | awk '$2 >= 1000' | grep -q . && return 0
        sleep 0.1
    done
    return 1
}
overlays_gone() {
    for _ in $(seq 300); do
        bare_windows | awk '$2 >= 1000' | grep -q . || return 0
        sleep 0.1
    done
    return 1
}
menu_up() {
    for _ in $(seq 300); do
        [ -n "$(menu_window)" ] && return 0
        sleep 0.1
    done
    return 1
}
saved_count_reaches() {
    for _ in $(seq 100); do
        [ "$(ls "$HOME/Desktop" | grep -c '\.png$')" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
# expect_pixels FILE GEOMETRY: FILE equals that part of the root picture, pixel for pixel.
expect_pixels() {
    convert "$work/root.png" -crop "$2" +repage "$work/expected.png"
    [ "$(identify -format '%wx%h' "$1")" = "$(identify -format '%wx%h' "$work/expected.png")" ] ||
        fail "$(identify -format '%wx%h' "$1") captured, expected the ${2%%+*} region"
    local differing
    differing=$(compare -metric AE "$1" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels differ from the root picture's $2"
}
expect_cancelled() {
    sleep 1
    [ "$(visible_windows)" = 0 ] || fail "a window is still on screen after cancelling"
    xdotool key ctrl+c
    sleep 0.5
    if xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -q image/png; then
        fail "a picture reached the clipboard after cancelling"
    fi
}

case $case_name in
region-on-each-monitor)
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    copy_from_menu
    expect_pixels "$work/clip.png" 400x300+100+100
    # MON-B: 400 x 300 of its logical pixels are 800 x 600 device pixels.
    sleep 0.5
    overlays_up || fail "no overlay after the second F13"
    drag 2120 200 2920 800
    copy_from_menu
    expect_pixels "$work/clip.png" 800x600+2120+200
    # Every device pixel of MON-B can be an edge, odd ones too: 401 x 301 of them.
    sleep 0.5
    overlays_up || fail "no overlay after the third F13"
    drag 2121 201 2522 502
    copy_from_menu
    expect_pixels "$work/clip.png" 401x301+2121+201
    ;;
save-to-desktop)
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 2120 200 2920 800
    window_up || fail "no destination menu"
    sleep 0.3
    xdotool key ctrl+d
    for _ in $(seq 50); do
        saved=$(ls "$HOME/Desktop"/Screenshot*.png 2>/dev/null | head -n 1)
        [ -n "$saved" ] && break
        sleep 0.1
    done
    [ -n "$saved" ] || fail "nothing was saved on the Desktop"
    expect_pixels "$saved" 800x600+2120+200
    [ "$(identify -units PixelsPerInch -format '%[fx:round(resolution.x)]' "$saved")" = 144 ] ||
        fail "the file does not record 144 dpi"
    # Without a compositor the toast is cut round: its corner shows the desktop, not black.
    toast=$(timeout 10 xdotool search --sync --onlyvisible --name '^Saved ' | head -n 1)
    [ -n "$toast" ] || fail "no toast after saving"
    eval "$(xdotool getwindowgeometry --shell "$toast")"
    import -window root -crop "1x1+$X+$Y" +repage "$work/corner.png"
    convert "$work/root.png" -crop "1x1+$X+$Y" +repage "$work/desktop.png"
    [ "$(compare -metric AE "$work/corner.png" "$work/desktop.png" null: 2>&1)" = 0 ] ||
        fail "the toast's corner at $X,$Y is not the desktop behind it"
    ;;
cancels)
    start_corvane
    overlays_up || fail "no overlay"
    xdotool key Escape
    expect_cancelled
    overlays_up || fail "no overlay"
    xdotool mousemove 300 300 click 3
    expect_cancelled
    overlays_up || fail "no overlay"
    xdotool mousemove 300 300 click 1
    expect_cancelled
    ;;
space-takes-the-monitor)
    start_corvane
    xdotool mousemove 3000 700
    overlays_up || fail "no overlay after F13"
    xdotool mousemove 3010 710
    sleep 0.3
    xdotool key space
    copy_from_menu
    expect_pixels "$work/clip.png" 2560x1440+1920+0
    ;;
full-screen-under-the-pointer)
    start_corvane
    xdotool mousemove 700 500
    press_until_window ctrl+shift+super+3 || fail "no menu after Ctrl+Shift+Super+3"
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    # A capture of MON-B opens its editor on MON-B.
    xdotool mousemove 3000 700
    xdotool key ctrl+shift+super+3
    menu_up || fail "no menu after Ctrl+Shift+Super+3 on MON-B"
    xdotool key ctrl+e
    editor=$(timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor$' | head -n 1)
    [ -n "$editor" ] || fail "Open in Editor opened nothing"
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    [ "$X" -ge 1920 ] || fail "the editor of a MON-B capture opened at $X,$Y, not on MON-B"
    ;;
editor-left-out)
    # A picture of one flat colour in an editor over MON-A must not show in the frozen picture.
    convert -size 600x400 xc:'rgb(250,0,250)' "$work/flat.png"
    start_corvane --open "$work/flat.png"
    timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor$' >/dev/null || fail "no editor"
    xdotool mousemove 960 540
    overlays_up || fail "no overlay after F13"
    xdotool key space
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    xdotool search --onlyvisible --name '^Corvane Editor$' >/dev/null || fail "the editor did not come back"
    ;;
held-hotkey-skipped)
    # Another program holds Ctrl+Shift+Super+4: the other two shortcuts still work.
    mkfifo "$work/hold"
    "$grab_holder" <"$work/hold" >"$work/holder.out" &
    pids+=($!)
    exec 3>"$work/hold"
    for _ in $(seq 50); do grep -q ready "$work/holder.out" 2>/dev/null && break; sleep 0.1; done
    grep -q ready "$work/holder.out" || fail "the other program could not take the shortcut"
    start_corvane
    overlays_up || fail "F13 stopped working"
    xdotool key Escape
    sleep 1
    xdotool key ctrl+shift+super+4
    sleep 1
    [ "$(visible_windows)" = 0 ] || fail "a shortcut held by another program started a capture"
    xdotool mousemove 700 500
    press_until_window ctrl+shift+super+3 || fail "Ctrl+Shift+Super+3 stopped working"
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    exec 3>&-
    ;;
hotkey-to-file)
    # The whole path a user takes: a region to the Desktop, then a monitor into the editor, an arrow
    # drawn with the mouse, and the annotated picture saved to the Desktop too.
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    window_up || fail "no destination menu"
    sleep 0.3
    xdotool key ctrl+d
    wait_for_files() { for _ in $(seq 50); do [ "$(ls "$HOME/Desktop" | wc -l)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
    wait_for_files 1 || fail "Save to Desktop wrote nothing"
    first="$HOME/Desktop/$(ls "$HOME/Desktop" | head -n 1)"
    expect_pixels "$first" 400x300+100+100

    xdotool mousemove 700 500
    press_until_window ctrl+shift+super+3 || fail "no menu after Ctrl+Shift+Super+3"
    xdotool key ctrl+e
    editor=$(timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor$' | head -n 1)
    [ -n "$editor" ] || fail "Open in Editor opened nothing"
    xdotool windowactivate --sync "$editor" >/dev/null 2>&1
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    xdotool key 5
    drag $((X + WIDTH / 2 - 120)) $((Y + HEIGHT / 2 + 60)) $((X + WIDTH / 2 + 120)) $((Y + HEIGHT / 2 - 60))
    sleep 0.3
    xdotool key ctrl+shift+s
    wait_for_files 2 || fail "the editor's Save to Desktop wrote nothing"
    second=$(ls -t "$HOME/Desktop"/*.png | head -n 1)
    [ "$(identify -format '%wx%h' "$second")" = 1920x1080 ] || fail "the annotated picture is not the whole monitor"
    convert "$work/root.png" -crop 1920x1080+0+0 +repage "$work/monitor.png"
    differing=$(compare -metric AE "$second" "$work/monitor.png" null: 2>&1)
    [ "$differing" -gt 500 ] && [ "$differing" -lt 40000 ] ||
        fail "the saved picture differs from the monitor in $differing pixels: no arrow, or more than an arrow"
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the program is no longer running"
    ;;
monitor-removed)
    # MON-B is unplugged while the overlays are up: the selection ends as if cancelled, the program
    # lives on, and the next capture covers the one monitor left.
    start_corvane
    overlays_up || fail "no overlay after F13"
    xrandr --delmonitor MON-B
    for _ in $(seq 50); do [ "$(visible_windows)" = 0 ] && break; sleep 0.1; done
    [ "$(visible_windows)" = 0 ] || fail "overlays are still up after the monitor went"
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the program ended when the monitor went"
    overlays_up || fail "no overlay in the capture after the monitor went"
    drag 100 100 500 400
    copy_from_menu
    expect_pixels "$work/clip.png" 400x300+100+100
    ;;
save-as-on-each-monitor)
    # Save As through the real dialog from a region on each monitor. On MON-B the dialog must be laid
    # out for ratio 2: its Save button is clicked where a user sees it, near the bottom-right corner.
    # save_as NAME X Y: waits for the dialog (it opens on the monitor under the pointer), types NAME,
    # and clicks Save X Y device pixels in from the window's bottom-right corner (Return when X is 0).
    # A key pressed before the menu's keyboard grab is in place is lost on a loaded machine; the menu
    # waits until a key reaches it, so pressing again is harmless.
    open_save_as() {
        for _ in 1 2 3; do
            sleep 0.3
            xdotool key ctrl+s
            timeout 10 xdotool search --sync --onlyvisible --name '^Save As$' 2>/dev/null | head -n 1 | grep . && return 0
        done
        return 1
    }
    save_as() {
        window_up || fail "no destination menu"
        local dialog
        dialog=$(open_save_as) || fail "no Save As dialog"
        sleep 0.5
        xdotool key --clearmodifiers ctrl+a
        xdotool type --delay 20 "$1"
        if [ "$2" = 0 ]; then
            xdotool key Return
        else
            eval "$(xdotool getwindowgeometry --shell "$dialog")"
            xdotool mousemove $((X + WIDTH - $2)) $((Y + HEIGHT - $3)) click 1
        fi
        for _ in $(seq 50); do [ -s "$HOME/Desktop/$1" ] && return 0; sleep 0.1; done
        fail "Save As wrote no $1"
    }
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 2120 200 2920 800
    # The Save button sits about 45 x 54 logical pixels in from the corner, 90 x 108 on MON-B.
    save_as shot-b.tif 90 108
    expect_pixels "$HOME/Desktop/shot-b.tif" 800x600+2120+200
    [ "$(identify -format '%m %[fx:round(resolution.x)]' "$HOME/Desktop/shot-b.tif")" = "TIFF 144" ] ||
        fail "shot-b.tif is not a 144 dpi TIFF: $(identify -format '%m %x' "$HOME/Desktop/shot-b.tif")"
    overlays_up || fail "no overlay after the second F13"
    drag 100 100 500 400
    save_as shot-a.jpg 0 0
    [ "$(identify -units PixelsPerInch -format '%m %wx%h %[fx:round(resolution.x)]' "$HOME/Desktop/shot-a.jpg")" = \
        "JPEG 400x300 72" ] || fail "shot-a.jpg is not a 400 x 300 JPEG of 72 dpi"
    # A name typed without an extension takes the one of the type chosen in the dialog.
    overlays_up || fail "no overlay after the third F13"
    drag 100 100 500 400
    window_up || fail "no destination menu"
    open_save_as >/dev/null || fail "no Save As dialog"
    sleep 0.5
    # From the name field to the type list, one type down (JPEG), and back.
    xdotool key --delay 100 Tab Down shift+Tab
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 holiday
    xdotool key Return
    for _ in $(seq 50); do [ -n "$(ls "$HOME/Desktop" | grep holiday)" ] && break; sleep 0.1; done
    [ "$(ls "$HOME/Desktop" | grep holiday)" = holiday.jpg ] ||
        fail "a bare name with JPEG chosen was saved as: $(ls "$HOME/Desktop" | grep holiday)"
    [ "$(identify -format '%m' "$HOME/Desktop/holiday.jpg")" = JPEG ] || fail "holiday.jpg is not a JPEG"
    ;;
menu-with-editor-open)
    # The destination menu must come up and take Ctrl+D every time while an editor is open (hidden for
    # the grab and shown again under the menu), 30 times in a row: in turn a full-screen capture right
    # after a cancelled region capture, and a region selected on MON-A.
    convert -size 600x400 xc:'rgb(250,0,250)' "$work/flat.png"
    start_corvane --open "$work/flat.png"
    timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor$' >/dev/null || fail "no editor"
    xdotool mousemove 700 500
    overlays_up || fail "no overlay after the first F13"
    xdotool key Escape
    for try in $(seq 30); do
        overlays_gone || fail "try $try: the overlays stayed"
        if [ $((try % 2)) = 1 ]; then
            xdotool key ctrl+shift+super+3
        else
            xdotool key F13
            overlay_up || fail "try $try: no overlay after F13"
            drag 100 100 500 400
        fi
        menu_up || fail "try $try: no destination menu"
        xdotool key ctrl+d
        saved_count_reaches "$try" || fail "try $try: Ctrl+D in the menu saved nothing"
        for _ in $(seq 100); do [ -z "$(menu_window)" ] && break; sleep 0.1; done
        if [ $((try % 2)) = 0 ]; then
            xdotool key F13
            overlay_up || fail "try $try: no overlay after F13"
            xdotool key Escape
        fi
    done
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok: $case_name"
