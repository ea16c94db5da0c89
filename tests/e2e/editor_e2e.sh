#!/usr/bin/env bash
# The editor of the real binary (tests/support/e2e.sh): a picture opened, drawn on with the mouse and the
# keyboard, copied, read back from the clipboard and compared pixel by pixel.
# usage: editor_e2e.sh BINARY CASE
binary=$1 case_name=$2
source "$(dirname "$0")/../support/e2e.sh"
x_desktop
paper='rgb(226,232,240)' red=255,59,48 green=40,160,90

pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# open_picture FILE COLOUR W H: the file in an editor; where the picture sits on screen (the bounding box
# of COLOUR, which must frame it, W x H screen pixels once two looks agree) in x and y.
open_picture() {
    start --open "$1"
    editor_up
    xdotool windowactivate --sync "$editor" >/dev/null 2>&1
    local colour=$2 want="$3x$4" previous=
    await 'import -window root "$work/screen.png"; box=$(convert "$work/screen.png" -fill black +opaque "$colour" -format %@ info:)
        [ "${box%%+*}" = "$want" ] && [ "$box" = "$previous" ] || { previous=$box; false; }' "the picture is not shown at $want"
    IFS=x+ read -r _ _ x y <<<"$box"
}
at() { xdotool mousemove $((x + $1)) $((y + $2)); }
# drag_picture X1 Y1 X2 Y2: a drag in picture pixels (at magnification 1), through points on the way.
drag_picture() {
    at "$1" "$2"
    xdotool mousedown 1
    for i in 1 2 3 4; do at $(($1 + ($3 - $1) * i / 4)) $(($2 + ($4 - $2) * i / 4)); done
    xdotool mouseup 1
}
click_picture() { at "$1" "$2"; xdotool click 1; }
# copy_to FILE: the editor's picture through Copy Image (Ctrl+Alt+C).
copy_to() {
    clip_clear
    key --clearmodifiers ctrl+alt+c
    clip_png "$1"
}
# expect_colours FILE: rows "X Y WANT WHAT" from stdin, each pixel exactly WANT (or within 4 levels of ~WANT).
expect_colours() {
    local px py want what got
    while read -r px py want what; do
        got=$(pixel "$1" "$px" "$py")
        if [[ $want = ~* ]]; then
            IFS=, read -r r g b <<<"$got"
            IFS=, read -r wr wg wb <<<"${want:1}"
            ((${r} - wr <= 4 && wr - r <= 4 && g - wg <= 4 && wg - g <= 4 && b - wb <= 4 && wb - b <= 4))
        else [ "$got" = "$want" ]; fi || fail "$what at ($px, $py) is $got, expected $want"
    done
}
save_to_desktop() { # NAME: the editor's Save to Desktop, the same pixels as on the clipboard
    local name=$1
    key --clearmodifiers ctrl+shift+s
    await '[ -f "$HOME/Desktop/$name" ]' "Save to Desktop wrote no $1"
    expect_pixels "$HOME/Desktop/$1" "$(identify -format %wx%h "$2")+0+0" "$2"
}
colours() { convert "$1" -crop "$2" +repage -depth 8 txt:- | awk 'NR > 1 { print $3 }'; }
# A 600 x 400 picture on light paper with a line of black text, at 72 dpi (scale 1).
text_picture() {
    convert -size 600x400 xc:"$paper" -font DejaVu-Sans -pointsize 40 -fill black -annotate +100+215 "$2" \
        -depth 8 -units PixelsPerInch -density 72 "$1"
}
# redact PICTURE OUT [solid]: a Pixelate redaction of (80, 160) ... (340, 240) over the text (restyled
# Solid through the Tools menu) copied to OUT; nothing outside it changed.
redact() {
    open_picture "$1" "$paper" 600 400
    key 0
    drag_picture 80 160 340 240
    if [ -n "${3:-}" ]; then
        # The menu bar's first title clicked, then Tools (three menus on) with Select marked; eleven Downs
        # pass the other nine tools and "Pixelate Redaction".
        key 1
        click_picture 200 200
        xdotool mousemove --window "$editor" 20 10 click 1
        walk Right Right Right $(printf 'Down %.0s' $(seq 11)) Return
    fi
    copy_to "$2"
    convert "$2" -fill black -draw 'rectangle 80,160 339,239' "$work/outside.png"
    convert "$1" -fill black -draw 'rectangle 80,160 339,239' "$work/outside-before.png"
    expect_pixels "$work/outside.png" 600x400+0+0 "$work/outside-before.png"
}

case $case_name in
draw-copy-save)
    # 800 x 600 recorded at 144 dpi opens at scale 2: a drag of 200 x 150 screen pixels is a rectangle
    # of 400 x 300 picture pixels, its outline 6 wide (3 points), copied and saved at full resolution.
    convert -size 800x600 xc:"rgb($green)" -units PixelsPerInch -density 144 "$work/shot.png"
    open_picture "$work/shot.png" "rgb($green)" 400 300
    drag_picture 50 40 250 190
    copy_to "$work/clip.png"
    check '[ "$(identify -units PixelsPerInch -format "%wx%h %[fx:round(resolution.x)]" "$work/clip.png")" = "800x600 144" ]' \
        "the clipboard picture is not 800 x 600 at 144 dpi"
    expect_colours "$work/clip.png" <<EOF
100 230 $red left edge
500 230 $red right edge
300 80 $red top edge
300 380 $red bottom edge
300 230 $green inside
90 230 $green outside on the left
510 230 $green outside on the right
300 70 $green outside above
EOF
    save_to_desktop shot.png "$work/clip.png"
    check '[ "$(identify -units PixelsPerInch -format "%[fx:round(resolution.x)]" "$HOME/Desktop/shot.png")" = 144 ]' "the Desktop file is not at 144 dpi"
    ;;
marker-pen-steps)
    # The highlighter (7) over a black rule, 15 pixels broad with flat ends; the pen (8) right then down,
    # its corner rounded; two step markers (9), 34 pixels across; deleting the first renumbers the second.
    convert -size 600x400 xc:"$paper" -fill black -draw 'rectangle 20,48 580,52' -units PixelsPerInch -density 72 "$work/paper.png"
    open_picture "$work/paper.png" "$paper" 600 400
    key 7
    drag_picture 40 50 300 50
    key 8
    at 100 150
    xdotool mousedown 1
    for p in 120,150 140,150 160,150 180,150 200,150 200,170 200,190 200,210 200,230 200,250; do at ${p%,*} ${p#*,}; done
    xdotool mouseup 1
    key 9
    click_picture 400 100
    click_picture 500 100
    copy_to "$work/tools.png"
    expect_colours "$work/tools.png" <<EOF
150 45 ~226,143,143 the marker over paper
44 55 ~226,143,143 the marker's start
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
EOF
    check '[ "$(pixel "$work/tools.png" 200 150)" != "$red" ]' "the pen's corner is sharp"
    whites() { convert "$work/tools.png" -crop "$1" +repage -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:; }
    for cx in 400 500; do
        inner=$(whites 24x24+$((cx - 12))+88)
        check '[ "$inner" -ge 15 ] && [ "$inner" = "$(whites 40x40+$((cx - 20))+80)" ]' "the step at x $cx shows no digit, or white outside its middle"
    done
    convert "$work/tools.png" -crop 34x34+383+83 +repage "$work/one.png"
    convert "$work/tools.png" -crop 34x34+483+83 +repage "$work/two.png"
    check '[ "$(compare -metric AE "$work/one.png" "$work/two.png" null: 2>&1)" != 0 ]' "both steps show one number"
    key 1
    click_picture 400 100
    key Delete
    copy_to "$work/renumbered.png"
    convert "$work/renumbered.png" -crop 34x34+483+83 +repage "$work/now-one.png"
    expect_pixels "$work/now-one.png" 34x34+0+0 "$work/one.png"
    expect_colours "$work/renumbered.png" <<<"400 100 226,232,240 paper where the deleted step was"
    ;;
redact-pixelate)
    # Two pictures that differ only in the text under the redaction, and the first one again: each region
    # is blocks of at least 12 pixels, none keeps the paper, the ink or its picture's own pixel there, and
    # no two are alike.
    text_picture "$work/first.png" "hunter2 s3cret"
    text_picture "$work/second.png" "hunter3 s3cret"
    cp "$work/first.png" "$work/again.png"
    for name in first second again; do
        redact "$work/$name.png" "$work/$name-redacted.png"
        key ctrl+w
        convert "$work/$name-redacted.png" -crop 260x80+80+160 +repage -depth 8 "$work/$name-region.txt"
        run=$(awk 'NR > 1 { split($1, p, /[,:]/); c[p[1], p[2]] = $3; if (p[1] > W) W = p[1]; if (p[2] > H) H = p[2] } END {
            m = 1e9; for (y = 0; y <= H; y++) { r = 1; for (x = 1; x <= W; x++) { if (c[x, y] == c[x - 1, y]) r++; else { if (r < m) m = r; r = 1 } } if (r < m) m = r }
            for (x = 0; x <= W; x++) { r = 1; for (y = 1; y <= H; y++) { if (c[x, y] == c[x, y - 1]) r++; else { if (r < m) m = r; r = 1 } } if (r < m) m = r }
            print m }' "$work/$name-region.txt")
        check '[ "$run" -ge 12 ]' "$name: the redaction has a block only $run pixels long"
        same=$(paste -d ' ' <(colours "$work/$name-redacted.png" 260x80+80+160) <(colours "$work/$name.png" 260x80+80+160) |
            awk '$1 == $2 || $1 == "#E2E8F0" || $1 == "#000000"' | wc -l)
        check '[ "$same" = 0 ]' "$name: $same redacted pixels keep the original's colour"
    done
    for pair in "first second" "first again" "second again"; do
        read -r a b <<<"$pair"
        check '! cmp -s "$work/$a-region.txt" "$work/$b-region.txt"' "the $a and $b pictures were redacted alike"
    done
    ;;
redact-solid)
    # Restyled Solid: exactly the colour, on the clipboard and in the file saved to the Desktop.
    text_picture "$work/secret.png" "hunter2 s3cret"
    redact "$work/secret.png" "$work/solid.png" solid
    check '[ "$(colours "$work/solid.png" 260x80+80+160 | sort -u)" = "#FF3B30" ]' "the solid redaction is not all #FF3B30"
    save_to_desktop secret.png "$work/solid.png"
    ;;
crop)
    # Noise in a 10-pixel green frame: Crop to Selection with nothing selected lets the user drag the
    # area; one undo brings the whole picture back; a selected rectangle is cropped to.
    convert -size 580x380 -seed 20261207 xc: +noise Random -depth 8 -bordercolor "rgb($green)" -border 10 \
        -units PixelsPerInch -density 72 "$work/noise.png"
    open_picture "$work/noise.png" "rgb($green)" 600 400
    key 1 ctrl+shift+x
    drag_picture 100 80 400 300
    copy_to "$work/cropped.png"
    expect_pixels "$work/cropped.png" 300x220+100+80 "$work/noise.png"
    key ctrl+z
    copy_to "$work/uncropped.png"
    expect_pixels "$work/uncropped.png" 600x400+0+0 "$work/noise.png"
    key 2
    drag_picture 50 50 250 150
    key 1
    click_picture 50 100
    key ctrl+shift+x
    copy_to "$work/to-rectangle.png"
    check '[ "$(identify -format %wx%h "$work/to-rectangle.png")" = 200x100 ]' "cropped to the rectangle: not 200x100"
    convert "$work/to-rectangle.png" -crop 190x90+5+5 +repage "$work/inside.png"
    expect_pixels "$work/inside.png" 190x90+55+55 "$work/noise.png"
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
