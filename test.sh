#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite through CTest.
# Extra arguments go to CMake's configure step (e.g. -DNUBORA_SANITIZE=ON).
# BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
