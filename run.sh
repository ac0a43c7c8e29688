#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nubora against the bundled simulated weather
# service, with a throwaway settings file and data folder. Extra arguments go to nubora.
# "./run.sh --pws" uses the station-owner source against the simulator's stations instead.
set -euo pipefail
cd "$(dirname "$0")"

pws=""
if [ "${1:-}" = --pws ]; then
  pws=1
  shift
fi

scripts/install-deps
# One progress line; the compiler's output only when the build fails.
mkdir -p build
echo "Building Nubora (log: build/build.log)"
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  && cmake --build build -j"$(nproc)" --target nubora station-sim; } >build/build.log 2>&1; then
  cat build/build.log
  echo "run.sh: the build failed; its log is build/build.log" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/nubora-demo.XXXXXX")
. scripts/station-sim.sh
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
start_station_sim build "$work/station-sim.out" || exit 1

if [ -n "$pws" ]; then
  cat >"$work/settings.ini" <<INI
[Setup]
Fuente=PWS
API_key=demo
Estacion_ID=0
Estacion_ID_N=5
Estacion_ID(0)=IPWSDESPEJADO
Estacion_ID(1)=IPWSLLUVIA
Estacion_ID(2)=IPWSMEDIANOCHE
Estacion_ID(3)=IPWSNULOS
Estacion_ID(4)=IPWSSILENCIO
Path_Dat=$work
INI
  echo "Simulated station-owner and forecast services: http://127.0.0.1:$port (station IPWSDESPEJADO)"
else
  cat >"$work/settings.ini" <<INI
[Setup]
API_key=demo
Estacion_ID=0
Estacion_ID_N=4
Estacion_ID(0)=ISIMVIVO
Estacion_ID(1)=ISIMDESPEJADO
Estacion_ID(2)=ISIMPARCIAL
Estacion_ID(3)=ISIMVIENTO
Path_Dat=$work
INI
  echo "Simulated weather service: http://127.0.0.1:$port (station ISIMVIVO)"
fi

echo "Settings, Nubora.dat and the demo's history: $work"
echo "Log: standard error, and in window mode ${XDG_STATE_HOME:-$HOME/.local/state}/nubora/nubora.log"
sim_url="http://127.0.0.1:$port"
# The simulator's weather stays out of the user's own history.
nubora=(build/src/nubora --settings "$work/settings.ini" --service-url "$sim_url"
  --pws-url "$sim_url" --forecast-url "$sim_url" --history "$work/history.sqlite")
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "$(uname)" != Darwin ]; then
  echo "No display found: one poll without a window, then the data file."
  status=0
  "${nubora[@]}" --headless --once "$@" || status=$?
  echo "Nubora.dat: $(cat "$work/Nubora.dat")"
  echo "Exit status $status (0: conditions safe)."
  exit 0
fi
"${nubora[@]}" "$@"
