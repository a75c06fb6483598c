#!/usr/bin/env bash
# Runs the legend export tests against a real PostgreSQL server with PostGIS
# that this script starts and stops.
# Usage: legend_postgis_test.sh EXPORT_TEST_BINARY
set -euo pipefail
binary="$1"
. "$(dirname "$0")/postgis_server.sh"
start_postgis legends

ZTCLASS_TEST_PG_SERVER="$PG_SOCKET:$PG_PORT" ZTCLASS_TEST_PG_DATABASE=legends ZTCLASS_TEST_PG_USER="$PG_USER" \
  "$binary" --gtest_filter='*PostGIS*'
