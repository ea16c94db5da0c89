#!/usr/bin/env bash
# A long run of the real binary on a virtual X server with the X11 capture source, a window manager and a
# tray host: 300 region captures (two cancelled with Escape, then one copied to the clipboard, over and
# over), then a minute of idling. Resident memory after the idle minute must be within 10 MB of what it
# was after the first 10 captures, no window of ours may be left on screen, the tray menu must still
# open, and the process must hold no socket but Unix ones (X11) and have started no other program.
# Prints its memory figures. Run through tests/support/with-xvfb.sh.
# With "editors", the running instance instead opens a 1600 x 1000 picture handed to it 200 times and
# each editor is closed in turn by the window manager (Alt+F4, what its close button does), by Ctrl+W,
# and by another client destroying the window; after the idle time, resident memory must be within
# 30 MB of where it was before the first editor. That mode needs a session bus (dbus-run-session).
# usage: soak_e2e.sh BINARY [CYCLES] [IDLE_SECONDS]
#        soak_e2e.sh BINARY editors [CYCLES] [IDLE_SECONDS]
set -u
binary=$1
mode=captures
if [ "${2:-}" = editors ]; then
    mode=editors
    shift
fi
cycles=${2:-300}
idle=${3:-60}
case_name=soak-$mode
source "$(dirname "$0")/../support/e2e-session.sh"
wait_for() { for _ in $(seq 200); do eval "$1" && return 0; sleep 0.05; done; return 1; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$corvane/status"; }

trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
    >/dev/null 2>&1 &
pids+=($!)
wait_for 'xdotool search --name "^panel$" >/dev/null 2>&1' || fail "no tray host"
panel=$(xdotool search --name '^panel$' | head -n 1)
xmodmap -e 'keycode 191 = F13'

"$binary" >"$work/corvane.log" 2>&1 &
corvane=$!
pids+=($corvane)
wait_for 'xwininfo -tree -id "$panel" 2>/dev/null | grep -q "\"corvane\""' || fail "the tray icon did not dock"

# soak_editors CYCLES IDLE_SECONDS
soak_editors() {
    local cycle window start after_idle
    convert -size 1600x1000 -seed 5 xc: +noise Random -depth 8 "$work/picture.png"
    editor() { xdotool search --onlyvisible --name '^Corvane Editor' 2>/dev/null | head -n 1; }
    start=$(rss_kb)
    for cycle in $(seq "$1"); do
        "$binary" --open "$work/picture.png" >>"$work/client.log" 2>&1 || fail "hand-off $cycle failed: $(tail -n 1 "$work/client.log")"
        for _ in $(seq 300); do
            window=$(editor)
            [ -n "$window" ] && break
            sleep 0.05
        done
        [ -n "$window" ] || fail "no editor in cycle $cycle"
        case $((cycle % 3)) in
        0) xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 ;;
        1) xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+w ;;
        2) xdotool windowclose "$window" ;;
        esac
        wait_for '[ -z "$(editor)" ]' || fail "the editor of cycle $cycle stayed open"
        [ "$cycle" = 1 ] && after_one=$(rss_kb)
    done
    sleep "$2"
    after_idle=$(rss_kb)
    echo "resident memory: $start kB before the first editor, $after_one kB after it, $after_idle kB after $1 editors and $2 s idle"
    [ $((after_idle - start)) -le 30720 ] ||
        fail "resident memory grew by $(((after_idle - start) / 1024)) MB over $1 editors"
    kill -0 "$corvane" 2>/dev/null || fail "the program is no longer running"
    echo "ok: $1 editors opened and closed"
}
if [ "$mode" = editors ]; then
    soak_editors "${2:-200}" "${3:-40}"
    exit 0
fi

overlays() { xdotool search --onlyvisible --class corvane 2>/dev/null | while read -r w; do
    xdotool getwindowgeometry "$w"; done | grep -c 'Geometry: 1280x800'; }
toasts() { xdotool search --onlyvisible --name "^Copied to clipboard$" 2>/dev/null; }
# Starts a capture and waits for its overlay; the first presses may come before the grabs are in place.
capture() {
    for _ in $(seq 10); do
        xdotool key F13
        wait_for '[ "$(overlays)" -ge 1 ]' && return 0
    done
    return 1
}

for cycle in $(seq "$cycles"); do
    capture || fail "no overlay in capture $cycle"
    if ((cycle % 3 == 0)); then
        x=$((100 + cycle % 200))
        xdotool mousemove "$x" 100 mousedown 1 mousemove $((x + 150)) 200 mousemove $((x + 300)) 300 mouseup 1
        wait_for '[ "$(overlays)" = 0 ]' || fail "the overlay stayed after selecting in capture $cycle"
        sleep 0.2
        # Each copy puts up a toast window of its own; the previous one may still be fading.
        old_toasts=$(toasts)
        xdotool key ctrl+c
        wait_for '[ -n "$(toasts | grep -vxF "${old_toasts:-none}")" ]' || fail "no copy in capture $cycle"
    else
        xdotool key Escape
        wait_for '[ "$(overlays)" = 0 ]' || fail "the overlay stayed after Escape in capture $cycle"
    fi
    [ "$cycle" = 10 ] && after_ten=$(rss_kb)
done
after_all=$(rss_kb)
xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null
[ "$(identify -format '%wx%h' "$work/clip.png" 2>/dev/null)" = 300x200 ] || fail "the last copy is not on the clipboard"

sleep "$idle"
after_idle=$(rss_kb)
echo "resident memory: ${after_ten} kB after 10 captures, ${after_all} kB after $cycles, ${after_idle} kB after ${idle} s idle"
[ $((after_idle - after_ten)) -le 10240 ] ||
    fail "resident memory grew by $(((after_idle - after_ten) / 1024)) MB over $cycles captures and ${idle} s idle"
# The tray icon is the one window of ours that stays.
icon=$(printf '%d' "$(xwininfo -tree -id "$panel" | awk '/"corvane"/ { print $1; exit }')")
left=$(xdotool search --onlyvisible --class corvane 2>/dev/null | grep -vxF "$icon")
[ -z "$left" ] || fail "a window of ours is still on screen: $(echo "$left" | xargs -n 1 xdotool getwindowgeometry)"

before=$(visible_windows)
xdotool mousemove --window "$panel" 12 16 click 3
wait_for '[ "$(visible_windows)" -gt "$before" ]' || fail "the tray menu did not open after the run"
xdotool key Escape
wait_for '[ "$(visible_windows)" = "$before" ]' || fail "the tray menu did not close"

# Nothing but local sockets: every socket the process holds is a Unix one, none is TCP, UDP or raw.
sockets=$(find "/proc/$corvane/fd" -lname 'socket:*' -printf '%l\n' | sed 's/socket:\[\(.*\)\]/\1/' | sort -u)
[ -n "$sockets" ] || fail "no socket at all: the X connection should be one"
for inode in $sockets; do
    awk -v i="$inode" 'NR > 1 && $7 == i { found = 1 } END { exit !found }' "/proc/$corvane/net/unix" ||
        fail "socket $inode is not a Unix socket: $(grep -h " $inode " /proc/"$corvane"/net/{tcp,tcp6,udp,udp6,raw,raw6} 2>/dev/null)"
done
[ -z "$(pgrep -P "$corvane")" ] || fail "the program started other programs: $(pgrep -a -P "$corvane")"
kill -0 "$corvane" 2>/dev/null || fail "the program is no longer running"
echo "ok: $cycles captures, $(echo "$sockets" | wc -l) Unix sockets and nothing else"
