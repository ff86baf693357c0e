#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero on any failure.
# SANITIZE=1 builds into build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/install-deps.sh"
if [ "${SANITIZE:-0}" = 1 ]; then
    export BUILD_DIR=$top/build-asan BUILD_TYPE=Debug
    # Full stacks, so that the ODBC libraries' own leaks can be told from ours.
    export LSAN_OPTIONS="fast_unwind_on_malloc=0:suppressions=$top/tests/lsan.supp"
    "$top/scripts/build.sh" -DKV_SANITIZE=ON
else
    "$top/scripts/build.sh"
fi

# A PostgreSQL cluster of the tests' own, so the database tests also run against a server.
pgdir=$(mktemp -d /tmp/kerrowvantis-pg.XXXXXX)
port=54329
while (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; do port=$((port + 1)); done
if "$top/scripts/pg-test-cluster.sh" start "$pgdir" "$port" >"$pgdir.log" 2>&1; then
    export KV_PG_PORT=$port
    trap '"$top/scripts/pg-test-cluster.sh" stop "$pgdir"; rm -f "$pgdir.log"' EXIT
else
    # On a developer's machine the PostgreSQL cases may be skipped; in CI they must run.
    if [ "${CI:-}" = true ]; then
        echo "test.sh: FAILED: the PostgreSQL test cluster could not start, and CI runs every database case:" >&2
    else
        echo "test.sh: COULD NOT START the PostgreSQL test cluster; its database cases are skipped:" >&2
    fi
    cat "$pgdir.log" >&2
    rm -rf "$pgdir" "$pgdir.log"
    [ "${CI:-}" != true ] || exit 1
fi

ctest --test-dir "${BUILD_DIR:-$top/build}" --output-on-failure --parallel "$(nproc)"
