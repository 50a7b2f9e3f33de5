#!/bin/sh
# Start-up to the first shown window and peak memory of the editor under Xvfb,
# as the median of RUNS starts. Usage: scripts/measure-startup.sh BUILD_DIR [RUNS]
set -eu
build=$1 runs=${2:-11}
. "$(dirname "$0")/xvfb.sh"
runtime=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime
times="" rss=""
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  /usr/bin/time -v -o "$runtime/time" "$build/src/quillmark" 2>"$runtime/stderr" &
  app=$!
  # xdotool's own --sync polls twice a second; poll more often.
  until xdotool search --onlyvisible --name '^Quillmark$' >/dev/null 2>&1; do
    kill -0 "$app" 2>/dev/null || { echo "the editor did not start:" >&2; cat "$runtime/stderr" >&2; ps -p $xvfb -o pid,stat,cmd >&2; ls /tmp/.X11-unix >&2; exit 1; }
    sleep 0.005
  done
  shown=$(date +%s%N)
  sleep 0.5  # let it settle, so the peak includes the first paint
  # The editor is the child of time(1), and only that process is ended: a user's own
  # editor, open with unsaved edits, is never touched.
  editor=$(ps -o pid= --ppid "$app" | tr -d ' ')
  [ -n "$editor" ] && kill -TERM "$editor" 2>/dev/null || true
  wait "$app" || true
  times="$times $(( (shown - start) / 1000000 ))"
  rss="$rss $(awk -F: '/Maximum resident/ {gsub(/ /,"",$2); print $2}' "$runtime/time")"
done
median() { printf '%s\n' $1 | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "start-up to first shown window: median $(median "$times") ms (runs:$times)"
echo "peak resident memory: median $(( $(median "$rss") / 1024 )) MB (KiB:$rss)"
