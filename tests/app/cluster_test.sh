#!/usr/bin/env bash
# The unsupervised commands end to end, on files made here with GDAL's tools.
# Usage: cluster_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
gdal_translate -q -a_nodata 0 "$WORK/scene.bin" "$WORK/nodata.tif"
gdal_create -q -of GTiff -outsize 12 10 -bands 2 -burn 30 -burn 60 "$WORK/flat.tif"

for command in cluster-mindist cluster-gmindist; do help_shows "$command" "--display-bands"; done
help_shows isodata "--display-bands" "--iterations INT=10"
help_shows cluster-box "--display-bands" "100000 samples"

check "cluster-mindist" 0 "Wrote .*mindist.tif \(2 classes, sampling interval 1\)" "^  2	Class_2	6 pixels$" -- \
  "$ZTCLASS" cluster-mindist "$WORK/scene.tif" -o "$WORK/mindist.tif" --classes 2
check "class names for GIS programs" 0 "2: Class_2" -- gdalinfo "$WORK/mindist.tif"
# Forest means 201.5 and 11.
check "colours from the class means" 0 "2: 201,11,201,255" -- \
  bash -c "'$ZTCLASS' cluster-mindist '$WORK/scene.tif' -o '$WORK/c.tif' --classes 2 --display-bands 1,2,1 >/dev/null && gdalinfo '$WORK/c.tif'"
# The printed pixel counts against GDAL's histogram of the result, on one
# whose 16-pixel blocks make several reads, the last one short.
gdal_translate -q -outsize 50 37 "$WORK/scene.tif" "$WORK/large.tif"
"$ZTCLASS" cluster-mindist "$WORK/large.tif" -o "$WORK/large_c.tif" --classes 3 --co BLOCKXSIZE=16 \
  --co BLOCKYSIZE=16 >"$WORK/large.txt"
printed=$(awk -F'\t' '/ pixels$/ {sub(/^ +/, "", $1); sub(/ pixels/, "", $3); printf "%s:%s ", $1, $3}' "$WORK/large.txt")
histogram=$(gdalinfo -hist "$WORK/large_c.tif" |
  awk '/buckets from -0.5 to 255.5/ {getline; for (i = 1; i <= NF; ++i) if ($i > 0) printf "%d:%s ", i - 1, $i}')
check "pixel counts per class" 0 "^3 classes counted alike$" -- \
  bash -c "[ -n '$printed' ] && [ '$printed' = '$histogram' ] && echo '$(echo $printed | wc -w) classes counted alike'"
check "cluster-box" 0 "^  1	Class_1	[0-9]+ pixels$" -- \
  "$ZTCLASS" cluster-box "$WORK/scene.tif" -o "$WORK/box.tif" --classes 2 --interval 2
check "cluster-box writes class k as k + 1" 0 "Maximum=3.000" -- gdalinfo -stats "$WORK/box.tif"
check "cluster-gmindist" 0 "Wrote .*gmindist.tif \(2 classes" -- \
  "$ZTCLASS" cluster-gmindist "$WORK/scene.tif" -o "$WORK/gmindist.tif" --classes 2
check "isodata" 0 "Wrote .*iso.tif \(2 classes" "第1次迭代" -- "$ZTCLASS" isodata "$WORK/scene.tif" -o "$WORK/iso.tif" \
  --classes 2 --display-bands 1,2,2 --stretch equalize --png "$WORK/iso.png"
check "isodata with every parameter" 0 "Wrote" -- "$ZTCLASS" isodata "$WORK/scene.tif" -o "$WORK/iso2.tif" \
  --classes 3 --iterations 0 --split-threshold 2 --convergence 0.1 --merge-threshold 0.5 --min-size 0 \
  --max-merges 1 --interval 1 --ot UInt16

check "unknown stretch" 1 "unknown --stretch 'vivid'" -- \
  "$ZTCLASS" isodata "$WORK/scene.tif" -o "$WORK/x.tif" --classes 2 --stretch vivid
check "display band not used" 2 "band 2 is not among the bands used" -- \
  "$ZTCLASS" cluster-box "$WORK/scene.tif" -o "$WORK/x.tif" --classes 2 --bands 1 --display-bands 1,2,1
check "two display bands" 2 "three bands" -- \
  "$ZTCLASS" cluster-box "$WORK/scene.tif" -o "$WORK/x.tif" --classes 2 --display-bands 1,2
check "box values beyond a byte" 2 "class values up to 256, more than a Byte result holds" -- \
  "$ZTCLASS" cluster-box "$WORK/scene.tif" -o "$WORK/x.tif" --classes 255
check "classes meeting the no-data class" 2 "would meet 255" -- \
  "$ZTCLASS" cluster-mindist "$WORK/nodata.tif" -o "$WORK/x.tif" --classes 255
check "isodata splits too far for Int8" 2 "up to 150, more than a Int8 result holds" -- \
  "$ZTCLASS" isodata "$WORK/scene.tif" -o "$WORK/x.tif" --classes 100 --ot Int8
check "no classes" 2 "--classes must be at least 1" -- \
  "$ZTCLASS" cluster-mindist "$WORK/scene.tif" -o "$WORK/x.tif" --classes 0
# The singular cluster named with its samples and what to try.
check "singular scatter matrix" 1 "RC_MATRIX_NOT_INVERTIBLE \(5000004\)" \
  "the scatter matrix of cluster [12] \(([0-9]+) samples.*cannot be inverted.*Try fewer clusters \(--classes 1 or less\)" \
  -- "$ZTCLASS" cluster-gmindist "$WORK/flat.tif" -o "$WORK/singular.tif" --classes 2
check "nothing left of a failed run" 1 "" -- test -e "$WORK/singular.tif"

# ISODATA's split threshold (5 on 8-bit images) follows the bands' extent:
# the scene's values reach 203, x 100 in the 16-bit copy.
gdal_translate -q -ot UInt16 -scale 0 255 0 25500 "$WORK/scene.tif" "$WORK/scene16.tif"
check "isodata's split threshold on 16 bits" 0 "Split threshold: 398.039 " -- \
  "$ZTCLASS" -v isodata "$WORK/scene16.tif" -o "$WORK/iso16.tif" --classes 2
check "isodata's split threshold on 8 bits" 0 "Split threshold: 5 " -- \
  "$ZTCLASS" -v isodata "$WORK/scene.tif" -o "$WORK/iso8.tif" --classes 2

finish "cluster"
