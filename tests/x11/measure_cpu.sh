#!/usr/bin/env bash
# Measures the CPU use of tolvane and of XScreenSaver hacks, each drawing on the root
# window of an Xvfb of its own at the same size, all at once for the same seconds; the
# Xvfb servers' own CPU is shown too, since X drawing work lands there. Not part of the
# test suite: a measurement to run by hand.
#   usage: tests/x11/measure_cpu.sh [BUILD_DIR] [SECONDS] [WxH] [HACK...]
# The hacks come from Debian's xscreensaver-data(-extra) packages.
set -euo pipefail
build=${1:-build-x11}
seconds=${2:-30}
size=${3:-1920x1080}
shift $(( $# < 3 ? $# : 3 ))
hacks=("$@")
((${#hacks[@]})) || hacks=(greynetic deluxe)
hackdir=/usr/libexec/xscreensaver
tick=$(getconf CLK_TCK)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Starts an Xvfb on a free display; sets xvfb_pid and display.
start_xvfb() {
  local fifo="$work/fd$RANDOM"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  pids+=("$xvfb_pid")
  local n
  read -r -t 15 n <"$fifo"
  display=":$n"
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

names=() progs=() servers=()
run() {  # NAME COMMAND...
  local name=$1
  shift
  start_xvfb
  DISPLAY=$display XDG_CONFIG_HOME=$work XSCREENSAVER_WINDOW= "$@" >/dev/null 2>&1 &
  pids+=("$!")
  names+=("$name") progs+=("$!") servers+=("$xvfb_pid")
}

# TOLVANE_ARGS: more options for tolvane, e.g. "--misailnum 256".
run tolvane "$build/tolvane" --root ${TOLVANE_ARGS:-}
for h in "${hacks[@]}"; do run "$h" "$hackdir/$h" -root; done
sleep 3  # past start-up

declare -A p0 s0
for i in "${!names[@]}"; do
  p0[$i]=$(cpu_ticks "${progs[$i]}")
  s0[$i]=$(cpu_ticks "${servers[$i]}")
done
sleep "$seconds"
printf '%-12s %12s %12s   (%s s at %s, %% of one core)\n' program client Xvfb "$seconds" "$size"
for i in "${!names[@]}"; do
  p=$(( $(cpu_ticks "${progs[$i]}") - p0[$i] ))
  s=$(( $(cpu_ticks "${servers[$i]}") - s0[$i] ))
  awk -v n="${names[$i]}" -v p="$p" -v s="$s" -v t="$tick" -v d="$seconds" \
    'BEGIN { printf "%-12s %11.2f%% %11.2f%%\n", n, 100 * p / t / d, 100 * s / t / d }'
done
