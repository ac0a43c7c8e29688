# Sourced by the scripts that poll the bundled simulator:
#   start_station_sim BUILD_DIR OUT_FILE   (sets sim, the process id, and port; 1 on failure)
# The caller stops it: kill "$sim".
start_station_sim() {
  local build="$1" out="$2"
  # The file exists before the simulator starts, so the first look at it cannot fail.
  : >"$out"
  "$build/tools/station-sim/station-sim" --port 0 >"$out" &
  sim=$!
  port=""
  for _ in $(seq 200); do
    port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$out")
    [ -n "$port" ] && return 0
    kill -0 "$sim" 2>/dev/null || break
    sleep 0.05
  done
  echo "station-sim did not start or printed no port" >&2
  return 1
}
