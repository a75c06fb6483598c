#!/usr/bin/env bash
# Training polygons read from a real PostGIS database (a server that this
# script starts) of two tables: one is named, or the command refuses.
# Usage: aoi_postgis_test.sh ZTCLASS
set -u
ZTCLASS="$1"
here="$(dirname "$0")"
. "$here/harness.sh"
. "$here/../export/postgis_server.sh"
start_postgis training || exit 1
PG="PG:dbname=training host=$PG_SOCKET port=$PG_PORT user=$PG_USER"

gdal_create -q -of GTiff -outsize 12 10 -bands 2 -burn 5 -burn 6 "$WORK/img.tif"
forest_aoi "$WORK/aoi.geojson"
ogr2ogr -q -f PostgreSQL "$PG" "$WORK/aoi.geojson" -nln water
ogr2ogr -q -f PostgreSQL "$PG" "$WORK/aoi.geojson" -nln forest -where "class = 'Forest'"

check "a database of two tables" 1 "it holds 2 layers \\('(water|forest)', '(water|forest)'\\): name the one to read" -- \
  "$ZTCLASS" aoi "$WORK/img.tif" --aoi-pixels --aoi "$PG"
check "a named table" 0 "^1	#[0-9A-F]{6}	1	6	Forest$" -- \
  "$ZTCLASS" aoi "$WORK/img.tif" --aoi-pixels --aoi "$PG|layername=forest"
"$ZTCLASS" -q samples "$WORK/img.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/file.csv"
"$ZTCLASS" -q samples "$WORK/img.tif" --aoi-pixels --aoi "$PG|layername=water" -o "$WORK/table.csv"
check "the table's training cells are the file's" 0 "" -- cmp "$WORK/file.csv" "$WORK/table.csv"
finish "aoi_postgis"
