#!/bin/sh
# quillmark.exe under wine on a private X server, driven by keys as a person would:
# it starts with its main window, opens a ROM through the system's own open-file
# dialog (the path typed, Enter), loads Garchomp, sets HP 110, saves, types HP 111 and
# quits with Ctrl+Q, cancelling the question first and then discarding the edit. The
# file must then hold the bytes the Linux build writes for the saved edit.
# With a third argument, a picture of the screen goes there before the save.
# Usage: scripts/windows-window-test.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR [SHOT.png]
set -eu
linux=$(realpath "$1") windows=$(realpath "$2") shot=${3:-}
root=$(realpath "$(dirname "$0")/..")
export WINEPREFIX="$windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A wine started without a display (the tests before) would keep this one from any.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
. "$root/scripts/xvfb.sh"
work=$(mktemp -d "$windows/window.XXXXXX")
app=
cleanup() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "windows-window-test: $*" >&2; [ -z "$app" ] || kill "$app" 2>/dev/null; exit 1; }
window() { timeout 60 xdotool search --sync --name "$1" | head -n 1; }

# Every letter drawn by the fonts of the real Windows platform, not only offscreen.
(cd "$windows/tests" && QT_QPA_PLATFORM=windows wine app_tests.exe --gtest_filter='Fonts.*') ||
  fail "a letter of the windows is not drawn under wine"

"$linux/tools/quillmark-mkrom" "$work/rom.nds" --code ADAE --data "$root/samples/dp_personal_members.csv" >/dev/null
cp "$work/rom.nds" "$work/linux.nds"
winrom="Z:$(printf '%s' "$work/rom.nds" | tr / '\\')"

wine "$windows/src/quillmark.exe" >"$work/stderr" 2>&1 &
app=$!
main=$(window '^Quillmark$') || fail "no window titled Quillmark appeared"
[ -n "$main" ] || fail "no window titled Quillmark appeared"
sleep 1
xdotool windowfocus --sync "$main"
xdotool key ctrl+o
dialog=$(window '^Open Pok') || fail "the open-file dialog did not appear"
[ -n "$dialog" ] || fail "the open-file dialog did not appear"
sleep 1
xdotool windowfocus --sync "$dialog"
xdotool type --delay 10 "$winrom"
xdotool key Return
sleep 2
# The species list has the focus again: typing picks Garchomp, Tab goes on to HP.
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool type --delay 50 Garc
sleep 1
xdotool key Tab ctrl+a
xdotool type --delay 20 110
sleep 0.5
if [ -n "$shot" ]; then
  position=$(xdotool getwindowgeometry "$main" | awk '/Position/ {print $2}')
  size=$(xdotool getwindowgeometry "$main" | awk '/Geometry/ {print $2}')
  import -window root -crop "$size+${position%,*}+${position#*,}" "$shot"
  echo "wrote $shot"
fi
xdotool key ctrl+s
# "Pokémon Data Saved Successfully!" in a box with the application's title.
sleep 2
xdotool key Return
sleep 1
xdotool windowfocus --sync "$main" 2>/dev/null || true
# An edit not saved: Ctrl+Q asks "Save changes to Garchomp?" in a box of the
# application's title; Escape cancels it and the program stays, Discard ends it.
xdotool key Tab ctrl+a
xdotool type --delay 20 111
sleep 0.5
xdotool key ctrl+q
sleep 2
# The main window carries the pending mark ("Quillmark*"); the box alone is "Quillmark".
xdotool search --name '^Quillmark\*$' >/dev/null || fail "no pending mark on the main window"
xdotool search --name '^Quillmark$' >/dev/null || fail "Ctrl+Q with an edit pending asked nothing"
xdotool key Escape
sleep 1
kill -0 "$app" 2>/dev/null || fail "quillmark.exe ended although the question was cancelled"
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key ctrl+q
sleep 2
xdotool key Tab space
timeout 30 sh -c "while kill -0 $app 2>/dev/null; do sleep 0.2; done" || fail "quillmark.exe did not end on Ctrl+Q, Discard"
app=

"$linux/src/quillmark-cli" set "$work/linux.nds" Garchomp hp=110 >/dev/null
cmp "$work/rom.nds" "$work/linux.nds" || fail "quillmark.exe wrote other bytes than the Linux build"
echo "windows-window-test: quillmark.exe opened, edited and saved the ROM as the Linux build does"
