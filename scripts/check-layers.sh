#!/bin/sh
# Every include of the sources points down the layers or stays in its own:
#   app -> dialogs, species, rom, platform;  cli -> species, rom, platform;
#   species -> rom, platform;  rom -> platform;  dialogs and platform -> themselves.
# Usage: scripts/check-layers.sh [SRC_DIR]   (exit 1, naming each include that runs up)
set -eu
src=${1:-$(dirname "$0")/../src}
allowed() {
  case "$1" in
    app) echo "app dialogs species rom platform" ;;
    cli) echo "cli species rom platform" ;;
    species) echo "species rom platform" ;;
    rom) echo "rom platform" ;;
    dialogs) echo "dialogs" ;;
    platform) echo "platform" ;;
  esac
}
status=0
for layer in app cli species rom dialogs platform; do
  [ -d "$src/$layer" ] || continue
  ok=$(allowed "$layer")
  # Each quoted include of a layer folder: file, line, the folder it names.
  for hit in $(grep -rnoE '^#include "[a-z]+/' "$src/$layer" | tr -d ' '); do
    target=$(printf '%s' "$hit" | sed -E 's/.*#include"([a-z]+)\/$/\1/')
    case " $ok " in
      *" $target "*) ;;
      *) echo "check-layers: ${hit%%:#include*} includes $target/, above $layer/" >&2; status=1 ;;
    esac
  done
done
exit $status
