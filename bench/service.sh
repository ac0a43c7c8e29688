#!/usr/bin/env bash
# The service executable against its targets, in one run:
# - resident memory after 100 conditions polls (service_polls: the service's own runtime and
#   libraries, polling back to back) against bare_core, a plain Qt application that has
#   initialised Qt Xml and libcurl, built and measured beside it;
# - resident memory and mapped GUI libraries of the real nubora-service after its first poll;
# - start-up to the first full line in the data file, median of RUNS runs, for nubora-service,
#   nubora --headless, and with BASELINE=DIR the nubora --headless of an older build.
# Usage: bench/service.sh [BUILD_DIR] (default: build); RUNS (default 20); BASELINE.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${RUNS:-20}"
cmake --build "$build" --target nubora nubora-service station-sim bare_core service_polls >/dev/null

work=$(mktemp -d)
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work" XDG_RUNTIME_DIR="$work"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

. scripts/station-sim.sh
start_station_sim "$build" "$work/sim.out" || exit 1
cat >"$work/settings.ini" <<INI
[Setup]
API_key=bench
Estacion_ID=0
Estacion_ID_N=1
Estacion_ID(0)=ISIMDESPEJADO
Path_Dat=$work
INI
args=(--settings "$work/settings.ini" --service-url "http://127.0.0.1:$port")
kib() { grep -o '[0-9]* kB' | awk '{ print $1 }'; }

reference=$("$build/bench/bare_core" | kib)
[ -n "$reference" ] || { echo "service.sh: bare_core printed no memory" >&2; exit 1; }
polls=$("$build/bench/service_polls" 100 "${args[@]}")
after=$(tail -n 1 <<<"$polls" | kib)
echo "bare QCoreApplication + Qt Xml + libcurl: $reference KiB"
echo "service runtime: $(head -n 1 <<<"$polls")"
echo "service runtime: $(tail -n 1 <<<"$polls")"
awk -v s="$after" -v r="$reference" 'BEGIN { printf "ratio after 100 polls: %.2f (target <= 1.10)\n", s / r }'

# The first full line: the file is replaced in one step, so any content is the whole line.
first_line() {
  rm -f "$work/Nubora.dat"
  local start end pid
  start=$(date +%s%N)
  "$@" "${args[@]}" 2>/dev/null &
  pid=$!
  until [ -s "$work/Nubora.dat" ]; do sleep 0.001; done
  end=$(date +%s%N)
  echo "$pid $(( (end - start) / 1000 ))"
}
stop() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null || true; }

read -r pid _ < <(first_line "$build/src/nubora-service")
sleep 0.2
echo "nubora-service after its first poll: $(grep VmRSS /proc/"$pid"/status | awk '{ print $2 }') KiB;" \
  "GUI libraries mapped: $(grep -cE 'libQt6(Gui|Widgets|DBus)' /proc/"$pid"/maps || true)"
stop "$pid"

median() { sort -n | awk '{ a[NR] = $1 } END { m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.1f ms", m / 1000 }'; }
measure() {
  local times=() pid t
  for _ in $(seq "$runs"); do
    read -r pid t < <(first_line "$@")
    times+=("$t")
    stop "$pid"
  done
  printf '%s\n' "${times[@]}" | median
}
echo "start-up to the first line, median of $runs:"
echo "  nubora-service:     $(measure "$build/src/nubora-service")"
echo "  nubora --headless:  $(measure "$build/src/nubora" --headless)"
if [ -n "${BASELINE:-}" ]; then
  echo "  baseline nubora --headless ($BASELINE): $(QT_QPA_PLATFORM=offscreen measure "$BASELINE/src/nubora" --headless)"
fi
