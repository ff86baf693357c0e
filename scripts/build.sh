#!/usr/bin/env bash
# Configures and builds into build/ (or the folder in BUILD_DIR) with the given CMake options:
# everything, or only the target in BUILD_TARGET ("program": what ./run.sh starts).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
