#!/bin/sh
# Installs the Debian packages that a make target needs, if any are missing.
# Usage: scripts/ensure-deps.sh GROUP...   (groups: build bench fuzz screen xtest package coverage
# windows qthost)
set -eu

packages=""
for group in "$@"; do
  case "$group" in
    build)  packages="$packages cmake g++ ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev fonts-liberation nlohmann-json3-dev libcli11-dev zlib1g-dev" ;;
    bench)  packages="$packages libbenchmark-dev xvfb time" ;;
    fuzz)   packages="$packages clang libclang-rt-14-dev" ;;
    screen) packages="$packages xvfb xdotool imagemagick" ;;
    xtest)  packages="$packages xvfb xdotool locales openbox x11-utils" ;;
    package) packages="$packages dpkg-dev file" ;;
    coverage) packages="$packages gcovr" ;;
    windows) packages="$packages fonts-liberation2 g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev googletest libz-mingw-w64-dev wine wine64 zip" ;;
    qthost) packages="$packages qt6-base-dev qt6-base-dev-tools dpkg-dev xz-utils" ;;
    *) echo "ensure-deps: unknown group $group" >&2; exit 2 ;;
  esac
done

if ! command -v dpkg-query >/dev/null 2>&1; then
  echo "ensure-deps: not a Debian system; make sure these are installed:$packages" >&2
  exit 0
fi

# The tests also run under a German locale, which must be generated once.
need_locale=""
case " $* " in *" xtest "*)
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || need_locale=yes ;;
esac

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
generate_locale() {
  [ -n "$need_locale" ] || return 0
  if [ "$(id -u)" = 0 ]; then sudo=""; elif sudo -n true 2>/dev/null; then sudo="sudo"; else
    echo "ensure-deps: the de_DE.UTF-8 locale is missing; some tests will be skipped" >&2; return 0
  fi
  $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen 2>/dev/null || true
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null 2>&1 || echo "ensure-deps: locale-gen failed; some tests will be skipped" >&2
}

if [ -z "$missing" ]; then
  generate_locale
  exit 0
fi

echo "Installing missing packages:$missing"
if [ "$(id -u)" = 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo="sudo"
else
  echo "Cannot install packages without root. Run this, then try again:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends $missing; }; then
  echo "Installing failed. Run this, then try again:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends$missing" >&2
  exit 1
fi
generate_locale
