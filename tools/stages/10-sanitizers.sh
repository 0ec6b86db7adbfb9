#!/usr/bin/env bash
# The whole native test suite and the soak run, built with AddressSanitizer (with its
# leak checker) and UndefinedBehaviorSanitizer, where any report fails the stage: signed
# overflow, bad shifts and float-to-integer conversions that overflow are faults even
# when the result looks right.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-deps.sh cmake ninja-build g++ libgtest-dev libgmock-dev libpng-dev libgif-dev \
  libx11-dev xvfb xdotool x11-apps x11-utils

start=$SECONDS
build=build-asan
san="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer"
# GCC 12's maybe-uninitialized misfires inside libstdc++'s <regex> once the sanitizers
# instrument it; the sanitizers themselves are the check for uninitialised use here.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$san -Wno-maybe-uninitialized" -DCMAKE_EXE_LINKER_FLAGS="$san" -DCMAKE_SHARED_LINKER_FLAGS="$san" \
  -DTOLVANE_TESTS=ON -DTOLVANE_X11=ON -DTOLVANE_FUZZ=OFF -DTOLVANE_BENCH=OFF -DTOLVANE_SOAK=ON >/dev/null
cmake --build "$build"
built=$((SECONDS - start))

# Reports go to files as well, so that one from a child process (the simulator run by
# its tests, a forked save) fails the stage even if the test that started it did not
# look at its output.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"
status=0
ctest --test-dir "$build" --output-on-failure -j2 --timeout 900 >"$logs/ctest.log" 2>&1 || status=$?
grep -E '^[0-9]+% tests passed|^Total Test time|\*\*\*' "$logs/ctest.log" || true
reports=$(find "$logs" -name 'asan.*' -o -name 'ubsan.*')
if [ -n "$reports" ]; then
  echo "sanitizer reports:"
  for r in $reports; do echo "--- $r"; cat "$r"; done
  status=1
fi
if [ "$status" -ne 0 ]; then
  cat "$logs/ctest.log"
  echo "sanitizers: FAILED"
  exit 1
fi
echo "sanitizers: $(grep -c 'Passed' "$logs/ctest.log") tests clean under ASan+LSan+UBSan" \
  "(build ${built}s, total $((SECONDS - start))s)"
