#!/usr/bin/env bash
# Sets everything up, builds the native and the Windows test builds, and runs every test:
# the native unit tests (sanitizers, fuzzing) and the Windows programs under Wine in a
# virtual X display, against the project's test server on 127.0.0.1.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
"$ROOT/tools/setup.sh"
. "$ROOT/tools/wine_env.sh"
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEDEBUG=-all
JOBS=${JOBS:-2}

port_is_free() { python3 -c "import socket,sys; s=socket.socket(); s.bind(('127.0.0.1', int(sys.argv[1])))" "$1" 2>/dev/null; }
# The hosts are compiled in, so keep the port of the last build while it is free.
PORT=$(sed -n 's/^TEST_SERVER_PORT:STRING=//p' build/win/CMakeCache.txt 2>/dev/null || true)
if [ -z "$PORT" ] || [ "$PORT" = 0 ] || ! port_is_free "$PORT"; then
  PORT=18080
  while ! port_is_free "$PORT"; do PORT=$((PORT + 1)); done
fi

echo "== native build"
CC=clang CXX=clang++ cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j "$JOBS"
echo "== Windows build ($WIN_ARCH), test server on 127.0.0.1:$PORT"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$WIN_ARCH.cmake" \
  -DSITE_HOST="127.0.0.1:$PORT" -DIMAGE_HOST="127.0.0.1:$PORT" -DTEST_SERVER_PORT="$PORT" >/dev/null
cmake --build build/win -j "$JOBS"

if [ "$WIN_ARCH" != i686 ]; then
  # The tests run the x86_64 build here; the shipped i686 program must still build.
  echo "== the i686 product"
  cmake -S . -B build/i686 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
  cmake --build build/i686 -j "$JOBS" --target TextbookDownloader
fi

# A virtual display and a window manager, started before the first Wine process of the run.
DISPLAY_NUMBER=99
while [ -e "/tmp/.X${DISPLAY_NUMBER}-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
Xvfb ":$DISPLAY_NUMBER" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$OPENBOX_PID" "$XVFB_PID" >/dev/null 2>&1 || true
}
trap cleanup EXIT
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
OPENBOX_PID=$!
wineserver -k >/dev/null 2>&1 || true
wineserver -p
"$WINE" cmd /c exit >/dev/null 2>&1 || true  # warm-up, so each test does not pay for it

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$JOBS" || status=1
echo "== Windows tests under Wine"
ctest --test-dir build/win --output-on-failure -j "$JOBS" || status=1
exit $status
