#!/usr/bin/env bash
# The real binary under a virtual X server with a window manager: open a picture recorded at 144 dpi,
# draw a rectangle with the mouse, copy the result and read it back from the X clipboard, save it to
# the Desktop, and compare pixels. Run through tests/support/with-xvfb.sh.
# usage: editor_e2e.sh BINARY [ARTIFACT_DIR]
set -u
binary=$1
artifacts=${2:-}
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
dpi() { identify -units PixelsPerInch -format '%[fx:round(resolution.x)]' "$1"; }
source "$(dirname "$0")/../support/e2e-session.sh"

# An 800 x 600 picture of one colour, recorded at 144 dpi: it opens at scale 2, 400 x 300 on screen.
convert -size 800x600 xc:'rgb(40,160,90)' -units PixelsPerInch -density 144 "$work/shot.png"
"$binary" --open "$work/shot.png" >"$work/corvane.log" 2>&1 &
pids+=($!)

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Corvane Editor$' | head -n 1)
[ -n "$window" ] || fail "no editor window appeared"
xdotool windowactivate --sync "$window" >/dev/null 2>&1
sleep 0.5

# Where the picture sits on screen: the bounding box of its colour.
import -window root "$work/screen.png"
box=$(convert "$work/screen.png" -fill black +opaque 'rgb(40,160,90)' -format '%@' info:)
[[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "picture not found on screen ($box)"
read -r w h x y <<<"${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
[ "$w" = 400 ] && [ "$h" = 300 ] || fail "picture shown at ${w}x${h}, expected 400x300 (half its pixels)"

# Drag 200 x 150 screen pixels: 400 x 300 image pixels, from (100, 80) to (500, 380).
xdotool mousemove $((x + 50)) $((y + 40)) mousedown 1 mousemove $((x + 150)) $((y + 115)) \
    mousemove $((x + 250)) $((y + 190)) mouseup 1
sleep 0.3
[ -n "$artifacts" ] && { mkdir -p "$artifacts"; import -window root "$artifacts/editor.png"; }

xdotool key --clearmodifiers ctrl+alt+c
for _ in $(seq 100); do
    xclip -selection clipboard -t image/png -o >"$work/clip.png" 2>/dev/null && [ -s "$work/clip.png" ] && break
    sleep 0.1
done
[ -s "$work/clip.png" ] || fail "nothing on the clipboard"
[ "$(identify -format '%wx%h' "$work/clip.png")" = 800x600 ] || fail "clipboard picture is not 800x600"
[ "$(dpi "$work/clip.png")" = 144 ] || fail "clipboard picture is not recorded at 144 dpi"

# The outline is 6 image pixels wide (3 points at scale 2), centred on the dragged edges.
red="255,59,48"
green="40,160,90"
while read -r px py want what; do
    got=$(pixel "$work/clip.png" "$px" "$py")
    [ "$got" = "$want" ] || fail "$what at ($px, $py) is $got, expected $want"
done <<EOF_PIXELS
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
