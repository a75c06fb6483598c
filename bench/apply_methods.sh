#!/usr/bin/env bash
# Apply of every method's model on a large scene, beside the read-plus-write
# floor: median wall time of three runs, CPU time, megapixels per second and
# peak resident memory, on one thread and on every core. The models are
# trained once on a small scene of the same bands (supervised ones on its
# training polygons, the others with 4 classes), so that only applying is
# timed.
# Usage: apply_methods.sh ZTCLASS SAMPLE SAMPLE_AOI SCENE [METHOD...]
#   SAMPLE: the sample scene; SCENE: bench/make_large_scene.sh's mosaic of it
set -euo pipefail
ztclass=$1 sample=$2 aoi=$3 scene=$4
shift 4
supervised=(mindist box gmindist maxlike bp hrbp rbf lvq2)
unsupervised=(cluster-mindist cluster-box cluster-gmindist isodata kohonen art fuzzy-art)
[ $# -gt 0 ] && methods=("$@") || methods=("${supervised[@]}" "${unsupervised[@]}")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
read -r columns rows < <(gdalinfo "$scene" | sed -n 's/^Size is \([0-9]*\), \([0-9]*\)/\1 \2/p')
megapixels=$(awk -v c="$columns" -v r="$rows" 'BEGIN { printf "%.2f", c * r / 1e6 }')
echo "scene $scene: ${columns} x ${rows} (${megapixels} Mpx), $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-18s %-8s %8s %8s %8s %8s\n' method threads wall_s cpu_s MP/s peak_MB
source "$(dirname "$0")/median.sh"
# The floor: GDAL reads every band of the scene and writes one, tiled
# DEFLATE level 1, as the host writes a class map, on one thread and with
# GDAL's compression threads.
median floor 1 gdal_translate -q -b 1 -co TILED=YES -co COMPRESS=DEFLATE -co ZLEVEL=1 "$scene" "$out/floor.tif"
median floor "$(nproc)" gdal_translate -q -b 1 -co TILED=YES -co COMPRESS=DEFLATE -co ZLEVEL=1 \
  -co NUM_THREADS=ALL_CPUS "$scene" "$out/floor.tif"
for method in "${methods[@]}"; do
  if [[ " ${supervised[*]} " == *" $method "* ]]; then
    "$ztclass" -q train "$method" "$sample" --aoi "$aoi" -o "$out/$method.ztm"
  else
    "$ztclass" -q train "$method" "$sample" --classes 4 -o "$out/$method.ztm"
  fi
  for threads in 1 "$(nproc)"; do
    median "$method" "$threads" "$ztclass" -q apply "$out/$method.ztm" "$scene" --threads "$threads" \
      -o "$out/result.tif" --overwrite
  done
done
