#!/usr/bin/env bash
# Class images of every integer and floating-point pixel type: written, with
# their category names, and a colour table where the format keeps one.
# Usage: cli_result_types_test.sh ZTCLASS
set -u
ZTCLASS="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
passed=0
failed=0

check() {
  local name="$1" status="$2" pattern="$3"
  shift 4
  local output rc
  output="$("$@" 2>&1)"
  rc=$?
  if [ "$rc" -eq "$status" ] && grep -qE -- "$pattern" <<<"$output"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s: status %s (expected %s), output:\n%s\n' "$name" "$rc" "$status" "$output"
  fi
}

LC_ALL=C awk 'BEGIN {
  for (b = 1; b <= 2; b++) for (r = 0; r < 10; r++) for (c = 0; c < 12; c++) {
    forest = c >= 7 && c <= 8 && r >= 6 && r <= 8
    if (b == 1) v = forest ? 200 + (c + 2 * r) % 4 : 30 + (c * 7 + r * 3) % 5
    else v = forest ? 10 + (c * 5 + r) % 3 : 60 + (c * 3 + r * 5) % 7
    printf "%c", v
  } }' >"$WORK/scene.bin"
printf 'ENVI\nsamples = 12\nlines = 10\nbands = 2\nheader offset = 0\nfile type = ENVI Standard\ndata type = 1\ninterleave = bsq\nbyte order = 0\n' >"$WORK/scene.hdr"
cat >"$WORK/aoi.geojson" <<'JSON'
{"type":"FeatureCollection","features":[
 {"type":"Feature","properties":{"class":"Water","color":"#0000FF"},
  "geometry":{"type":"Polygon","coordinates":[[[1.5,1.5],[4.5,1.5],[4.5,3.5],[1.5,3.5],[1.5,1.5]]]}},
 {"type":"Feature","properties":{"class":"Forest","color":"#00A000"},
  "geometry":{"type":"Polygon","coordinates":[[[6.5,5.5],[8.5,5.5],[8.5,8.5],[6.5,8.5],[6.5,5.5]]]}}]}
JSON

for type in UInt16 Int16 UInt32 Int32 Float32 Float64; do
  out="$WORK/map_$type.tif"
  check "mindist --ot $type" 0 "Wrote .*\\(2 classes\\)" -- \
    "$ZTCLASS" mindist "$WORK/scene.bin" --aoi "$WORK/aoi.geojson" -o "$out" --ot "$type"
  check "$type result" 0 "Type=$type" -- gdalinfo "$out"
  check "$type category names" 0 "2: Forest" -- gdalinfo "$out"
  check "$type forest pixels" 0 "Minimum=1.000, Maximum=2.000" -- gdalinfo -stats "$out"
done
# GeoTIFF keeps colour tables for Byte and UInt16 only.
check "UInt16 colour table" 0 "2: 0,160,0,255" -- gdalinfo "$WORK/map_UInt16.tif"
check "maxlike --ot Float32" 0 "Wrote" -- \
  "$ZTCLASS" maxlike "$WORK/scene.bin" --aoi "$WORK/aoi.geojson" -o "$WORK/ml.tif" --ot Float32
check "clump of a Float32 class image" 0 "Wrote" -- \
  "$ZTCLASS" clump "$WORK/ml.tif" -o "$WORK/clumps.tif" --stats "$WORK/clump.txt"

echo "cli result types: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
