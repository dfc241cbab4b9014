#!/usr/bin/env bash
# Download benchmark: a book of PAGES pictures of SIZE bytes from the local test server,
# which waits DELAY ms before each response, fetched (the cover and every page) by
#   - the program's own download code with the thread-count box at 1 and at 10
#     (bench_download.exe under Wine; the time is that of the download alone),
#   - curl, one URL after another in one process,
#   - aria2c with ten downloads at once,
# each ROUNDS times; prints the median times and the ratios against the goals. For
# reference it also times box 10 against the same server without its delay: what the
# fetches and writes cost on their own (under Wine here: mostly processor time).
#
#   tools/bench_download.sh [WINDOWS_BUILD_DIR]     (default: build/win)
#   environment: PAGES=300 SIZE=120000 DELAY=30 ROUNDS=3
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win}" && pwd)
PAGES=${PAGES:-300}
SIZE=${SIZE:-120000}
DELAY=${DELAY:-30}
ROUNDS=${ROUNDS:-3}
. "$ROOT/tools/wine_env.sh"
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEDEBUG=-all

cmake --build "$BUILD" --target bench_download >/dev/null
BENCH="$BUILD/download/bench_download.exe"
for tool in curl aria2c; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

WORK=$(mktemp -d)
SERVER_PID_FILE="$WORK/server.pid"
cleanup() {
  python3 "$ROOT/tools/testserver.py" --stop --pid-file "$SERVER_PID_FILE" >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT
python3 "$ROOT/tools/testserver.py" --port 0 --port-file "$WORK/port" --root "$ROOT/tests/fixtures" \
  --log /dev/null --daemon --pid-file "$SERVER_PID_FILE" >/dev/null
PORT=$(cat "$WORK/port")
LINK="http://127.0.0.1:$PORT/img/bench/~delay=$DELAY/~book=$SIZE/"
NO_DELAY_LINK="http://127.0.0.1:$PORT/img/bench/~book=$SIZE/"

# The same URLs for everyone: the cover, then the pages in order.
{
  echo "${LINK}index.jpg"
  for ((page = 1; page <= PAGES; page++)); do echo "${LINK}${page}.jpg"; done
} > "$WORK/urls"
awk -v dir="$WORK/curl" '{ printf "url = \"%s\"\noutput = \"%s/%d.jpg\"\n", $0, dir, NR - 1 }' "$WORK/urls" > "$WORK/curl.cfg"
awk '{ printf "%s\n  out=%d.jpg\n", $0, NR - 1 }' "$WORK/urls" > "$WORK/aria2.list"

now() { date +%s.%N; }
windows_path() { echo "Z:${1//\//\\}\\"; }

fresh() { rm -rf "$1" && mkdir -p "$1"; }

# The program's download code; prints its own time of the download.
run_program() {  # threads [link folder-name]
  local dir="$WORK/${3:-box$1}"
  fresh "$dir"
  local out
  out=$("$WINE" "$BENCH" "${2:-$LINK}" "$PAGES" "$1" "$(windows_path "$dir")" | tr -d '\r')
  [ "$(echo "$out" | cut -d' ' -f2)" = 1 ] || { echo "box $1: not every picture was stored" >&2; exit 1; }
  echo "$out" | cut -d' ' -f1
}

run_curl() {
  fresh "$WORK/curl"
  local start end
  start=$(now)
  curl -s -f --config "$WORK/curl.cfg"
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

run_aria2c() {
  fresh "$WORK/aria2"
  local start end
  start=$(now)
  aria2c -q -j10 -i "$WORK/aria2.list" -d "$WORK/aria2" --allow-overwrite=true --auto-file-renaming=false \
    --max-tries=1 --console-log-level=error
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

"$WINE" cmd /c exit >/dev/null 2>&1 || true  # Wine's start-up is no part of any time

declare -A times
for ((round = 1; round <= ROUNDS; round++)); do
  times[box1]+="$(run_program 1) "
  times[box10]+="$(run_program 10) "
  times[curl]+="$(run_curl) "
  times[aria2c]+="$(run_aria2c) "
  times[floor]+="$(run_program 10 "$NO_DELAY_LINK" no_delay) "
done

# Everyone got the same bytes: the program's page i.png is curl's (i).jpg.
for ((page = 0; page <= PAGES; page++)); do
  name=$([ "$page" = 0 ] && echo 01.jpg || echo "$page.png")
  for dir in box1 box10; do
    cmp -s "$WORK/$dir/$name" "$WORK/curl/$page.jpg" || { echo "$dir/$name differs from curl's" >&2; exit 1; }
  done
  cmp -s "$WORK/aria2/$page.jpg" "$WORK/curl/$page.jpg" || { echo "aria2c's $page.jpg differs" >&2; exit 1; }
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
box1=$(echo "${times[box1]}" | median)
box10=$(echo "${times[box10]}" | median)
curl_time=$(echo "${times[curl]}" | median)
aria2_time=$(echo "${times[aria2c]}" | median)
floor=$(echo "${times[floor]}" | median)

python3 - "$PAGES" "$SIZE" "$DELAY" "$ROUNDS" "$box1" "$box10" "$curl_time" "$aria2_time" "$floor" \
  "${times[box1]}" "${times[box10]}" "${times[curl]}" "${times[aria2c]}" "${times[floor]}" <<'PY'
import os
import sys
pages, size, delay, rounds = sys.argv[1:5]
box1, box10, curl, aria2, floor = (float(v) for v in sys.argv[5:10])
runs = sys.argv[10:15]
print("%s pages + cover, %s bytes each, %s ms server delay; median of %s rounds; %d processors, load %.1f"
      % (pages, size, delay, rounds, os.cpu_count(), os.getloadavg()[0]))
for name, value, run in (("box 1 (program)", box1, runs[0]), ("box 10 (program)", box10, runs[1]),
                         ("curl, sequential", curl, runs[2]), ("aria2c -j10", aria2, runs[3]),
                         ("box 10, no delay", floor, runs[4])):
    print("  %-18s %7.2f s   (runs: %s)" % (name, value, " ".join("%.2f" % float(v) for v in run.split())))
def check(text, ratio, goal, ok):
    print("  %-44s %5.2f   goal %s  %s" % (text, ratio, goal, "met" if ok else "NOT MET"))
check("sequential curl / box 10 (speed-up)", curl / box10, ">= 8", curl / box10 >= 8)
check("box 10 / aria2c -j10", box10 / aria2, "<= 1.2", box10 / aria2 <= 1.2)
check("box 1 / sequential curl", box1 / curl, "<= 1.1", box1 / curl <= 1.1)
PY
