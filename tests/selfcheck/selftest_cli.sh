#!/usr/bin/env bash
# Runs `corvane --selftest` as a user would, with no display (it must choose the offscreen platform by
# itself), and checks its report, status and file: the twenty checks and the two orientation checks
# pass around the line of the write, which fails (status 1) when its folder does not exist.
# usage: selftest_cli.sh BINARY pass|unwritable|default
set -u
binary=$1 case_name=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "FAIL: $*"; cat stdout; exit 1; }
#        target                       status  line 21                                          summary
case $case_name in
pass) row=("$work/out.png"            0 "  ok   wrote $work/out.png ("                     "All self-tests passed.") ;;
unwritable) row=("$work/missing/out.png" 1 "  FAIL could not write $work/missing/out.png: " "1 self-test(s) failed.") ;;
default) row=(""                      0 "  ok   wrote selftest.png ("                      "All self-tests passed.") ;;
*) fail "unknown case" ;;
esac
"$binary" --selftest ${row[0]:+"${row[0]}"} >stdout 2>stderr
status=$?
[ $status = "${row[1]}" ] || fail "exit status $status, expected ${row[1]}"
[ "$(sed -n '1,20p;22,23p' stdout | grep -c '^  ok   ')" = 22 ] || fail "not every check passed"
[[ $(sed -n 21p stdout) == "${row[2]}"* ]] || fail "line 21 is not: ${row[2]}"
[ "$(tail -n 2 stdout | xargs)" = "${row[3]}" ] && [ "$(wc -l <stdout)" = 25 ] || fail "the summary is not: ${row[3]}"
if [ $status = 1 ]; then
    [ ! -e missing ] || fail "the missing folder was created"
else
    picture=${row[0]:-selftest.png}
    [ "$(identify -units PixelsPerInch -format '%w %h %[fx:round(resolution.x)]' "$picture")" = "1200 800 144" ] ||
        fail "$picture is not a 1200x800 PNG at 144 dpi"
fi
echo "ok: $case_name"
