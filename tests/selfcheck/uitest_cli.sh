#!/usr/bin/env bash
# Runs `corvane --uitest` as a user would, into an output folder whose parents do not exist yet, and
# checks its report and its four pictures.
# usage: uitest_cli.sh BINARY offscreen|xvfb|unwritable   (xvfb: run it through tests/support/with-xvfb.sh)
set -u
binary=$1
mode=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

fail() { echo "FAIL: $*"; echo "--- stdout ---"; cat "$work/stdout"; echo "--- stderr ---"; cat "$work/stderr"; exit 1; }
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# near "r,g,b" "r,g,b": every component within 4.
near() {
    local IFS=,
    read -r r1 g1 b1 <<<"$1"
    read -r r2 g2 b2 <<<"$2"
    for d in $((r1 - r2)) $((g1 - g2)) $((b1 - b2)); do
        [ "${d#-}" -le 4 ] || return 1
    done
}
count() { convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:; }
box() { convert "$1" -fuzz "$3" -fill black +opaque "$2" -format '%@' info:; }

case $mode in
offscreen | unwritable)
    unset DISPLAY WAYLAND_DISPLAY
    export QT_QPA_PLATFORM="offscreen:configfile=$here/retina-screen.json"
    logical=(1440 900)
    ratio=2
    ;;
xvfb)
    [ -n "${DISPLAY:-}" ] || { echo "FAIL: no DISPLAY; run through with-xvfb.sh"; exit 1; }
    read -r width height < <(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1 \2/p')
    logical=("$width" "$height")
    ratio=1
    ;;
*)
    echo "unknown mode $mode"
    exit 2
    ;;
esac

# The user's settings never reach the pictures: a file full of bad values is not even read.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/corvane"
printf '[save]\nformat=gif\n[capture]\nafter=copy\n' >"$XDG_CONFIG_HOME/corvane/corvane.conf"

out="$work/out/nested"
# A file where the output folder should go: every write fails, and the mode still ends with 0.
[ "$mode" = unwritable ] && touch "$work/out"
timeout 30 "$binary" --uitest "$out" >"$work/stdout" 2>"$work/stderr"
status=$?
[ $status -eq 0 ] || fail "exit status $status, expected 0"
grep -q corvane.conf "$work/stderr" && fail "the settings file was read"

if [ "$mode" = unwritable ]; then
    [ "$(wc -l <"$work/stdout")" -eq 4 ] || fail "expected exactly four lines"
    n=0
    for name in editor overlay-idle overlay-selecting preferences; do
        n=$((n + 1))
        sed -n "${n}p" "$work/stdout" | grep -q "^  FAIL writing $out/$name.png: ." || fail "line $n is not a write failure"
    done
    echo "ok: $mode"
    exit 0
fi

# The report: the editor's size depends on the window, the overlays' on the monitor.
[ "$(wc -l <"$work/stdout")" -eq 4 ] || fail "expected exactly four lines"
[[ $(sed -n 1p "$work/stdout") =~ ^"  ok   wrote $out/editor.png ("([0-9]+)×([0-9]+)")"$ ]] ||
    fail "first line is not the editor's"
editor_size=("${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")
for line in 2:overlay-idle 3:overlay-selecting; do
    want="  ok   wrote $out/${line#*:}.png (${logical[0]}×${logical[1]})"
    [ "$(sed -n "${line%%:*}p" "$work/stdout")" = "$want" ] || fail "line ${line%%:*} is not: $want"
done

[[ $(sed -n 4p "$work/stdout") =~ ^"  ok   wrote $out/preferences.png ("([0-9]+)×([0-9]+)")"$ ]] ||
    fail "fourth line is not the preferences window's"
preferences_size=("${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")

# Every picture has one pixel per device pixel.
device="$((logical[0] * ratio))x$((logical[1] * ratio))"
for name in overlay-idle overlay-selecting; do
    [ -f "$out/$name.png" ] || fail "no $name.png"
    [ "$(identify -format '%wx%h' "$out/$name.png")" = "$device" ] || fail "$name.png is not $device"
done
[ -f "$out/editor.png" ] || fail "no editor.png"
want="$((editor_size[0] * ratio))x$((editor_size[1] * ratio))"
[ "$(identify -format '%wx%h' "$out/editor.png")" = "$want" ] || fail "editor.png is not $want"
want="$((preferences_size[0] * ratio))x$((preferences_size[1] * ratio))"
[ "$(identify -format '%wx%h' "$out/preferences.png")" = "$want" ] || fail "preferences.png is not $want"

# The preferences window: laid out (wider than its widest field needs, so not squeezed), with the
# default file name in its preview and text drawn (dark pixels on the light window).
[ "${preferences_size[0]}" -ge 300 ] && [ "${preferences_size[1]}" -ge 300 ] ||
    fail "the preferences window is ${preferences_size[*]}, too small to show its fields"
[ "$(convert "$out/preferences.png" -threshold 50% -format '%[fx:round(1000*(1-mean))]' info:)" -gt 20 ] ||
    fail "preferences.png has no text"

# The overlays: the selection covers 34 % to 72 % down once turned upright (28 % to 66 % if not). At
# 30 % across, 69 % down lies the blue panel, inside it; at 60 % across, 31 % down the dark panel,
# outside it.
blue=($((logical[0] * ratio * 30 / 100)) $((logical[1] * ratio * 69 / 100)))
dark=($((logical[0] * ratio * 60 / 100)) $((logical[1] * ratio * 31 / 100)))
near "$(pixel "$out/overlay-idle.png" "${blue[@]}")" 28,75,116 || fail "idle overlay not dimmed"
near "$(pixel "$out/overlay-selecting.png" "${blue[@]}")" 51,136,210 || fail "selection not bright"
near "$(pixel "$out/overlay-selecting.png" "${dark[@]}")" 21,21,22 || fail "outside the selection not dimmed"

# The editor: a real picture with the red rectangle, and the rectangle selected. Below the menu and
# tool bars (the lower 85 %) only the rectangle is red and only its handles are white, so the white
# handles must frame the red outline within half a handle.
editor="$out/editor.png"
[ "$(identify -format '%k' "$editor")" -gt 500 ] || fail "editor.png has too few colours"
[ "$(count "$editor" '#FF3B30')" -gt 0 ] || fail "no red in editor.png"
[ "$(count "$editor" '#007AFF')" -gt 0 ] || fail "no accent colour in editor.png"
convert "$editor" -gravity south -crop 100%x85%+0+0 +repage "$work/canvas.png"
[[ $(box "$work/canvas.png" '#FF3B30' 3%) =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no red outline"
red=("${BASH_REMATCH[@]:1}")
[[ $(box "$work/canvas.png" white 2%) =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no handles"
white=("${BASH_REMATCH[@]:1}")
reach=$((4 * ratio))
left=$((red[2] - white[2]))
top=$((red[3] - white[3]))
right=$((white[2] + white[0] - red[2] - red[0]))
bottom=$((white[3] + white[1] - red[3] - red[1]))
for side in $left $top $right $bottom; do
    [ "$side" -ge 0 ] && [ "$side" -le $reach ] ||
        fail "handles (${white[*]}) do not frame the rectangle (${red[*]})"
done
echo "ok: $mode"
