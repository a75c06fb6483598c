#!/usr/bin/env bash
# Class images of every integer and floating-point pixel type: written, with
# their category names, and a colour table where the format keeps one.
# Usage: cli_result_types_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
forest_aoi "$WORK/aoi.geojson" "#00A000"

for type in UInt16 Int16 UInt32 Int32 Float32 Float64; do
  out="$WORK/map_$type.tif"
  check "mindist --ot $type" 0 "Wrote .*\\(2 classes\\)" -- \
    "$ZTCLASS" mindist "$WORK/scene.bin" --aoi "$WORK/aoi.geojson" -o "$out" --ot "$type"
  check "$type result, category names, forest pixels" 0 "Type=$type" "2: Forest" "Minimum=1.000, Maximum=2.000" -- \
    gdalinfo -stats "$out"
done
# GeoTIFF keeps colour tables for Byte and UInt16 only.
check "UInt16 colour table" 0 "2: 0,160,0,255" -- gdalinfo "$WORK/map_UInt16.tif"
check "maxlike --ot Float32" 0 "Wrote" -- \
  "$ZTCLASS" maxlike "$WORK/scene.bin" --aoi "$WORK/aoi.geojson" -o "$WORK/ml.tif" --ot Float32
check "clump of a Float32 class image" 0 "Wrote" -- \
  "$ZTCLASS" clump "$WORK/ml.tif" -o "$WORK/clumps.tif" --stats "$WORK/clump.txt"

finish "cli result types"
