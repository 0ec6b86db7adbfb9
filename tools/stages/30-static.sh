#!/usr/bin/env bash
# Static checks of the project's own sources: clang-tidy with the checks in .clang-tidy
# (over the files of a configured build's compile_commands.json) and cppcheck. Any
# finding fails the stage.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-deps.sh cmake ninja-build clang clang-tidy cppcheck libgtest-dev libgmock-dev \
  libbenchmark-dev libpng-dev libgif-dev libx11-dev

start=$SECONDS
build=build-tidy
# Configured only, never built: clang-tidy needs the compile commands, not the objects.
# Every optional part is on, so that its sources are checked too.
cmake -S . -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DTOLVANE_FUZZ=ON -DTOLVANE_SOAK=ON -DTOLVANE_BENCH=ON >/dev/null

root=$(pwd)
mapfile -t files < <(grep -o '"file": "[^"]*"' "$build/compile_commands.json" | cut -d'"' -f4 |
  sed "s|^$root/||" | grep -v '^/' | grep -v '^build' | sort -u)
product=() tests=()
for f in "${files[@]}"; do
  case $f in
    tests/* | bench/*) tests+=("$f") ;;
    *) product+=("$f") ;;
  esac
done

if ((${#product[@]} == 0)); then
  echo "static: no sources in $build/compile_commands.json"
  exit 1
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
status=0
# Tests and benchmarks get the bug checks alone: the path-sensitive analyzer costs a
# minute per GoogleTest file there, and performance advice is for the product.
printf '%s\n' "${product[@]}" | xargs -P2 -n1 clang-tidy -p "$build" --quiet \
  >"$logs/tidy-product.log" 2>"$logs/tidy-product.err" || status=1
printf '%s\n' "${tests[@]}" | xargs -P2 -n1 clang-tidy -p "$build" --quiet \
  --checks='-clang-analyzer-*,-performance-*' >"$logs/tidy-tests.log" 2>"$logs/tidy-tests.err" ||
  status=1
tidy_findings=$(cat "$logs"/tidy-*.log | grep -c ': \(warning\|error\):' || true)
if [ "$status" -ne 0 ] || [ "$tidy_findings" -ne 0 ]; then
  cat "$logs"/tidy-*.log
  grep -v 'warnings generated\|Suppressed\|header-filter\|^$' "$logs"/tidy-*.err || true
  status=1
fi
tidy_seconds=$((SECONDS - start))

# cppcheck reads every source directory, the Windows code included. getpwuid in a
# single-threaded test is not the reentrancy hazard that the POSIX library warns of.
cppcheck_status=0
cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
  --std=c++20 --language=c++ --library=googletest --library=posix -I . -q -j2 \
  --suppress=getpwuidCalled:tests/test_settings.cpp \
  battle display settings shell ui tools platform fuzz tests bench >"$logs/cppcheck.log" 2>&1 ||
  cppcheck_status=$?
if [ "$cppcheck_status" -ne 0 ]; then
  cat "$logs/cppcheck.log"
  status=1
fi

echo "static: clang-tidy ${#product[@]} product + ${#tests[@]} test files, $tidy_findings findings" \
  "(${tidy_seconds}s); cppcheck $( [ "$cppcheck_status" -eq 0 ] && echo clean || echo FAILED )" \
  "($((SECONDS - start - tidy_seconds))s)"
exit "$status"
