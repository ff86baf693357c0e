#!/usr/bin/env bash
# Starts the stand-in tax server on 127.0.0.1 (port 8080, or PORT) for the online declaration
# demo: the upload password is the demo seller's taxpayer number, which is also the program's
# password until one is set. Builds it first when needed; extra arguments go to the server
# (--refuse MESSAGE, --delay-ms N, --status N, --reply MODE, --redirect, --location URL; see
# tests/fixtures/TaxServer.cpp). Stops with Ctrl+C.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$top/build}
port=${PORT:-8080}

"$top/scripts/install-deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target taxserver --parallel "$(nproc)" >/dev/null

state=$build/tax-server
mkdir -p "$state"
cat <<SETTINGS
tax-server: put these lines into $build/bin/Kerrowvantis.ini and start ./run.sh:

[SBConfig]
SBType=2
[NetConfig]
AuthenServer=http://127.0.0.1:$port
UploadAction=upload
EdtPassAction=password

tax-server: requests are logged to $state/requests.log, the last accepted record is
$state/last-document.xml
SETTINGS
exec "$build/tests/fixtures/taxserver" "$port" --password 320581739256418 \
    --log "$state/requests.log" --last-document "$state/last-document.xml" "$@"
