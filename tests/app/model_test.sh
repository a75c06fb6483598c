#!/usr/bin/env bash
# train, apply and model end to end: a model applied gives the pixels of the
# classify command, to a window, to a copy of the image, and bad model
# files are refused without a result.
# Usage: model_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
gdal_translate -q -ot UInt16 "$WORK/scene.bin" "$WORK/scene16.tif"
forest_aoi "$WORK/aoi.geojson"

for method in mindist maxlike; do
  check "train $method" 0 "Wrote .*$method.ztm \\($method model\\)" -- \
    "$ZTCLASS" train "$method" "$WORK/scene.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/$method.ztm"
  "$ZTCLASS" -q "$method" "$WORK/scene.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/$method.tif"
  check "apply $method" 0 "Wrote .*applied_$method.tif \\(2 classes\\)" -- \
    "$ZTCLASS" apply "$WORK/$method.ztm" "$WORK/scene.tif" -o "$WORK/applied_$method.tif"
  same_pixels "apply $method" "$WORK/$method.tif" "$WORK/applied_$method.tif"
done
check "train a clustering" 0 "isodata model" -- "$ZTCLASS" train isodata "$WORK/scene.tif" --classes 2 -o "$WORK/iso.ztm"
check "model describes" 0 "\"method\": \"maxlike\"" "\"name\": \"Forest\"" -- "$ZTCLASS" model "$WORK/maxlike.ztm"

"$ZTCLASS" -q apply "$WORK/maxlike.ztm" "$WORK/scene.tif" -o "$WORK/part.tif" --srcwin 5 4 6 5
gdal_translate -q -srcwin 5 4 6 5 "$WORK/applied_maxlike.tif" "$WORK/cut.tif"
same_pixels "a window of the apply" "$WORK/part.tif" "$WORK/cut.tif"
cp "$WORK/scene.tif" "$WORK/copy.tif"
"$ZTCLASS" -q apply "$WORK/maxlike.ztm" "$WORK/copy.tif" -o "$WORK/on_copy.tif"
same_pixels "apply to a copy" "$WORK/on_copy.tif" "$WORK/applied_maxlike.tif"

check "--save-model" 0 "^Wrote [^ ]*saved.tif \\(2 classes\\) and [^ ]*saved.ztm$" -- "$ZTCLASS" mindist "$WORK/scene.tif" --aoi "$WORK/aoi.geojson" \
  -o "$WORK/saved.tif" --save-model "$WORK/saved.ztm"
same_pixels "--save-model" "$WORK/saved.tif" "$WORK/mindist.tif"
cmp -s "$WORK/saved.ztm" "$WORK/mindist.ztm" && pass || fail "--save-model gives another model"

# The same values as UInt16: another type, not another range. As
# reflectance (value / 255): band 1 held 30..203 when trained (the scene's
# construction), now 30/255..203/255, and band 2 too.
output=$("$ZTCLASS" apply "$WORK/mindist.ztm" "$WORK/scene16.tif" -o "$WORK/u16.tif" 2>&1)
if grep -q "warning: the model was trained on Byte values" <<<"$output" && ! grep -q unlike <<<"$output"; then pass
else fail "UInt16 copy: $output"; fi
gdal_translate -q -ot Float32 -scale 0 255 0 1 "$WORK/scene.bin" "$WORK/reflectance.tif"
check "other value range warned of" 0 "warning: the values of '.*reflectance.tif' are unlike the training image's: \
band 1 holds 0\.117647 \.\. 0\.796078 where the training image's band 1 held 30 \.\. 203 \(and 1 more band\)" -- \
  "$ZTCLASS" apply "$WORK/mindist.ztm" "$WORK/reflectance.tif" -o "$WORK/reflectance_classes.tif"
for dask in "" "--dask local:1"; do
  check "wrong band count ${dask}" 2 "the model takes 2 bands; 1 given" -- \
    "$ZTCLASS" apply "$WORK/mindist.ztm" "$WORK/scene.tif" --bands 1 $dask -o "$WORK/one.tif"
done
head -c 100 "$WORK/mindist.ztm" >"$WORK/short.ztm"
check "truncated model" 1 "short.ztm: .*truncated" -- "$ZTCLASS" apply "$WORK/short.ztm" "$WORK/scene.tif" -o "$WORK/none.tif"
if [ ! -e "$WORK/none.tif" ]; then pass; else fail "a result was left for a bad model"; fi
check "not a model" 1 "not a ztclass model" -- "$ZTCLASS" model "$WORK/scene.tif"

# The networks: a model of the command's seed gives the command's pixels.
for run in "bp --aoi $WORK/aoi.geojson --seed 3 --epochs 200" "kohonen --classes 3 --epochs 20"; do
  method=${run%% *}
  options=${run#* }
  "$ZTCLASS" -q train $method "$WORK/scene.tif" $options -o "$WORK/$method.ztm"
  "$ZTCLASS" -q $method "$WORK/scene.tif" $options -o "$WORK/$method.tif"
  check "apply $method" 0 "^Wrote [^ ]*applied_$method.tif \\([0-9]+ classes\\) and [^ ]*confidence_$method.tif$" -- "$ZTCLASS" apply "$WORK/$method.ztm" "$WORK/scene.tif" \
    -o "$WORK/applied_$method.tif" --confidence "$WORK/confidence_$method.tif" --threads 2
  same_pixels "apply $method" "$WORK/$method.tif" "$WORK/applied_$method.tif"
done

finish "model commands"
