#!/usr/bin/env bash
# Region captures with the real binary in a headless sway session (tests/support/with-sway.sh:
# HEADLESS-1 1280 x 720 at scale 1, HEADLESS-2 400 x 300 logical at scale 2 beside it) through the
# compositor's screencopy protocol (the portal where a case forces it), driven by a virtual pointer and
# wtype, read back with wl-paste and compared with grim's picture of the output.
# usage: wayland_e2e.sh BINARY VIRTUAL_POINTER FAKE_PORTAL CASE
set -u
binary=$1
pointer_client=$2
fake_portal=$3
case_name=$4
# The program and its triggers run in the Wayland session, as a user's would.
export QT_QPA_PLATFORM=wayland
work=$(mktemp -d)
chmod 755 "$work" # sway runs the background painter under its own uid
app=
portal=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$portal" ] && kill "$portal" 2>/dev/null
    exec {to_pointer}>&- 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL ($case_name): $*"
    cat "$work/corvane.log" 2>/dev/null
    swaymsg -t get_tree 2>/dev/null | grep -E '"(name|app_id)"' | head -n 20
    exit 1
}

# Backgrounds of coarse random blocks: every misplaced pixel shows, and the portal encodes them fast.
convert -size 160x90 -seed 20261207 xc: +noise Random -sample 1280x720 -depth 8 "$work/bg1.png"
convert -size 400x300 -seed 20261208 xc: +noise Random -sample 800x600 -depth 8 "$work/bg2.png"
chmod 644 "$work"/bg*.png
swaymsg -q output HEADLESS-1 bg "$work/bg1.png" stretch
swaymsg -q output HEADLESS-2 bg "$work/bg2.png" stretch
for _ in $(seq 100); do
    grim -o HEADLESS-1 "$work/out1.png" 2>/dev/null && grim -o HEADLESS-2 "$work/out2.png" 2>/dev/null &&
        [ "$(compare -metric AE "$work/out1.png" "$work/bg1.png" null: 2>&1)" = 0 ] &&
        [ "$(compare -metric AE "$work/out2.png" "$work/bg2.png" null: 2>&1)" = 0 ] && break
    sleep 0.1
done
[ "$(compare -metric AE "$work/out2.png" "$work/bg2.png" null: 2>&1)" = 0 ] || fail "the backgrounds did not appear"

# The seat has a pointer only while this client stays connected; each command is answered once the
# compositor has seen it.
coproc POINTER { "$pointer_client" 1680 720; }
to_pointer=${POINTER[1]}
read -r -t 10 ready <&"${POINTER[0]}" && [ "$ready" = ready ] || fail "no virtual pointer"
pointer() {
    echo "$*" >&"$to_pointer"
    read -r -t 10 _ <&"${POINTER[0]}" || fail "the pointer did not answer"
}
drag() {
    pointer move "$1" "$2"
    pointer press
    pointer move $((($1 + $3) / 2)) $((($2 + $4) / 2))
    pointer move "$3" "$4"
    sleep 0.2
    pointer release
}
keys() { wtype -s 100 "$@"; }

# The triggers below must reach this instance: one sent before it holds its bus name would start a
# second instance instead.
start_corvane() {
    "$binary" >"$work/corvane.log" 2>&1 &
    app=$!
    for _ in $(seq 300); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:io.github.corvane.Corvane 2>/dev/null |
            grep -q 'boolean true' && return 0
        sleep 0.1
    done
    fail "the program did not take its bus name"
}
our_windows() { swaymsg -t get_tree | grep -c "\"pid\": $app,"; }
# Windows of ours that stay on screen through a capture (an editor), besides overlays and menus.
others=0
wait_windows() { # wait_windows N: until exactly N windows of ours (besides the others) are on screen
    for _ in $(seq 150); do
        [ "$(our_windows)" -eq $(($1 + others)) ] && return 0
        sleep 0.1
    done
    return 1
}
# Asks the running program for a region capture until both overlays are up: it may still be starting
# (a sanitizer build starts slowly), and a request during a capture is dropped.
overlays_up() {
    for _ in $(seq 10); do
        "$binary" --capture-region >/dev/null 2>&1
        wait_windows 2 && { sleep 0.3; return 0; }
    done
    fail "no overlays"
}
# Chooses Copy in the destination menu and reads the picture back.
copy_from_menu() {
    wait_windows 1 || fail "no destination menu"
    sleep 0.5
    # A key sent while the menu's window is still taking the focus can be lost; the menu stays open
    # until a key reaches it, so pressing again is harmless.
    for _ in 1 2 3; do
        keys -M ctrl c -m ctrl
        for _ in $(seq 30); do
            wl-paste -t image/png >"$work/clip.png" 2>/dev/null && [ -s "$work/clip.png" ] && return 0
            sleep 0.1
        done
    done
    fail "nothing reached the clipboard"
}
# expect_pixels OUTPUT GEOMETRY [FUZZ]: the clipboard picture is that part of grim's picture of the
# output, at the same size; pixel for pixel unless a tolerance is given.
expect_pixels() {
    grim -o "$1" "$work/reference.png"
    convert "$work/reference.png" -crop "$2" +repage "$work/expected.png"
    [ "$(identify -format '%wx%h' "$work/clip.png")" = "$(identify -format '%wx%h' "$work/expected.png")" ] ||
        fail "clipboard is $(identify -format '%wx%h' "$work/clip.png"), expected ${2%%+*}"
    local differing
    differing=$(compare -metric AE -fuzz "${3:-0}%" "$work/clip.png" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels differ from $1 $2 (fuzz ${3:-0}%)"
}
alive() { kill -0 "$app" 2>/dev/null || fail "the program ended"; }

case $case_name in
region-on-each-monitor)
    start_corvane
    pointer move 1279 719
    overlays_up
    drag 100 100 400 250
    copy_from_menu
    expect_pixels HEADLESS-1 300x150+100+100
    wait_windows 0 || fail "the menu stayed"
    rm -f "$work/clip.png"
    overlays_up
    drag 1300 50 1500 200 # 200 x 150 logical on the scale-2 output, 20 and 50 from its corner
    copy_from_menu
    expect_pixels HEADLESS-2 400x300+40+100
    ;;
region-through-the-portal)
    # The portal hands over one picture of the whole layout at the highest scale, in which the wlroots
    # backend enlarges the scale-1 output by 2 with filtering; brought back down, its pixels keep their
    # colours inside flat areas but blend at the edges between them, hence the tolerance there. The
    # scale-2 output is not resampled and must come back exactly.
    export CORVANE_CAPTURE_SOURCE=portal
    start_corvane
    pointer move 1279 719
    overlays_up
    drag 100 100 400 250
    copy_from_menu
    expect_pixels HEADLESS-1 300x150+100+100 30
    # Most pixels lie inside the 8-pixel blocks and must come back exactly.
    exact=$(compare -metric AE "$work/clip.png" "$work/expected.png" null: 2>&1)
    [ "$exact" -lt 22500 ] || fail "$exact of 45000 pixels differ on the scale-1 output"
    wait_windows 0 || fail "the menu stayed"
    rm -f "$work/clip.png"
    overlays_up
    drag 1300 50 1500 200
    copy_from_menu
    expect_pixels HEADLESS-2 400x300+40+100
    ;;
space-takes-the-scale-two-output)
    start_corvane
    overlays_up
    pointer move 1500 150
    # The focus follows the pointer to the overlay of the second output.
    for _ in $(seq 50); do
        swaymsg -p -t get_workspaces | grep -A3 '(focused)' | grep -q 'Output: HEADLESS-2' && break
        sleep 0.1
    done
    sleep 0.3
    keys -k space
    copy_from_menu
    expect_pixels HEADLESS-2 800x600+0+0
    ;;
full-screen-of-the-scale-two-output)
    # The pointer on the scale-2 output: the focus follows it there, and so does the capture.
    start_corvane
    pointer move 1500 150
    for _ in $(seq 50); do
        swaymsg -p -t get_workspaces | grep -A3 '(focused)' | grep -q 'Output: HEADLESS-2' && break
        sleep 0.1
    done
    "$binary" --capture-screen >/dev/null 2>&1 || fail "--capture-screen failed"
    # Without a click of the user's, the menu cannot be a pop-up and comes as a small window of its own.
    others=1
    copy_from_menu
    expect_pixels HEADLESS-2 800x600+0+0
    ;;
escape-cancels)
    start_corvane
    overlays_up
    pointer move 600 300
    keys -k Escape
    wait_windows 0 || fail "the overlays stayed after Escape"
    sleep 0.5
    [ "$(our_windows)" -eq 0 ] || fail "a window appeared after Escape"
    wl-paste -l 2>/dev/null | grep -q image/png && fail "something reached the clipboard"
    alive
    overlays_up # and the next capture still works
    keys -k Escape
    wait_windows 0 || fail "the second overlays stayed"
    alive
    ;;
refused)
    # No real portal on this bus: one that refuses every screenshot takes its name. The compositor
    # offers screencopy, so the portal is asked for by name.
    export CORVANE_CAPTURE_SOURCE=portal
    "$fake_portal" >"$work/portal.out" 2>&1 &
    portal=$!
    for _ in $(seq 100); do
        grep -q ready "$work/portal.out" && break
        sleep 0.1
    done
    grep -q ready "$work/portal.out" || fail "the fake portal did not start"
    start_corvane
    title='"name": "Screen Recording Permission Required"'
    for _ in $(seq 10); do
        "$binary" --capture-region >/dev/null 2>&1
        for _ in $(seq 30); do
            swaymsg -t get_tree | grep -q "$title" && break 2
            sleep 0.1
        done
    done
    swaymsg -t get_tree | grep -q "$title" || fail "no permission alert"
    sleep 0.3
    keys -k Return
    wait_windows 0 || fail "the alert stayed"
    alive
    ;;
editor-left-out)
    # An editor fills the scale-1 output (sway tiles it); the frozen picture must show the background
    # under it, and the editor comes back afterwards.
    convert -size 320x200 xc:'#ff00ff' "$work/open.png"
    start_corvane
    pointer move 1279 719
    "$binary" --open "$work/open.png" >"$work/open.log" 2>&1 || { cat "$work/open.log"; fail "--open failed"; }
    wait_windows 1 || fail "no editor"
    others=1
    sleep 0.5
    overlays_up
    drag 200 150 500 350
    copy_from_menu
    convert "$work/bg1.png" -crop 300x200+200+150 +repage "$work/expected.png"
    differing=$(compare -metric AE -fuzz 30% "$work/clip.png" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels differ from the background: the editor was captured"
    wait_windows 0 || fail "the editor did not come back alone"
    ;;
*)
    fail "unknown case"
    ;;
esac
echo "ok ($case_name)"
