#!/usr/bin/env bash
# One running instance and the command-line triggers, with the real binary on a virtual X server with
# two monitors (MON-A 1920 x 1080, MON-B 2560 x 1440 device pixels at ratio 2), a window manager, a
# tray host and a private session bus. Which process a window belongs to is read from its _NET_WM_PID.
# Run through tests/support/with-xvfb.sh -screen 4480x1440x24, tests/capture/two-monitors.sh and
# dbus-run-session.
# usage: instance_e2e.sh BINARY CASE
set -u
binary=$1
case_name=$2
wait_for() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; return 1; }

source "$(dirname "$0")/../support/e2e-session.sh"
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ "$DBUS_SESSION_BUS_ADDRESS" != disabled: ] || fail "no private session bus"
trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
    >/dev/null 2>&1 &
pids+=($!)
wait_for 'xdotool search --name "^panel$" >/dev/null 2>&1' || fail "no tray host"
panel=$(xdotool search --name '^panel$' | head -n 1)
tray_icons() { xwininfo -tree -id "$panel" 2>/dev/null | grep -c '"corvane"'; }

# start_first [ARGS...]: the instance, in a working directory of its own; its pid in $first.
start_first() {
    mkdir -p "$work/first-cwd"
    (cd "$work/first-cwd" && exec "$binary" "$@") >"$work/corvane.log" 2>&1 &
    first=$!
    pids+=($first)
}
# A later invocation in $work/caller; its status in $status, its standard error in $work/second.err.
second() {
    mkdir -p "$work/caller"
    (cd "$work/caller" && timeout 60 "$binary" "$@") >"$work/second.out" 2>"$work/second.err"
    status=$?
}
# Visible windows of the process (overlays, menus, editors), its tray icon left out.
windows_of() {
    local count=0 window icons
    icons=$(xwininfo -tree -id "$panel" 2>/dev/null | grep -o '0x[0-9a-f]*')
    for window in $(xdotool search --onlyvisible --class corvane 2>/dev/null); do
        grep -qx "$(printf '0x%x' "$window")" <<<"$icons" && continue
        [ "$(xdotool getwindowpid "$window" 2>/dev/null)" = "$1" ] && count=$((count + 1))
    done
    echo $count
}
expect_delivered() {
    [ "$status" -eq 0 ] || fail "$1 ended with status $status: $(cat "$work/second.err")"
    [ -s "$work/second.err" ] && fail "$1 printed: $(cat "$work/second.err")"
    kill -0 "$first" 2>/dev/null || fail "the instance is gone after $1"
}
expect_closed() { wait_for '[ "$(windows_of "$1")" = 0 ]' || fail "$2 is still on screen"; }
# A known noise picture as the root window, for comparing captured pixels.
noise_root() {
    convert -size 4480x1440 -seed 20261207 xc: +noise Random -depth 8 "$work/root.png"
    display -window root "$work/root.png" >/dev/null 2>&1 || true
}
# expect_pixels FILE GEOMETRY: FILE equals that part of the root picture, pixel for pixel.
expect_pixels() {
    convert "$work/root.png" -crop "$2" +repage "$work/expected.png"
    local differing
    differing=$(compare -metric AE "$1" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$1 differs from the root picture's $2: $differing"
}

case $case_name in
triggers-reach-the-instance)
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    second --capture-region
    expect_delivered --capture-region
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "--capture-region put up no overlays in the instance"
    sleep 0.3
    xdotool key Escape
    expect_closed "$first" "the overlay"
    # The monitor under the pointer, saved whole to the Desktop at its device-pixel size.
    xdotool mousemove 3000 700
    second --capture-screen
    expect_delivered --capture-screen
    wait_for '[ "$(windows_of "$first")" -ge 1 ]' || fail "--capture-screen put up no destination menu"
    sleep 0.3
    xdotool key ctrl+d
    wait_for 'ls "$HOME/Desktop"/Screenshot*.png >/dev/null 2>&1' || fail "nothing was saved on the Desktop"
    saved=$(ls "$HOME/Desktop"/Screenshot*.png | head -n 1)
    size=$(identify -format '%wx%h' "$saved")
    [ "$size" = 2560x1440 ] || fail "the saved monitor is $size, not MON-B's 2560x1440"
    ;;
second-start-exits)
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    second
    [ "$status" -eq 0 ] || fail "a second corvane ended with status $status"
    [ "$(cat "$work/second.err")" = "corvane: Corvane is already running" ] ||
        fail "a second corvane said: $(cat "$work/second.err")"
    sleep 1
    [ "$(tray_icons)" = 1 ] || fail "$(tray_icons) tray icons after a second start"
    # The command-line modes ignore the triggers and the instance.
    second --capture-region --selftest "$work/selftest.png"
    [ "$status" -eq 0 ] && [ -s "$work/selftest.png" ] || fail "--selftest with a trigger ended with $status"
    second --uitest "$work/shots" --capture-screen
    [ "$status" -eq 0 ] && [ -s "$work/shots/editor.png" ] || fail "--uitest with a trigger ended with $status"
    [ "$(windows_of "$first")" = 0 ] || fail "the instance started a capture for a command-line mode"
    ;;
open-in-the-first)
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    mkdir -p "$work/caller"
    convert -size 300x200 xc:'rgb(20,120,220)' "$work/caller/shot.png"
    # A name relative to the caller's directory, not the instance's.
    second --open shot.png
    expect_delivered "--open shot.png"
    wait_for '[ "$(windows_of "$first")" = 1 ]' || fail "--open opened no editor in the instance"
    editor=$(xdotool search --onlyvisible --name '^Corvane Editor' | head -n 1)
    [ "$(xdotool getwindowpid "$editor")" = "$first" ] || fail "the editor is not the instance's"
    # A picture the instance cannot read: it beeps, the caller says so and fails.
    second --open missing.png
    [ "$status" -eq 1 ] || fail "--open of a missing file ended with status $status"
    grep -qx "corvane: cannot open $work/caller/missing.png as a picture" "$work/second.err" ||
        fail "--open of a missing file said: $(cat "$work/second.err")"
    kill -0 "$first" 2>/dev/null || fail "the instance ended after a missing file"
    [ "$(windows_of "$first")" = 1 ] || fail "a missing file changed the instance's windows"
    # On the bus itself, a relative name is refused: it would be read from the instance's directory.
    (cd "$work/first-cwd" && cp "$work/caller/shot.png" .)
    dbus-send --session --print-reply --dest=io.github.corvane.Corvane /io/github/corvane/Corvane \
        io.github.corvane.Corvane.Open string:shot.png >"$work/bus.out" 2>&1 && fail "a relative name was accepted"
    grep -q 'InvalidArgs' "$work/bus.out" || fail "a relative name was refused with: $(cat "$work/bus.out")"
    sleep 0.5
    [ "$(windows_of "$first")" = 1 ] || fail "a relative name opened an editor"
    ;;
trigger-starts-an-instance)
    # No instance yet: the trigger's own process becomes it, with a tray icon, and performs it.
    start_first --capture-region
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "--capture-region without an instance put up no overlays"
    sleep 0.3
    xdotool key Escape
    expect_closed "$first" "the overlay"
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    second --capture-region
    expect_delivered "a later --capture-region"
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "the later trigger did not reach the new instance"
    ;;
busy-instance-drops-a-trigger)
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    # A trigger while the destination menu waits with a picture is dropped, as the menu's keyboard grab
    # drops a shortcut, and answered all the same.
    for trigger in --capture-region --capture-screen; do
        second --capture-region
        expect_delivered --capture-region
        wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "no overlays"
        sleep 0.3
        xdotool mousemove 2120 200 mousedown 1 mousemove 2500 500 mousemove 2920 800 mouseup 1
        wait_for '[ "$(windows_of "$first")" = 1 ]' || fail "no destination menu"
        second $trigger
        expect_delivered "$trigger while the destination menu is up"
        sleep 1
        [ "$(windows_of "$first")" = 1 ] || fail "$trigger while the destination menu is up changed the windows"
        xdotool key ctrl+d
        wait_for '[ "$(ls "$HOME/Desktop" | wc -l)" -ge ${saved:=1} ]' || fail "the waiting picture was not saved"
        size=$(identify -format '%wx%h' "$(ls -t "$HOME/Desktop"/Screenshot*.png | head -n 1)")
        [ "$size" = 800x600 ] || fail "the saved picture is $size, not the 800x600 selection"
        saved=$((saved + 1))
        # The toast follows the finished file and is a window of the program too: counting windows in the
        # next round must not meet it.
        wait_for '! xdotool search --onlyvisible --name "^Saved " >/dev/null 2>&1' || fail "the toast stayed"
    done
    ;;
scripted-in-the-instance)
    # Commands that wait for their picture, handed to the running instance.
    noise_root
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    # MON-B: the tray panel is on MON-A.
    xdotool mousemove 3000 700
    second --capture-screen --output a.png
    expect_delivered "--capture-screen --output a.png"
    expect_pixels "$work/caller/a.png" 2560x1440+1920+0
    # The user may take longer than the hand-off's answer time to select: that is no hang.
    (cd "$work/caller" && exec timeout 60 "$binary" --capture-region --output r.png) 2>"$work/second.err" &
    waiting=$!
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "--capture-region --output put up no overlays"
    sleep 6
    xdotool mousemove 2120 200 mousedown 1 mousemove 2500 500 mousemove 2920 800 mouseup 1
    wait "$waiting"
    status=$?
    expect_delivered "--capture-region --output r.png"
    expect_pixels "$work/caller/r.png" 800x600+2120+200
    xdotool mousemove 3000 700
    second --capture-screen --clipboard
    expect_delivered "--capture-screen --clipboard"
    xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null || fail "nothing on the clipboard"
    expect_pixels "$work/clip.png" 2560x1440+1920+0
    (cd "$work/caller" && timeout 60 "$binary" --capture-screen --all --output -) >"$work/all.png" 2>"$work/second.err"
    status=$?
    expect_delivered "--capture-screen --all --output -"
    [ "$(identify -format '%wx%h' "$work/all.png")" = 6400x2160 ] || fail "--all from the instance is not 6400x2160"
    # The window trigger, from the command line and from the bus, opens the overlays.
    second --capture-window
    expect_delivered --capture-window
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "--capture-window put up no overlays"
    sleep 0.3
    xdotool key Escape
    expect_closed "$first" "the overlay"
    dbus-send --session --print-reply --dest=io.github.corvane.Corvane /io/github/corvane/Corvane \
        io.github.corvane.Corvane.CaptureWindow >/dev/null || fail "CaptureWindow was refused"
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "CaptureWindow put up no overlays"
    sleep 0.3
    xdotool key Escape
    expect_closed "$first" "the overlay"
    # The instance ends while the command waits for the user's selection.
    (cd "$work/caller" && exec timeout 60 "$binary" --capture-region --output gone.png) 2>"$work/waiting.err" &
    waiting=$!
    wait_for '[ "$(windows_of "$first")" -ge 2 ]' || fail "--capture-region --output put up no overlays"
    kill "$first"
    wait "$waiting"
    status=$?
    [ "$status" -eq 2 ] || fail "a command whose instance ended ended with status $status"
    [ "$(cat "$work/waiting.err")" = "corvane: the running Corvane ended before the capture was done" ] ||
        fail "a command whose instance ended said: $(cat "$work/waiting.err")"
    ;;
delay-cancelled)
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    # A second trigger ends the wait: no overlay comes.
    second --capture-region --delay 2
    expect_delivered "--capture-region --delay 2"
    second --capture-region
    expect_delivered "the second trigger"
    sleep 3
    [ "$(windows_of "$first")" = 0 ] || fail "a cancelled delay put up the overlay"
    # A command waiting for a delayed capture learns that it was cancelled.
    (cd "$work/caller" && exec timeout 60 "$binary" --capture-screen --delay 20 --output d.png) 2>"$work/waiting.err" &
    waiting=$!
    sleep 3
    second --capture-region
    wait "$waiting"
    status=$?
    [ "$status" = 1 ] || fail "a cancelled delayed --output ended with $status: $(cat "$work/waiting.err")"
    [ -e "$work/caller/d.png" ] && fail "a cancelled delayed capture wrote a file"
    sleep 1
    [ "$(windows_of "$first")" = 0 ] || fail "the trigger that ended the wait put up an overlay"
    ;;
hung-instance)
    start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    kill -STOP "$first"
    second --capture-region
    kill -CONT "$first"
    [ "$status" -eq 1 ] || fail "a trigger to a stopped instance ended with status $status"
    grep -q '^corvane: the running Corvane did not answer (no answer within 5 seconds)' "$work/second.err" ||
        fail "a trigger to a stopped instance said: $(cat "$work/second.err")"
    # The caller was told it failed, so the request must not run late. Two calls answered after it show
    # that the instance has worked through it and through one more turn of its event loop, where a
    # capture would have started.
    for _ in 1 2; do
        dbus-send --session --print-reply --dest=io.github.corvane.Corvane /io/github/corvane/Corvane \
            org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 || fail "the instance did not answer once continued"
    done
    for _ in $(seq 10); do
        [ "$(windows_of "$first")" = 0 ] || fail "the request its caller gave up on put up overlays later"
        sleep 0.1
    done
    # A command that waits for its picture: the same bounded wait, then status 2 and no file.
    kill -STOP "$first"
    second --capture-screen --output hung.png
    kill -CONT "$first"
    [ "$status" -eq 2 ] || fail "--output to a stopped instance ended with status $status"
    grep -q '^corvane: the running Corvane did not answer within 5 seconds' "$work/second.err" ||
        fail "--output to a stopped instance said: $(cat "$work/second.err")"
    [ -e "$work/caller/hung.png" ] && fail "--output to a stopped instance wrote a file"
    ;;
non-utf8-name)
    # A file name that is not UTF-8, as old archives hold, opened at launch and handed to the instance.
    mkdir -p "$work/caller"
    name=$'caf\xe9.png'
    convert -size 300x200 xc:'rgb(20,120,220)' "$work/caller/$name"
    start_first --open "$work/caller/$name"
    wait_for '[ "$(windows_of "$first")" = 1 ]' || fail "the name given at launch opened no editor"
    second --open "$name"
    expect_delivered "--open of a name that is not UTF-8"
    wait_for '[ "$(windows_of "$first")" = 2 ]' || fail "the name handed to the instance opened no editor"
    ;;
no-bus)
    # Without a bus, or with a bus address nobody listens on, every invocation is a tray utility of its
    # own and a trigger acts in its own process.
    DBUS_SESSION_BUS_ADDRESS=disabled: start_first
    wait_for '[ "$(tray_icons)" = 1 ]' || fail "the tray icon did not dock"
    for address in disabled: "unix:path=$work/no-bus"; do
        DBUS_SESSION_BUS_ADDRESS=$address "$binary" --capture-region >"$work/standalone.log" 2>&1 &
        standalone=$!
        pids+=($standalone)
        wait_for '[ "$(windows_of "$standalone")" -ge 2 ]' || fail "no overlays from a standalone trigger ($address)"
        [ "$(windows_of "$first")" = 0 ] || fail "the first process captured without a bus"
        sleep 0.3
        xdotool key Escape
        expect_closed "$standalone" "the overlay"
        kill "$standalone"
    done
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok: $case_name"
