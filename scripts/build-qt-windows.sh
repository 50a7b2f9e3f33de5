#!/bin/sh
# Builds Qt for 64-bit Windows (static, mingw-w64) from Debian's own source package of
# the Qt the Linux build uses, once per machine and version, into a cache outside the
# tree: Core, Gui, Widgets, Test, the windows and offscreen platforms and the
# windowsvista style. A second run with the cache present does nothing.
# Usage: scripts/build-qt-windows.sh        (prints the install folder last)
set -eu
version=6.4.2
root=$(realpath "$(dirname "$0")/..")
prefix="${XDG_CACHE_HOME:-$HOME/.cache}/quillmark/qt-$version-mingw-static"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
"$root/scripts/ensure-deps.sh" windows qthost >&2

if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo -n"; fi
# Source packages need a deb-src line beside the deb one.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  echo "build-qt-windows: enabling Debian's source packages" >&2
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    $sudo tee /etc/apt/sources.list.d/quillmark-deb-src.sources >/dev/null
  $sudo apt-get update -qq
fi

# Beside the cache, so that a build cut short goes on where it stopped.
work="$prefix.build"
mkdir -p "$work"
cd "$work"
if [ ! -d "qtbase-everywhere-src-$version" ]; then
  apt-get source -qq --download-only "qt6-base=$version+dfsg-10" >&2 2>/dev/null || apt-get source -qq --download-only qt6-base >&2
  tar xf qt6-base_$version+dfsg.orig.tar.xz
fi
source=$work/qtbase-everywhere-src-$version

# Only what the window and its tests need. Tablet support needs src/3rdparty/wintab,
# which Debian's +dfsg source leaves out; the offscreen platform needs freetype (the
# bundled one); the rest of Qt is off.
nice cmake -S "$source" -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON \
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_harfbuzz=ON -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_jpeg=OFF \
  -DFEATURE_sql_sqlite=OFF -DFEATURE_icu=OFF >&2
nice cmake --build build --parallel >&2
cmake --install build >&2
cp "$source/LICENSES/LGPL-3.0-only.txt" "$prefix/LGPL-3.0.txt" 2>/dev/null || cp "$source/LICENSE.LGPL3" "$prefix/LGPL-3.0.txt"
touch "$prefix/.complete"
cd / && rm -rf "$work"
echo "$prefix"
