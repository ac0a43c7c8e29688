#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite through CTest.
# Extra arguments go to CMake's configure step (e.g. -DNUBORA_SANITIZE=ON).
# BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps
build="${BUILD_DIR:-build}"
# One progress line; the compiler's output only when the build fails.
mkdir -p "$build"
echo "Building in $build (log: $build/build.log)"
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" \
  && cmake --build "$build" -j"$(nproc)"; } >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  echo "test.sh: the build failed; its log is $build/build.log" >&2
  exit 1
fi
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
