#!/usr/bin/env bash
# Makes the pictures the window tests serve (committed; run again only to change them).
# They live under tests/fixtures/img/e2e/ because the pages point at "//HOST/img/<path>".
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
IMG="$ROOT/tests/fixtures/img/e2e"
mkdir -p "$IMG/cover" "$IMG/animated" "$IMG/broken"
# A cover of two colours, red above blue, far from any button face.
convert -size 24x16 xc:'#c81e1e' -size 24x16 xc:'#1e3cc8' -append -strip -quality 95 "$IMG/cover/index.jpg"
# Two frames of 300 ms each: red, then blue.
convert -delay 30 -size 8x8 xc:'#ff0000' xc:'#0000ff' -loop 0 "gif:$IMG/animated/index.jpg"
# A JPEG signature followed by bytes that are no picture.
python3 -c "import sys; sys.stdout.buffer.write(b'\xff\xd8\xff\xe0' + bytes(range(256)) * 8)" > "$IMG/broken/index.jpg"
