#!/usr/bin/env bash
# The network device server inside a running nubora: request rate and latency of issafe and of
# every observing-conditions member with CLIENTS concurrent clients on loopback, then the peak
# resident memory of the same headless run with the server on (under that load) and off.
# Usage: bench/alpaca.sh [BUILD_DIR] (default: build); SECONDS_EACH (default 5), CLIENTS (4).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
seconds="${SECONDS_EACH:-5}"
clients="${CLIENTS:-4}"
nubora="$build/src/nubora"
sim="$build/tools/station-sim/station-sim"
bench="$build/bench/bench_alpaca"
for f in "$nubora" "$sim" "$bench"; do
  [ -x "$f" ] || { echo "alpaca.sh: build $f first (./test.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
export HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen

"$sim" --port 0 >"$work/sim.out" &
pids+=($!)
for _ in $(seq 100); do grep -q '^port ' "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
service="http://127.0.0.1:$(sed -n 's/^port //p' "$work/sim.out")"
cat >"$work/settings.ini" <<INI
[Setup]
API_key=demo
Estacion_ID_N=1
Estacion_ID(0)=ISIMDESPEJADO
Estacion_ID=0
Path_Dat=$work
INI

# Runs nubora headless under /usr/bin/time with the given options; sets $run_pid (nubora).
start_nubora() {
  /usr/bin/time -f %M -o "$work/rss.$1" "$nubora" --headless --settings "$work/settings.ini" \
    --service-url "$service" "${@:2}" >"$work/out.$1" 2>/dev/null &
  local time_pid=$!
  pids+=($time_pid)
  for _ in $(seq 100); do run_pid=$(pgrep -P "$time_pid" || true); [ -n "$run_pid" ] && break; sleep 0.05; done
}
stop_nubora() {
  kill -TERM "$run_pid"
  while kill -0 "$run_pid" 2>/dev/null; do sleep 0.05; done
  sleep 0.2
}

start_nubora on --alpaca-port 0 --alpaca-discovery-port 0
for _ in $(seq 200); do grep -q '^alpaca port ' "$work/out.on" 2>/dev/null && break; sleep 0.05; done
port=$(sed -n 's/^alpaca port //p' "$work/out.on")
sleep 1 # the first polls
"$bench" --port "$port" --clients "$clients" --seconds "$seconds"
stop_nubora

start_nubora off --alpaca-port off
sleep $(( 2 * seconds + 1 ))
stop_nubora

on=$(tail -n 1 "$work/rss.on")
off=$(tail -n 1 "$work/rss.off")
echo "peak resident memory: server on (under load) $(( on / 1024 )).$(( (on % 1024) * 10 / 1024 )) MB, off $(( off / 1024 )).$(( (off % 1024) * 10 / 1024 )) MB, difference $(( (on - off) / 1024 )).$(( ((on - off) % 1024) * 10 / 1024 )) MB"
