#!/usr/bin/env bash
# Nothing is written beside an input: every command, run on a small scene
# made here and a class map in a folder of inputs, leaves that folder's
# listing as it was. Statistics that GDAL computes (the display stretch of
# the clustering commands, the area report) would otherwise land in
# IMAGE.aux.xml.
# Usage: inputs_untouched_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

IN="$WORK/in" OUT="$WORK/out"
mkdir -p "$IN" "$OUT"
# 64 x 64, three noisy bands, a bright half and a dark half, with a
# geotransform whose map units are pixels (y up) and no coordinate system.
byte_image "$WORK/noisy" 64 64 3 '(c < 32 ? 150 : 60) + b * 10 + int(rand() * 40)' 'srand(7);'
gdal_translate -q -a_ullr 0 64 64 0 "$WORK/noisy.bin" "$IN/scene.tif"
polygons in/aoi "1 field 2 62 20 44" "2 forest 40 24 60 4"
S="$IN/scene.tif" A="$IN/aoi.geojson"

# The class map and its statistics are inputs too.
"$ZTCLASS" -q mindist "$S" --aoi "$A" -o "$OUT/map.tif" &&
  "$ZTCLASS" -q clump "$OUT/map.tif" -o "$OUT/clumps.tif" --stats "$OUT/clumps.txt" &&
  cp "$OUT"/map.* "$OUT"/clumps.* "$IN/" || fail "making the class map"
rm -rf "$OUT" && mkdir -p "$OUT"

listing() { (cd "$IN" && find . -printf '%P %s %T@\n' | sort); }
before="$(listing)"

runs=(
  "info $S"
  "aoi $S --aoi $A"
  "samples $S --aoi $A -o $OUT/cells.csv"
  "mindist $S --aoi $A -o $OUT/mindist.tif --png $OUT/mindist.png"
  "maxlike $S --aoi $A --bands 1,2,3 -o $OUT/maxlike.tif"
  "bp $S --aoi $A --seed 1 --epochs 5 -o $OUT/bp.tif"
  "cluster-mindist $S --classes 3 --display-bands 3,2,1 -o $OUT/cm.tif"
  "cluster-box $S --classes 3 --display-bands 3,2,1 -o $OUT/cb.tif"
  "isodata $S --classes 3 --display-bands 3,2,1 --stretch linear -o $OUT/iso.tif --png $OUT/iso.png"
  "fuzzy-art $S --clusters 3 -o $OUT/fart.tif"
  "unmix $S --aoi $A -o $OUT/fractions.tif"
  "clump $IN/map.tif -o $OUT/c.tif --stats $OUT/c.txt"
  "eliminate $IN/clumps.tif --stats-in $IN/clumps.txt --threshold 3 --classes $IN/map.tif -o $OUT/e.tif --stats $OUT/e.txt"
  "accuracy $IN/map.tif --aoi $A -o $OUT/accuracy.txt"
  "area $IN/map.tif -o $OUT/area.txt"
  "legend $IN/map.tif --gdb $OUT/legend.gpkg"
  "classes show $IN/map.tif"
)
for run in "${runs[@]}"; do
  # shellcheck disable=SC2086
  output="$("$ZTCLASS" -q $run 2>&1)" || { fail "ztclass $run: $output"; continue; }
  after="$(listing)"
  if [ "$after" = "$before" ]; then pass; else
    fail "ztclass $run changed the input folder:"
    diff <(printf '%s\n' "$before") <(printf '%s\n' "$after")
    before="$after"
  fi
done

finish "inputs untouched"
