#!/usr/bin/env bash
# Runs the legend export tests against a real PostgreSQL server with PostGIS,
# started here on a unix socket in a temporary directory (no TCP) and stopped
# at the end. The server runs as an unprivileged user: as root, "nobody".
# Usage: legend_postgis_test.sh EXPORT_TEST_BINARY
set -euo pipefail
binary="$1"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || ! ls /usr/share/postgresql/*/extension/postgis.control >/dev/null 2>&1; then
  echo "PostgreSQL or PostGIS is not installed (scripts/setup.sh test installs them)" >&2
  exit 1
fi

as_server() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then as_server() { runuser -u nobody -- "$@"; }; fi

dir="$(mktemp -d /tmp/ztclass-pg-XXXXXX)"
chmod 755 "$dir"
[ "$(id -u)" -eq 0 ] && chown nobody "$dir"
port=54329
stop() {
  as_server "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT

as_server "$bin/initdb" -D "$dir/data" -U ztclass --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log" >&2; exit 1; }
as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
  -o "-c listen_addresses='' -k $dir -p $port -c fsync=off" >/dev/null ||
  { cat "$dir/server.log" >&2; exit 1; }
"$bin/psql" -h "$dir" -p "$port" -U ztclass -d postgres -q -v ON_ERROR_STOP=1 \
  -c "CREATE DATABASE legends" >/dev/null
"$bin/psql" -h "$dir" -p "$port" -U ztclass -d legends -q -v ON_ERROR_STOP=1 \
  -c "CREATE EXTENSION postgis" >/dev/null

ZTCLASS_TEST_PG_SERVER="$dir:$port" ZTCLASS_TEST_PG_DATABASE=legends ZTCLASS_TEST_PG_USER=ztclass \
  "$binary" --gtest_filter='*PostGIS*'
