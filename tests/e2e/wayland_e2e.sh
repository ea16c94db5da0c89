#!/usr/bin/env bash
# Region captures with the real binary in a headless sway session (tests/support/with-sway.sh:
# HEADLESS-1 1280 x 720 at scale 1, HEADLESS-2 400 x 300 logical at scale 2 beside it) through the
# compositor's screencopy protocol (the portal where a case forces it), driven by a virtual pointer and
# wtype, read back with wl-paste and compared with the outputs' backgrounds, which grim must see first.
# The waiting and the destination menu are the driver's (tests/support/e2e.sh).
# usage: wayland_e2e.sh BINARY VIRTUAL_POINTER FAKE_PORTAL CASE
binary=$1 pointer_client=$2 fake_portal=$3 case_name=$4
source "$(dirname "$0")/../support/e2e.sh"
# The program and its triggers run in the Wayland session, as a user's would.
export QT_QPA_PLATFORM=wayland

# Backgrounds of coarse random blocks: every misplaced pixel shows, and the portal encodes them fast.
convert -size 160x90 -seed 20261207 xc: +noise Random -sample 1280x720 -depth 8 "$work/bg1.png"
convert -size 400x300 -seed 20261208 xc: +noise Random -sample 800x600 -depth 8 "$work/bg2.png"
chmod 644 "$work"/bg*.png
swaymsg -q output HEADLESS-1 bg "$work/bg1.png" stretch
swaymsg -q output HEADLESS-2 bg "$work/bg2.png" stretch
# bare: the outputs show their backgrounds alone (the compositor draws a window gone a moment later).
grim_is() { grim -o "$1" "$work/out.png" 2>/dev/null && [ "$(compare -metric AE "$work/out.png" "$2" null: 2>&1)" = 0 ]; }
bare() { await 'grim_is HEADLESS-1 "$work/bg1.png" && grim_is HEADLESS-2 "$work/bg2.png"' "the outputs do not show their backgrounds alone"; }
bare

# The seat has a pointer only while this client stays connected; each command is answered once the
# compositor has seen it.
coproc POINTER { exec "$pointer_client" 1680 720; }
pids+=("$POINTER_PID")
read -r -t 10 ready <&"${POINTER[0]}" && [ "$ready" = ready ] || fail "no virtual pointer"
pointer() {
    echo "$*" >&"${POINTER[1]}"
    read -r -t 10 _ <&"${POINTER[0]}" || fail "the pointer did not answer"
}
drag() {
    pointer move "$1" "$2"
    pointer press
    pointer move $((($1 + $3) / 2)) $((($2 + $4) / 2))
    pointer move "$3" "$4"
    pointer release
}
# The driver's keys, clipboard and windows, the Wayland way. Each wtype brings a keyboard of its own,
# whose keymap the compositor hands on when it first types; a key sent in the same instant is lost to a
# pop-up menu, and nothing outside wtype shows when the keymap has arrived, hence its pause of 100 ms.
key() { if [[ $1 == ctrl+* ]]; then wtype -s 100 -M ctrl "${1#ctrl+}" -m ctrl; else wtype -s 100 -k "$1"; fi; }
paste() { wl-paste "$@" 2>/dev/null; }
# copy_from_menu: Copy to Clipboard in the destination menu, and a picture other than the last one read
# back. (Another client taking the clipboard first, as on X11, takes the keyboard from the menu.)
# The picture is what shows that the menu took the key: the menu's going does not, as the toast that
# follows is a window of ours too.
copy_from_menu() {
    await menu_up "no destination menu"
    press ctrl+c 'paste -t image/png >"$work/clip.png" && ! cmp -s "$work/clip.png" "$work/last.png"' ||
        fail "the destination menu did not take Ctrl+C"
    cp "$work/clip.png" "$work/last.png"
}
# windows: how many windows of ours are on screen besides $others, those that stay through a capture.
others=0
windows() { echo $(($(swaymsg -t get_tree | grep -c "\"pid\": $app,") - others)); }
menu_up() { [ "$(windows)" = 1 ]; }
# ask CONDITION: `corvane --capture-region` until CONDITION holds: the program may still be starting (a
# sanitizer build starts slowly), and a request during a capture is dropped.
ask() {
    for _ in $(seq 10); do
        "$binary" --capture-region >/dev/null 2>&1
        wait_for "$1" 15 && return 0
    done
    return 1
}
overlays_up() { ask '[ "$(windows)" = 2 ]' || fail "no overlays"; }
# shows BACKGROUND GEOMETRY [FUZZ]: the clipboard picture is that part of an output's background, as
# grim saw it at the start.
shows() { expect_pixels "$work/clip.png" "$2" "$work/$1.png" "${3:-0}"; }
# on_second_output: the pointer on the scale-2 output, and the focus followed it there.
on_second_output() {
    pointer move 1500 150
    await 'swaymsg -p -t get_workspaces | grep -A3 "(focused)" | grep -q "Output: HEADLESS-2"' "the focus stayed on HEADLESS-1"
}

case $case_name in
region-on-each-monitor | region-through-the-portal)
    # The portal hands over one picture of the whole layout at the highest scale, in which the wlroots
    # backend enlarges the scale-1 output by 2 with filtering; brought back down, its pixels keep their
    # colours inside flat areas but blend at the edges between them, hence the tolerance there. The
    # scale-2 output is not resampled and must come back exactly.
    fuzz=0
    [ $case_name = region-through-the-portal ] && export CORVANE_CAPTURE_SOURCE=portal && fuzz=30
    start && on_bus
    pointer move 1279 719
    # The second region is 200 x 150 logical on the scale-2 output, 20 and 50 from its corner.
    for row in "100 100 400 250 bg1 300x150+100+100 $fuzz" "1300 50 1500 200 bg2 400x300+40+100 0"; do
        read -r x1 y1 x2 y2 background geometry tolerance <<<"$row"
        bare
        overlays_up
        drag "$x1" "$y1" "$x2" "$y2"
        copy_from_menu
        shows "$background" "$geometry" "$tolerance"
        # Through the portal, most pixels lie inside the 8-pixel blocks and must come back exactly.
        exact=$(compare -metric AE "$work/clip.png" "$work/expected.png" null: 2>&1)
        check '[ "$exact" -lt 22500 ]' "$exact pixels of $geometry differ from $background"
    done
    ;;
space-takes-the-scale-two-output)
    # Space goes to the overlay that has the keyboard. sway gives it to the overlay under the pointer as
    # the pointer arrives; a further move, once drawn there, shows the program has read that too (a
    # client reads its events in order).
    start && on_bus
    overlays_up
    on_second_output
    await 'grim -o HEADLESS-2 "$work/before.png" && grim -o HEADLESS-2 "$work/now.png" && cmp -s "$work/before.png" "$work/now.png"' \
        "HEADLESS-2 did not settle"
    pointer move 1510 160
    await 'grim -o HEADLESS-2 "$work/now.png" && ! cmp -s "$work/before.png" "$work/now.png"' \
        "the overlay on HEADLESS-2 did not follow the pointer"
    key space
    await menu_up "Space put up no menu"
    copy_from_menu
    shows bg2 800x600+0+0
    ;;
full-screen-of-the-scale-two-output)
    # The pointer on the scale-2 output: the focus follows it there, and so does the capture.
    start && on_bus
    on_second_output
    "$binary" --capture-screen >/dev/null 2>&1 || fail "--capture-screen failed"
    # Without a click of the user's, the menu cannot be a pop-up and comes as a small window of its own.
    others=1
    copy_from_menu
    shows bg2 800x600+0+0
    ;;
escape-cancels)
    # Had Escape left a window or a capture behind, the next request would be dropped or its overlays
    # would not come alone.
    start && on_bus
    overlays_up
    pointer move 600 300
    press Escape '[ "$(windows)" = 0 ]' || fail "the overlays stayed after Escape"
    bare
    overlays_up
    press Escape '[ "$(windows)" = 0 ]' || fail "the second overlays stayed"
    check '! paste -l | grep -q image/png' "something reached the clipboard"
    check alive "the program ended"
    ;;
refused)
    # No real portal on this bus: one that refuses every screenshot takes its name. The compositor
    # offers screencopy, so the portal is asked for by name.
    export CORVANE_CAPTURE_SOURCE=portal
    "$fake_portal" >"$work/portal.out" 2>&1 &
    pids+=($!)
    await 'grep -q ready "$work/portal.out"' "the fake portal did not start"
    start && on_bus
    ask 'swaymsg -t get_tree | grep -q "\"name\": \"Screen Recording Permission Required\""' || fail "no permission alert"
    press Return '[ "$(windows)" = 0 ]' || fail "the alert stayed"
    check alive "the program ended"
    ;;
editor-left-out)
    # An editor fills the scale-1 output (sway tiles it); the frozen picture must show the background
    # under it, and the editor comes back afterwards.
    convert -size 320x200 xc:'#ff00ff' "$work/open.png"
    start && on_bus
    pointer move 1279 719
    "$binary" --open "$work/open.png" >"$work/open.log" 2>&1 || fail "--open failed: $(cat "$work/open.log")"
    await 'grim -o HEADLESS-1 "$work/out.png" && [ "$(convert "$work/out.png" -fill black +opaque "#ff00ff" -format "%[fx:mean>0]" info:)" = 1 ]' \
        "the editor does not show its picture"
    others=1
    overlays_up
    drag 200 150 500 350
    copy_from_menu
    shows bg1 300x200+200+150 30
    await '[ "$(windows)" = 0 ]' "the editor did not come back alone"
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
