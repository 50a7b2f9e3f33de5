#!/bin/sh
# The Windows build's tests under wine, then quillmark-cli.exe end to end against the
# Linux build on the same input, in a folder named with accents and CJK characters.
# Usage: scripts/windows-test.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -eu
linux=$(realpath "$1") windows=$(realpath "$2") root=$(realpath "$(dirname "$0")/..")
export WINEPREFIX="$windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if ! wine cmd /c exit >"$windows/wine-start.log" 2>&1; then
  echo "windows-test: wine cannot start on this machine, so the Windows tests cannot run:" >&2
  cat "$windows/wine-start.log" >&2
  exit 1
fi

cd "$windows/tests"
wine core_tests.exe
wine cli_tests.exe
QT_QPA_PLATFORM=offscreen wine app_tests.exe

work=$(mktemp -d "$windows/e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
folder="$work/pé ünï 日本"
mkdir -p "$folder" "$work/linux"
winfolder="Z:$(printf '%s' "$folder" | tr / '\\')"
exe="$windows/src/quillmark-cli.exe" cli="$linux/src/quillmark-cli"
for game in ADAE:dp_personal.csv CPUE:pt_personal.csv; do
  code=${game%%:*} data=${game#*:}
  "$linux/tools/quillmark-mkrom" "$work/linux/rom.nds" --code "$code" --data "$root/samples/$data" >/dev/null
  cp "$work/linux/rom.nds" "$folder/rom.nds"
  wine "$exe" export "$winfolder\\rom.nds" -o "$winfolder\\species.csv"
  "$cli" export "$work/linux/rom.nds" -o "$work/linux/species.csv"
  cmp "$folder/species.csv" "$work/linux/species.csv"
  sed 's/^444,445,Garchomp,108,130,/444,445,Garchomp,110,131,/' "$folder/species.csv" >"$work/edited.csv"
  cp "$work/edited.csv" "$folder/edited.csv"
  wine "$exe" import "$winfolder\\rom.nds" "$winfolder\\edited.csv" >/dev/null
  "$cli" import "$work/linux/rom.nds" "$work/edited.csv" >/dev/null
  wine "$exe" set "$winfolder\\rom.nds" "Nidoran♀" hp=77 machines+=Earthquake >/dev/null
  "$cli" set "$work/linux/rom.nds" "Nidoran♀" hp=77 machines+=Earthquake >/dev/null
  [ "$(wine "$exe" get "$winfolder\\rom.nds" dex:445 hp attack --value | tr -d '\r')" = "$(printf '110\n131')" ]
  cmp "$folder/rom.nds" "$work/linux/rom.nds"
  echo "windows-test: $code: quillmark-cli.exe wrote the same bytes as the Linux build"
done

# The window itself, on a private X server.
"$root/scripts/windows-window-test.sh" "$linux" "$windows"
