#!/usr/bin/env bash
# Whole-process figures of the commands around the classifiers: describing
# an image (info), its training polygons (aoi) and cells (samples, also
# --purify), training models (train) and reading one back (model), and on a
# class map the class records (classes write and show), recoding (recode),
# the class-area report (area) and the legend into a new GeoPackage
# (legend): median wall time of three runs, CPU time, megapixels per second
# of the image the command reads, and peak resident memory.
# Usage: support_commands.sh ZTCLASS SCENE AOI CLASSES
#   SCENE, AOI, CLASSES: bench/make_large_scene.sh's scene_49mp.tif,
#   scene_49mp_training.geojson and classes_frag.tif (a class map of values
#   1 to N; it is copied, never changed)
set -euo pipefail
ztclass=$1 scene=$2 aoi=$3 classes=$4
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
source "$(dirname "$0")/median.sh"

# size_of IMAGE: the megapixels that median's rate is of.
size_of() {
  read -r columns rows < <(gdalinfo "$1" | sed -n 's/^Size is \([0-9]*\), \([0-9]*\)/\1 \2/p')
  megapixels=$(awk -v c="$columns" -v r="$rows" 'BEGIN { printf "%.2f", c * r / 1e6 }')
}

printf '%-18s %-8s %8s %8s %8s %8s\n' command threads wall_s cpu_s MP/s peak_MB
size_of "$scene"
median info - "$ztclass" -q info "$scene"
median aoi - "$ztclass" -q aoi "$scene" --aoi "$aoi"
median samples - "$ztclass" -q samples "$scene" --aoi "$aoi" -o "$out/cells.csv" --overwrite
median samples-purify - "$ztclass" -q samples "$scene" --aoi "$aoi" --purify 2 -o "$out/cells.csv" --overwrite
for method in mindist maxlike; do
  median "train-$method" "$(nproc)" "$ztclass" -q train "$method" "$scene" --aoi "$aoi" \
    -o "$out/$method.ztm" --overwrite
done
median model - "$ztclass" -q model "$out/maxlike.ztm"

size_of "$classes"
cp "$classes" "$out/classes.tif"
# Areas and a legend's place are in map units: a map without georeferencing
# (as make_large_scene.sh's) gets 30 m pixels in UTM.
gdalinfo "$classes" | grep -q '^Origin' ||
  gdal_edit.py -a_srs EPSG:32633 -a_ullr 500000 $((4000000 + 30 * rows)) $((500000 + 30 * columns)) 4000000 \
    "$out/classes.tif"
highest=$(gdalinfo -mm "$classes" | sed -n 's/.*Computed Min\/Max=[0-9.]*,\([0-9]*\).*/\1/p')
for ((k = 1; k <= highest; k++)); do
  printf '%d\tclass %d\t#%02X%02X%02X\n' "$k" "$k" $((k * 29 % 256)) $((k * 71 % 256)) $((k * 113 % 256))
done >"$out/classes.txt"
median classes-write - "$ztclass" -q classes write "$out/classes.tif" --from "$out/classes.txt"
median classes-show - "$ztclass" -q classes show "$out/classes.tif"
median recode - "$ztclass" -q recode "$classes" "$out/classes.tif" --map 1=2,2=1
median area - "$ztclass" -q area "$out/classes.tif" -o "$out/area.txt" --overwrite
# A legend goes into a new GeoPackage each run: the export adds to one that
# exists, and refuses a legend that is there already.
median legend - bash -c 'rm -f "$1" && exec "$2" -q legend "$3" --gdb "$1"' - "$out/legend.gpkg" "$ztclass" \
  "$out/classes.tif"
