#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with ASan and UBSan) and runs each for a bounded
# time on a scratch copy of its seed corpus. Any crash, input that hangs, leak or
# sanitizer report fails the stage. A longer run of every target:
#   FUZZ_SECONDS=600 bash tools/stages/20-fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-deps.sh cmake ninja-build clang libclang-rt-14-dev libpng-dev libgif-dev

seconds=${FUZZ_SECONDS:-30}
start=$SECONDS
build=build-fuzz
# Only the fuzz targets are built; the X11 saver is not needed for them.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTOLVANE_FUZZ=ON -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=OFF -DTOLVANE_X11=OFF >/dev/null
cmake --build "$build" --target tolvane_fuzzers
built=$((SECONDS - start))

targets=(settings switches sim_options)
[ -x "$build/fuzz/fuzz_x11_options" ] && targets+=(x11_options)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

# One target: fuzz a copy of its corpus (so the repository is never written), with
# failing inputs saved in the scratch directory.
run() {
  local name=$1 dir="$work/$1"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp fuzz/corpus/"$name"/* "$dir/corpus/"
  local dict=()
  [ -f "fuzz/$name.dict" ] && dict=("-dict=fuzz/$name.dict")
  local rc=0
  "$build/fuzz/fuzz_$name" "$dir/corpus" "${dict[@]}" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=12000 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" >"$dir/log" 2>&1 || rc=$?
  echo "$rc" >"$dir/rc"
}

# Two at a time, one per core.
pids=()
for name in "${targets[@]}"; do
  run "$name" &
  pids+=($!)
  if ((${#pids[@]} == 2)); then
    wait "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
done
wait

failed=0
for name in "${targets[@]}"; do
  dir="$work/$name"
  rc=$(cat "$dir/rc")
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$dir/log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$dir/log" | tail -1 || echo "cov: ?")
  if [ "$rc" -ne 0 ] || ls "$dir/artifacts/"* >/dev/null 2>&1; then
    failed=1
    echo "fuzz_$name: FAILED (exit $rc)"
    tail -n 60 "$dir/log"
    for a in "$dir"/artifacts/*; do
      [ -e "$a" ] || continue
      echo "failing input $(basename "$a"):"
      od -c "$a" | head -20
    done
  else
    echo "fuzz_$name: ${seconds}s, $runs runs, $cov, corpus $(ls "$dir/corpus" | wc -l) inputs"
  fi
done
echo "fuzz: build ${built}s, total $((SECONDS - start))s"
exit "$failed"
