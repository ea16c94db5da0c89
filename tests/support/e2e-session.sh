# Sourced by the end-to-end scripts after they set `case_name`: a scratch HOME with a Desktop, the
# processes to end on exit, a failure report, and openbox managing windows.
# shellcheck shell=bash
work=$(mktemp -d)
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME/Desktop" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL (${case_name:-}): $*"
    cat "$work/corvane.log" 2>/dev/null
    xwininfo -root -tree 2>/dev/null | grep -iE 'corvane|openbox' | head -n 20
    exit 1
}
visible_windows() { xdotool search --onlyvisible --class corvane 2>/dev/null | wc -l; }

# Openbox's own configuration holds Print (for another screenshot program); a case that needs the key
# sets `openbox_without_print`.
openbox_options=()
if [ -n "${openbox_without_print:-}" ]; then
    sed '/<keybind key="Print">/,/<\/keybind>/d' /etc/xdg/openbox/rc.xml >"$work/openbox-rc.xml"
    openbox_options=(--config-file "$work/openbox-rc.xml")
fi
# A window mapped while the window manager is still starting can be left unmapped for good.
openbox "${openbox_options[@]}" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
