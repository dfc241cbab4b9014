# Sourced by the scripts: chooses how Windows programs run on this machine.
# Where the kernel runs 32-bit programs, the product's own i686 build is tested under
# wine; where IA-32 emulation is off, the same sources built for x86_64 run under wine64.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  WIN_ARCH=i686
  WINE=wine
else
  WIN_ARCH=x86_64
  WINE=/usr/lib/wine/wine64
fi
export WIN_ARCH WINE
