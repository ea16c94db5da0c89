#!/usr/bin/env bash
# Long runs of the real binary with the X11 capture source, a window manager and a tray host
# (tests/support/e2e.sh); each prints its memory figures.
# captures: 300 region captures (two cancelled with Escape, then one copied, over and over), then a minute
# of idling. Resident memory after the idle minute must be within 10 MB of what it was after the first 10
# captures, no window of ours may be left on screen, the tray menu must still open, and the process must
# hold no socket but Unix ones (X11) and have started no other program.
# editors (on a private session bus): the instance opens a 1600 x 1000 picture handed to it 200 times,
# each editor closed in turn by the window manager (Alt+F4, what its close button does), by Ctrl+W and by
# another client destroying the window; after 40 s idle, resident memory must be within 30 MB of where it
# was before the first editor.
# usage: soak_e2e.sh BINARY captures|editors [CYCLES [IDLE_SECONDS]]
binary=$1 case_name=$2
source "$(dirname "$0")/../support/e2e.sh"
x_desktop tray
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$app/status"; }
start
docked

if [ "$case_name" = editors ]; then
    cycles=${3:-200} idle=${4:-40}
    convert -size 1600x1000 -seed 5 xc: +noise Random -depth 8 "$work/picture.png"
    before=$(rss_kb)
    for cycle in $(seq "$cycles"); do
        "$binary" --open "$work/picture.png" >>"$work/client.log" 2>&1 || fail "hand-off $cycle failed: $(tail -n 1 "$work/client.log")"
        editor_up
        case $((cycle % 3)) in
        0) xdotool windowactivate --sync "$editor" key --clearmodifiers alt+F4 ;;
        1) xdotool windowactivate --sync "$editor" key --clearmodifiers ctrl+w ;;
        2) xdotool windowclose "$editor" ;;
        esac
        await '! titled "Corvane Editor"' "the editor of cycle $cycle stayed open"
    done
    # The program gives memory back once idle and says nothing when it does: the bound is the idle time.
    wait_for '[ $(($(rss_kb) - before)) -le 30720 ]' "$idle"
    echo "resident memory: $before kB before the first editor, $(rss_kb) kB after $cycles editors and up to $idle s idle"
    check '[ $(($(rss_kb) - before)) -le 30720 ] && alive' "resident memory grew by more than 30 MB, or the program ended"
    exit 0
fi

cycles=${3:-300} idle=${4:-60}
for cycle in $(seq "$cycles"); do
    overlays_up
    if ((cycle % 3 == 0)); then
        x=$((100 + cycle % 200))
        drag "$x" 100 $((x + 300)) 300
        menu_key ctrl+c '! menu_up'
    else
        key Escape
    fi
    await '[ "$(overlays)" = 0 ]' "the overlay stayed in capture $cycle"
    [ "$cycle" = 10 ] && after_ten=$(rss_kb)
done
clip_png "$work/clip.png"
check '[ "$(identify -format %wx%h "$work/clip.png")" = 300x200 ]' "the last copy is not on the clipboard"
# Once the user has gone quiet (30 s) the program gives back the pages of its shared-memory picture
# block, and says nothing: that they are gone from its map shows the idle release has run.
shared_kb() { awk '/SYSV/ { shm = 1; next } /^[0-9a-f]+-/ { shm = 0 } shm && /^Rss:/ { kb += $2 } END { print kb + 0 }' "/proc/$app/smaps"; }
check '[ "$(shared_kb)" -gt 0 ]' "no shared-memory picture block in use"
wait_for '[ "$(shared_kb)" = 0 ]' "$idle" || fail "the shared pages were not given back within $idle s"
echo "resident memory: $after_ten kB after 10 captures, $(rss_kb) kB after $cycles and the idle release"
check '[ $(($(rss_kb) - after_ten)) -le 10240 ]' "resident memory grew by more than 10 MB"
await '[ -z "$(ours)" ]' "a window of ours is still on screen"
xdotool mousemove --window "$panel" 12 16 click 3
await menu_up "the tray menu did not open after the run"
key Escape
# Nothing but local sockets: every socket the process holds is a Unix one, none is TCP, UDP or raw.
sockets=$(find "/proc/$app/fd" -lname 'socket:*' -printf '%l\n' | sed 's/socket:\[\(.*\)\]/\1/' | sort -u)
[ -n "$sockets" ] || fail "no socket at all: the X connection should be one"
for inode in $sockets; do
    awk -v i="$inode" 'NR > 1 && $7 == i { found = 1 } END { exit !found }' "/proc/$app/net/unix" || fail "socket $inode is not a Unix one"
done
check '[ -z "$(pgrep -P "$app")" ] && alive' "the program started other programs, or ended: $(pgrep -a -P "$app")"
echo "ok: $cycles captures, $(echo "$sockets" | wc -l) Unix sockets and nothing else"
