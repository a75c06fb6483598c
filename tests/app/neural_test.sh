#!/usr/bin/env bash
# The neural-network commands end to end, on files made here with GDAL's tools.
# Usage: neural_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

# A three-band scene (raw bytes with an ENVI header, no georeferencing): dark
# water in columns 0-11, bright land in columns 12-23, the same texture in
# every band.
byte_image "$WORK/scene" 24 20 3 '(c < 12 ? 30 + 5 * b : 180 - 10 * b) + c % 4 + r % 4'
gdal_translate -q "$WORK/scene.bin" "$WORK/scene.tif"
polygons aoi "1 Water 2 2 8 8" "2 Land 14 10 20 16"
polygons outside "1 Water 2 2 8 8" "2 Nowhere 40 40 44 44"
# 2 x 2 pixels a class: no RBF unit keeps more than 5 nearest training pixels.
polygons tiny "1 Water 2 2 4 4" "2 Land 14 10 16 12"

help_shows bp "--hidden TEXT=5"

A=(--aoi "$WORK/aoi.geojson")
check "bp" 0 "Wrote .*bp.tif \(2 classes\)" "网络训练" -- "$ZTCLASS" bp "$WORK/scene.tif" "${A[@]}" -o "$WORK/bp.tif"
for run in s1 s2; do "$ZTCLASS" -q bp "$WORK/scene.tif" "${A[@]}" -o "$WORK/$run.tif" --hidden 3 --epochs 2 --seed 11; done
check "the same seed gives the same map" 0 "same" -- \
  bash -c "[ \"\$(gdalinfo -checksum '$WORK/s1.tif' | grep Checksum)\" = \"\$(gdalinfo -checksum '$WORK/s2.tif' | grep Checksum)\" ] && echo same"
check "hrbp without hidden layer" 0 "Wrote .*hrbp.tif \(2 classes\)" -- \
  "$ZTCLASS" hrbp "$WORK/scene.tif" "${A[@]}" -o "$WORK/hrbp.tif" --hidden 0
check "hrbp separates water and land" 0 "Minimum=1.000, Maximum=2.000, Mean=1.500" -- gdalinfo -stats "$WORK/hrbp.tif"
check "hrbp with an empty hidden list" 0 "Wrote" -- "$ZTCLASS" hrbp "$WORK/scene.tif" "${A[@]}" -o "$WORK/hrbp2.tif" --hidden ""
check "lvq2 in a window" 0 "Wrote .*lvq2.tif \(2 classes\)" -- "$ZTCLASS" lvq2 "$WORK/scene.tif" "${A[@]}" \
  -o "$WORK/lvq2.tif" --window 10,16,5,4 --tune-rate 0.1 --tune-epochs 5 --lvq-rate 0.1 --lvq-epochs 5
check "lvq2 window size and classes" 0 "Size is 16, 10" "Minimum=1.000, Maximum=2.000, Mean=1.500" -- \
  gdalinfo -stats "$WORK/lvq2.tif"

# A ramp from dark to bright across 60 columns, three classes drawn at its dark
# end, in its middle and at its bright end, in that order. With their default
# parameters the networks must learn from these few pixels (small learning
# rates can leave a network untrained on a small training set) and put the
# class borders where the nearest class mean puts them, give or take a column.
ramp_value() { echo "20 + 3 * c + 2 * b + (c + r) % 3"; }
byte_image "$WORK/ramp" 60 20 3 "$(ramp_value)"
gdal_translate -q "$WORK/ramp.bin" "$WORK/ramp.tif"
polygons ramp "1 Dark 2 2 10 18" "2 Middle 26 2 34 18" "3 Bright 50 2 58 18"
# The percentage of pixels of MAP that get the class of the nearest mean of the
# pixels inside the polygons (columns 2-9, 26-33, 50-57 of rows 2-17).
nearest_mean_agreement() {
  gdal_translate -q -of XYZ "$1" /vsistdout/ | awk "
    function value(b, r, c) { return $(ramp_value) }
    BEGIN {
      split(\"2 26 50\", first, \" \")
      for (k = 1; k <= 3; k++) {
        for (r = 2; r < 18; r++) for (c = first[k]; c < first[k] + 8; c++) for (b = 1; b <= 3; b++) mean[k, b] += value(b, r, c)
        for (b = 1; b <= 3; b++) mean[k, b] /= 16 * 8
      }
    }
    {
      c = \$1 - 0.5; r = \$2 - 0.5; best = 0
      for (k = 1; k <= 3; k++) {
        d = 0
        for (b = 1; b <= 3; b++) d += (value(b, r, c) - mean[k, b]) ^ 2
        if (best == 0 || d < nearest) { best = k; nearest = d }
      }
      n++; if (best == \$3) same++
    }
    END { printf \"%d%% of the pixels on the nearest mean's side\n\", 100 * same / n }"
}
for network in bp hrbp rbf lvq2; do
  "$ZTCLASS" -q "$network" "$WORK/ramp.tif" --aoi "$WORK/ramp.geojson" -o "$WORK/ramp_$network.tif"
  check "$network defaults follow the nearest class mean on a ramp" 0 "^(9[0-9]|100)% " -- \
    nearest_mean_agreement "$WORK/ramp_$network.tif"
done

checks <<TABLE
hidden layer too large|2|--hidden layer sizes must lie in 1..500|hrbp $WORK/scene.tif ${A[@]} -o $WORK/x.tif --hidden 4,501
hidden layer not a number|2|--hidden expects neuron counts|bp $WORK/scene.tif ${A[@]} -o $WORK/x.tif --hidden 4,x
negative epochs|2|--epochs must lie in 0..1000000000|bp $WORK/scene.tif ${A[@]} -o $WORK/x.tif --epochs -1
epochs a model refuses|2|--output-epochs must lie in 0..1000000000|rbf $WORK/scene.tif ${A[@]} -o $WORK/e1.tif --output-epochs 9223372036854775807
LVQ2 epochs a model refuses|2|--lvq-epochs must lie in 0..1000000000|lvq2 $WORK/scene.tif ${A[@]} -o $WORK/e2.tif --lvq-epochs 1000000001
a class without pixels is named|1|class 2 'Nowhere'|rbf $WORK/scene.tif --aoi $WORK/outside.geojson -o $WORK/x.tif
rbf without a unit left|1|no hidden unit is left|rbf $WORK/scene.tif --aoi $WORK/tiny.geojson -o $WORK/rbf0.tif
training that diverges|1|BP network classification: the training diverged|bp $WORK/scene.tif ${A[@]} -o $WORK/nan.tif --momentum 1e20 --epochs 50
rbf model without a unit left|1|training the rbf model failed: no hidden unit is left|rbf $WORK/scene.tif --aoi $WORK/tiny.geojson -o $WORK/rbf0.tif --save-model $WORK/rbf0.ztm
TABLE
check "no map or model without an RBF unit" 0 "^none$" -- bash -c "ls '$WORK'/rbf0.* 2>/dev/null || echo none"
check "no map of a training that diverged" 1 "" -- test -e "$WORK/nan.tif"
check "bp without hidden layer" 2 "--hidden needs at least one hidden layer|--hidden layer sizes must lie in 1..500" -- \
  "$ZTCLASS" bp "$WORK/scene.tif" "${A[@]}" -o "$WORK/x.tif" --hidden 0

# The scene as a 16-bit sensor's numbers (x 100) and as reflectance (/ 255):
# the training pixels reach 176 x 100 and 176 / 255, which scale to 1.
gdal_translate -q -ot UInt16 -scale 0 255 0 25500 "$WORK/scene.tif" "$WORK/scene16.tif"
gdal_translate -q -ot Float32 -scale 0 255 0 1 "$WORK/scene.tif" "$WORK/scene32.tif"
check "16-bit band scaling in verbose output" 0 "Band scaling: training range to 0..1: every band 0 .. 17600$" \
  -- "$ZTCLASS" -v lvq2 "$WORK/scene16.tif" "${A[@]}" -o "$WORK/lvq16.tif"
check "the scaling recorded in the result" 0 "ZTCLASS_BAND_SCALING=training range" -- gdalinfo "$WORK/lvq16.tif"
check "no scaling line for an 8-bit image" 1 "" -- \
  bash -c "'$ZTCLASS' -v lvq2 '$WORK/scene.tif' ${A[*]} -o '$WORK/lvq8.tif' | grep 'Band scaling'"
"$ZTCLASS" -q lvq2 "$WORK/scene32.tif" "${A[@]}" -o "$WORK/lvq32.tif"
check "reflectance, 16-bit and 8-bit copies give one map" 0 "^1$" -- bash -c "for f in lvq8 lvq16 lvq32; do
  gdalinfo -checksum '$WORK/'\$f.tif | grep Checksum; done | sort -u | wc -l"

# Class 1 high in band 2 (11, 61 after purification), class 2 high in band 1
# (56, 41), and pixels (55, 200) beyond every training value (62): band 2's
# excess puts them nearest class 1's mean (squared distances 21257 and
# 25282) in the 16-bit copy as in the 8-bit one, where clamping them to the
# training range's top would have put them nearest class 2. LVQ2 without
# epochs keeps the class means.
byte_image "$WORK/beyond" 18 10 2 '(c < 12 ? (c + r) % 3 : 0) + (c < 6 ? (b == 1 ? 10 : 60) : b == 1 ? 55 : c < 12 ? 40 : 200)'
gdal_translate -q "$WORK/beyond.bin" "$WORK/beyond8.tif"
gdal_translate -q -ot UInt16 "$WORK/beyond.bin" "$WORK/beyond16.tif"
polygons beyond "1 High2 0 0 6 10" "2 High1 6 0 12 10"
for bits in 8 16; do
  "$ZTCLASS" -q lvq2 "$WORK/beyond$bits.tif" --aoi "$WORK/beyond.geojson" -o "$WORK/lvq_beyond$bits.tif" \
    --tune-epochs 0 --lvq-epochs 0
  check "$bits-bit pixels beyond the training range" 0 "^1 1 2$" -- bash -c "for c in 14 2 8; do \
    gdallocationinfo -valonly '$WORK/lvq_beyond$bits.tif' \$c 5; done | tr '\n' ' ' | sed 's/ \$//'"
done

# A class whose four pixels each lie more than one standard deviation from
# its mean in one band or the other (a plus sign: 0 50, 100 50, 50 0, 50 100)
# keeps no training pixel: the message names it, and the samples command
# leaves its pixels out.
byte_image "$WORK/plus" 4 2 2 'c < 2 ? 200 : b == 1 ? (r ? 50 : c == 2 ? 0 : 100) : (r ? (c == 2 ? 0 : 100) : 50)'
polygons plus "1 Even 0 0 2 2" "2 Plus 2 0 4 2"
check "a class purified away is named" 1 "class 2 'Plus' keeps no training pixel within one standard deviation" -- \
  "$ZTCLASS" bp "$WORK/plus.bin" --aoi "$WORK/plus.geojson" -o "$WORK/purified.tif"
"$ZTCLASS" -q samples "$WORK/plus.bin" --aoi "$WORK/plus.geojson" --purify 1 -o "$WORK/plus.csv"
check "samples --purify 1 leaves it out too" 0 "^5$" -- bash -c "wc -l <'$WORK/plus.csv'"

finish "neural commands"
