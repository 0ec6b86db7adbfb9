#!/usr/bin/env bash
# The Windows saver: cross-built with mingw-w64 into build-win (icons from the native
# build's tolvane-icons), then driven under Wine on an own Xvfb display by tests/wine.
# The last line is "N passed, M failed"; any failure makes the stage fail.
set -euo pipefail
cd "$(dirname "$0")/../.."
native=${TOLVANE_NATIVE_BUILD:-build}
win=${TOLVANE_WIN_BUILD:-build-win}

bash tools/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64 fonts-wine \
  fonts-ipafont-gothic xvfb xdotool x11-apps x11-utils imagemagick python3

cross_build() {
  [ -f "$native/CMakeCache.txt" ] || cmake -S . -B "$native" -G Ninja
  cmake --build "$native" --target tolvane-icons
  mkdir -p "$win/icons"
  "$native/tolvane-icons" "$win/icons"
  cmake -S . -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DTOLVANE_ICON_DIR="$PWD/$win/icons"
  cmake --build "$win"
}

mkdir -p "$win"
if ! cross_build >"$win/build.log" 2>&1; then
  tail -n 40 "$win/build.log"
  echo "FAIL cross build (log: $win/build.log)"
  echo "0 passed, 1 failed"
  exit 1
fi
echo "cross build done: $win/Tolvane.scr"
exec bash tests/wine/run.sh "$win"
