#!/usr/bin/env bash
# Cross-builds static libjpeg-turbo, libpng and giflib for Windows from Debian's source
# packages into build/deps/ARCH (ARCH: i686, the product, or x86_64, the test build on
# machines that cannot run 32-bit programs). Does nothing when they are already there.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEPS="$ROOT/build/deps"
ARCH="${1:-i686}"
PREFIX="$DEPS/$ARCH"
CC="$ARCH-w64-mingw32-gcc-posix"
AR="$ARCH-w64-mingw32-ar"
STAMP="$PREFIX/.complete-1"
[ -f "$STAMP" ] && exit 0

mkdir -p "$DEPS/src" "$PREFIX"
cd "$DEPS/src"
for pkg in libjpeg-turbo libpng1.6 giflib; do
  ls ${pkg}_*.orig.tar.* >/dev/null 2>&1 || apt-get source --download-only -q "$pkg/bookworm" >/dev/null
done
unpack() { # tarball-glob -> directory it unpacked to
  local tarball=$(ls $1 | head -n 1)
  local dir=$(tar tf "$tarball" | head -n 1 | cut -d/ -f1)
  [ -d "$dir" ] || tar xf "$tarball"
  echo "$DEPS/src/$dir"
}
JPEG_SRC=$(unpack 'libjpeg-turbo_*.orig.tar.gz')
PNG_SRC=$(unpack 'libpng1.6_*.orig.tar.*')
GIF_SRC=$(unpack 'giflib_*.orig.tar.gz')

TOOLCHAIN="$ROOT/cmake/mingw-$ARCH.cmake"
cmake -S "$JPEG_SRC" -B "$DEPS/build-jpeg-$ARCH" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
  -DCMAKE_ASM_NASM_COMPILER=nasm >/dev/null
cmake --build "$DEPS/build-jpeg-$ARCH" --target install >/dev/null

cmake -S "$PNG_SRC" -B "$DEPS/build-png-$ARCH" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_USE_STATIC_LIBS=ON >/dev/null
cmake --build "$DEPS/build-png-$ARCH" --target install >/dev/null

# giflib ships only a Makefile; its library is eight C files.
mkdir -p "$DEPS/build-gif-$ARCH"
(
  cd "$DEPS/build-gif-$ARCH"
  for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
    [ -f "$GIF_SRC/$f.c" ] && "$CC" -O2 -c "$GIF_SRC/$f.c" -I"$GIF_SRC" -o "$f.o"
  done
  rm -f libgif.a && "$AR" rcs libgif.a ./*.o
)
mkdir -p "$PREFIX/lib" "$PREFIX/include"
cp "$DEPS/build-gif-$ARCH/libgif.a" "$PREFIX/lib/"
cp "$GIF_SRC/gif_lib.h" "$PREFIX/include/"
touch "$STAMP"
echo "deps: built into $PREFIX"
