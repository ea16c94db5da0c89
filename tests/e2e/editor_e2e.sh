#!/usr/bin/env bash
# The real binary under a virtual X server with a window manager: open a picture, draw on it with the
# mouse and the keyboard, copy the result, read it back from the X clipboard and compare pixels. Run
# through tests/support/with-xvfb.sh.
# usage: editor_e2e.sh BINARY [ARTIFACT_DIR] [CASE]
set -u
binary=$1
artifacts=${2:-}
case_name=${3:-draw-copy-save}
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
dpi() { identify -units PixelsPerInch -format '%[fx:round(resolution.x)]' "$1"; }
source "$(dirname "$0")/../support/e2e-session.sh"

font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
paper='rgb(226,232,240)'
red="255,59,48"

# open_picture FILE COLOUR W H: opens the file in an editor and finds where the picture sits on screen
# (the bounding box of COLOUR, which must frame it), expecting W x H screen pixels. Sets x and y.
open_picture() {
    "$binary" --open "$1" >>"$work/corvane.log" 2>&1 &
    pids+=($!)
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Corvane Editor — $(basename "$1")\$" | head -n 1)
    [ -n "$window" ] || fail "no editor window named after $(basename "$1") appeared"
    xdotool windowactivate --sync "$window" >/dev/null 2>&1
    # The window manager may still move the window: the place counts once two looks agree.
    local box="" previous=""
    for _ in $(seq 50); do
        import -window root "$work/screen.png"
        box=$(convert "$work/screen.png" -fill black +opaque "$2" -format '%@' info:)
        [ "$box" = "${3}x${4}+${box#*+}" ] && [ "$box" = "$previous" ] && break
        previous=$box
        sleep 0.1
    done
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "picture not found on screen ($box)"
    read -r w h x y <<<"${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
    [ "$w" = "$3" ] && [ "$h" = "$4" ] || fail "picture shown at ${w}x${h}, expected ${3}x${4}"
}
# Moves the pointer to picture pixel (X, Y), at magnification 1.
at() { xdotool mousemove $((x + $1)) $((y + $2)); }
# drag_picture X1 Y1 X2 Y2: a drag in picture pixels, through a few points on the way.
drag_picture() {
    at "$1" "$2"
    xdotool mousedown 1
    for i in 1 2 3 4; do at $(($1 + ($3 - $1) * i / 4)) $(($2 + ($4 - $2) * i / 4)); done
    xdotool mouseup 1
}
click_picture() { at "$1" "$2"; xdotool click 1; }
# Copies the editor's picture (Ctrl+Alt+C) into FILE. The clipboard is taken first so that an older
# picture is never read back.
copy_to() {
    # xclip takes the clipboard from its background child, so it is waited for.
    printf stale | xclip -selection clipboard
    for _ in $(seq 100); do
        [ "$(xclip -selection clipboard -o 2>/dev/null)" = stale ] && break
        sleep 0.05
    done
    xdotool key --clearmodifiers ctrl+alt+c
    rm -f "$1"
    for _ in $(seq 100); do
        xclip -selection clipboard -t image/png -o >"$1" 2>/dev/null && [ -s "$1" ] && return 0
        sleep 0.1
    done
    fail "nothing on the clipboard"
}
# expect_pixels FILE: rows "X Y WANT WHAT" from stdin, each pixel compared exactly.
expect_pixels() {
    local px py want what got
    while read -r px py want what; do
        got=$(pixel "$1" "$px" "$py")
        [ "$got" = "$want" ] || fail "$what at ($px, $py) is $got, expected $want"
    done
}
# expect_near FILE X Y R G B WHAT: each channel within 4 levels.
expect_near() {
    local got r g b
    got=$(pixel "$1" "$2" "$3")
    IFS=, read -r r g b <<<"$got"
    (( ${r} - $4 <= 4 && $4 - ${r} <= 4 && ${g} - $5 <= 4 && $5 - ${g} <= 4 && ${b} - $6 <= 4 && $6 - ${b} <= 4 )) ||
        fail "$7 at ($2, $3) is $got, expected about $4,$5,$6"
}
# Pure white pixels in a part of a picture.
whites() { convert "$1" -crop "$2" +repage -fill black +opaque white -fill white -opaque white -format '%[fx:round(mean*w*h)]' info:; }
# The pixels of a part of a picture, one "#RRGGBB" a line, row by row.
colours() { convert "$1" -crop "$2" +repage -depth 8 txt:- | awk 'NR > 1 { print $3 }'; }
# The shortest run of one colour along any row or column of a part of a picture.
shortest_run() {
    convert "$1" -crop "$2" +repage -depth 8 txt:- | awk '
        NR > 1 { split($1, p, /[,:]/); c[p[1], p[2]] = $3; if (p[1] > W) W = p[1]; if (p[2] > H) H = p[2] }
        END {
            m = 1e9
            for (y = 0; y <= H; y++) { r = 1; for (x = 1; x <= W; x++) { if (c[x, y] == c[x - 1, y]) r++; else { if (r < m) m = r; r = 1 } } if (r < m) m = r }
            for (x = 0; x <= W; x++) { r = 1; for (y = 1; y <= H; y++) { if (c[x, y] == c[x, y - 1]) r++; else { if (r < m) m = r; r = 1 } } if (r < m) m = r }
            print m
        }'
}
# A 600 x 400 picture on light paper with a line of black text, at 72 dpi (scale 1: one screen pixel
# per picture pixel).
text_picture() {
    convert -size 600x400 xc:"$paper" -font "$font" -pointsize 40 -fill black -annotate +100+215 "$2" \
        -depth 8 -units PixelsPerInch -density 72 "$1"
}
# redact_and_check PICTURE OUT: a Pixelate redaction of (80, 160) ... (340, 240) over the text, copied to
# OUT: the pixels outside are the picture's, the region is made of blocks of at least 12 pixels, and no
# pixel in it is the paper, the ink, or the picture's own pixel there.
redact_and_check() {
    open_picture "$1" "$paper" 600 400
    xdotool key 0
    drag_picture 80 160 340 240
    copy_to "$2"
    [ -n "$artifacts" ] && { mkdir -p "$artifacts"; cp "$2" "$artifacts/"; }
    [ "$(identify -format '%wx%h' "$2")" = 600x400 ] || fail "the copied picture is not 600x400"
    convert "$2" -fill black -draw 'rectangle 80,160 339,239' "$work/outside-copied.png"
    convert "$1" -fill black -draw 'rectangle 80,160 339,239' "$work/outside-original.png"
    differing=$(compare -metric AE "$work/outside-copied.png" "$work/outside-original.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels outside the redaction changed"
    run=$(shortest_run "$2" 260x80+80+160)
    [ "$run" -ge 12 ] || fail "the redaction has a block only $run pixels long"
    paste -d ' ' <(colours "$2" 260x80+80+160) <(colours "$1" 260x80+80+160) >"$work/pairs"
    same=$(awk '$1 == $2 || $1 == "#E2E8F0" || $1 == "#000000"' "$work/pairs" | wc -l)
    [ "$same" = 0 ] || fail "$same redacted pixels keep the original's colour"
    xdotool key ctrl+w
}

case $case_name in
draw-copy-save)
    # An 800 x 600 picture of one colour, recorded at 144 dpi: it opens at scale 2, 400 x 300 on screen.
    convert -size 800x600 xc:'rgb(40,160,90)' -units PixelsPerInch -density 144 "$work/shot.png"
    open_picture "$work/shot.png" 'rgb(40,160,90)' 400 300

    # Drag 200 x 150 screen pixels: 400 x 300 image pixels, from (100, 80) to (500, 380).
    xdotool mousemove $((x + 50)) $((y + 40)) mousedown 1 mousemove $((x + 150)) $((y + 115)) \
        mousemove $((x + 250)) $((y + 190)) mouseup 1
    [ -n "$artifacts" ] && { mkdir -p "$artifacts"; import -window root "$artifacts/editor.png"; }

    copy_to "$work/clip.png"
    [ "$(identify -format '%wx%h' "$work/clip.png")" = 800x600 ] || fail "clipboard picture is not 800x600"
    [ "$(dpi "$work/clip.png")" = 144 ] || fail "clipboard picture is not recorded at 144 dpi"

    # The outline is 6 image pixels wide (3 points at scale 2), centred on the dragged edges.
    green="40,160,90"
    expect_pixels "$work/clip.png" <<EOF_PIXELS
100 230 $red left edge
500 230 $red right edge
300 80 $red top edge
300 380 $red bottom edge
300 230 $green inside
90 230 $green outside on the left
510 230 $green outside on the right
300 70 $green outside above
EOF_PIXELS

    xdotool key --clearmodifiers ctrl+shift+s
    for _ in $(seq 100); do [ -f "$HOME/Desktop/shot.png" ] && break; sleep 0.1; done
    [ -f "$HOME/Desktop/shot.png" ] || fail "Save to Desktop wrote no shot.png: $(ls "$HOME/Desktop")"
    [ "$(dpi "$HOME/Desktop/shot.png")" = 144 ] || fail "the Desktop file is not recorded at 144 dpi"
    difference=$(compare -metric AE "$work/clip.png" "$HOME/Desktop/shot.png" null: 2>&1)
    [ "$difference" = 0 ] || fail "the Desktop file differs from the clipboard in $difference pixels"
    echo "ok: drawn, copied and saved at full resolution"
    ;;
marker-pen-steps)
    # Paper with a black rule at y 48 ... 52 for the highlighter to cross.
    convert -size 600x400 xc:"$paper" -fill black -draw 'rectangle 20,48 580,52' \
        -units PixelsPerInch -density 72 "$work/paper.png"
    open_picture "$work/paper.png" "$paper" 600 400
    # Highlighter (7): 15 pixels broad at 3 points, flat ends at x 40 and 300.
    xdotool key 7
    drag_picture 40 50 300 50
    # Pen (8): right, then down; the corner at (200, 150) is rounded off.
    xdotool key 8
    at 100 150
    xdotool mousedown 1
    for px in 120 140 160 180 200; do at "$px" 150; done
    for py in 170 190 210 230 250; do at 200 "$py"; done
    xdotool mouseup 1
    # Step (9): two markers, 34 pixels across at 24 points.
    xdotool key 9
    click_picture 400 100
    click_picture 500 100
    [ -n "$artifacts" ] && { mkdir -p "$artifacts"; import -window root "$artifacts/editor-tools.png"; }
    copy_to "$work/tools.png"

    expect_near "$work/tools.png" 150 45 226 143 143 "the marker over paper"
    expect_near "$work/tools.png" 44 55 226 143 143 "the marker's start"
    expect_pixels "$work/tools.png" <<EOF_PIXELS
150 50 0,0,0 the rule under the marker
30 45 226,232,240 paper before the marker's flat end
150 60 226,232,240 paper below the marker
150 149 $red the pen's upper pixel
150 150 $red the pen's lower pixel
200 230 $red the pen going down
199 230 $red the pen going down
400 86 $red the first step's circle above its digit
500 86 $red the second step's circle above its digit
400 80 226,232,240 paper above the first step
EOF_PIXELS
    [ "$(pixel "$work/tools.png" 200 150)" != "$red" ] || fail "the pen's corner is sharp"
    for cx in 400 500; do
        inner=$(whites "$work/tools.png" 24x24+$((cx - 12))+88)
        outer=$(whites "$work/tools.png" 40x40+$((cx - 20))+80)
        [ "$inner" -ge 15 ] || fail "the step at x $cx shows no digit ($inner white pixels)"
        [ "$inner" = "$outer" ] || fail "the step at x $cx has white outside its middle"
    done
    convert "$work/tools.png" -crop 34x34+383+83 +repage "$work/one.png"
    convert "$work/tools.png" -crop 34x34+483+83 +repage "$work/two.png"
    [ "$(compare -metric AE "$work/one.png" "$work/two.png" null: 2>&1)" != 0 ] || fail "both steps show one number"

    # Deleting the first step makes the second one number 1.
    xdotool key 1
    click_picture 400 100
    xdotool key Delete
    copy_to "$work/renumbered.png"
    convert "$work/renumbered.png" -crop 34x34+483+83 +repage "$work/now-one.png"
    differing=$(compare -metric AE "$work/one.png" "$work/now-one.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "the remaining step does not show 1 ($differing pixels differ)"
    expect_pixels "$work/renumbered.png" <<<"400 100 226,232,240 paper where the deleted step was"
    echo "ok: highlighter, pen and steps drawn and copied"
    ;;
redact-pixelate)
    # Two pictures that differ only in the text under the redaction, and the first one again: no two
    # redacted regions are the same, and none keeps anything of its picture.
    text_picture "$work/first.png" "hunter2 s3cret"
    text_picture "$work/second.png" "hunter3 s3cret"
    redact_and_check "$work/first.png" "$work/first-redacted.png"
    redact_and_check "$work/second.png" "$work/second-redacted.png"
    cp "$work/first.png" "$work/again.png"
    redact_and_check "$work/again.png" "$work/again-redacted.png"
    for pair in "first second" "first again" "second again"; do
        read -r a b <<<"$pair"
        convert "$work/$a-redacted.png" -crop 260x80+80+160 +repage "$work/$a-region.png"
        convert "$work/$b-redacted.png" -crop 260x80+80+160 +repage "$work/$b-region.png"
        [ "$(compare -metric AE "$work/$a-region.png" "$work/$b-region.png" null: 2>&1)" != 0 ] ||
            fail "the $a and $b pictures were redacted alike"
    done
    echo "ok: redactions are blocks of fresh colours"
    ;;
redact-solid)
    text_picture "$work/secret.png" "hunter2 s3cret"
    open_picture "$work/secret.png" "$paper" 600 400
    xdotool key 0
    drag_picture 80 160 340 240
    # Tools menu, "Solid Redaction": restyles the selected redaction. The menu is opened from the menu
    # bar's first title and walked with the keyboard.
    xdotool key 1
    click_picture 200 200
    xdotool mousemove --window "$window" 20 10 click 1
    sleep 0.3
    # Three menus on, Tools opens with Select marked; eleven Downs pass the other nine tools and
    # "Pixelate Redaction".
    xdotool key Right Right Right
    for _ in $(seq 11); do xdotool key Down; done
    xdotool key Return
    copy_to "$work/solid.png"
    [ -n "$artifacts" ] && { mkdir -p "$artifacts"; cp "$work/solid.png" "$artifacts/"; }
    [ "$(colours "$work/solid.png" 260x80+80+160 | sort -u)" = "#FF3B30" ] ||
        fail "the solid redaction is not all #FF3B30: $(colours "$work/solid.png" 260x80+80+160 | sort | uniq -c | sort -rn | head -n 3)"
    convert "$work/solid.png" -fill black -draw 'rectangle 80,160 339,239' "$work/outside-copied.png"
    convert "$work/secret.png" -fill black -draw 'rectangle 80,160 339,239' "$work/outside-original.png"
    differing=$(compare -metric AE "$work/outside-copied.png" "$work/outside-original.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels outside the redaction changed"
    # Saved to the Desktop, the file holds nothing of the text either.
    xdotool key --clearmodifiers ctrl+shift+s
    for _ in $(seq 100); do [ -f "$HOME/Desktop/secret.png" ] && break; sleep 0.1; done
    [ -f "$HOME/Desktop/secret.png" ] || fail "Save to Desktop wrote nothing"
    differing=$(compare -metric AE "$work/solid.png" "$HOME/Desktop/secret.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "the Desktop file differs from the clipboard in $differing pixels"
    echo "ok: solid redaction is exactly the colour"
    ;;
crop)
    # Noise in a 10-pixel green frame, 600 x 400 at scale 1.
    convert -size 580x380 -seed 20261207 xc: +noise Random -depth 8 -bordercolor 'rgb(40,160,90)' \
        -border 10 -units PixelsPerInch -density 72 "$work/noise.png"
    open_picture "$work/noise.png" 'rgb(40,160,90)' 600 400
    # With the Select tool and nothing selected, Crop to Selection lets the user drag the area.
    xdotool key 1 ctrl+shift+x
    drag_picture 100 80 400 300
    copy_to "$work/cropped.png"
    convert "$work/noise.png" -crop 300x220+100+80 +repage "$work/expected.png"
    [ "$(identify -format '%wx%h' "$work/cropped.png")" = 300x220 ] ||
        fail "the cropped picture is $(identify -format '%wx%h' "$work/cropped.png"), expected 300x220"
    differing=$(compare -metric AE "$work/cropped.png" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels of the crop differ from the picture's"
    # One undo brings the whole picture back.
    xdotool key ctrl+z
    copy_to "$work/uncropped.png"
    differing=$(compare -metric AE "$work/uncropped.png" "$work/noise.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "after undo $differing pixels differ from the picture"
    # A selected rectangle is cropped to through the toolbar's and menu's shortcut.
    xdotool key 2
    drag_picture 50 50 250 150
    xdotool key 1
    click_picture 50 100
    xdotool key ctrl+shift+x
    copy_to "$work/to-rectangle.png"
    [ "$(identify -format '%wx%h' "$work/to-rectangle.png")" = 200x100 ] ||
        fail "cropped to the rectangle: $(identify -format '%wx%h' "$work/to-rectangle.png"), expected 200x100"
    convert "$work/noise.png" -crop 190x90+55+55 +repage "$work/expected-inside.png"
    convert "$work/to-rectangle.png" -crop 190x90+5+5 +repage "$work/inside.png"
    differing=$(compare -metric AE "$work/inside.png" "$work/expected-inside.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels inside the rectangle's crop differ from the picture's"
    echo "ok: cropped by drag and to a rectangle, and undone"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
