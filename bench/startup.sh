#!/usr/bin/env bash
# Start-up of `nubora --once` with an empty settings file, to the window closed: the median
# wall time over RUNS runs and the peak resident memory of the slowest of them.
# Usage: bench/startup.sh [BUILD_DIR] (default: build); RUNS (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${RUNS:-30}"
nubora="$build/src/nubora"
[ -x "$nubora" ] || { echo "startup.sh: build $nubora first (./test.sh)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen
# Nothing listens on port 9 of the loopback: both first polls fail at once, as without network.
args=(--once --settings "$work/empty.ini" --service-url http://127.0.0.1:9)

times=()
peak=0
for _ in $(seq "$runs"); do
  : >"$work/empty.ini"
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/rss" "$nubora" "${args[@]}" || true
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
  rss=$(tail -n 1 "$work/rss") # the line before it says a non-zero status
  (( rss > peak )) && peak=$rss
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }')
echo "runs: $runs"
echo "median start-up to close: $(( median / 1000 )).$(( (median % 1000) / 100 )) ms"
echo "peak resident memory: $(( peak / 1024 )) MB ($peak KiB)"
