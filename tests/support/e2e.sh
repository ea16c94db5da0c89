# The end-to-end driver, sourced by tests/e2e/*.sh once they have set `binary` and `case_name`: a scratch
# HOME with a Desktop, a virtual desktop, the program, waiting on conditions, the clipboard and pixel
# comparison. Everything started is ended on exit.
# shellcheck shell=bash
set -u
work=$(mktemp -d)
chmod 755 "$work" # sway runs its background painter under a uid of its own
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME/Desktop" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pids=() servers=() mounts=()
# The program and its helpers end before the servers they are clients of. (`wait` with no process waits
# for all.)
cleanup() {
    [ ${#pids[@]} = 0 ] || { kill "${pids[@]}"; wait "${pids[@]}"; } 2>/dev/null
    [ ${#servers[@]} = 0 ] || { kill "${servers[@]}"; wait "${servers[@]}"; } 2>/dev/null
    for m in "${mounts[@]}"; do umount -l "$m"; done 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL (${case_name:-}): $*"
    tail -n 40 "$work/corvane.log" 2>/dev/null
    exit 1
}
# wait_for CONDITION [SECONDS]: until the shell code CONDITION holds, 30 seconds at the most.
wait_for() {
    local end=$((SECONDS + ${2:-30}))
    until eval "$1"; do
        ((SECONDS <= end)) || return 1
        sleep 0.1
    done
}
# await CONDITION MESSAGE: wait_for, or the case fails with MESSAGE. check: the same at once.
await() { wait_for "$1" || fail "$2"; }
check() { eval "$1" || fail "$2"; }
# press KEY CONDITION: KEY until CONDITION holds. A key pressed before the program's window or keyboard
# grab is ready goes elsewhere; a further press is dropped during a capture and, once a menu has gone,
# reaches nothing of ours.
press() {
    for _ in $(seq 15); do
        key "$1"
        wait_for "$2" 3 && return 0
    done
    return 1
}
# start [ARGS...]: the program (through $launch when set), its output in corvane.log, its process in $app.
start() {
    ${launch:-} "$binary" "$@" >>"$work/corvane.log" 2>&1 &
    app=$!
    pids+=("$app")
}
alive() { kill -0 "${1:-$app}" 2>/dev/null; }

# x_server SIZE: a virtual X server in $x_display, F13 in its keymap as a PC keyboard has.
x_server() {
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    servers+=($!)
    wait_for '[ -s "$work/display" ]' 10 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    x_display=":$(head -n 1 "$work/display")"
    rm "$work/display"
    DISPLAY=$x_display xmodmap -e 'keycode 191 = F13'
}
# x_screen [two-monitors|WxH]: the program's virtual X server of 1280 x 800 (or of that size), or of
# 4480 x 1440 split into MON-A (1920 x 1080 at ratio 1) and MON-B (2560 x 1440 device pixels over
# 339 mm: ratio 2).
x_screen() {
    monitors=1
    local size=1280x800
    [[ ${1:-} =~ ^[0-9]+x[0-9]+$ ]] && size=$1
    x_server "$([ "${1:-}" = two-monitors ] && echo 4480x1440 || echo $size)"
    export DISPLAY=$x_display QT_QPA_PLATFORM=xcb
    # An X11 client with WAYLAND_DISPLAY set counts as being on XWayland and would capture through the portal.
    unset WAYLAND_DISPLAY
    [ "${1:-}" = two-monitors ] || return 0
    # Qt reads the monitors once, at start-up, and takes each one's ratio from its physical size.
    xrandr --setmonitor '*MON-A' 1920/508x1080/286+0+0 screen >/dev/null
    xrandr --setmonitor MON-B 2560/339x1440/191+1920+0 none >/dev/null
    export QT_USE_PHYSICAL_DPI=1
    monitors=2
}
# x_desktop [two-monitors] [tray] [print-free]: x_screen (two monitors with a known noise picture, $root,
# shown on them), openbox (which holds Print unless told), and a
# tray host (trayer) whose window is $panel.
x_desktop() {
    local rc=/etc/xdg/openbox/rc.xml
    if [[ " $* " = *" two-monitors "* ]]; then x_screen two-monitors && noise_root; else x_screen; fi
    if [[ " $* " = *" print-free "* ]]; then
        sed '/<keybind key="Print">/,/<\/keybind>/d' $rc >"$work/rc.xml"
        rc=$work/rc.xml
    fi
    # A window mapped while the window manager is still starting can be left unmapped for good.
    openbox --config-file $rc >/dev/null 2>&1 &
    pids+=($!)
    await 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' "openbox did not start"
    [[ " $* " = *" tray "* ]] || return 0
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
        >/dev/null 2>&1 &
    pids+=($!)
    await 'panel=$(xdotool search --name "^panel$" 2>/dev/null | head -n 1); [ -n "$panel" ]' "no tray host"
}
# docked: one tray icon of ours in the tray host's panel.
docked() { await '[ "$(xwininfo -tree -id "$panel" 2>/dev/null | grep -c "\"corvane\"")" = 1 ]' "not one tray icon"; }
# The noise picture is made once for all the cases of a build tree (CORVANE_E2E_CACHE) and only read.
noise_root() {
    root=${CORVANE_E2E_CACHE:-$work}/noise-4480x1440-20261207.ppm
    if [ ! -s "$root" ]; then
        mkdir -p "${root%/*}"
        convert -size 4480x1440 -seed 20261207 xc: +noise Random -depth 8 "$root.$$.ppm" && mv "$root.$$.ppm" "$root"
    fi
    show_root "$root"
}
show_root() { display -window root "$1" >/dev/null 2>&1 || true; }
key() { xdotool key "$@"; }
drag() { xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) mousemove "$3" "$4" mouseup 1; }
# ours: a line "ID WIDTHxHEIGHT PID NAME" for each visible window of ours, the tray icon left out.
ours() {
    local w icons=
    [ -n "${panel:-}" ] && icons=$(xwininfo -tree -id "$panel" 2>/dev/null | grep -o '0x[0-9a-f]*')
    for w in $(xdotool search --onlyvisible --class corvane 2>/dev/null); do
        grep -qx "$(printf '0x%x' "$w")" <<<"$icons" && continue
        echo "$w $(xwininfo -id "$w" 2>/dev/null | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')" \
            "$(xdotool getwindowpid "$w" 2>/dev/null || echo -) $(xdotool getwindowname "$w" 2>/dev/null)"
    done
}
# Overlays cover a whole monitor; the destination menu is the untitled window of ours that is none.
full='^[0-9]+ (1920x1080|2560x1440|1280x800|800x600) '
overlays() { ours | grep -cE "$full"; }
menu_up() { ours | grep -vE "$full" | grep -q ' corvane$'; }
titled() { ours | grep -qE "^[0-9]+ [0-9x]+ [0-9-]+ $1"; }
# overlays_up [COUNT]: F13 until an overlay is up on each monitor.
overlays_up() { press F13 "[ \"\$(overlays)\" = ${1:-$monitors} ]" || fail "no overlays after F13"; }
# editor_up: an editor window, in $editor. (A condition sees the positional parameters of wait_for.)
editor_up() { await 'editor=$(xdotool search --onlyvisible --name "^Corvane Editor" | head -n 1); [ -n "$editor" ]' "no editor"; }

# focus_on TITLE: a visible window of that title holds the X focus, in $focus; a key typed before it does
# goes to another window.
focus_on() {
    local title=$1
    await 'focus=$(xdotool getwindowfocus 2>/dev/null) && xdotool search --onlyvisible --name "^$title\$" | grep -qx "$focus"' \
        "$1 never took the focus"
}
# settled: the screen as it is now in $work/screen.png, once two readings in a row agree (windows paint
# themselves after mapping). changed: it is no longer so.
settled() {
    import -window root "$work/screen.png"
    await 'import -window root "$work/again.png"; same=$(compare -metric AE "$work/screen.png" "$work/again.png" null: 2>&1)
        mv "$work/again.png" "$work/screen.png"; [ "$same" = 0 ]' "the screen did not settle"
}
changed() { import -window root "$work/now.png" && [ "$(compare -metric AE "$work/screen.png" "$work/now.png" null: 2>&1)" != 0 ]; }
# walk KEY...: keys in a pop-up menu just opened. One sent before the menu holds the keyboard goes
# elsewhere, so the first is pressed until the menu shows it; the rest follow in order.
walk() {
    settled
    press "$1" changed || fail "the menu did not take $1"
    shift
    xdotool key --delay 80 "$@"
}
# on_bus: the program holds its name on the session bus, so that a later invocation reaches it.
on_bus() {
    await 'dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:io.github.corvane.Corvane 2>/dev/null | grep -q true' "the program is not on the bus"
}

# paste ARGS: the clipboard read (xclip or wl-paste arguments alike: -t TYPE).
paste() { xclip -selection clipboard -o "$@" 2>/dev/null; }
# clip_clear: the clipboard taken by other text first, so that an earlier picture is never read back.
clip_clear() {
    printf stale | xclip -selection clipboard
    await '[ "$(paste)" = stale ]' "the clipboard could not be taken"
}
# clip_png FILE: the picture on the clipboard, once there is one (xclip serves its text for any type).
clip_png() { await "paste -t image/png >'$1' && head -c 4 '$1' | grep -q PNG" "no picture on the clipboard"; }
# copy_from_menu: Copy to Clipboard in the destination menu, the picture read back into $work/clip.png.
copy_from_menu() {
    clip_clear
    await menu_up "no destination menu"
    press ctrl+c '! menu_up' || fail "the destination menu did not take Ctrl+C"
    clip_png "$work/clip.png"
}
# select_region X1 Y1 X2 Y2: the overlays up, and the region dragged out.
select_region() { overlays_up && drag "$@"; }
# save_from_menu: Save to Desktop in the destination menu, and the one file there.
save_from_menu() { menu_key ctrl+d '! menu_up' && await '[ "$(ls "$HOME/Desktop" | wc -l)" = 1 ]' "nothing was saved on the Desktop"; }
# menu_key KEY CONDITION: KEY in the destination menu until CONDITION holds.
menu_key() {
    await menu_up "no destination menu"
    press "$1" "$2" || fail "$1 in the destination menu did not lead to: $2"
}
# expect_pixels FILE GEOMETRY [PICTURE [FUZZ]]: FILE is that part of PICTURE (the root picture unless
# told), pixel for pixel (or within FUZZ %).
expect_pixels() {
    convert "${3:-$root}" -crop "$2" +repage "$work/expected.png"
    local differing
    differing=$(compare -metric AE -fuzz "${4:-0}%" "$1" "$work/expected.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "${1##*/} ($(identify -format %wx%h "$1")) differs from $2 of ${3:-the root}: $differing"
}
# write_config LINE...: the settings file, replaced at once as an editor or a dotfiles sync would.
write_config() {
    mkdir -p "$XDG_CONFIG_HOME/corvane"
    printf '%s\n' "$@" >"$XDG_CONFIG_HOME/corvane/new"
    mv "$XDG_CONFIG_HOME/corvane/new" "$XDG_CONFIG_HOME/corvane/corvane.conf"
}

