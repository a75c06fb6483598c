#!/usr/bin/env bash
# Where training polygons fall: never guessed. Polygons with a coordinate
# system on an image without one are refused unless --aoi-pixels says their
# coordinates are pixel/line positions; a polygon that cannot be placed is
# named; a shapefile whose attribute table is cut short is refused.
# Usage: aoi_coordinates_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
S="$WORK/scene.tif"
pixels='{"type":"Feature","properties":{"class":"field"},"geometry":{"type":"Polygon","coordinates":[[[0,0],[5,0],[5,5],[0,5],[0,0]]]}},
 {"type":"Feature","properties":{"class":"forest"},"geometry":{"type":"Polygon","coordinates":[[[7,6],[9,6],[9,9],[7,9],[7,6]]]}}'
printf '{"type":"FeatureCollection","features":[%s]}' "$pixels" >"$WORK/plain.geojson"
printf '{"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::4326"}},"features":[%s]}' \
  "$pixels" >"$WORK/declared.geojson"
ogr2ogr -q "$WORK/declared.gpkg" "$WORK/declared.geojson"

check "pixel coordinates without a coordinate system" 0 "" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/plain.geojson" -o "$WORK/plain.tif"
for file in declared.geojson declared.gpkg; do
  check "$file on an image without georeferencing" 1 \
    "declared.*coordinate system 'WGS 84' \(EPSG:4326\), the image '.*scene.tif' has none.*--aoi-pixels" -- \
    "$ZTCLASS" mindist "$S" --aoi "$WORK/$file" -o "$WORK/refused.tif"
done
check "nothing written when refused" 1 "" -- test -e "$WORK/refused.tif"
check "--aoi-pixels takes them as pixel/line positions" 0 "" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/declared.gpkg" --aoi-pixels -o "$WORK/pixels.tif"
check "the same map as the plain file" 0 "" -- cmp "$WORK/plain.tif" "$WORK/pixels.tif"
check "aoi takes --aoi-pixels too" 0 "forest" -- "$ZTCLASS" aoi "$S" --aoi "$WORK/declared.gpkg" --aoi-pixels

# A polygon whose coordinates have no place on a georeferenced image.
gdal_translate -q -a_srs EPSG:32633 -a_ullr 500000 4000300 500360 4000000 "$S" "$WORK/utm.tif"
printf '{"type":"FeatureCollection","features":[
 {"type":"Feature","properties":{"class":"water"},"geometry":{"type":"Polygon","coordinates":[[[15,36.1],[15.001,36.1],[15.001,36.101],[15,36.1]]]}},
 {"type":"Feature","properties":{"class":"water"},"geometry":{"type":"Polygon","coordinates":[[[15,95],[16,95],[16,96],[15,95]]]}}]}' \
  >"$WORK/far.geojson"
check "a polygon that cannot be placed is named" 1 "far.geojson': polygon 2 of class 'water' lies outside the image" -- \
  "$ZTCLASS" mindist "$WORK/utm.tif" --aoi "$WORK/far.geojson" -o "$WORK/far.tif"

# A shapefile whose .dbf was cut short would train one class per polygon.
ogr2ogr -q "$WORK/areas.shp" "$WORK/plain.geojson"
head -c 20 "$WORK/areas.dbf" >"$WORK/cut.dbf" && mv "$WORK/cut.dbf" "$WORK/areas.dbf"
check "a .dbf cut short is refused" 1 "areas.dbf' cannot be read \(cut short or damaged\)" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/areas.shp" -o "$WORK/cut.tif"

finish "AOI coordinates"
