#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native build's
# CTest suites (X11 ones under their own Xvfb), then each further stage in tools/stages/
# (sanitizers, fuzzers, static checks, the Windows build under Wine), in name order.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2 --timeout 600
for stage in tools/stages/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  bash "$stage"
done
