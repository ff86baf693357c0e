#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero on any failure.
# SANITIZE=1 builds into build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/install-deps.sh"
if [ "${SANITIZE:-0}" = 1 ]; then
    export BUILD_DIR=$top/build-asan BUILD_TYPE=Debug
    "$top/scripts/build.sh" -DKV_SANITIZE=ON
else
    "$top/scripts/build.sh"
fi
ctest --test-dir "${BUILD_DIR:-$top/build}" --output-on-failure --parallel "$(nproc)"
