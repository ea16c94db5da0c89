#!/usr/bin/env bash
# Runs `corvane --selftest` as a user would, with no display, and checks its report, status and file.
# usage: selftest_cli.sh BINARY pass|unwritable|default
set -u
binary=$1
case_name=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# The self-check needs no screen: it must choose the offscreen platform by itself.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() { echo "FAIL: $*"; echo "--- output ---"; cat "$work/stdout"; exit 1; }

expected_checks() {
    cat <<'LINES'
  ok   canvas uses a flipped (top-left origin) coordinate space
  ok   canvas bounds match image pixels
  ok   rectangle edge hit-tests true
  ok   rectangle interior hit-tests false
  ok   line midpoint hit-tests true
  ok   point away from line hit-tests false
  ok   bottom-right handle resize
  ok   dragging a handle past its opposite normalizes
  ok   text fitting height accounts for the font
  ok   highlighter hit-tests along its path only
  ok   pen hit-tests along its path only
  ok   step marker is a circle sized by its font
  ok   steps renumber without a gap
  ok   redaction hit-tests inside its box
  ok   pixelated redaction replaces its box with blocks
  ok   a line over a redaction stays visible
  ok   solid redaction is exactly its colour
  ok   undo removes the last annotation
  ok   redo restores it
  ok   export keeps full pixel resolution (1200×800)
LINES
}

expected_tail() {
    cat <<LINES
  ok   exported top-left stays red (not vertically flipped)
  ok   exported bottom-right stays blue (not vertically flipped)

$1
LINES
}

check_picture() {
    local file=$1
    [ -f "$file" ] || fail "no file at $file"
    local facts
    facts=$(identify -units PixelsPerInch -format '%w %h %[fx:round(resolution.x)]' "$file" 2>&1)
    [ "$facts" = "1200 800 144" ] || fail "expected a 1200x800 PNG at 144 dpi, identify says: $facts"
}

case $case_name in
pass)
    "$binary" --selftest "$work/out.png" >"$work/stdout" 2>"$work/stderr"
    status=$?
    [ $status -eq 0 ] || fail "exit status $status, expected 0"
    bytes=$(stat -c %s "$work/out.png")
    { expected_checks; echo "  ok   wrote $work/out.png ($bytes bytes)"; expected_tail "All self-tests passed."; } >"$work/expected"
    diff -u "$work/expected" "$work/stdout" || fail "report differs"
    check_picture "$work/out.png"
    ;;
unwritable)
    target="$work/missing/dir/out.png"
    "$binary" --selftest "$target" >"$work/stdout" 2>"$work/stderr"
    status=$?
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    head -n 20 "$work/stdout" >"$work/head"
    expected_checks >"$work/expected"
    diff -u "$work/expected" "$work/head" || fail "checks before the write differ"
    sed -n 21p "$work/stdout" | grep -q "^  FAIL could not write $target: ." || fail "no 'could not write' line"
    tail -n 4 "$work/stdout" >"$work/tail"
    expected_tail "1 self-test(s) failed." >"$work/expected"
    diff -u "$work/expected" "$work/tail" || fail "orientation lines or summary differ"
    [ ! -e "$work/missing" ] || fail "the missing directory was created"
    ;;
default)
    "$binary" --selftest >"$work/stdout" 2>"$work/stderr"
    status=$?
    [ $status -eq 0 ] || fail "exit status $status, expected 0"
    grep -q "^  ok   wrote selftest.png (" "$work/stdout" || fail "did not write selftest.png"
    check_picture "$work/selftest.png"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok: $case_name"
