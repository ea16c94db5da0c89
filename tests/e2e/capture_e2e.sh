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
[ "$case_name" = settings-rebind-to-print ] && openbox_without_print=1
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
wait_for() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; return 1; }
# write_config LINE...: the settings file, replaced at once as an editor or a dotfiles sync would.
write_config() {
    mkdir -p "$XDG_CONFIG_HOME/corvane"
    printf '%s\n' "$@" >"$XDG_CONFIG_HOME/corvane/corvane.conf.new"
    mv "$XDG_CONFIG_HOME/corvane/corvane.conf.new" "$XDG_CONFIG_HOME/corvane/corvane.conf"
}
# menu_key KEY CONDITION: KEY in the destination menu, pressed again until CONDITION holds. On a loaded
# machine a key pressed before the menu has taken the keyboard is lost; once the menu has gone, a further
# press reaches nothing of ours. The overlays are windows of ours too and stay up a moment after the
# mouse is released: a key pressed then goes to them, so the menu itself is waited for.
menu_key() {
    wait_for menu_up || fail "no destination menu"
    for _ in 1 2 3; do
        sleep 0.3
        xdotool key "$1"
        for _ in $(seq 50); do eval "$2" && return 0; sleep 0.1; done
    done
    return 1
}
# Ctrl+D in the destination menu, then the first picture saved on the Desktop in `saved`.
save_to_desktop_from_menu() {
    menu_key ctrl+d 'saved=$(ls "$HOME/Desktop"/Screenshot* 2>/dev/null | head -n 1); [ -n "$saved" ]' ||
        fail "nothing was saved on the Desktop"
}
# Overlays on both monitors (sizes in device pixels).
overlay_count() { xdotool search --onlyvisible --class corvane 2>/dev/null | while read -r w; do
    xdotool getwindowgeometry "$w"; done | grep -cE 'Geometry: (1920x1080|2560x1440)$'; }
# The destination menu: a window of ours with no title of its own (the program's name stands for it)
# that is no overlay.
menu_up() {
    local w
    for w in $(xdotool search --onlyvisible --class corvane 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = corvane ] || continue
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -qE 'Geometry: (1920x1080|2560x1440)$' && continue
        return 0
    done
    return 1
}
# press_until KEY CONDITION: presses KEY until CONDITION holds. A key pressed before the overlay's or
# the menu's keyboard grab is in place goes elsewhere, and pressing again is harmless.
press_until() {
    for _ in $(seq 20); do
        xdotool key "$1"
        for _ in $(seq 20); do
            eval "$2" && return 0
            sleep 0.1
        done
    done
    return 1
}
# overlays_up [COUNT]: F13 until COUNT overlays (one per monitor, 2 unless told) are on screen.
overlays_up() { press_until F13 "[ \"\$(overlay_count)\" = ${1:-2} ]"; }
drag() { xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) mousemove "$3" "$4" mouseup 1; }
# Chooses "Copy to Clipboard" in the open destination menu and reads the picture back.
copy_from_menu() {
    # The clipboard is emptied first, so that the picture of an earlier copy is never taken for this one.
    xclip -selection clipboard -i /dev/null >/dev/null 2>&1
    for _ in $(seq 100); do menu_up && break; sleep 0.1; done
    menu_up || fail "no destination menu"
    # The menu closes once it has taken the key; the clipboard holds the new picture from then on.
    press_until ctrl+c '! menu_up' || fail "the destination menu did not take Ctrl+C"
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
menu_comes_up() {
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
# expect_pixels FILE GEOMETRY [PICTURE]: FILE equals that part of the root picture (or of PICTURE), pixel
# for pixel.
expect_pixels() {
    convert "${3:-$work/root.png}" -crop "$2" +repage "$work/expected.png"
    [ "$(identify -format '%wx%h' "$1")" = "$(identify -format '%wx%h' "$work/expected.png")" ] ||
        fail "$(identify -format '%wx%h' "$1") captured, expected the ${2%%+*} region"
    local differing
    differing=$(compare -metric AE "$1" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels differ from the root picture's $2"
}
expect_cancelled() {
    wait_for '[ "$(visible_windows)" = 0 ]' || fail "a window is still on screen after cancelling"
    xdotool key ctrl+c
    sleep 0.5
    if xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -q image/png; then
        fail "a picture reached the clipboard after cancelling"
    fi
}

# cli ARGS...: the command as a script runs it, in $work; its status in $status, its error in $work/cli.err.
cli() {
    (cd "$work" && timeout 60 "$binary" "$@") >"$work/cli.out" 2>"$work/cli.err"
    status=$?
}
# cli_in_background ARGS...: the same, left running; wait_cli collects it.
cli_in_background() {
    (cd "$work" && exec timeout 60 "$binary" "$@") >"$work/cli.out" 2>"$work/cli.err" &
    cli_pid=$!
}
wait_cli() {
    wait "$cli_pid"
    status=$?
}
expect_status() {
    [ "$status" = "$1" ] || fail "$2 ended with status $status, not $1: $(cat "$work/cli.err")"
}
# show_window NAME COLOUR WxH+X+Y: a window of one flat colour at a known place; its frame (title bar and
# borders included, from the window manager's _NET_FRAME_EXTENTS) in $frame as WxH+X+Y.
show_window() {
    convert -size "${3%%+*}" xc:"$2" "$work/$1.png"
    display -title "$1" -geometry "$3" "$work/$1.png" &
    pids+=($!)
    local id extents left right top bottom
    id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
    [ -n "$id" ] || fail "the window $1 did not appear"
    for _ in $(seq 100); do
        extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9, ]*$')
        [ -n "$extents" ] && break
        sleep 0.1
    done
    IFS=', ' read -r left right top bottom <<<"$extents"
    eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/{print "X="$NF} /Absolute upper-left Y/{print "Y="$NF}
                                     /Width:/{print "W="$NF} /Height:/{print "H="$NF}')"
    frame="$((W + left + right))x$((H + top + bottom))+$((X - left))+$((Y - top))"
}
# The screen as it is now, once two readings in a row agree (windows paint themselves after mapping).
screen_settled() {
    import -window root "$work/screen.png"
    for _ in $(seq 50); do
        sleep 0.2
        import -window root "$work/screen-again.png"
        [ "$(compare -metric AE "$work/screen.png" "$work/screen-again.png" null: 2>&1)" = 0 ] && return 0
        mv "$work/screen-again.png" "$work/screen.png"
    done
    fail "the screen did not settle"
}

case $case_name in
window-pick)
    # On each monitor a back window with a front one over its middle: Tab, the pointer over the back one's
    # uncovered part, a click: exactly its frame, as the screen showed it.
    show_window back-a 'rgb(200,40,40)' 500x400+200+150
    back_a=$frame
    show_window front-a 'rgb(40,40,200)' 300x200+350+250
    show_window back-b 'rgb(40,160,40)' 600x500+2200+200
    back_b=$frame
    show_window front-b 'rgb(200,200,40)' 300x260+2400+350
    start_corvane
    for pick in "230 ${back_a##*+} $back_a" "2230 ${back_b##*+} $back_b"; do
        read -r x top geometry <<<"$pick"
        xdotool mousemove "$x" $((top + 200))
        # As the screen is now: a capture may leave another window focused, with another title bar.
        screen_settled
        overlays_up || fail "no overlay after F13"
        xdotool key Tab
        xdotool mousemove "$x" $((top + 210))
        sleep 0.3
        xdotool click 1
        copy_from_menu
        expect_pixels "$work/clip.png" "$geometry" "$work/screen.png"
        # The toast is a window of ours too: the next capture must not meet it.
        for _ in $(seq 100); do
            xdotool search --onlyvisible --name '^Copied to clipboard$' >/dev/null 2>&1 || break
            sleep 0.1
        done
    done
    # A picked window lends its title to a file name pattern that asks for it.
    write_config '[save]' 'pattern=%{title} shot'
    xdotool mousemove 230 $((${back_a##*+} + 200))
    screen_settled
    overlays_up || fail "no overlay after F13"
    xdotool key Tab
    xdotool mousemove 230 $((${back_a##*+} + 210))
    sleep 0.3
    xdotool click 1
    menu_key ctrl+d '[ -s "$HOME/Desktop/back-a shot.png" ]' ||
        fail "the picked window's title did not name the file: $(ls "$HOME/Desktop")"
    ;;
delay)
    # The overlay is not up before the delay has passed, however fast the rest is.
    started=$(date +%s.%N)
    start_corvane --capture-region --delay 1
    window_up || fail "no overlay after the delay"
    shown=$(date +%s.%N)
    awk -v a="$started" -v b="$shown" 'BEGIN { exit !(b - a >= 1.0) }' ||
        fail "the overlay was up $(awk -v a="$started" -v b="$shown" 'BEGIN { print b - a }') s after the command"
    xdotool key Escape
    expect_cancelled
    ;;
cli-output)
    # With no running Corvane the command captures in its own process and writes the file.
    xdotool mousemove 700 500
    cli --capture-screen --output shot.png
    expect_status 0 "--output shot.png"
    expect_pixels "$work/shot.png" 1920x1080+0+0
    cp "$work/shot.png" "$work/kept.png"
    xdotool mousemove 3000 700
    cli --capture-screen --output shot.png
    expect_status 2 "--output onto an existing file"
    [ "$(head -n 1 "$work/cli.err")" = "corvane: shot.png already exists; --force replaces it" ] ||
        fail "an existing file was refused with: $(cat "$work/cli.err")"
    cmp -s "$work/shot.png" "$work/kept.png" || fail "the existing file was changed without --force"
    cli --capture-screen --output shot.png --force
    expect_status 0 "--force"
    expect_pixels "$work/shot.png" 2560x1440+1920+0
    (cd "$work" && timeout 60 "$binary" --capture-screen --output - >"$work/piped.png" 2>"$work/cli.err")
    status=$?
    expect_status 0 "--output -"
    expect_pixels "$work/piped.png" 2560x1440+1920+0
    cli --capture-screen --output shot.jpg
    expect_status 0 "--output shot.jpg"
    [ "$(identify -format '%m %wx%h' "$work/shot.jpg")" = "JPEG 2560x1440" ] || fail "shot.jpg is not a JPEG of MON-B"
    # Every monitor on one canvas at ratio 2: MON-A doubled, MON-B beside it at its own pixels.
    cli --capture-screen --all --output all.png
    expect_status 0 "--all"
    [ "$(identify -format '%wx%h' "$work/all.png")" = 6400x2160 ] || fail "--all is $(identify -format '%wx%h' "$work/all.png")"
    convert "$work/all.png" -crop 2560x1440+3840+0 +repage "$work/all-b.png"
    expect_pixels "$work/all-b.png" 2560x1440+1920+0
    convert "$work/root.png" -crop 1920x1080+0+0 +repage -sample 200% "$work/a-doubled.png"
    convert "$work/all.png" -crop 3840x2160+0+0 +repage "$work/all-a.png"
    expect_pixels "$work/all-a.png" 3840x2160+0+0 "$work/a-doubled.png"
    # Errors: one line naming the fault, then nothing written.
    cli --capture-screen --output "$work/no/such/folder.png"
    expect_status 2 "--output into a missing folder"
    grep -q "^corvane: .*there is no folder" "$work/cli.err" || fail "a missing folder said: $(cat "$work/cli.err")"
    cli --capture-screen --outptu x.png
    expect_status 2 "an unknown switch"
    [ "$(head -n 1 "$work/cli.err")" = "corvane: unknown option --outptu" ] || fail "an unknown switch said: $(cat "$work/cli.err")"
    cli --help
    expect_status 0 --help
    grep -q -- '--capture-window' "$work/cli.out" || fail "--help does not list --capture-window"
    ;;
cli-region)
    # A selection that the command waits for: the file once the user has chosen, status 1 when cancelled.
    cli_in_background --capture-region --output region.png
    window_up || fail "no overlay for --capture-region --output"
    sleep 0.3
    drag 2120 200 2920 800
    wait_cli
    expect_status 0 "--capture-region --output"
    expect_pixels "$work/region.png" 800x600+2120+200
    [ "$(visible_windows)" = 0 ] || fail "a window stayed up after --output"
    cli_in_background --capture-window --output window.png
    window_up || fail "no overlay for --capture-window --output"
    sleep 0.3
    xdotool key Escape
    wait_cli
    expect_status 1 "a cancelled --capture-window"
    [ -e "$work/window.png" ] && fail "a cancelled capture wrote a file"
    ;;
cli-clipboard)
    # The command ends once the picture is on the clipboard; a process of its own keeps it there.
    xdotool mousemove 700 500
    cli --capture-screen --clipboard
    expect_status 0 "--clipboard"
    xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null || fail "nothing on the clipboard"
    expect_pixels "$work/clip.png" 1920x1080+0+0
    # The process holding the picture ends once another program takes the clipboard over.
    # (Its clipboard window on this display is how it is found.)
    holder() { xwininfo -root -tree | grep -q '"Qt Selection Owner for corvane"'; }
    holder || fail "no process holds the picture on the clipboard"
    printf 'text' | xclip -selection clipboard
    for _ in $(seq 100); do holder || break; sleep 0.1; done
    holder && fail "the process holding the picture stayed after the clipboard was taken over"
    ;;
region-on-each-monitor)
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    copy_from_menu
    expect_pixels "$work/clip.png" 400x300+100+100
    # MON-B: 400 x 300 of its logical pixels are 800 x 600 device pixels.
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
    # The clipboard is emptied first, so that the picture of an earlier copy is never taken for this one.
    xclip -selection clipboard -i /dev/null >/dev/null 2>&1
    for _ in $(seq 100); do menu_up && break; sleep 0.1; done
    menu_up || fail "no destination menu"
    press_until ctrl+d '! menu_up' || fail "the destination menu did not take Ctrl+D"
    for _ in $(seq 50); do
        saved=$(ls "$HOME/Desktop"/Screenshot*.png 2>/dev/null | head -n 1)
        [ -n "$saved" ] && break
        sleep 0.1
    done
    [ -n "$saved" ] || fail "nothing was saved on the Desktop"
    # Without a compositor the toast is cut round: its corner shows the desktop, not black. The toast
    # comes with the complete file and goes 1.6 s later, so it is looked at before the slow checks.
    toast=$(timeout 10 xdotool search --sync --onlyvisible --name '^Saved ' | head -n 1)
    [ -n "$toast" ] || fail "no toast after saving"
    eval "$(xdotool getwindowgeometry --shell "$toast")"
    import -window root -crop "1x1+$X+$Y" +repage "$work/corner.png"
    convert "$work/root.png" -crop "1x1+$X+$Y" +repage "$work/desktop.png"
    [ "$(compare -metric AE "$work/corner.png" "$work/desktop.png" null: 2>&1)" = 0 ] ||
        fail "the toast's corner at $X,$Y is not the desktop behind it"
    expect_pixels "$saved" 800x600+2120+200
    [ "$(identify -units PixelsPerInch -format '%[fx:round(resolution.x)]' "$saved")" = 144 ] ||
        fail "the file does not record 144 dpi"
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
    press_until space menu_up || fail "Space put up no destination menu"
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
    press_until ctrl+shift+super+3 menu_up || fail "no menu after Ctrl+Shift+Super+3 on MON-B"
    press_until ctrl+e '! menu_up' || fail "the destination menu did not take Ctrl+E"
    editor=$(timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor' | head -n 1)
    [ -n "$editor" ] || fail "Open in Editor opened nothing"
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    [ "$X" -ge 1920 ] || fail "the editor of a MON-B capture opened at $X,$Y, not on MON-B"
    ;;
editor-left-out)
    # A picture of one flat colour in an editor over MON-A must not show in the frozen picture.
    convert -size 600x400 xc:'rgb(250,0,250)' "$work/flat.png"
    start_corvane --open "$work/flat.png"
    timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor' >/dev/null || fail "no editor"
    xdotool mousemove 960 540
    overlays_up || fail "no overlay after F13"
    xdotool key space
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    xdotool search --onlyvisible --name '^Corvane Editor' >/dev/null || fail "the editor did not come back"
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
    menu_key ctrl+d '[ -n "$(ls "$HOME/Desktop")" ]' || fail "Save to Desktop wrote nothing"
    wait_for_files() { for _ in $(seq 50); do [ "$(ls "$HOME/Desktop" | wc -l)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
    first="$HOME/Desktop/$(ls "$HOME/Desktop" | head -n 1)"
    expect_pixels "$first" 400x300+100+100

    xdotool mousemove 700 500
    # The toast of the save may still be up, or go meanwhile: the menu itself is waited for.
    press_until ctrl+shift+super+3 menu_up || fail "no menu after Ctrl+Shift+Super+3"
    # The clipboard is emptied first, so that the picture of an earlier copy is never taken for this one.
    xclip -selection clipboard -i /dev/null >/dev/null 2>&1
    menu_key ctrl+e '! menu_up' || fail "the destination menu did not take Ctrl+E"
    editor=$(timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor' | head -n 1)
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
    overlays_up 1 || fail "no overlay in the capture after the monitor went"
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
settings-folder-pattern-jpeg)
    # A folder that does not exist yet, a pattern with a counter, JPEG at quality 80.
    write_config '[save]' "folder=$work/shots/new" 'pattern=shot %Y-%n' 'format=jpeg' 'jpegQuality=80'
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    want="$work/shots/new/shot $(date +%Y)-1.jpg"
    menu_key ctrl+d '[ -s "$want" ]' || fail "no $want; the folder holds: $(ls "$work/shots/new" 2>&1)"
    [ "$(identify -format '%m %wx%h %Q' "$want")" = "JPEG 400x300 80" ] ||
        fail "not a 400 x 300 JPEG of quality 80: $(identify -format '%m %wx%h %Q' "$want")"
    [ -z "$(ls "$HOME/Desktop")" ] || fail "something was saved on the Desktop too"
    ;;
settings-after-copy)
    # The picture goes to the clipboard with no menu; the toast offers the menu on F13 a moment longer.
    write_config '[capture]' 'after=copy'
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    wait_for 'xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null && [ -s "$work/clip.png" ]' ||
        fail "nothing reached the clipboard"
    expect_pixels "$work/clip.png" 400x300+100+100
    wait_for 'xdotool search --onlyvisible --name "^Copied to clipboard · F13 again for the menu$" >/dev/null' ||
        fail "no toast offering the menu"
    [ "$(visible_windows)" = 1 ] || fail "$(visible_windows) windows are up: a menu came with the copy"
    xdotool key F13
    wait_for '! xdotool search --onlyvisible --name "^Copied to clipboard" >/dev/null' || fail "the toast stayed"
    save_to_desktop_from_menu
    expect_pixels "$saved" 400x300+100+100
    ;;
settings-rebind-to-print)
    # Rebound while running: Print starts a capture, the old keys are released to other programs.
    start_corvane
    overlays_up || fail "no overlay after F13"
    xdotool key Escape
    wait_for '[ "$(visible_windows)" = 0 ]' || fail "the overlay stayed"
    write_config '[shortcuts]' 'regionCapture=Print' 'regionCaptureAlt='
    press_until_window Print || fail "Print started no capture after the rebinding"
    xdotool key Escape
    wait_for '[ "$(visible_windows)" = 0 ]' || fail "the overlay stayed"
    mkfifo "$work/hold"
    "$grab_holder" <"$work/hold" >"$work/holder.out" &
    pids+=($!)
    exec 3>"$work/hold"
    wait_for 'grep -q ready "$work/holder.out" 2>/dev/null' || fail "Ctrl+Shift+Super+4 is still held"
    exec 3>&-
    xdotool key F13
    sleep 1
    [ "$(visible_windows)" = 0 ] || fail "F13 still starts a capture"
    ;;
settings-malformed)
    # Garbage bytes, a negative quality, a folder that is a file, a flag that is no flag: the defaults
    # for those, one line each on standard error, and the capture saves a PNG on the Desktop as ever.
    mkdir -p "$XDG_CONFIG_HOME/corvane"
    printf '\x89PNG\r\n\x1a\n\x01\xff=\x02\n[save]\njpegQuality=-3\nformat=jpeg\nfolder=%s\n[general]\ntoasts=maybe\n' \
        "$work/root.png" >"$XDG_CONFIG_HOME/corvane/corvane.conf"
    start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    save_to_desktop_from_menu
    [ "$(identify -format '%m' "$saved")" = JPEG ] || fail "format=jpeg, a good value, was not applied"
    for key in 'general/[^t]' save/jpegQuality save/folder general/toasts; do
        [ "$(grep -c "corvane.conf: $key" "$work/corvane.log")" = 1 ] || fail "not one line for $key"
    done
    [ "$(grep -c 'corvane.conf: ' "$work/corvane.log")" = 4 ] || fail "other lines about the settings"
    ;;
settings-shortcut-taken)
    # The window manager holds Print: the shortcut is reported, the others work.
    write_config '[shortcuts]' 'regionCapture=Print'
    start_corvane
    wait_for 'grep -q "shortcuts/regionCapture: Print is held by another program" "$work/corvane.log"' ||
        fail "nothing said that Print is taken"
    press_until_window ctrl+shift+super+4 || fail "Ctrl+Shift+Super+4 stopped working"
    xdotool key Escape
    ;;
settings-start-at-login)
    entry="$XDG_CONFIG_HOME/autostart/io.github.corvane.Corvane.desktop"
    write_config '[general]' 'startAtLogin=true'
    start_corvane
    wait_for '[ -s "$entry" ]' || fail "no autostart entry"
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    [ -z "$out" ] || fail "desktop-file-validate reported: $out"
    grep -qxF "Exec=$binary" "$entry" || fail "the entry does not start this program: $(grep Exec "$entry")"
    write_config '[general]' 'startAtLogin=false'
    wait_for '[ ! -e "$entry" ]' || fail "the autostart entry stayed after the setting went off"
    ;;
copy-text)
    # Known text on a light and a dark background on MON-A and on a light one on MON-B (ratio 2): Copy
    # Text puts it on the clipboard with at most 2 % of its characters wrong (5 % on the dark one), and
    # a region without text says so.
    printf 'Build 4127 failed on the staging server.\nError: cannot open config/settings.yaml (code 13)\n\nRetry in 30 seconds, or press Cancel to stop.\n' >"$work/known.txt"
    text=$(cat "$work/known.txt")
    convert -size 4480x1440 xc:'rgb(128,128,128)' \
        -fill white -draw 'rectangle 100,100 799,239' -fill 'rgb(30,30,30)' -draw 'rectangle 100,400 799,539' \
        -fill white -draw 'rectangle 2200,200 3599,479' \
        -font DejaVu-Sans -pointsize 14 -fill black -annotate +120+130 "$text" \
        -fill 'rgb(220,220,220)' -annotate +120+430 "$text" \
        -pointsize 28 -fill black -annotate +2240+260 "$text" \
        \( -size 400x200 gradient:'rgb(40,90,200)-rgb(250,250,250)' \) -geometry +1000+100 -composite "$work/root.png"
    display -window root "$work/root.png" >/dev/null 2>&1 || true
    start_corvane
    # copy_text X1 Y1 X2 Y2: selects the region and chooses Copy Text; prints the toast's words.
    toast_up() { xdotool search --onlyvisible --name '^(Copied [0-9]+ lines? of text|No text found)$' 2>/dev/null | head -n 1 | grep -q .; }
    copy_text() {
        # The previous toast goes first, so that the one found below is this copy's.
        for _ in $(seq 100); do toast_up || break; sleep 0.1; done
        # xclip stays to serve what it put there: it must not hold the output this is read through.
        xclip -selection clipboard -i /dev/null >/dev/null 2>&1
        overlays_up || fail "no overlay after F13"
        drag "$@"
        menu_key ctrl+t '! menu_up' || fail "the destination menu did not take Ctrl+T"
        for _ in $(seq 300); do
            toast=$(xdotool search --onlyvisible --name '^(Copied [0-9]+ lines? of text|No text found)$' getwindowname 2>/dev/null | head -n 1)
            [ -n "$toast" ] && { echo "$toast"; return 0; }
            sleep 0.1
        done
        fail "no toast after Copy Text in $*"
    }
    # expect_text PERCENT WHERE: the clipboard's text has at most PERCENT % of the known text's
    # characters wrong (edit distance over the known text's length).
    expect_text() {
        xclip -selection clipboard -o >"$work/read.txt" 2>/dev/null || fail "no text on the clipboard ($2)"
        local errors
        errors=$(awk -v RS='\001' 'NR == 1 { a = $0 } NR == 2 { b = $0 } END {
            sub(/\n$/, "", a); sub(/\n$/, "", b); n = length(a); m = length(b)
            for (j = 0; j <= m; j++) d[0, j] = j
            for (i = 1; i <= n; i++) {
                d[i, 0] = i
                for (j = 1; j <= m; j++) {
                    cost = substr(a, i, 1) == substr(b, j, 1) ? 0 : 1
                    v = d[i - 1, j - 1] + cost
                    if (d[i - 1, j] + 1 < v) v = d[i - 1, j] + 1
                    if (d[i, j - 1] + 1 < v) v = d[i, j - 1] + 1
                    d[i, j] = v
                }
            }
            printf "%d %d", d[n, m], n }' "$work/known.txt" "$work/read.txt")
        echo "$2: ${errors% *} wrong of ${errors#* } characters"
        [ $((${errors% *} * 100)) -le $(($1 * ${errors#* })) ] ||
            fail "$2: ${errors% *} of ${errors#* } characters wrong: $(cat "$work/read.txt")"
    }
    toast=$(copy_text 110 110 790 230)
    [ "$toast" = "Copied 3 lines of text" ] || fail "light: the toast says \"$toast\""
    expect_text 2 light
    toast=$(copy_text 110 410 790 530)
    [ "$toast" = "Copied 3 lines of text" ] || fail "dark: the toast says \"$toast\""
    expect_text 5 dark
    toast=$(copy_text 2220 220 3580 460)
    [ "$toast" = "Copied 3 lines of text" ] || fail "ratio 2: the toast says \"$toast\""
    expect_text 2 "ratio 2"
    toast=$(copy_text 1010 110 1390 290)
    [ "$toast" = "No text found" ] || fail "a region without text: the toast says \"$toast\""
    ;;
copy-text-without-language-data)
    # The item is disabled and its shortcut does nothing: the menu stays open, nothing is copied.
    mkdir -p "$work/no-tessdata"
    TESSDATA_PREFIX="$work/no-tessdata" start_corvane
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    wait_for menu_up || fail "no destination menu"
    sleep 0.3
    xdotool key ctrl+t
    sleep 1
    menu_up || fail "Ctrl+T closed the menu without language data"
    xdotool search --name 'text|found' >/dev/null 2>&1 && fail "a toast came without language data"
    copy_from_menu
    expect_pixels "$work/clip.png" 400x300+100+100
    ;;
pin-to-screen)
    # A region pinned shows over its own place, moves with a drag, zooms around the pointer, is left
    # out of the next capture, and a region of MON-B (ratio 2) is pinned pixel for pixel.
    start_corvane
    pin() { xdotool search --onlyvisible --name '^Corvane Pin$' 2>/dev/null | tail -n 1; }
    # pin_at GEOMETRY: waits until a pin's window (border included) has that geometry.
    pin_at() {
        for _ in $(seq 100); do
            [ "$(xwininfo -id "$(pin)" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                /Width:/ { w = $NF } /Height:/ { h = $NF } END { printf "%dx%d+%d+%d", w, h, x, y }')" = "$1" ] && return 0
            sleep 0.1
        done
        fail "no pin at $1: $(xwininfo -id "$(pin)" 2>/dev/null | grep -E 'Absolute|Width|Height' | xargs)"
    }
    # shows PICTURE GEOMETRY: that part of the screen is the root picture's PICTURE part.
    shows() {
        sleep 0.5
        import -window root "$work/screen.png"
        convert "$work/screen.png" -crop "$2" +repage "$work/shown.png"
        convert "$work/root.png" -crop "$1" +repage "$work/expected.png"
        differing=$(compare -metric AE "$work/shown.png" "$work/expected.png" null: 2>&1)
        [ "$differing" = 0 ] || fail "the screen's $2 differs from the root's $1 in $differing pixels"
    }
    overlays_up || fail "no overlay after F13"
    drag 100 100 500 400
    menu_key ctrl+p '! menu_up' || fail "the destination menu did not take Ctrl+P"
    pin_at 404x304+98+98
    shows 400x300+100+100 400x300+100+100
    drag 300 250 800 650
    pin_at 404x304+598+498
    shows 400x300+100+100 400x300+600+500
    # One notch up with the pointer 100 pixels inside the picture's corner: 1.25 times, that point kept.
    xdotool mousemove 700 600 click 4
    pin_at 504x379+573+473
    # The next capture's frozen picture has the root where the pin is, and the pin comes back.
    xdotool mousemove 960 540
    overlays_up || fail "no overlay with a pin up"
    xdotool key space
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    pin_at 504x379+573+473
    overlays_up || fail "no overlay for the MON-B pin"
    drag 2120 200 2920 800
    menu_key ctrl+p '! menu_up' || fail "the destination menu did not take Ctrl+P"
    pin_at 808x608+2116+196
    shows 800x600+2120+200 800x600+2120+200
    # Escape closes the pin that has the focus, the new one.
    xdotool key Escape
    for _ in $(seq 50); do [ "$(xdotool search --onlyvisible --name '^Corvane Pin$' | wc -l)" = 1 ] && break; sleep 0.1; done
    [ "$(xdotool search --onlyvisible --name '^Corvane Pin$' | wc -l)" = 1 ] || fail "Escape did not close the pin"
    # The first pin, back at its size and dragged onto MON-B, keeps its logical size: each of its
    # pixels is 2 x 2 device pixels there.
    xdotool mousemove 700 600 click 5
    pin_at 404x304+598+498
    drag 700 600 2500 1000
    for _ in $(seq 100); do
        eval "$(xwininfo -id "$(pin)" | awk '/Absolute upper-left X/ { print "x=" $NF } /Absolute upper-left Y/ { print "y=" $NF }
            /Width:/ { print "w=" $NF } /Height:/ { print "h=" $NF }')"
        [ "$w" = 808 ] && break
        sleep 0.1
    done
    [ "${w}x${h}" = 808x608 ] || fail "the pin on MON-B is ${w}x${h} device pixels, not 808x608"
    sleep 0.5
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "800x600+$((x + 4))+$((y + 4))" +repage "$work/shown.png"
    convert "$work/root.png" -crop 400x300+100+100 +repage -sample 200% "$work/expected.png"
    differing=$(compare -metric AE "$work/shown.png" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "the pin dragged onto MON-B differs in $differing pixels from its picture doubled"
    ;;
menu-with-editor-open)
    # The destination menu must come up and take Ctrl+D every time while an editor is open (hidden for
    # the grab and shown again under the menu), 30 times in a row: in turn a full-screen capture right
    # after a cancelled region capture, and a region selected on MON-A.
    convert -size 600x400 xc:'rgb(250,0,250)' "$work/flat.png"
    start_corvane --open "$work/flat.png"
    timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor' >/dev/null || fail "no editor"
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
        menu_comes_up || fail "try $try: no destination menu"
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
