#!/usr/bin/env bash
# Corvane: screenshot and annotation utility.
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and checks the result: exactly the expected files, an
# installed binary that runs, and the desktop entry, the metainfo and the manual page accepted by
# their validators and consistent with each other.
# usage: install_tree.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
id=io.github.corvane.Corvane
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in desktop-file-validate appstreamcli groff; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; echo "FAIL: cmake --install failed"; exit 1; }

# Every file where a desktop looks for it, and nothing else.
expected="bin/corvane
libexec/corvane/corvane-program
libexec/corvane/corvane-recognizer
share/applications/$id.desktop
share/icons/hicolor/scalable/apps/$id.svg
share/icons/hicolor/symbolic/apps/$id-symbolic.svg
share/man/man1/corvane.1
share/metainfo/$id.metainfo.xml"
actual=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$actual"))"
[ -x "$prefix/bin/corvane" ] || fail "bin/corvane is not executable"
[ -x "$prefix/libexec/corvane/corvane-program" ] || fail "the program bin/corvane starts is not executable"

# The installed binary, not the one in the build tree, must run.
(cd "$work" && QT_QPA_PLATFORM=offscreen "$prefix/bin/corvane" --selftest "$work/selftest.png" >"$work/selftest.log" 2>&1) ||
    fail "installed corvane --selftest failed: $(tail -3 "$work/selftest.log")"

# Desktop entry: no errors or warnings (hints are allowed), and pointing at what was installed.
desktop=$prefix/share/applications/$id.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
if grep -E 'error:|warning:' <<<"$out"; then fail "desktop-file-validate reported problems"; fi
grep -qx 'Exec=corvane' "$desktop" || fail "Exec= is not the installed binary"
for action in region window screen; do
    grep -qx "Exec=corvane --capture-$action" "$desktop" || fail "no launcher action for --capture-$action"
done
grep -qx "Icon=$id" "$desktop" || fail "Icon= is not the installed icon"

# Metainfo on its own, then the installed tree (which also checks that its launchable exists).
metainfo=$prefix/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/as.log" 2>&1 || { cat "$work/as.log"; fail "appstreamcli validate"; }
appstreamcli validate-tree --no-net "$prefix" >"$work/tree.log" 2>&1 || { cat "$work/tree.log"; fail "appstreamcli validate-tree"; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "launchable is not $id.desktop"

# Manual page: no groff warnings, and every switch documented.
man=$prefix/share/man/man1/corvane.1
warnings=$(groff -man -ww -z "$man" 2>&1) || fail "groff failed"
[ -z "$warnings" ] || fail "groff warnings: $warnings"
text=$(groff -man -Tascii -P-c -P-b -P-u "$man" 2>/dev/null)
# The switches the installed binary's --help lists: the manual page and the README document each.
switches=$("$prefix/bin/corvane" --help | grep -o '^  --[a-z-]*' | tr -d ' ')
[ "$(wc -l <<<"$switches")" -ge 13 ] || fail "--help lists too few switches: $switches"
readme=$(dirname "$0")/../../README.md
for switch in $switches; do
    grep -q -- "$switch" <<<"$text" || fail "the manual page does not mention $switch"
    grep -q -- "\`[^\`]*$switch" "$readme" || fail "the README does not mention $switch"
done

[ $failures -eq 0 ] && echo "ok: installed tree in $prefix checked"
[ $failures -eq 0 ]
