#!/usr/bin/env bash
# Captures with the real binary on two monitors of different densities over a known noise picture
# (tests/support/e2e.sh), the pixels compared with the root picture.
# usage: capture_e2e.sh BINARY CASE GRAB_HOLDER
binary=$1 case_name=$2 grab_holder=$3
source "$(dirname "$0")/../support/e2e.sh"
desktop=(two-monitors)
[ "$case_name" = settings-rebind-to-print ] && desktop+=(print-free)
x_desktop "${desktop[@]}"

saved() { ls "$HOME/Desktop"/*.* 2>/dev/null | wc -l; }
# hold_keys: another program takes Ctrl+Shift+Super+4 (and holds it until the case ends), once it is free.
hold_keys() {
    mkfifo "$work/hold"
    "$grab_holder" <"$work/hold" >"$work/holder.out" &
    pids+=($!)
    exec 7>"$work/hold"
    await 'grep -q ready "$work/holder.out"' "the other program could not take Ctrl+Shift+Super+4"
}
# cli STATUS ARGS...: the command as a script runs it, in $work, ending with STATUS; its error in cli.err.
cli() {
    local want=$1
    shift
    (cd "$work" && timeout 60 "$binary" "$@") >"$work/cli.out" 2>"$work/cli.err"
    status=$?
    [ "$status" = "$want" ] || fail "$* ended with status $status, not $want: $(cat "$work/cli.err")"
}
# show_window NAME COLOUR WxH+X+Y: a window of one flat colour; its frame (the window manager's
# _NET_FRAME_EXTENTS added) in $frame as WxH+X+Y.
show_window() {
    convert -size "${3%%+*}" xc:"$2" "$work/$1.png"
    display -title "$1" -geometry "$3" "$work/$1.png" &
    pids+=($!)
    local id extents l r t b name=$1
    await 'id=$(xdotool search --onlyvisible --name "^$name\$" | head -n 1); [ -n "$id" ]' "no window $1"
    await 'extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | grep -o "[0-9, ]*$"); [ -n "$extents" ]' "no frame on $1"
    IFS=', ' read -r l r t b <<<"$extents"
    IFS=x+ read -r w h x y <<<"$(geometry "$id")"
    frame="$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))"
}
# geometry ID: the window's WxH+X+Y on the root.
# (xwininfo without a window would wait for one to be clicked.)
geometry() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h "+" x "+" y}'; }
# pick X Y: F13, Tab for the window picker, a click at X, Y.
pick() {
    overlays_up
    key Tab
    xdotool mousemove "$1" "$2" click 1
}

case $case_name in
region-on-each-monitor)
    # MON-B's logical pixels are 2 x 2 device pixels, and every device pixel of it can be an edge;
    # Space takes the monitor under the pointer.
    start
    for row in "100 100 500 400 400x300+100+100" "2120 200 2920 800 800x600+2120+200" \
        "2121 201 2522 502 401x301+2121+201" "3000 700 space - 2560x1440+1920+0"; do
        read -r x1 y1 x2 y2 geometry <<<"$row"
        xdotool mousemove "$x1" "$y1"
        overlays_up
        if [ "$x2" = space ]; then xdotool mousemove $((x1 + 10)) $((y1 + 10)); press space menu_up || fail "Space put up no menu"; else drag "$x1" "$y1" "$x2" "$y2"; fi
        copy_from_menu
        expect_pixels "$work/clip.png" "$geometry"
    done
    ;;
full-screen-under-the-pointer)
    # The monitor under the pointer (MON-A's is settings-shortcut-taken's): MON-B's opens its editor on
    # MON-B, and an arrow drawn there is saved with the picture.
    start
    xdotool mousemove 3000 700
    press ctrl+shift+super+3 menu_up || fail "no menu after Ctrl+Shift+Super+3 on MON-B"
    menu_key ctrl+e '! menu_up'
    editor_up
    xdotool windowactivate --sync "$editor" >/dev/null 2>&1
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    check '[ "$X" -ge 1920 ]' "the editor of a MON-B capture opened at $X,$Y, not on MON-B"
    key 5
    drag $((X + WIDTH / 2 - 120)) $((Y + HEIGHT / 2 + 60)) $((X + WIDTH / 2 + 120)) $((Y + HEIGHT / 2 - 60))
    press ctrl+shift+s '[ "$(saved)" = 1 ]' || fail "the editor's Save to Desktop wrote nothing"
    convert "$root" -crop 2560x1440+1920+0 +repage "$work/monitor.png"
    differing=$(compare -metric AE "$HOME/Desktop"/*.png "$work/monitor.png" null: 2>&1)
    check '[ "$differing" -gt 500 ] && [ "$differing" -lt 80000 ]' "the saved picture differs in $differing pixels: no arrow, or more"
    ;;
monitor-removed)
    # MON-B is unplugged under the overlays: the selection ends as if cancelled, the program lives on,
    # and the next capture covers the one monitor left.
    start
    overlays_up
    xrandr --delmonitor MON-B
    await '[ "$(ours)" = "" ]' "overlays are still up after the monitor went"
    check alive "the program ended when the monitor went"
    overlays_up 1
    drag 100 100 500 400
    copy_from_menu
    expect_pixels "$work/clip.png" 400x300+100+100
    ;;
save-as-on-each-monitor)
    # The real dialog, on the monitor under the pointer. On MON-B it is laid out for ratio 2: its Save
    # button is clicked where a user sees it, 90 x 108 device pixels in from the bottom-right corner.
    save_as() { # NAME TYPE_DOWNS [X Y]: the name typed (and a type chosen), then Save clicked or Return
        menu_key ctrl+s 'titled "Save As$"'
        focus_on "Save As"
        dialog=$focus
        [ "$2" = 0 ] || xdotool key --delay 100 Tab Down shift+Tab
        key --clearmodifiers ctrl+a
        xdotool type --delay 20 "$1"
        if [ -n "${3:-}" ]; then
            eval "$(xdotool getwindowgeometry --shell "$dialog")"
            xdotool mousemove $((X + WIDTH - $3)) $((Y + HEIGHT - $4)) click 1
        else key Return; fi
    }
    start
    select_region 2120 200 2920 800
    save_as shot-b.tif 0 90 108
    await '[ -s "$HOME/Desktop/shot-b.tif" ]' "Save As wrote no shot-b.tif"
    expect_pixels "$HOME/Desktop/shot-b.tif" 800x600+2120+200
    check '[ "$(identify -format "%m %[fx:round(resolution.x)]" "$HOME/Desktop/shot-b.tif")" = "TIFF 144" ]' "not a 144 dpi TIFF"
    # A name without an extension takes the type chosen in the dialog (one down: JPEG).
    for name in shot-a.jpg holiday; do
        select_region 100 100 500 400
        save_as $name $([ $name = holiday ] && echo 1 || echo 0)
        await '[ -s "$HOME/Desktop/${name%.jpg}.jpg" ]' "Save As of $name wrote: $(ls "$HOME/Desktop")"
        check '[ "$(identify -units PixelsPerInch -format "%m %wx%h %[fx:round(resolution.x)]" "$HOME/Desktop/${name%.jpg}.jpg")" = "JPEG 400x300 72" ]' \
            "$name is not a 400 x 300 JPEG of 72 dpi"
    done
    ;;
settings-folder-pattern-jpeg)
    # A folder that does not exist yet, a pattern with a counter, JPEG at quality 80.
    write_config '[save]' "folder=$work/shots/new" 'pattern=shot %Y-%n' 'format=jpeg' 'jpegQuality=80'
    start
    select_region 100 100 500 400
    menu_key ctrl+d '! menu_up'
    want="$work/shots/new/shot $(date +%Y)-1.jpg"
    await '[ -s "$want" ]' "no $want: $(ls "$work/shots/new" 2>&1)"
    check '[ "$(identify -format "%m %wx%h %Q" "$want")" = "JPEG 400x300 80" ]' "not a 400 x 300 JPEG of quality 80"
    check '[ "$(saved)" = 0 ]' "something was saved on the Desktop too"
    ;;
settings-after-copy)
    # The picture goes to the clipboard with no menu; the toast offers the menu on F13 a moment longer.
    write_config '[capture]' 'after=copy'
    start
    clip_clear
    select_region 100 100 500 400
    clip_png "$work/clip.png"
    expect_pixels "$work/clip.png" 400x300+100+100
    await 'titled "Copied to clipboard · F13 again for the menu$"' "no toast offering the menu"
    check '[ "$(ours | wc -l)" = 1 ]' "a menu came with the copy"
    key F13
    save_from_menu
    expect_pixels "$HOME/Desktop"/*.png 400x300+100+100
    ;;
settings-rebind-to-print)
    # Rebound while running: Print starts a capture, the old keys are released to other programs.
    start
    overlays_up
    key Escape
    await '[ "$(ours)" = "" ]' "the overlay stayed"
    write_config '[shortcuts]' 'regionCapture=Print' 'regionCaptureAlt='
    press Print '[ "$(overlays)" = 2 ]' || fail "Print started no capture after the rebinding"
    key Escape
    await '[ "$(ours)" = "" ]' "the overlay stayed"
    # The keys are taken in order: had F13 started a capture, the whole-screen one would never come.
    hold_keys
    key F13
    press ctrl+shift+super+3 menu_up || fail "F13 still starts a capture"
    check '[ "$(overlays)" = 0 ]' "F13 still starts a capture"
    ;;
settings-malformed)
    # Garbage bytes, a negative quality, a folder that is a file, a flag that is no flag: the defaults
    # for those, one line each on standard error, and the capture saves on the Desktop as ever.
    mkdir -p "$XDG_CONFIG_HOME/corvane"
    printf '\x89PNG\r\n\x1a\n\x01\xff=\x02\n[save]\njpegQuality=-3\nformat=jpeg\nfolder=%s\n[general]\ntoasts=maybe\n' \
        "$root" >"$XDG_CONFIG_HOME/corvane/corvane.conf"
    start
    select_region 100 100 500 400
    save_from_menu
    # Without a compositor the toast is cut round: its corner shows the desktop, not black. Looked at
    # first: the toast is gone after 1.6 s.
    await 'toast=$(xdotool search --onlyvisible --name "^Saved " | head -n 1); [ -n "$toast" ]' "no toast"
    eval "$(xdotool getwindowgeometry --shell "$toast")"
    import -window root -crop "1x1+$X+$Y" +repage "$work/corner.png"
    expect_pixels "$work/corner.png" "1x1+$X+$Y"
    check '[ "$(identify -format %m "$HOME/Desktop"/*)" = JPEG ]' "format=jpeg, a good value, was not applied"
    for k in 'general/[^t]' save/jpegQuality save/folder general/toasts; do
        check '[ "$(grep -c "corvane.conf: $k" "$work/corvane.log")" = 1 ]' "not one line for $k"
    done
    check '[ "$(grep -c "corvane.conf: " "$work/corvane.log")" = 4 ]' "other lines about the settings"
    ;;
settings-shortcut-taken)
    # The window manager holds Print, another program Ctrl+Shift+Super+4: Print is reported, and the
    # held keys start nothing while the others work.
    write_config '[shortcuts]' 'regionCapture=Print'
    hold_keys
    start
    await 'grep -q "shortcuts/regionCapture: Print is held by another program" "$work/corvane.log"' "nothing said that Print is taken"
    xdotool mousemove 700 500
    press ctrl+shift+super+3 menu_up || fail "Ctrl+Shift+Super+3 stopped working"
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    # The keys are taken in order: had the held keys started a capture, its overlays would be up and the
    # whole-screen capture would never come.
    key ctrl+shift+super+4
    press ctrl+shift+super+3 menu_up || fail "a shortcut held by another program started a capture"
    check '[ "$(overlays)" = 0 ]' "a shortcut held by another program started a capture"
    ;;
settings-start-at-login)
    entry="$XDG_CONFIG_HOME/autostart/io.github.corvane.Corvane.desktop"
    write_config '[general]' 'startAtLogin=true'
    start
    await '[ -s "$entry" ]' "no autostart entry"
    out=$(desktop-file-validate "$entry" 2>&1)
    check '[ -z "$out" ]' "desktop-file-validate: $out"
    check 'grep -qxF "Exec=$binary" "$entry"' "the entry does not start this program: $(grep Exec "$entry")"
    write_config '[general]' 'startAtLogin=false'
    await '[ ! -e "$entry" ]' "the autostart entry stayed after the setting went off"
    ;;
copy-text)
    # Known text on light and dark grounds on MON-A and on a light one on MON-B (ratio 2): Copy Text puts
    # it on the clipboard with at most PERCENT % of its characters wrong (edit distance over length);
    # a region without text says so.
    text=$'Build 4127 failed on the staging server.\nError: cannot open config/settings.yaml (code 13)\n\nRetry in 30 seconds, or press Cancel to stop.'
    printf '%s' "$text" >"$work/known.txt"
    convert -size 4480x1440 xc:'rgb(128,128,128)' -fill white -draw 'rectangle 100,100 799,239' \
        -fill 'rgb(30,30,30)' -draw 'rectangle 100,400 799,539' -fill white -draw 'rectangle 2200,200 3599,479' \
        -font DejaVu-Sans -pointsize 14 -fill black -annotate +120+130 "$text" -fill 'rgb(220,220,220)' \
        -annotate +120+430 "$text" -pointsize 28 -fill black -annotate +2240+260 "$text" \
        \( -size 400x200 gradient:'rgb(40,90,200)-rgb(250,250,250)' \) -geometry +1000+100 -composite "$work/text.png"
    show_root "$work/text.png"
    start
    toast='^[0-9]+ [0-9x]+ [0-9-]+ (Copied [0-9]+ lines? of text|No text found)$'
    for row in "110 110 790 230 2 3" "110 410 790 530 5 3" "2220 220 3580 460 2 3" "1010 110 1390 290 - 0"; do
        read -r x1 y1 x2 y2 percent lines <<<"$row"
        await '! ours | grep -qE "$toast"' "the previous toast stayed"
        clip_clear
        select_region "$x1" "$y1" "$x2" "$y2"
        menu_key ctrl+t '! menu_up'
        await 'said=$(ours | grep -E "$toast" | cut -d " " -f 4-); [ -n "$said" ]' "no toast after Copy Text in $row"
        if [ "$lines" = 0 ]; then check '[ "$said" = "No text found" ]' "a region without text: $said"; continue; fi
        check '[ "$said" = "Copied $lines lines of text" ]' "$row: the toast says $said"
        paste >"$work/read.txt" || fail "no text on the clipboard ($row)"
        read -r wrong length < <(awk -v RS='\001' 'NR == 1 { a = $0 } NR == 2 { b = $0 } END {
            sub(/\n$/, "", b); n = length(a); m = length(b); for (j = 0; j <= m; j++) d[0, j] = j
            for (i = 1; i <= n; i++) { d[i, 0] = i; for (j = 1; j <= m; j++) {
                v = d[i - 1, j - 1] + (substr(a, i, 1) != substr(b, j, 1))
                if (d[i - 1, j] + 1 < v) v = d[i - 1, j] + 1; if (d[i, j - 1] + 1 < v) v = d[i, j - 1] + 1; d[i, j] = v } }
            print d[n, m], n }' "$work/known.txt" "$work/read.txt")
        echo "$row: $wrong of $length characters wrong"
        check '[ $((wrong * 100)) -le $((percent * length)) ]' "$row: $wrong characters wrong: $(cat "$work/read.txt")"
    done
    ;;
copy-text-without-language-data)
    # The item is disabled and its shortcut does nothing: the menu stays open, nothing is copied.
    mkdir -p "$work/no-tessdata"
    TESSDATA_PREFIX="$work/no-tessdata" start
    select_region 100 100 500 400
    await menu_up "no destination menu"
    # The keys are taken in order: had Ctrl+T closed the menu, Ctrl+C would find none.
    key ctrl+t
    copy_from_menu
    check '! titled "(Copied [0-9]+ lines? of text|No text found)$"' "a text toast came without language data"
    expect_pixels "$work/clip.png" 400x300+100+100
    ;;
copy-text-broken-language-data)
    # Language data that cannot be loaded: the recogniser fails, the toast says so (never "No text
    # found"), the clipboard keeps what it had, and the next capture works.
    mkdir -p "$work/broken-tessdata"
    head -c 65536 /usr/share/tesseract-ocr/5/tessdata/eng.traineddata >"$work/broken-tessdata/eng.traineddata"
    TESSDATA_PREFIX="$work/broken-tessdata" start
    printf kept | xclip -selection clipboard
    select_region 100 100 500 400
    menu_key ctrl+t '! menu_up'
    await 'titled "Could not read the text$"' "no failure toast after Copy Text"
    check '[ "$(paste)" = kept ]' "the clipboard changed after a failed Copy Text"
    select_region 100 100 500 400
    copy_from_menu
    expect_pixels "$work/clip.png" 400x300+100+100
    ;;
pin-to-screen)
    # A region pinned shows over its own place, moves with a drag, zooms around the pointer, is left
    # out of the next capture, and a region of MON-B (ratio 2) is pinned pixel for pixel.
    pin_at() { # GEOMETRY: a pin's window (border included) has that geometry, of the form of GEOMETRY
        want=$1
        wait_for 'pin=$(geometry "$(xdotool search --onlyvisible --name "^Corvane Pin$" | tail -n 1)"); [[ $pin == $want ]]' || fail "no pin at $1: $pin"
    }
    shows() { # PICTURE GEOMETRY [PART]: that part of the screen becomes that part of the picture
        convert "$1" -crop "${3:-$2}" +repage "$work/wanted.png"
        shown="import -window root -crop $2 +repage $work/shown.png"
        wait_for "$shown && [ \"\$(compare -metric AE $work/shown.png $work/wanted.png null: 2>&1)\" = 0 ]" 20 ||
            expect_pixels "$work/shown.png" "${3:-$2}" "$1"
    }
    start
    select_region 100 100 500 400
    menu_key ctrl+p '! menu_up'
    pin_at 404x304+98+98
    shows "$root" 400x300+100+100
    drag 300 250 800 650
    pin_at 404x304+598+498
    shows "$root" 400x300+600+500 400x300+100+100
    # One notch up with the pointer 100 pixels inside the picture's corner: 1.25 times, that point kept.
    xdotool mousemove 700 600 click 4
    pin_at 504x379+573+473
    xdotool mousemove 960 540
    overlays_up
    press space menu_up || fail "Space put up no menu"
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    pin_at 504x379+573+473
    select_region 2120 200 2920 800
    menu_key ctrl+p '! menu_up'
    pin_at 808x608+2116+196
    shows "$root" 800x600+2120+200
    # Escape closes the pin that has the focus, the new one.
    key Escape
    await '[ "$(xdotool search --onlyvisible --name "^Corvane Pin$" | wc -l)" = 1 ]' "Escape did not close the pin"
    # The first pin, back at its size and dragged onto MON-B, keeps its logical size: each of its pixels
    # is 2 x 2 device pixels there.
    xdotool mousemove 700 600 click 5
    pin_at 404x304+598+498
    drag 700 600 2500 1000
    convert "$root" -crop 400x300+100+100 +repage -sample 200% "$work/doubled.png"
    # The pin takes MON-B's ratio and its place there in more than one step: each look reads where it is.
    doubled() {
        pin_at '808x608+*'
        IFS=x+ read -r _ _ x y <<<"$pin"
        import -window root -crop "800x600+$((x + 4))+$((y + 4))" +repage "$work/shown.png"
        [ "$(compare -metric AE "$work/shown.png" "$work/doubled.png" null: 2>&1)" = 0 ]
    }
    wait_for doubled 20 || expect_pixels "$work/shown.png" 800x600+0+0 "$work/doubled.png"
    ;;
window-pick)
    # On each monitor a back window with a front one over its middle: Tab, the pointer over the back one's
    # uncovered part, a click: exactly its frame, as the screen showed it; and its title in a file name.
    show_window back-a 'rgb(200,40,40)' 500x400+200+150
    back_a=$frame
    show_window front-a 'rgb(40,40,200)' 300x200+350+250
    show_window back-b 'rgb(40,160,40)' 600x500+2200+200
    back_b=$frame
    show_window front-b 'rgb(200,200,40)' 300x260+2400+350
    start
    for geometry in "$back_a" "$back_b"; do
        IFS=x+ read -r _ _ x y <<<"$geometry"
        x=$((x + 30)) y=$((y + 200))
        await '! titled "Copied to clipboard"' "the toast stayed"
        xdotool mousemove "$x" "$y"
        # As the screen is now: a capture may leave another window focused, with another title bar.
        settled
        pick "$x" $((y + 10))
        copy_from_menu
        expect_pixels "$work/clip.png" "$geometry" "$work/screen.png"
    done
    write_config '[save]' 'pattern=%{title} shot'
    await '! titled "Copied to clipboard"' "the toast stayed"
    IFS=x+ read -r _ _ x y <<<"$back_a"
    pick $((x + 30)) $((y + 210))
    menu_key ctrl+d '! menu_up'
    await '[ -s "$HOME/Desktop/back-a shot.png" ]' "the picked window's title did not name the file: $(ls "$HOME/Desktop")"
    ;;
cli-output)
    # With no running Corvane the command captures in its own process and writes the file.
    xdotool mousemove 700 500
    cli 0 --capture-screen --output shot.png
    expect_pixels "$work/shot.png" 1920x1080+0+0
    cp "$work/shot.png" "$work/kept.png"
    xdotool mousemove 3000 700
    cli 2 --capture-screen --output shot.png
    check '[ "$(cat "$work/cli.err")" = "corvane: shot.png already exists; --force replaces it" ]' "an existing file was refused with: $(cat "$work/cli.err")"
    check 'cmp -s "$work/shot.png" "$work/kept.png"' "the existing file was changed without --force"
    cli 0 --capture-screen --output shot.png --force
    expect_pixels "$work/shot.png" 2560x1440+1920+0
    cli 0 --capture-screen --output shot.jpg
    check '[ "$(identify -format "%m %wx%h" "$work/shot.jpg")" = "JPEG 2560x1440" ]' "shot.jpg is not a JPEG of MON-B"
    # Every monitor on one canvas at ratio 2: MON-A doubled, MON-B beside it at its own pixels.
    cli 0 --capture-screen --all --output all.png
    check '[ "$(identify -format %wx%h "$work/all.png")" = 6400x2160 ]' "--all is not 6400x2160"
    convert "$root" -crop 1920x1080+0+0 +repage -sample 200% "$work/a-doubled.png"
    convert "$work/all.png" -crop 3840x2160+0+0 +repage "$work/all-a.png"
    expect_pixels "$work/all-a.png" 3840x2160+0+0 "$work/a-doubled.png"
    convert "$work/all.png" -crop 2560x1440+3840+0 +repage "$work/all-b.png"
    expect_pixels "$work/all-b.png" 2560x1440+1920+0
    cli 2 --capture-screen --output "$work/no/such/folder.png"
    check 'grep -q "^corvane: .*there is no folder" "$work/cli.err"' "a missing folder said: $(cat "$work/cli.err")"
    ;;
cli-region)
    # A selection that the command waits for: the file once the user has chosen, status 1 when cancelled.
    for row in "region 0 region.png" "window 1"; do
        read -r what want file <<<"$row"
        cli "$want" --capture-$what --output $what.png &
        await '[ "$(overlays)" = 2 ]' "no overlay for --capture-$what --output"
        if [ "$want" = 0 ]; then drag 2120 200 2920 800; else key Escape; fi
        wait $! || exit 1
        if [ -n "$file" ]; then expect_pixels "$work/$file" 800x600+2120+200; else check '[ ! -e "$work/$what.png" ]' "a cancelled capture wrote a file"; fi
        await '[ "$(ours)" = "" ]' "a window stayed up after --output"
    done
    ;;
cli-clipboard)
    # The command ends once the picture is on the clipboard; a process of its own keeps it there until
    # another program takes the clipboard over (its clipboard window is how it is found).
    xdotool mousemove 700 500
    cli 0 --capture-screen --clipboard
    clip_png "$work/clip.png"
    expect_pixels "$work/clip.png" 1920x1080+0+0
    holder() { xwininfo -root -tree | grep -q '"Qt Selection Owner for corvane"'; }
    check holder "no process holds the picture on the clipboard"
    clip_clear
    await '! holder' "the process holding the picture stayed after the clipboard was taken over"
    ;;
menu-with-editor-open)
    # An editor over MON-A is left out of the frozen picture and comes back; then the destination menu
    # must come up and take Ctrl+D every time while the editor is open (hidden for the grab and shown
    # again under the menu), 30 times in a row: in turn a full-screen capture right after a cancelled
    # region capture, and a region selected on MON-A.
    convert -size 600x400 xc:'rgb(250,0,250)' "$work/flat.png"
    start --open "$work/flat.png"
    editor_up
    xdotool mousemove 700 500
    overlays_up
    press space menu_up || fail "Space put up no menu"
    copy_from_menu
    expect_pixels "$work/clip.png" 1920x1080+0+0
    editor_up
    overlays_up
    key Escape
    for try in $(seq 30); do
        await '[ "$(overlays)" = 0 ]' "try $try: the overlays stayed"
        if [ $((try % 2)) = 1 ]; then
            key ctrl+shift+super+3
        else
            key F13
            await '[ "$(overlays)" = 2 ]' "try $try: no overlay after F13"
            drag 100 100 500 400
        fi
        await menu_up "try $try: no destination menu"
        key ctrl+d
        await '[ "$(saved)" = "$try" ]' "try $try: Ctrl+D in the menu saved nothing"
        await '! menu_up' "try $try: the menu stayed"
        if [ $((try % 2)) = 0 ]; then
            key F13
            await '[ "$(overlays)" = 2 ]' "try $try: no overlay after F13"
            key Escape
        fi
    done
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
