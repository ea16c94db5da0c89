#!/usr/bin/env bash
# Runs `corvane --uitest` as a user would, into an output folder whose parents do not exist yet, and
# checks its report and its four pictures: offscreen on one monitor at ratio 2, or on a virtual X server
# (tests/support/with-xvfb.sh, 1280 x 800); with a file where the folder should go, every write fails.
# usage: uitest_cli.sh BINARY offscreen|xvfb|unwritable
set -u
binary=$1 mode=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail() { echo "FAIL: $*"; cat stdout stderr; exit 1; }
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
# near PICTURE X% Y% R G B: the pixel that far across and down is within 4 of that colour.
near() {
    read -r r g b < <(pixel "$1" $((width * ratio * $2 / 100)) $((height * ratio * $3 / 100)))
    for d in $((r - $4)) $((g - $5)) $((b - $6)); do [ "${d#-}" -le 4 ] || return 1; done
}
if [ "$mode" = xvfb ]; then
    read -r width height < <(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1 \2/p')
    ratio=1
else
    unset DISPLAY WAYLAND_DISPLAY
    export QT_QPA_PLATFORM="offscreen:configfile=$here/retina-screen.json"
    width=1440 height=900 ratio=2
fi
# The user's settings never reach the pictures: a file full of bad values is not even read.
export XDG_CONFIG_HOME="$work/config"
mkdir -p config/corvane
printf '[save]\nformat=gif\n[capture]\nafter=copy\n' >config/corvane/corvane.conf
[ "$mode" = unwritable ] && touch out
timeout 30 "$binary" --uitest "$work/out/nested" >stdout 2>stderr || fail "exit status $?, expected 0"
grep -q corvane.conf stderr && fail "the settings file was read"
[ "$(wc -l <stdout)" = 4 ] || fail "not four lines"
n=0
for name in editor overlay-idle overlay-selecting preferences; do
    n=$((n + 1))
    line=$(sed -n ${n}p stdout)
    if [ "$mode" = unwritable ]; then
        [[ $line == "  FAIL writing $work/out/nested/$name.png: "?* ]] || fail "line $n is not a write failure"
        continue
    fi
    # One pixel per device pixel; the overlays cover the monitor.
    [[ $line =~ ^"  ok   wrote $work/out/nested/$name.png ("([0-9]+)×([0-9]+)")"$ ]] || fail "line $n is not $name's"
    size=("${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")
    [ "$(identify -format %wx%h "out/nested/$name.png")" = "$((size[0] * ratio))x$((size[1] * ratio))" ] || fail "$name.png is not ${size[*]} at ratio $ratio"
    [[ $name != overlay* ]] || [ "${size[*]}" = "$width $height" ] || fail "$name is not the monitor's size"
done
[ "$mode" = unwritable ] && { echo "ok: $mode"; exit 0; }
# The preferences window is laid out (not squeezed) and has text (dark pixels on the light window).
[ "${size[0]}" -ge 300 ] && [ "${size[1]}" -ge 300 ] || fail "the preferences window is ${size[*]}: too small"
[ "$(convert out/nested/preferences.png -threshold 50% -format '%[fx:round(1000*(1-mean))]' info:)" -gt 20 ] || fail "no text in preferences.png"
# The selection covers 34 % to 72 % down: at 30 % across, 69 % down lies the blue panel, inside it; at
# 60 % across, 31 % down the dark panel, outside it.
near out/nested/overlay-idle.png 30 69 28 75 116 || fail "idle overlay not dimmed"
near out/nested/overlay-selecting.png 30 69 51 136 210 || fail "selection not bright"
near out/nested/overlay-selecting.png 60 31 21 21 22 || fail "outside the selection not dimmed"
# The editor: a real picture with the red rectangle, selected (accent-coloured handles).
editor=out/nested/editor.png
[ "$(identify -format %k $editor)" -gt 500 ] || fail "editor.png has too few colours"
for colour in '#FF3B30' '#007AFF'; do
    [ "$(convert $editor -fill black +opaque "$colour" -fill white -opaque "$colour" -format '%[fx:round(mean*w*h)]' info:)" -gt 0 ] || fail "no $colour in editor.png"
done
echo "ok: $mode"
