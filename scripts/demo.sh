#!/usr/bin/env bash
# The demo: the sample scene, its training polygons, and what the library
# makes of them. Usage: demo.sh ZTCLASS SCENE
set -euo pipefail
ZTCLASS="$1"
SCENE="$2"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
AOI="$ROOT/data/olinda_training.geojson"
OUT="${ZTCLASS_DEMO_DIR:-$ROOT/demo-output}"
mkdir -p "$OUT"

step() { printf '\n== %s\n' "$*"; }

step "The sample scene"
"$ZTCLASS" info "$SCENE"

step "Class AOIs drawn on it ($AOI)"
"$ZTCLASS" aoi "$SCENE" --aoi "$AOI"

step "Training cells of bands 3, 4 and 5, raw and purified at 2 standard deviations"
"$ZTCLASS" samples "$SCENE" --aoi "$AOI" --bands 3,4,5 -o "$OUT/cells.csv"
"$ZTCLASS" samples "$SCENE" --aoi "$AOI" --bands 3,4,5 --purify 2 -o "$OUT/cells_purified.csv"
head -n 4 "$OUT/cells.csv"

step "Minimum distance classification (rejecting pixels beyond 3 standard deviations)"
"$ZTCLASS" mindist "$SCENE" --aoi "$AOI" --dev-factor 3 -o "$OUT/mindist.tif" --png "$OUT/mindist.png"

step "Maximum likelihood classification"
"$ZTCLASS" maxlike "$SCENE" --aoi "$AOI" -o "$OUT/maxlike.tif" --png "$OUT/maxlike.png"
"$ZTCLASS" classes show "$OUT/maxlike.tif"

step "Done: results are in $OUT"
ls -1 "$OUT"
