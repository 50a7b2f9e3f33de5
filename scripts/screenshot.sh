#!/bin/sh
# Starts the editor on a sample ROM under a private Xvfb, opens the ROM through the
# real file dialog, picks a species with the keyboard and saves a screenshot.
# Usage: scripts/screenshot.sh BUILD_DIR ROM OUT.png
set -eu
build=$1 rom=$(realpath "$2") out=$3
. "$(dirname "$0")/xvfb.sh"
app=
trap 'kill $app $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "${runtime:-}"' EXIT
runtime=$(mktemp -d)
XDG_RUNTIME_DIR=$runtime "$build/src/quillmark" &
app=$!
win=$(xdotool search --sync --name '^Quillmark$' | head -n 1)
xdotool windowfocus --sync "$win"
xdotool key ctrl+o
sleep 1
xdotool type --delay 5 "$rom"
xdotool key Return
sleep 1
xdotool windowfocus --sync "$win"
# Click the first entry of the species list.
xdotool mousemove --window "$win" 40 "$(( $(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2,a,"x"); print a[2]}') - 472 + 150 ))" click 1
sleep 0.3
# End, then up to Garchomp (list index 444).
xdotool key End
sleep 0.2
xdotool key --delay 2 $(for _ in $(seq 1 48); do printf 'Up '; done)
sleep 0.5
import -window root -crop "$(xdotool getwindowgeometry "$win" | awk '/Geometry/ {print $2}')+0+0" "$out"
echo "wrote $out"
