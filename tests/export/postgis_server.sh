# A PostgreSQL server with PostGIS for the tests that need one, sourced by
# them. It listens only on a unix socket in a temporary directory (no TCP)
# and runs as an unprivileged user: as root, "nobody".
#   start_postgis DATABASE   starts the server, creates DATABASE with the
#                            postgis extension and stops it all at exit
#                            (after what the EXIT trap already did); sets
#                            PG_SOCKET (the socket directory), PG_PORT and
#                            PG_USER (a superuser, trusted without password)
#   pg_sql DATABASE SQL      runs SQL as PG_USER, stops at the first error
PG_PORT=54329
PG_USER=ztclass

_pg_bin() { ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1; }

_pg_as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

stop_postgis() {
  [ -n "${PG_SOCKET:-}" ] || return 0
  _pg_as_server "$(_pg_bin)/pg_ctl" -D "$PG_SOCKET/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$PG_SOCKET"
  PG_SOCKET=""
}

pg_sql() {
  "$(_pg_bin)/psql" -h "$PG_SOCKET" -p "$PG_PORT" -U "$PG_USER" -d "$1" -q -X -v ON_ERROR_STOP=1 -c "$2"
}

start_postgis() {
  local database="$1" bin
  bin="$(_pg_bin)"
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || ! ls /usr/share/postgresql/*/extension/postgis.control >/dev/null 2>&1; then
    echo "PostgreSQL or PostGIS is not installed (scripts/setup.sh test installs them)" >&2
    return 1
  fi
  PG_SOCKET="$(mktemp -d /tmp/ztclass-pg-XXXXXX)"
  chmod 755 "$PG_SOCKET"
  [ "$(id -u)" -ne 0 ] || chown nobody "$PG_SOCKET"
  # Keep whatever the caller already does at exit, after the server is gone.
  local previous=""
  eval "set -- $(trap -p EXIT)"
  previous="${3:-}"
  trap "stop_postgis; $previous" EXIT

  _pg_as_server "$bin/initdb" -D "$PG_SOCKET/data" -U "$PG_USER" --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$PG_SOCKET/initdb.log" 2>&1 || { cat "$PG_SOCKET/initdb.log" >&2; return 1; }
  _pg_as_server "$bin/pg_ctl" -D "$PG_SOCKET/data" -l "$PG_SOCKET/server.log" -w -t 60 start \
    -o "-c listen_addresses='' -k $PG_SOCKET -p $PG_PORT -c fsync=off" >/dev/null ||
    { cat "$PG_SOCKET/server.log" >&2; return 1; }
  pg_sql postgres "CREATE DATABASE \"$database\"" >/dev/null && pg_sql "$database" "CREATE EXTENSION postgis" >/dev/null
}
