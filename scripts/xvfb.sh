# Sourced by the scripts that need a private X server: starts Xvfb on a free display
# and exports DISPLAY; the caller kills $xvfb when done. XVFB_SCREEN sets the screen
# (1024x768 unless given); XVFB_WM=openbox starts that window manager on it, killed
# with the server.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -screen 0 "${XVFB_SCREEN:-1024x768}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
# -noreset: a server that resets when its last client leaves refuses the next one
# for a moment. Wait until it answers before going on.
tries=0
until xdotool getdisplaygeometry >/dev/null 2>&1; do
  tries=$((tries + 1))
  [ "$tries" -lt 200 ] || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done

if [ "${XVFB_WM:-}" = openbox ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  # Until it has taken the screen: it then owns the WM_S0 selection.
  tries=0
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    [ "$tries" -lt 200 ] || { echo "openbox did not start" >&2; exit 1; }
    sleep 0.05
  done
fi
