#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine (run as root).
# Quick when everything is already there: each step checks before it works.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export DEBIAN_FRONTEND=noninteractive

PACKAGES=(
  # cross and native toolchains
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev cmake ninja-build nasm dpkg-dev
  g++ clang libclang-rt-14-dev libgtest-dev
  # native picture libraries
  libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev
  # Wine, a virtual display, a window manager and the X tools the tests use
  wine wine32:i386 wine64 xvfb xauth openbox x11-utils xdotool imagemagick
  fonts-wqy-microhei locales
  # PDF and download tools the tests and benchmarks compare with
  qpdf poppler-utils aria2 img2pdf curl python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
deps_missing=false
for arch in i686 x86_64; do
  [ -f "$ROOT/build/deps/$arch/.complete-1" ] || deps_missing=true
done
if ((${#missing[@]})) || $deps_missing; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  # deb-src is needed to fetch the picture libraries' sources for the cross build.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  fi
  if [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >> /etc/apt/sources.list
  fi
  apt-get update -q
fi
if ((${#missing[@]})); then
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Chinese locale, so that Wine runs with the GBK code page when asked to.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# Static libjpeg-turbo, libpng and giflib for the Windows builds.
"$ROOT/tools/build_deps.sh" i686
"$ROOT/tools/build_deps.sh" x86_64

# One Wine prefix for the project, made once, with the crash dialog switched off
# (a crashing test would otherwise wait for a click forever).
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEDEBUG=-all
. "$ROOT/tools/wine_env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  env -u DISPLAY WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i >/dev/null 2>&1 || true
  env -u DISPLAY "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
fi
echo "setup: ready"
