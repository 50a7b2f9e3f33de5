#!/bin/sh
# Starts the editor on a sample ROM under a private Xvfb, opens the ROM through the
# real file dialog, picks a species with the keyboard and saves a screenshot.
# With a fourth argument, More Data (more) or Moves and Evolutions (moves; tutors: on
# its Tutors tab) is opened too and its window is shot instead; or (compare ORIGINAL)
# File > Compare with ROM... against ORIGINAL, and the comparison is shot.
# Usage: scripts/screenshot.sh BUILD_DIR ROM OUT.png [more|moves|tutors|compare ORIGINAL]
set -eu
build=$1 rom=$(realpath "$2") out=$3 more=${4:-} original=${5:-}
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
# Garchomp, by typing the start of its name as a person would.
xdotool type --delay 20 Garc
sleep 0.5
if [ "$more" = more ]; then
  xdotool key ctrl+m
  win=$(xdotool search --sync --name '^More Data' | head -n 1)
  sleep 0.5
elif [ "$more" = moves ] || [ "$more" = tutors ]; then
  xdotool key ctrl+e
  win=$(xdotool search --sync --name '^Moves and Evolutions' | head -n 1)
  sleep 0.5
  if [ "$more" = tutors ]; then
    xdotool key --window "$win" alt+t
    sleep 0.3
  fi
fi
if [ "$more" = compare ]; then
  # File > Compare with ROM..., the third entry of the File menu.
  xdotool key alt+f
  sleep 0.3
  xdotool key Down Down Return
  sleep 1
  xdotool type --delay 5 "$(realpath "$original")"
  xdotool key Return
  win=$(xdotool search --sync --name '^Compare with ROM' | head -n 1)
  sleep 0.5
fi
position=$(xdotool getwindowgeometry "$win" | awk '/Position/ {print $2}')
size=$(xdotool getwindowgeometry "$win" | awk '/Geometry/ {print $2}')
import -window root -crop "$size+${position%,*}+${position#*,}" "$out"
echo "wrote $out"
