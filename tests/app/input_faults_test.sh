#!/usr/bin/env bash
# Inputs the library cannot use, as a user meets them: pixel types it does
# not read, and an image cut short. Each ends the command with a message
# that says so, and leaves no result.
# Usage: input_faults_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
printf '{"type":"FeatureCollection","features":[
 {"type":"Feature","properties":{"class":"field"},"geometry":{"type":"Polygon","coordinates":[[[0,0],[5,0],[5,5],[0,5],[0,0]]]}},
 {"type":"Feature","properties":{"class":"forest"},"geometry":{"type":"Polygon","coordinates":[[[7,6],[9,6],[9,9],[7,9],[7,6]]]}}]}' \
  >"$WORK/aoi.geojson"

for type in CInt16 CFloat32 Int64 UInt64; do
  gdal_translate -q -ot "$type" "$WORK/scene.bin" "$WORK/$type.tif"
  check "info names $type" 0 "Band 1: $type \(not classifiable\)" -- "$ZTCLASS" info "$WORK/$type.tif"
  check "mindist refuses $type" 1 "RC_UNSUPPORTED_PIXEL_TYPE \(4000040\): the image's pixel type cannot be classified" -- \
    "$ZTCLASS" mindist "$WORK/$type.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/$type-map.tif"
  check "isodata refuses $type" 1 "RC_UNSUPPORTED_PIXEL_TYPE" -- \
    "$ZTCLASS" isodata "$WORK/$type.tif" --classes 2 -o "$WORK/$type-iso.tif"
  check "no $type result" 1 "" -- test -e "$WORK/$type-map.tif"
done

# A tiled, compressed scene cut short in its last tiles: the training areas
# read well, the pass does not.
gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE -outsize 64 64 \
  "$WORK/scene.bin" "$WORK/big.tif"
head -c $(($(stat -c %s "$WORK/big.tif") * 3 / 4)) "$WORK/big.tif" >"$WORK/cut.tif"
check "a file cut short names file, band, rows and GDAL's reason" 1 \
  "RC_RASTER_IO_FAILED \(5000010\).*; reading '.*cut.tif', band [0-9]+, row [0-9]+-[0-9]+: .*[Rr]ead" -- \
  "$ZTCLASS" mindist "$WORK/cut.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/cut-map.tif"
check "no result from a file cut short" 1 "" -- test -e "$WORK/cut-map.tif"
check "isodata on a file cut short" 1 "RC_RASTER_IO_FAILED" -- \
  "$ZTCLASS" isodata "$WORK/cut.tif" --classes 2 -o "$WORK/cut-iso.tif"

finish "input faults"
