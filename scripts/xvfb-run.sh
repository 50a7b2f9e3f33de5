#!/bin/sh
# Runs a command against a private Xvfb on the xcb platform, for the tests that need
# focus to change as a window manager changes it.
# Usage: scripts/xvfb-run.sh COMMAND [ARG...]
set -eu
. "$(dirname "$0")/xvfb.sh"
runtime=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb QUILLMARK_EXPECT_X=1 "$@"
