#!/usr/bin/env bash
# Installs what is missing, builds the saver and runs it: in a window where there is a
# display, else as a short headless recording.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -n "${DISPLAY:-}" ] && [ -x build/tolvane ]; then
  exec build/tolvane --window
fi
out="$PWD/tolvane-demo.gif"
build/tolvane-sim --width 640 --height 480 --seed "$(date +%s)" --ticks 1500 --level 900 --gif "$out"
echo "No display here: wrote a 15-second recording of the battle to $out"
