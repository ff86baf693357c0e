#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests, on 127.0.0.1 with trust authentication.
#   scripts/pg-test-cluster.sh start DIR PORT   creates and starts it, with the database kvtest
#   scripts/pg-test-cluster.sh stop DIR         stops it and removes DIR
# As root the server runs as the postgres user, since PostgreSQL refuses to run as root.
set -euo pipefail

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "pg-test-cluster: no PostgreSQL server installed" >&2; exit 1; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "${1:-}" in
start)
    dir=$2 port=$3
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -ne 0 ] || chown postgres "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U kv --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c full_page_writes=off" start >/dev/null
    as_owner "$bin/createdb" -h 127.0.0.1 -p "$port" -U kv kvtest
    ;;
stop)
    dir=$2
    [ -d "$dir/data" ] && as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start DIR PORT | stop DIR" >&2
    exit 2
    ;;
esac
