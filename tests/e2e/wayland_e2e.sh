#!/usr/bin/env bash
# Region captures with the real binary in a headless sway (tests/support/e2e.sh) through the compositor's
# screencopy protocol, or the portal where a case asks for it, driven by a virtual pointer and wtype and
# compared with grim's picture of the output.
# usage: wayland_e2e.sh BINARY CASE VIRTUAL_POINTER FAKE_PORTAL
binary=$1 case_name=$2 pointer_client=$3 fake_portal=$4
source "$(dirname "$0")/../support/e2e.sh"
if [ "$case_name" = portal ]; then sway_desktop portal; else sway_desktop; fi

# Backgrounds of coarse random blocks: every misplaced pixel shows, and the portal encodes them fast.
convert -size 160x90 -seed 20261207 xc: +noise Random -sample 1280x720 -depth 8 "$work/HEADLESS-1.png"
convert -size 400x300 -seed 20261208 xc: +noise Random -sample 800x600 -depth 8 "$work/HEADLESS-2.png"
for output in HEADLESS-1 HEADLESS-2; do
    chmod 644 "$work/$output.png"
    swaymsg -q output $output bg "$work/$output.png" stretch
    await 'grim -o $output "$work/shown.png" && [ "$(compare -metric AE "$work/shown.png" "$work/$output.png" null: 2>&1)" = 0 ]' "no background on $output"
done
# The seat has a pointer only while this client stays connected; each command is answered once the
# compositor has seen it.
coproc POINTER { "$pointer_client" 1680 720; }
pids+=($POINTER_PID)
pointer() {
    echo "$*" >&"${POINTER[1]}"
    read -r -t 10 _ <&"${POINTER[0]}" || fail "the pointer did not answer"
}
read -r -t 10 ready <&"${POINTER[0]}" && [ "$ready" = ready ] || fail "no virtual pointer"
drag() { pointer move "$1" "$2"; pointer press; pointer move $((($1 + $3) / 2)) $((($2 + $4) / 2)); pointer move "$3" "$4"; sleep 0.2; pointer release; }
# No real portal on the bus of `refused`: one that refuses every screenshot takes its name first. The
# compositor offers screencopy, so the portal is asked for by name.
if [ "$case_name" = refused ]; then
    export CORVANE_CAPTURE_SOURCE=portal
    "$fake_portal" >"$work/portal.out" 2>&1 &
    pids+=($!)
    await 'grep -q ready "$work/portal.out"' "the fake portal did not start"
fi
# The triggers must reach this instance: one sent before it holds its bus name would start another.
start
await on_bus "the program did not take its bus name"
# Windows of ours besides $others (that stay on screen through a capture) and the toasts: overlays, menus.
others=0
windows() { echo $(($(swaymsg -t get_tree | jq "[.. | select(.pid? == $app and (.name | tostring | startswith(\"Copied\") | not))] | length") - others)); }
# overlays_up: a region capture asked for until both overlays are up (the program may still be starting,
# and a request during a capture is dropped); sway gives them the pointer a moment after mapping them.
overlays_up() {
    for _ in $(seq 10); do
        "$binary" --capture-region >/dev/null 2>&1
        wait_for '[ "$(windows)" = 2 ]' 15 && sleep 0.3 && return
    done
    fail "no overlays"
}
focus_on_second() { pointer move 1500 150; await 'swaymsg -p -t get_workspaces | grep -A3 "(focused)" | grep -q "Output: HEADLESS-2"' "no focus on HEADLESS-2"; }
# copy OUTPUT GEOMETRY [FUZZ [-]]: Copy in the destination menu; the new picture on the clipboard is that
# part of grim's picture of the output (or of the picture OUTPUT names), pixel for pixel unless a
# tolerance is given; the menu gone unless told. (wl-copy would take the keyboard from the menu.)
copy() {
    await '[ "$(windows)" = 1 ]' "no destination menu"
    local before
    before=$(paste -t image/png | md5sum)
    sleep 0.5
    press ctrl+c 'paste -t image/png >"$work/clip.png" && [ "$(md5sum <"$work/clip.png")" != "$before" ]' || fail "nothing reached the clipboard from $1 $2 ($(windows) windows)"
    if [ -f "$1" ]; then cp "$1" "$work/output.png"; else grim -o "$1" "$work/output.png"; fi
    expect_pixels "$work/clip.png" "$2" "$work/output.png" "${3:-0}"
    [ -n "${4:-}" ] || await '[ "$(windows)" = 0 ]' "the menu stayed"
}

case $case_name in
region-on-each-monitor | portal)
    # The portal hands over one picture of the whole layout at the highest scale, in which the wlroots
    # backend enlarges the scale-1 output by 2 with filtering; brought back down, its pixels keep their
    # colours inside flat areas but blend at the edges between them, hence the tolerance there. The
    # scale-2 output is not resampled and must come back exactly.
    [ $case_name = portal ] && export CORVANE_CAPTURE_SOURCE=portal
    pointer move 1279 719
    overlays_up
    drag 100 100 400 250
    copy HEADLESS-1 300x150+100+100 $([ $case_name = portal ] && echo 30)
    overlays_up
    drag 1300 50 1500 200 # 200 x 150 logical on the scale-2 output, 20 and 50 from its corner
    copy HEADLESS-2 400x300+40+100
    ;;
space-takes-the-scale-two-output)
    overlays_up
    focus_on_second
    press space '[ "$(windows)" = 1 ]' || fail "Space put up no menu"
    copy HEADLESS-2 800x600+0+0
    ;;
full-screen-of-the-scale-two-output)
    # Without a click of the user's, the menu cannot be a pop-up and comes as a small window of its own.
    focus_on_second
    "$binary" --capture-screen >/dev/null 2>&1 || fail "--capture-screen failed"
    others=1
    copy HEADLESS-2 800x600+0+0 0 -
    ;;
escape-cancels)
    # Nothing reaches the clipboard, and the next capture still works.
    for _ in 1 2; do
        overlays_up
        pointer move 600 300
        press Escape '[ "$(windows)" = 0 ]' || fail "the overlays stayed after Escape"
        sleep 0.5
        check '[ "$(windows)" = 0 ] && ! paste -l | grep -q image/png && alive' "a window or a picture came after Escape"
    done
    ;;
editor-left-out)
    # An editor fills the scale-1 output (sway tiles it): the frozen picture shows the background under
    # it, and the editor comes back afterwards.
    convert -size 320x200 xc:'#ff00ff' "$work/open.png"
    pointer move 1279 719
    "$binary" --open "$work/open.png" >/dev/null 2>&1 || fail "--open failed"
    await '[ "$(windows)" = 1 ]' "no editor"
    others=1
    sleep 0.5
    overlays_up
    drag 200 150 500 350
    copy "$work/HEADLESS-1.png" 300x200+200+150 30
    ;;
refused)
    title='"name": "Screen Recording Permission Required"'
    for _ in $(seq 10); do
        "$binary" --capture-region >/dev/null 2>&1
        wait_for 'swaymsg -t get_tree | grep -q "$title"' 3 && break
    done
    sleep 0.3
    press Return '[ "$(windows)" = 0 ]' || fail "no permission alert, or it stayed"
    check alive "the program ended"
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
