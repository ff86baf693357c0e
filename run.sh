#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kerrowvantis.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no desktop session found; starting without a visible window (QT_QPA_PLATFORM=offscreen)" >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$top/build/bin/Kerrowvantis"
