#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kerrowvantis.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/install-deps.sh"
# Only what is started here; ./test.sh builds the tests and the benchmarks.
BUILD_TARGET=program "$top/scripts/build.sh"
bin=${BUILD_DIR:-$top/build}/bin
# The demo invoicing database and its user data source, made once; an existing data source of
# that name is left as it is. ODBCINI follows HOME, which unixODBC itself would not.
export ODBCINI=${ODBCINI:-$HOME/.odbc.ini}
"$bin/kerrowvantis-demo" setup jdcxs_invoice "${XDG_DATA_HOME:-$HOME/.local/share}/Kerrowvantis/jdcxs_invoice.db" ||
    echo "run.sh: could not set up the demo database; starting without it" >&2
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no desktop session found; starting without a visible window (QT_QPA_PLATFORM=offscreen)" >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec "$bin/Kerrowvantis"
