#!/bin/sh
# Writes DIR/wavy.tif, a 1000 x 1000 Byte GeoTIFF, and DIR/wavy.tif.aoi.geojson,
# one class polygon of VERTICES vertices (a wavy ring of radius about 250
# pixels), for timing `ztclass aoi DIR/wavy.tif` on polygons of many vertices.
# Usage: wavy_aoi.sh DIR VERTICES
set -eu
dir=$1
vertices=$2
mkdir -p "$dir"
gdal_create -q -of GTiff -outsize 1000 1000 -bands 1 -ot Byte -burn 7 \
  -a_srs EPSG:32633 -a_ullr 500000 4030000 530000 4000000 -co TILED=YES "$dir/wavy.tif"
awk -v n="$vertices" 'BEGIN {
  pi = atan2(0, -1)
  printf "{\"type\":\"FeatureCollection\",\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"EPSG:32633\"}},"
  printf "\"features\":[{\"type\":\"Feature\",\"properties\":{\"class\":\"coast\"},"
  printf "\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[["
  for (k = 0; k <= n; k++) {
    t = 2 * pi * (k % n) / n
    r = 250 * (1 + 0.08 * sin(37 * t) + 0.03 * sin(411 * t))
    printf "%s[%.3f,%.3f]", (k ? "," : ""), 500000 + 30 * (500 + r * cos(t)), 4030000 - 30 * (500 + r * sin(t))
  }
  printf "]]}}]}\n"
}' > "$dir/wavy.tif.aoi.geojson"
