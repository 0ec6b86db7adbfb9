#!/usr/bin/env bash
# Installs the Debian 12 packages named (or, with none named, those that building and
# testing the portable code need), skipping those already installed.
set -euo pipefail
packages=("$@")
if ((${#packages[@]} == 0)); then
  packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
            libpng-dev libgif-dev libx11-dev xvfb xdotool x11-apps x11-utils)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
