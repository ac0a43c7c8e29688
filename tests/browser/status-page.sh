#!/usr/bin/env bash
# The status page in Debian's chromium, headless (through check-page.mjs):
#   status-page.sh FIXTURE NUBORA_SERVICE STATION_SIM
# first over the fixture's made-up week (graphs, spans, failed polls, 3 h / 24 h / 7 days),
# then served by the real program polling the simulator: safe, not safe with its reason, failed.
# NUBORA_SCREENSHOTS=DIR also writes the phone and desktop screenshots there.
set -euo pipefail
fixture="$1" service="$2" sim_exe="$3"
here="$(cd "$(dirname "$0")" && pwd)"
for tool in "${CHROMIUM:-/usr/bin/chromium}" node; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done
work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

# Prints the port a child announced with "port N" in FILE.
port_of() {
  for _ in $(seq 200); do
    sed -n "s/^$2 \([0-9]*\)$/\1/p" "$1" 2>/dev/null | grep . && return 0
    sleep 0.05
  done
  echo "FAIL: no port in $1" >&2; return 1
}

mkfifo "$work/hold"
"$fixture" <"$work/hold" >"$work/fixture.out" 2>"$work/fixture.err" & pids+=($!)
exec 3>"$work/hold"
port=$(port_of "$work/fixture.out" port)
# A poll every 5 minutes: 37 in 3 h, 289 in 24 h, 2017 in 7 days, the failed ones (4 h and
# 30 h back) without values, every 12th without gust.
node "$here/check-page.mjs" "http://127.0.0.1:$port/" '{
  "verdict": "NO SEGURO", "reason": "Humedad alta", "unsafe": "Nublado", "night": true,
  "graphs": {
    "3": { "g-temp": [37, 37], "g-hum": [37], "g-wind": [37, 33], "g-rain": [37], "g-sky": [37] },
    "24": { "g-temp": [288, 288], "g-hum": [288], "g-wind": [288, 264], "g-rain": [288], "g-sky": [288] },
    "168": { "g-temp": [2015, 2015], "g-wind": [2015, 1848] } },
  "failed": { "3": 0, "24": 1, "168": 2 } }' "${NUBORA_SCREENSHOTS:-}"

"$sim_exe" --port 0 >"$work/sim.out" & pids+=($!)
sim_port=$(port_of "$work/sim.out" port)
# run STATION SERVICE_URL EXPECT: the real service polls once, then the page is checked.
run() {
  printf '[Setup]\nAPI_key=demo\nEstacion_ID_N=1\nEstacion_ID(0)=%s\nEstacion_ID=0\nPath_Dat=%s\nEsperaSegura=0\n' \
    "$1" "$work" >"$work/settings.ini"
  # Gone before the start, so that the last run's port cannot be read.
  rm -f "$work/service.out"
  HOME="$work" QT_QPA_PLATFORM=offscreen "$service" --settings "$work/settings.ini" \
    --service-url "$2" --alpaca-port 0 --alpaca-discovery-port 0 >"$work/service.out" 2>"$work/service.err" &
  local pid=$! p rc=0
  p=$(port_of "$work/service.out" "alpaca port")
  node "$here/check-page.mjs" "http://127.0.0.1:$p/" "$3" || rc=$?
  kill "$pid"; wait "$pid" || true
  return $rc
}
# The three runs share one archive (in HOME): each adds its poll to the graphs.
run ISIMDESPEJADO "http://127.0.0.1:$sim_port" '{ "waitPolled": 1, "verdict": "SEGURO",
  "reason": "Condiciones seguras", "graphs": { "24": { "g-temp": [1, 1], "g-hum": [1] } }, "failed": { "24": 0 } }'
run ISIMHUMEDO "http://127.0.0.1:$sim_port" '{ "waitPolled": 2, "verdict": "NO SEGURO", "reason": "H91%",
  "unsafe": "H91%", "graphs": { "24": { "g-temp": [2, 2], "g-hum": [2] } }, "failed": { "24": 0 } }'
run ISIMDESPEJADO "http://127.0.0.1:9" '{ "waitPolled": 3, "verdict": "NO SEGURO", "reason": "Fallo",
  "graphs": { "24": { "g-temp": [2, 2] } }, "failed": { "24": 1 } }'
echo "status page: all checks passed"
