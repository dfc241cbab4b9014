#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine with the Chinese locale.
#
# With an X display ($DISPLAY set) the window opens there and the script ends with the program.
# Without one it starts a virtual display (Xvfb + openbox), takes a screenshot once the window
# is up, prints the screenshot's path, and then ends the program: at once when the script is
# not run from a terminal, else when Enter is pressed (or Ctrl-C).
#
# The hosts compiled in are the defaults unless SITE_HOST / IMAGE_HOST are set in the
# environment. The program runs in a Wine prefix of its own (build/wineprefix-run, a copy of
# the project's), so a test run going on at the same time is not disturbed.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
"$ROOT/tools/setup.sh"
. "$ROOT/tools/wine_env.sh"

BUILD="$ROOT/build/run-$WIN_ARCH"
HOSTS=()
[ -n "${SITE_HOST:-}" ] && HOSTS+=("-DSITE_HOST=$SITE_HOST")
[ -n "${IMAGE_HOST:-}" ] && HOSTS+=("-DIMAGE_HOST=$IMAGE_HOST")
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$WIN_ARCH.cmake" "${HOSTS[@]}" >/dev/null
cmake --build "$BUILD" --target TextbookDownloader -j "${JOBS:-2}"
APP="$BUILD/app/TextbookDownloader.exe"

export WINEPREFIX="$ROOT/build/wineprefix-run"
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  cp -a "$ROOT/build/wineprefix" "$WINEPREFIX"
fi
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINE" "$APP"
fi

# A virtual display and a window manager, started before the first Wine process.
DISPLAY_NUMBER=90
while [ -e "/tmp/.X${DISPLAY_NUMBER}-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
Xvfb ":$DISPLAY_NUMBER" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
OPENBOX_PID=$!
APP_PID=
cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
    # Escape closes the window, as a user would; the server is ended if that is not enough.
    xdotool search --name "By 1.01" windowactivate --sync key Escape >/dev/null 2>&1 || true
    for _ in $(seq 30); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  wineserver -k >/dev/null 2>&1 || true
  kill "$OPENBOX_PID" "$XVFB_PID" >/dev/null 2>&1 || true
}
trap cleanup EXIT
wineserver -k >/dev/null 2>&1 || true  # a server of this prefix without a display cannot show windows

(cd "$(dirname "$APP")" && exec "$WINE" "$APP") &
APP_PID=$!
for _ in $(seq 300); do
  xdotool search --onlyvisible --name "By 1.01" >/dev/null 2>&1 && break
  kill -0 "$APP_PID" 2>/dev/null || { echo "run: the program ended early" >&2; exit 1; }
  sleep 0.1
done
sleep 2  # let the window paint
mkdir -p "$ROOT/build/run"
SHOT="$ROOT/build/run/screenshot.png"
import -window root "$SHOT"
echo "$SHOT"
if [ -t 0 ]; then
  read -r -p "The program runs on display $DISPLAY; press Enter to end it. " _ || true
fi
