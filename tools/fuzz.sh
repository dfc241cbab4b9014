#!/bin/sh
# Fuzzes the picture decoders for longer than the test suite does.
# Usage: tools/fuzz.sh [seconds] [build dir]   (defaults: 600, build/fuzz)
# New interesting inputs collect in <build dir>/picture_corpus; crashes are written
# there too as crash-*, and can be replayed with: picture_decode_fuzzer crash-...
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SECONDS_TO_RUN=${1:-600}
BUILD=${2:-$ROOT/build/fuzz}
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target picture_decode_fuzzer -j2
FUZZER=$(find "$BUILD" -name picture_decode_fuzzer -type f -perm -u+x | head -n 1)
mkdir -p "$BUILD/picture_corpus"
exec "$FUZZER" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$BUILD/picture_corpus/" \
  "$BUILD/picture_corpus" "$ROOT/common/picture/fuzz_corpus"
