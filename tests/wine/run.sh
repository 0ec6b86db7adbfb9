#!/usr/bin/env bash
# Runs the Wine tests of the Tolvane.scr in BUILD_DIR: builds the probe helper beside it,
# makes a fresh Wine prefix there, starts an own Xvfb on a free display, runs
# wine_tests.py (further arguments select tests by name) and stops Wine and Xvfb again,
# also on failure. The last line is "N passed, M failed".
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [test name ...]}" && pwd)
shift

export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
unset DISPLAY
xvfb_pid=""
runner_pid=""

setup_failed() {
  echo "FAIL setup: $1"
  echo "0 passed, 1 failed"
  exit 1
}

cleanup() {
  if [ -n "$runner_pid" ]; then
    kill "$runner_pid" 2>/dev/null || true
    wait "$runner_pid" 2>/dev/null || true
    echo "FAIL runner: interrupted"
    echo "$(grep -c '^PASS ' "$log") passed, $(($(grep -c '^FAIL ' "$log") + 1)) failed"
  fi
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$build/xvfb.display"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

[ -f "$build/Tolvane.scr" ] || setup_failed "no $build/Tolvane.scr"

probe=$build/probe.exe
if [ ! -f "$probe" ] || [ "$here/probe.cpp" -nt "$probe" ]; then
  if ! x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -static -municode -s \
    -o "$probe" "$here/probe.cpp" -lgdi32 >"$build/probe.log" 2>&1; then
    head -n 20 "$build/probe.log"
    setup_failed "cannot build the probe (log: $build/probe.log)"
  fi
fi

# A display of our own: Xvfb picks a free number and writes it to fd 3.
: >"$build/xvfb.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$build/xvfb.display" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$build/xvfb.display" ] && break
  sleep 0.1
done
[ -s "$build/xvfb.display" ] || setup_failed "Xvfb did not start"
export DISPLAY=:$(head -n1 "$build/xvfb.display")
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || setup_failed "Xvfb on $DISPLAY does not answer"

# A fresh prefix. Mono and Gecko are left out: nothing here needs them.
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
WINEDLLOVERRIDES="mscoree,mshtml=" timeout 180 wineboot -i >/dev/null 2>&1 ||
  setup_failed "wineboot failed"
# Unmanaged windows: keys reach them without a window manager and nothing stalls on
# close. No crash dialog to wait on. Japanese faces for the dialog's fonts. The file
# goes in as UTF-16 for the Japanese face name.
reg=$build/wine-settings.reg
iconv -f UTF-8 -t UTF-16LE >"$reg.tmp" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
EOF
{ printf '\xff\xfe'; cat "$reg.tmp"; } >"$reg"
rm -f "$reg.tmp"
timeout 60 wine regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 || setup_failed "regedit failed"
# Debian's Wine does not find its own fonts: caption buttons would show as letters.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# Let the boot finish; a window soon after it stalls otherwise.
timeout 120 wineserver -w || setup_failed "wineserver did not settle"
grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" || setup_failed "registry settings missing"

# In the background, so that a signal reaches the traps at once; the runner also writes
# its lines to a log, from which a summary is made should it end without one.
log=$build/wine-tests.log
: >"$log"
rm -rf "$build/wine-shots"
TOLVANE_SCR=$build/Tolvane.scr TOLVANE_PROBE=$probe TOLVANE_SHOTS=$build/wine-shots \
  TOLVANE_LOG=$log timeout -k 10 900 python3 "$here/wine_tests.py" "$@" &
runner_pid=$!
rc=0
wait "$runner_pid" || rc=$?
runner_pid=""
if ! tail -n1 "$log" | grep -Eq '^[0-9]+ passed, [0-9]+ failed$'; then
  echo "FAIL runner: ended with status $rc before its summary"
  echo "$(grep -c '^PASS ' "$log") passed, $(($(grep -c '^FAIL ' "$log") + 1)) failed"
  exit 1
fi
exit "$rc"
