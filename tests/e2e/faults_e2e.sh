#!/usr/bin/env bash
# Faults a user can run into, with the real binary on a virtual desktop (tests/support/e2e.sh). The broken
# folders are small tmpfs mounts, so those cases need root (or CAP_SYS_ADMIN) and are skipped (status 77)
# without it. Hostile and large picture files are handed to a running instance over a private session
# bus (dbus-run-session).
# usage: faults_e2e.sh BINARY CASE
binary=$1 case_name=$2
source "$(dirname "$0")/../support/e2e.sh"
x_desktop

# mount_tmpfs FOLDER OPTIONS: a tmpfs of its own on FOLDER, or the case is skipped.
mount_tmpfs() {
    mkdir -p "$1"
    mount -t tmpfs -o "$2" tmpfs "$1" 2>"$work/mount.log" || { echo "skipped: $(cat "$work/mount.log")"; exit 77; }
    mounts+=("$1")
}
# fill FOLDER: FOLDER/filler until the file system has no byte left.
fill() {
    local folder=$1
    dd if=/dev/zero of="$folder/filler" bs=4k >/dev/null 2>&1
    check '[ "$(df --output=avail -B1 "$folder" | tail -n 1 | tr -d " ")" = 0 ]' "$1 could not be filled"
}
toast_says() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
# open_editor FILE: a copy of the program on FILE; its editor window in $editor, its process in $app.
open_editor() {
    local before
    before=$(xdotool search --onlyvisible --name '^Corvane Editor' | sort)
    start --open "$1"
    await 'editor=$(xdotool search --onlyvisible --name "^Corvane Editor" | sort | comm -13 <(echo "$before") - | head -n 1)
        [ -n "$editor" ]' "no editor for $1"
    xdotool windowactivate "$editor" >/dev/null 2>&1
    await '[ "$(xdotool getwindowfocus 2>/dev/null)" = "$editor" ]' "the editor never took the focus"
}
# capture_region: F13 until the overlay is up, then a drag, leaving the destination menu.
capture_region() {
    overlays_up
    drag 100 100 300 200
    await menu_up "no destination menu on $DISPLAY"
}
# A picture that does not compress to nothing, so it never fits in a block's slack.
convert -size 300x200 -seed 7 xc: +noise Random -depth 8 "$work/shot.png"

case $case_name in
save-folder-read-only)
    # The settings' save folder is a read-only mount: the toast names that folder; nothing is left in it.
    mount_tmpfs "$work/shots" ro,size=1m
    write_config '[save]' "folder=$work/shots"
    start
    capture_region
    key ctrl+d
    await "toast_says 'Could not save to $work/shots'" "no toast naming $work/shots"
    check '[ -z "$(ls -A "$work/shots")" ] && alive' "the failed save left files behind, or the program ended"
    ;;
settings-read-only)
    # The settings cannot be written: the window still works for the session, and says so once.
    mount_tmpfs "$XDG_CONFIG_HOME/corvane" ro,size=64k
    open_editor "$work/shot.png"
    key --clearmodifiers ctrl+comma
    focus_on "Corvane Preferences"
    xdotool key --delay 80 Tab Tab
    xdotool type --delay 50 'kept-%n'
    await 'grep -q "settings cannot be kept" "$work/corvane.log"' "nothing said the settings cannot be kept"
    # Each letter is a write; the keys are taken in order, so once Escape has closed the window every
    # letter before it has been tried.
    key Escape
    await '! titled "Corvane Preferences$"' "Escape left the preferences window open"
    check '[ "$(grep -c "settings cannot be kept" "$work/corvane.log")" = 1 ]' "said more than once"
    check 'alive && [ -z "$(ls -A "$XDG_CONFIG_HOME/corvane")" ]' "the program ended, or files appeared in the read-only folder"
    ;;
desktop-read-only | desktop-full | no-home)
    # A Desktop that is a read-only mount (root writes through permission bits), full, or no HOME at all
    # (as root under some service managers): the toast, nothing left behind (no /Desktop either), the
    # program running; once space is freed the same editor saves.
    [ $case_name = desktop-read-only ] && mount_tmpfs "$HOME/Desktop" ro,size=1m
    [ $case_name = desktop-full ] && mount_tmpfs "$HOME/Desktop" size=1m && fill "$HOME/Desktop"
    before=$(ls -A "$HOME/Desktop" /Desktop 2>&1)
    [ $case_name = no-home ] && launch="env -u HOME"
    open_editor "$work/shot.png"
    key --clearmodifiers ctrl+shift+s
    await 'toast_says "Could not save to Desktop"' "no \"Could not save to Desktop\" toast"
    check '[ "$(ls -A "$HOME/Desktop" /Desktop 2>&1)" = "$before" ]' "the failed save left: $(ls -A "$HOME/Desktop" /Desktop 2>&1)"
    check alive "the program ended after a failed save"
    [ $case_name = desktop-full ] || exit 0
    rm "$HOME/Desktop/filler"
    key --clearmodifiers ctrl+shift+s
    await '[ -f "$HOME/Desktop/shot.png" ]' "no save after space was freed"
    ;;
save-as-full-disk)
    # Save As onto an existing file of a full disk, confirming the replacement: the error alert, the old
    # file as it was, nothing left behind, no "Saved" toast.
    disk="$work/disk"
    mount_tmpfs "$disk" size=256k
    convert -size 200x200 -seed 9 xc: +noise Random -depth 8 "$disk/old.png"
    cp "$disk/old.png" "$work/old-copy.png"
    fill "$disk"
    open_editor "$work/shot.png"
    key --clearmodifiers ctrl+s
    focus_on "Save As"
    key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$disk/old.png"
    key Return
    # The dialog asks, in a second window of the same title, before replacing a file.
    await '[ "$(xdotool search --onlyvisible --name "^Save As$" | wc -l)" -ge 2 ]' "no question before replacing the file"
    press alt+y 'titled "Corvane$"' || fail "no error alert"
    check '! toast_says "Saved .*"' "the failed Save As was reported as saved"
    check 'cmp -s "$disk/old.png" "$work/old-copy.png"' "the old file was changed by the failed Save As"
    check '[ "$(ls -A "$disk" | sort | xargs)" = "filler old.png" ] && alive' "files left behind: $(ls -A "$disk")"
    ;;
two-copies-same-name)
    # Two copies (standalone: no session bus) save a picture of the same name from two editors to one
    # Desktop at once: one takes the name, the other the next number, and both pictures survive.
    convert -size 300x200 xc:'rgb(220,30,30)' "$work/shot.png"
    mkdir -p "$work/blue"
    convert -size 300x200 xc:'rgb(30,30,220)' "$work/blue/shot.png"
    open_editor "$work/shot.png"
    first=$editor
    open_editor "$work/blue/shot.png"
    # A key goes where the X focus is, which a busy editor takes a moment after the window manager asked
    # it to: the key waits for it, or it would go to the editor that still holds the focus.
    for window in "$first" "$editor"; do
        xdotool windowactivate "$window" >/dev/null 2>&1
        await '[ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ]' "editor $window never took the focus"
        xdotool key --clearmodifiers ctrl+shift+s
    done
    await '[ "$(ls "$HOME/Desktop" | grep -cE "^shot( \(2\))?\.png$")" = 2 ]' "the Desktop holds: $(ls "$HOME/Desktop")"
    colours=$(for f in "$HOME/Desktop"/*.png; do convert "$f" -format '%[pixel:p{10,10}]\n' info:; done | sort | xargs)
    check '[ "$colours" = "srgb(220,30,30) srgb(30,30,220)" ] && [ "$(ls "$HOME/Desktop" | wc -l)" = 2 ]' "the Desktop holds $colours"
    ;;
x-server-gone | x-server-gone-mid-capture)
    # A second server of our own is killed under the program: with an editor open, or in the middle of a
    # capture (the overlays up, the keyboard grabbed, the shared-memory picture held). Status 1 is Qt's
    # exit; 128 and up would be death by a signal (an abort or a crash), 23 a leak report of the sanitizers.
    x_server 800x600
    export DISPLAY=$x_display
    open_editor "$work/shot.png"
    [ $case_name = x-server-gone-mid-capture ] && overlays_up
    kill -KILL "${servers[-1]}"
    await '! alive' "the program is still running 30 s after its X server went away"
    wait "$app"
    status=$?
    check '[ "$status" = 1 ]' "the program ended with status $status"
    check 'grep -q "lost the connection to the X display $DISPLAY" "$work/corvane.log"' "no clear message on standard error"
    ;;
killed-mid-save)
    # The program killed while Save to Desktop writes a large picture (caught with the file open in the
    # Desktop folder): nothing may be left there, neither a partial file nor a hidden temporary one.
    convert -size 6000x4000 -seed 11 xc: +noise Random -depth 8 "$work/large.png"
    open_editor "$work/large.png"
    writing() { find "/proc/$app/fd" -lname "$HOME/Desktop/*" 2>/dev/null | grep -q .; }
    for attempt in 1 2 3 4 5 -; do
        [ $attempt = - ] && fail "no save was caught in the middle in five attempts"
        key --clearmodifiers ctrl+shift+s
        for _ in $(seq 3000); do
            writing && break 2
            [ -n "$(ls -A "$HOME/Desktop")" ] && break
            sleep 0.005
        done
        # Finished before it was caught: start again with an empty folder.
        await 'toast_says "Saved large.png"' "the save neither wrote nor finished"
        rm -f "$HOME/Desktop"/*
    done
    kill -KILL "$app"
    wait "$app" 2>/dev/null
    check '[ -z "$(ls -A "$HOME/Desktop")" ]' "the killed save left: $(ls -A "$HOME/Desktop")"
    ;;
hostile-pictures)
    # One running instance; each file is handed to it by a later invocation, which must have its answer at
    # once. Then the instance either opens an editor or says on standard error that the file is no
    # picture, and its peak resident memory for that file (VmHWM, reset before each) stays under 150 MB.
    # An SVG's <image> is never read: the decoder has no access to the file system.
    [ "${DBUS_SESSION_BUS_ADDRESS:-disabled:}" != disabled: ] || fail "no private session bus"
    # The hostile and the merely large picture files, made here rather than checked in: the 16384 x 16384
    # PNG is deflated row by row and never exists in memory.
    mkdir -p "$work/pictures"
    python3 - "$work/pictures" <<'EOF' || fail "the pictures could not be written"
import os, struct, sys, zlib
folder = sys.argv[1]
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
def header(width, height, colour_type):
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0))
# One flat colour: the first row holds it, every later row says "same as above" (filter Up over zeros).
def flat_png(width, height, pixel, colour_type):
    z = zlib.compressobj(1)
    first, same = b'\0' + pixel * width, b'\2' + bytes(len(pixel) * width)
    data = z.compress(first) + b''.join(z.compress(same) for _ in range(height - 1)) + z.flush()
    return header(width, height, colour_type) + chunk(b'IDAT', data) + chunk(b'IEND', b'')
def svg(href):
    return ("<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='100' "
            "height='100'><rect width='100' height='100' fill='#2080c0'/><image x='0' y='0' width='100' "
            "height='100' xlink:href='%s'/></svg>\n" % href).encode()
def write(name, data):
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)
# An honest picture at the largest size the editor opens.
write('large.png', flat_png(16384, 16384, b'\x14\x78\xdc', 2))
# An SVG whose image is itself, named as a PNG: the format is read from the content.
write('self.png', svg(folder + '/self.png'))
# An SVG whose image is a named pipe nobody writes to.
os.mkfifo(folder + '/pipe', 0o600)
write('pipe.svg', svg(folder + '/pipe'))
# A 100 x 100 SVG whose image is the 16384 x 16384 PNG.
write('huge-image.svg', svg(folder + '/large.png'))
# An icon whose directory says 256 x 256 and whose one image is a 30000 x 8000 PNG.
inner = flat_png(30000, 8000, b'\x80', 0)
write('huge.ico', struct.pack('<HHHBBBBHHII', 0, 1, 1, 0, 0, 0, 0, 1, 32, len(inner), 22) + inner)
# 44 bytes: a 1 x 1 PNG header, then a text chunk that claims 1.8 GB and holds three bytes.
write('text-bomb.png', header(1, 1, 0) + struct.pack('>I', 1800000000) + b'tEXtabc')
EOF
    start
    on_bus
    editors() { xdotool search --onlyvisible --name '^Corvane Editor' | wc -l; }
    refusals() { grep -c "cannot open .*/$file as a picture" "$work/corvane.log"; }
    # file, outcome, peak limit in kB (- for an honest picture of 1 GB)
    for row in "self.png editor 153600" "pipe.svg editor 153600" "huge-image.svg editor 153600" \
        "huge.ico refused 153600" "text-bomb.png refused 153600" "large.png editor -"; do
        read -r file outcome limit <<<"$row"
        if [ -n "${CORVANE_E2E_SANITIZED:-}" ]; then
            [ "$limit" = - ] && continue
            limit=-
        fi
        before=$(editors) refused=$(refusals)
        echo 5 >"/proc/$app/clear_refs" # resets VmHWM
        timeout 60 "$binary" --open "$work/pictures/$file" >"$work/client.log" 2>&1 || fail "$file: the hand-off failed: $(cat "$work/client.log")"
        if [ "$outcome" = editor ]; then
            wait_for '[ "$(editors)" -gt "$before" ]' 60 || fail "$file: no editor within 60 s"
        else
            wait_for '[ "$(refusals)" -gt "$refused" ]' 60 || fail "$file: not refused within 60 s"
            check '[ "$(editors)" = "$before" ]' "$file: an editor opened"
        fi
        check alive "$file: the instance is gone"
        peak=$(awk '/^VmHWM/ {print $2}' "/proc/$app/status")
        echo "$file: $outcome; peak resident $peak kB"
        check '[ "$limit" = - ] || [ "$peak" -lt "$limit" ]' "$file: peak resident memory $peak kB"
    done
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
