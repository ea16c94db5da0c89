#!/usr/bin/env bash
# Faults a user can run into, with the real binary on a virtual X server and a window manager: a Desktop
# folder that is read-only or full, Save As onto a full disk, two copies of the program saving the same
# name at once, and the X server going away. The broken folders are small tmpfs mounts, so these cases
# need root (or CAP_SYS_ADMIN) and are skipped (status 77) without it. Hostile and large picture files
# are handed to a running instance over a private session bus (dbus-run-session) and written by
# HOSTILE_PICTURES. Run through tests/support/with-xvfb.sh.
# usage: faults_e2e.sh BINARY CASE [HOSTILE_PICTURES]
set -u
binary=$1
case_name=$2
hostile_pictures=${3:-}
source "$(dirname "$0")/../support/e2e-session.sh"

mounts=()
trap 'for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null; done; cleanup' EXIT
# mount_tmpfs FOLDER OPTIONS: a tmpfs of its own on FOLDER, or the case is skipped.
mount_tmpfs() {
    mkdir -p "$1"
    mount -t tmpfs -o "$2" tmpfs "$1" 2>"$work/mount.log" || { echo "skipped: $(cat "$work/mount.log")"; exit 77; }
    mounts+=("$1")
}
# fill FOLDER: writes into FOLDER/filler until the file system has no byte left.
fill() {
    dd if=/dev/zero of="$1/filler" bs=4k >/dev/null 2>&1
    [ "$(df --output=avail -B1 "$1" | tail -n 1 | tr -d ' ')" = 0 ] || fail "$1 could not be filled"
}
wait_for() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; return 1; }
toast_says() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
# open_editor FILE: starts a copy of the program on FILE; sets `editor` to its editor window and
# `editor_pid` to the process.
open_editor() {
    local before now
    before=$(xdotool search --onlyvisible --name '^Corvane Editor' 2>/dev/null | sort)
    "$binary" --open "$1" >>"$work/corvane.log" 2>&1 &
    editor_pid=$!
    pids+=($editor_pid)
    for _ in $(seq 300); do
        now=$(xdotool search --onlyvisible --name '^Corvane Editor' 2>/dev/null | sort | comm -13 <(echo "$before") -)
        [ -n "$now" ] && { editor=$(echo "$now" | head -n 1); return 0; }
        sleep 0.1
    done
    return 1
}
# save_to_desktop WINDOW: the editor's Save to Desktop, through its shortcut.
save_to_desktop() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    sleep 0.3
    xdotool key --clearmodifiers ctrl+shift+s
}
# second_server: starts a virtual X server of our own (800 x 600) and sets `second_display` and
# `server` (its process).
second_server() {
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
    server=$!
    pids+=($server)
    wait_for '[ -s "$work/display" ]' || fail "the second X server did not start"
    second_display=":$(head -n 1 "$work/display")"
}
# overlay_up WIDTHxHEIGHT: a window of ours covers a monitor of that size.
overlay_up() { xdotool search --onlyvisible --class corvane 2>/dev/null | while read -r w; do
    xdotool getwindowgeometry "$w"; done | grep -q "Geometry: $1"; }
# capture_region WIDTHxHEIGHT: F13 until the overlay is up, then a drag, leaving the destination menu.
capture_region() {
    xmodmap -e 'keycode 191 = F13'
    for _ in $(seq 20); do
        xdotool key F13
        for _ in $(seq 20); do overlay_up "$1" && break 2; sleep 0.1; done
    done
    overlay_up "$1" || fail "no overlay on $DISPLAY"
    xdotool mousemove 100 100 mousedown 1 mousemove 200 150 mousemove 300 200 mouseup 1
    wait_for '! overlay_up "$1"' || fail "the overlay stayed on $DISPLAY"
    sleep 0.5
}
# A picture that does not compress to nothing, so it never fits in a block's slack.
convert -size 300x200 -seed 7 xc: +noise Random -depth 8 "$work/shot.png"

case $case_name in
save-folder-read-only)
    # The settings' save folder is a read-only mount: the toast names that folder; nothing is left in it.
    mount_tmpfs "$work/shots" ro,size=1m
    mkdir -p "$XDG_CONFIG_HOME/corvane"
    printf '[save]\nfolder=%s\n' "$work/shots" >"$XDG_CONFIG_HOME/corvane/corvane.conf"
    "$binary" >"$work/corvane.log" 2>&1 &
    pids+=($!)
    capture_region 1280x800
    xdotool key ctrl+d
    wait_for "toast_says 'Could not save to $work/shots'" || fail "no toast naming $work/shots"
    [ -z "$(ls -A "$work/shots")" ] || fail "the failed save left files behind"
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the program ended after a failed save"
    ;;
settings-read-only)
    # The settings cannot be written: the window still works for the session, and says so once.
    mount_tmpfs "$XDG_CONFIG_HOME/corvane" ro,size=64k
    open_editor "$work/shot.png" || fail "no editor window appeared"
    xdotool windowactivate --sync "$editor" >/dev/null 2>&1
    sleep 0.3
    xdotool key --clearmodifiers ctrl+comma
    wait_for 'xdotool search --onlyvisible --name "^Corvane Preferences$" >/dev/null 2>&1' ||
        fail "no preferences window from the editor's menu"
    sleep 0.5
    xdotool key --delay 80 Tab Tab
    xdotool type --delay 50 'kept-%n'
    wait_for 'grep -q "settings cannot be kept" "$work/corvane.log"' || fail "nothing said the settings cannot be kept"
    sleep 1
    [ "$(grep -c "settings cannot be kept" "$work/corvane.log")" = 1 ] || fail "said more than once"
    kill -0 "$editor_pid" 2>/dev/null || fail "the program ended"
    [ -z "$(ls -A "$XDG_CONFIG_HOME/corvane")" ] || fail "files appeared in the read-only folder"
    ;;
desktop-read-only | desktop-full)
    if [ "$case_name" = desktop-read-only ]; then
        # Root writes through permission bits, so the folder is a read-only mount.
        mount_tmpfs "$HOME/Desktop" ro,size=1m
    else
        mount_tmpfs "$HOME/Desktop" size=1m
        fill "$HOME/Desktop"
    fi
    before=$(ls -A "$HOME/Desktop")
    open_editor "$work/shot.png" || fail "no editor window appeared"
    save_to_desktop "$editor"
    wait_for 'toast_says "Could not save to Desktop"' || fail "no \"Could not save to Desktop\" toast"
    [ "$(ls -A "$HOME/Desktop")" = "$before" ] || fail "the failed save left files behind: $(ls -A "$HOME/Desktop")"
    kill -0 "$editor_pid" 2>/dev/null || fail "the program ended after a failed save"
    # Nothing is stuck: once space is freed the same editor saves.
    if [ "$case_name" = desktop-full ]; then
        rm "$HOME/Desktop/filler"
        save_to_desktop "$editor"
        wait_for '[ -f "$HOME/Desktop/shot.png" ]' || fail "no save after space was freed"
    fi
    ;;
save-as-full-disk)
    disk="$work/disk"
    mount_tmpfs "$disk" size=256k
    convert -size 200x200 -seed 9 xc: +noise Random -depth 8 "$disk/old.png"
    cp "$disk/old.png" "$work/old-copy.png"
    fill "$disk"
    open_editor "$work/shot.png" || fail "no editor window appeared"
    xdotool windowactivate --sync "$editor" >/dev/null 2>&1
    sleep 0.3
    xdotool key --clearmodifiers ctrl+s
    wait_for 'xdotool search --onlyvisible --name "^Save As$" >/dev/null 2>&1' || fail "no Save As dialog"
    sleep 0.5
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$disk/old.png"
    xdotool key Return
    # The dialog asks, in a second window of the same title, before replacing a file.
    wait_for '[ "$(xdotool search --onlyvisible --name "^Save As$" 2>/dev/null | wc -l)" -ge 2 ]' ||
        fail "no question before replacing the file"
    sleep 0.5
    xdotool key --clearmodifiers alt+y
    wait_for 'xdotool search --onlyvisible --name "^Corvane$" >/dev/null 2>&1' || fail "no error alert"
    xdotool search --name "^Saved " >/dev/null 2>&1 && fail "the failed Save As was reported as saved"
    cmp -s "$disk/old.png" "$work/old-copy.png" || fail "the old file was changed by the failed Save As"
    [ "$(ls -A "$disk" | sort | tr '\n' ' ')" = "filler old.png " ] || fail "files left behind: $(ls -A "$disk")"
    kill -0 "$editor_pid" 2>/dev/null || fail "the program ended after a failed Save As"
    ;;
two-copies-same-name)
    # Two copies (standalone: no session bus) each with a picture of the same name saved within a
    # fraction of a second: one takes the name, the other the next number, and both pictures survive.
    mkdir -p "$work/red" "$work/blue"
    convert -size 300x200 xc:'rgb(220,30,30)' "$work/red/shot.png"
    convert -size 300x200 xc:'rgb(30,30,220)' "$work/blue/shot.png"
    open_editor "$work/red/shot.png" || fail "no first editor"
    first=$editor
    first_pid=$editor_pid
    open_editor "$work/blue/shot.png" || fail "no second editor"
    second=$editor
    kill -0 "$first_pid" 2>/dev/null && kill -0 "$editor_pid" 2>/dev/null || fail "the two copies are not both running"
    # A key goes where the X focus is, which an editor takes itself once the window manager has asked
    # it to: a busy copy takes a moment, and the key would go to the editor that still holds the focus.
    for window in "$first" "$second"; do
        xdotool windowactivate "$window" >/dev/null 2>&1
        wait_for '[ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ]' || fail "editor $window never took the focus"
        xdotool key --clearmodifiers ctrl+shift+s
    done
    wait_for '[ "$(ls "$HOME/Desktop" | wc -l)" -ge 2 ]' || fail "two saves left $(ls "$HOME/Desktop")"
    sleep 0.5
    [ "$(ls "$HOME/Desktop" | sort | tr '\n' '|')" = "shot (2).png|shot.png|" ] ||
        fail "the Desktop holds: $(ls -A "$HOME/Desktop")"
    colours=$(for f in "$HOME/Desktop"/*.png; do convert "$f" -format '%[pixel:p{10,10}]\n' info:; done | sort | tr '\n' ' ')
    [ "$colours" = "srgb(220,30,30) srgb(30,30,220) " ] || fail "the two files hold $colours"
    ;;
two-copies-same-second)
    # Two copies on two X servers (each holds its own shortcuts) with one Desktop: a region from each
    # saved with Ctrl+D at the same moment takes the time-stamped name and its next number.
    second_server
    xsetroot -solid 'rgb:dc/1e/1e'
    DISPLAY=$second_display xsetroot -solid 'rgb:1e/1e/dc'
    "$binary" >"$work/corvane.log" 2>&1 &
    pids+=($!)
    DISPLAY=$second_display "$binary" >>"$work/corvane.log" 2>&1 &
    pids+=($!)
    capture_region 1280x800
    DISPLAY=$second_display capture_region 800x600
    xdotool key ctrl+d &
    DISPLAY=$second_display xdotool key ctrl+d
    wait $!
    wait_for '[ "$(ls "$HOME/Desktop" | wc -l)" -ge 2 ]' || fail "two saves left $(ls "$HOME/Desktop")"
    sleep 0.5
    names=$(ls -A "$HOME/Desktop")
    [ "$(echo "$names" | grep -cE '^Screenshot [0-9-]+ at [0-9.]+( \(2\))?\.png$')" = 2 ] ||
        fail "the Desktop holds: $names"
    echo "$names"
    colours=$(for f in "$HOME/Desktop"/*.png; do convert "$f" -format '%[pixel:p{10,10}]\n' info:; done | sort | tr '\n' ' ')
    [ "$colours" = "srgb(220,30,30) srgb(30,30,220) " ] || fail "the two files hold $colours"
    ;;
x-server-gone | x-server-gone-mid-capture)
    # A second server of our own, so that it can be killed under the program: with an editor open, or
    # in the middle of a capture (the overlays up, the keyboard grabbed, the shared-memory picture held).
    second_server
    export DISPLAY=$second_display
    "$binary" --open "$work/shot.png" >"$work/corvane.log" 2>&1 &
    corvane=$!
    pids+=($corvane)
    wait_for 'xdotool search --onlyvisible --name "^Corvane Editor" >/dev/null 2>&1' || fail "no editor window appeared"
    if [ "$case_name" = x-server-gone-mid-capture ]; then
        xmodmap -e 'keycode 191 = F13'
        for _ in $(seq 20); do
            xdotool key F13
            for _ in $(seq 20); do overlay_up 800x600 && break 2; sleep 0.1; done
        done
        overlay_up 800x600 || fail "no overlay on the second server"
    fi
    kill -KILL "$server"
    for _ in $(seq 100); do kill -0 "$corvane" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$corvane" 2>/dev/null && fail "the program is still running 10 s after its X server went away"
    wait "$corvane"
    status=$?
    # Status 1 is Qt's exit; 128 and up would be death by a signal (an abort or a crash, with its core
    # dump), 23 a leak report of the sanitizer build.
    [ "$status" = 1 ] || fail "the program ended with status $status"
    grep -q "lost the connection to the X display $DISPLAY" "$work/corvane.log" ||
        fail "no clear message on standard error"
    ;;
no-home)
    # HOME unset (as for root under some service managers): nothing may be written, least of all a
    # /Desktop at the root of the file system.
    root_before=$(ls -d /Desktop 2>/dev/null)
    (unset HOME && exec "$binary" --open "$work/shot.png") >>"$work/corvane.log" 2>&1 &
    pids+=($!)
    wait_for 'xdotool search --onlyvisible --name "^Corvane Editor" >/dev/null 2>&1' || fail "no editor window appeared"
    save_to_desktop "$(xdotool search --onlyvisible --name '^Corvane Editor' | head -n 1)"
    wait_for 'toast_says "Could not save to Desktop"' || fail "no \"Could not save to Desktop\" toast"
    [ "$(ls -d /Desktop 2>/dev/null)" = "$root_before" ] || fail "the save made /Desktop"
    [ -z "$(ls -A "$HOME/Desktop")" ] || fail "the save wrote into $HOME/Desktop"
    ;;
killed-mid-save)
    # The program killed while Save to Desktop writes a large picture (caught with the file open in the
    # Desktop folder): nothing may be left there, neither a partial file nor a hidden temporary one.
    convert -size 6000x4000 -seed 11 xc: +noise Random -depth 8 "$work/large.png"
    open_editor "$work/large.png" || fail "no editor window appeared"
    writing() { find "/proc/$editor_pid/fd" -lname "$HOME/Desktop/*" 2>/dev/null | grep -q .; }
    caught=
    for attempt in 1 2 3 4 5; do
        save_to_desktop "$editor"
        for _ in $(seq 3000); do
            writing && { caught=$attempt; break 2; }
            [ -n "$(ls -A "$HOME/Desktop")" ] && break
            sleep 0.005
        done
        # Finished before it was caught: start again with an empty folder.
        wait_for 'toast_says "Saved large.png"' || fail "the save neither wrote nor finished"
        rm -f "$HOME/Desktop"/*
    done
    [ -n "$caught" ] || fail "no save was caught in the middle in five attempts"
    kill -KILL "$editor_pid"
    wait "$editor_pid" 2>/dev/null
    [ -z "$(ls -A "$HOME/Desktop")" ] || fail "the killed save left: $(ls -A "$HOME/Desktop")"
    echo "caught in attempt $caught"
    ;;
hostile-pictures)
    # One running instance; each file is handed to it by a later invocation, which must have its
    # answer at once. Then the instance either opens an editor or says on standard error that the file
    # is no picture, and its peak resident memory for that file (VmHWM, reset before each) stays under
    # 150 MB. An SVG's <image> is never read: the decoder has no access to the file system.
    #   file            outcome  peak limit (kB; - for an honest picture of 1 GB)
    rows=(
        "self.png       editor   153600"
        "pipe.svg       editor   153600"
        "huge-image.svg editor   153600"
        "huge.ico       refused  153600"
        "text-bomb.png  refused  153600"
        "large.png      editor   -"
    )
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ "$DBUS_SESSION_BUS_ADDRESS" != disabled: ] || fail "no private session bus"
    mkdir -p "$work/pictures"
    "$hostile_pictures" "$work/pictures" || fail "the pictures could not be written"
    "$binary" >"$work/corvane.log" 2>&1 &
    instance=$!
    pids+=($instance)
    on_bus() { dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:io.github.corvane.Corvane 2>/dev/null | grep -q true; }
    wait_for on_bus || fail "the instance did not come up on the bus"
    editors() { xdotool search --onlyvisible --name '^Corvane Editor' 2>/dev/null | wc -l; }
    for row in "${rows[@]}"; do
        read -r file outcome limit <<<"$row"
        if [ -n "${CORVANE_E2E_SANITIZED:-}" ]; then
            [ "$limit" = - ] && continue
            limit=-
        fi
        before=$(editors)
        refusals=$(grep -c "cannot open .*/$file as a picture" "$work/corvane.log")
        echo 5 >"/proc/$instance/clear_refs" 2>/dev/null # resets VmHWM
        start=$(date +%s%N)
        timeout 60 "$binary" --open "$work/pictures/$file" >"$work/client.log" 2>&1 ||
            fail "$file: the hand-off failed: $(cat "$work/client.log")"
        answered=$((($(date +%s%N) - start) / 1000000))
        if [ "$outcome" = editor ]; then
            for _ in $(seq 600); do [ "$(editors)" -gt "$before" ] && break; sleep 0.1; done
            [ "$(editors)" -gt "$before" ] || fail "$file: no editor within 60 s"
        else
            for _ in $(seq 600); do
                [ "$(grep -c "cannot open .*/$file as a picture" "$work/corvane.log")" -gt "$refusals" ] && break
                sleep 0.1
            done
            [ "$(grep -c "cannot open .*/$file as a picture" "$work/corvane.log")" -gt "$refusals" ] ||
                fail "$file: not refused within 60 s"
            [ "$(editors)" = "$before" ] || fail "$file: an editor opened"
        fi
        done_ms=$((($(date +%s%N) - start) / 1000000))
        kill -0 "$instance" 2>/dev/null || fail "$file: the instance is gone"
        peak=$(awk '/^VmHWM/ {print $2}' "/proc/$instance/status")
        echo "$file: $outcome; answered in $answered ms, done in $done_ms ms; peak resident $peak kB"
        [ "$limit" = - ] || [ "$peak" -lt "$limit" ] || fail "$file: peak resident memory $peak kB"
    done
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok: $case_name"
