#!/usr/bin/env bash
# The demo: the sample scene, its training polygons, and what the library
# makes of them. Usage: demo.sh ZTCLASS SCENE
set -euo pipefail
ZTCLASS="$1"
SCENE="$2"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
AOI="$ROOT/data/olinda_training.geojson"
REFERENCE="$ROOT/data/olinda_reference.geojson"
OUT="${ZTCLASS_DEMO_DIR:-$ROOT/demo-output}"
mkdir -p "$OUT"

step() { printf '\n== %s\n' "$*"; }

step "The sample scene"
"$ZTCLASS" info "$SCENE"

step "Class AOIs drawn on it ($AOI)"
"$ZTCLASS" aoi "$SCENE" --aoi "$AOI"

step "Training cells of bands 3, 4 and 5, raw and purified at 2 standard deviations"
"$ZTCLASS" samples "$SCENE" --aoi "$AOI" --bands 3,4,5 -o "$OUT/cells.csv" --overwrite
"$ZTCLASS" samples "$SCENE" --aoi "$AOI" --bands 3,4,5 --purify 2 -o "$OUT/cells_purified.csv" --overwrite
head -n 4 "$OUT/cells.csv"

step "Minimum distance classification (rejecting pixels beyond 3 standard deviations)"
"$ZTCLASS" mindist "$SCENE" --aoi "$AOI" --dev-factor 3 -o "$OUT/mindist.tif" --png "$OUT/mindist.png" --overwrite

step "Maximum likelihood classification"
"$ZTCLASS" maxlike "$SCENE" --aoi "$AOI" -o "$OUT/maxlike.tif" --png "$OUT/maxlike.png" --overwrite
"$ZTCLASS" classes show "$OUT/maxlike.tif"

clumps() { echo $(( $(wc -l <"$1") - 7 )); }

step "Clean the maximum-likelihood map: clump, sieve, eliminate (8 neighbours, 12 pixels)"
"$ZTCLASS" clump "$OUT/maxlike.tif" --neighbours 8 -o "$OUT/clumps.tif" --stats "$OUT/clump.txt" --overwrite
"$ZTCLASS" sieve "$OUT/clumps.tif" --stats-in "$OUT/clump.txt" --threshold 12 -o "$OUT/sieved.tif" --stats "$OUT/sieve.txt" --overwrite
"$ZTCLASS" eliminate "$OUT/clumps.tif" --stats-in "$OUT/clump.txt" --threshold 12 --classes "$OUT/maxlike.tif" \
  -o "$OUT/maxlike_clean.tif" --stats "$OUT/eliminate.txt" --png "$OUT/maxlike_clean.png" --overwrite
echo "clumps: $(clumps "$OUT/clump.txt"); after the sieve: $(clumps "$OUT/sieve.txt")"
echo "pixels per class after eliminate:"
tail -n +7 "$OUT/eliminate.txt"

step "Class areas of the cleaned map, and its legend in a GeoPackage (open it in QGIS)"
"$ZTCLASS" area "$OUT/maxlike_clean.tif" -o "$OUT/maxlike_clean_area.txt" --overwrite
cat "$OUT/maxlike_clean_area.txt"
rm -f "$OUT/legend.gpkg"
"$ZTCLASS" legend "$OUT/maxlike_clean.tif" --gdb "$OUT/legend.gpkg" --name maxlike_clean --unclassified

step "Linear spectral unmixing into water, vegetation and built-up fractions (composite: red, green, blue)"
"$ZTCLASS" unmix "$SCENE" --aoi "$AOI" -o "$OUT/fractions.tif" --png "$OUT/fractions.png" \
  --overwrite

step "Accuracy of the maximum-likelihood map against reference polygons drawn apart from the training ones"
"$ZTCLASS" accuracy "$OUT/maxlike.tif" --aoi "$REFERENCE" -o "$OUT/accuracy.txt" --overwrite
cat "$OUT/accuracy.txt"

step "ISODATA clustering: 8 classes, colours from bands 4, 3, 2 with a linear stretch"
"$ZTCLASS" isodata "$SCENE" --classes 8 --display-bands 4,3,2 --stretch linear -o "$OUT/isodata.tif" \
  --png "$OUT/isodata.png" --overwrite

step "Unsupervised minimum distance: 8 classes from max-min centres"
"$ZTCLASS" cluster-mindist "$SCENE" --classes 8 --display-bands 4,3,2 -o "$OUT/cluster_mindist.tif" \
  --png "$OUT/cluster_mindist.png" --overwrite

step "Kohonen network: 6 clusters learnt winner-take-all from every pixel of the scene"
"$ZTCLASS" kohonen "$SCENE" --clusters 6 -o "$OUT/kohonen.tif" --png "$OUT/kohonen.png" --overwrite
step "Fuzzy ART: at most 8 categories, boxes of near and short-wave infrared values (bands 4 and 5)"
"$ZTCLASS" fuzzy-art "$SCENE" --clusters 8 --bands 4,5 -o "$OUT/fuzzy_art.tif" --png "$OUT/fuzzy_art.png" \
  --overwrite

# agreement A B: the percentage of pixels that maps A and B give the same class.
agreement() {
  paste -d ' ' <(gdal_translate -q -of XYZ "$1" /vsistdout/) <(gdal_translate -q -of XYZ "$2" /vsistdout/) |
    awk '{ n++; if ($3 == $6) same++ } END { printf "%.1f%%", 100 * same / n }'
}

step "BP and RBF neural networks from the same training polygons (seeded, so the maps repeat)"
"$ZTCLASS" bp "$SCENE" --aoi "$AOI" --seed 1 -o "$OUT/bp.tif" --png "$OUT/bp.png" --overwrite
"$ZTCLASS" rbf "$SCENE" --aoi "$AOI" --seed 1 -o "$OUT/rbf.tif" --png "$OUT/rbf.png" --overwrite
echo "agreement with the maximum-likelihood map: BP $(agreement "$OUT/bp.tif" "$OUT/maxlike.tif"), RBF $(agreement "$OUT/rbf.tif" "$OUT/maxlike.tif")"
# overall NAME: the overall accuracy of map NAME against the reference polygons
# (its report in NAME_accuracy.txt).
overall() {
  "$ZTCLASS" accuracy "$OUT/$1.tif" --aoi "$REFERENCE" -o "$OUT/$1_accuracy.txt" --overwrite 2>/dev/null |
    sed -n 's/^Overall accuracy \([0-9.]*\).*/\1/p'
}
echo "overall accuracy against the reference polygons: maximum likelihood $(overall maxlike), BP $(overall bp)," \
  "RBF $(overall rbf)"

step "Done: results are in $OUT"
ls -1 "$OUT"
