#!/usr/bin/env bash
# Whole-process figures of the classifying commands on a large scene:
# median wall time of three runs, CPU time, megapixels per second and peak
# resident memory, on this thread alone and on every core.
# A method that has a model is also trained once and applied ("METHOD-apply"),
# and loading its model is timed ("METHOD-load").
# Usage: classify_bench.sh ZTCLASS SCENE AOI [METHOD...]   (default: mindist maxlike)
set -euo pipefail
ztclass=$1 scene=$2 aoi=$3
shift 3
[ $# -gt 0 ] && methods=("$@") || methods=(mindist maxlike)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
read -r columns rows < <(gdalinfo "$scene" | sed -n 's/^Size is \([0-9]*\), \([0-9]*\)/\1 \2/p')
megapixels=$(awk -v c="$columns" -v r="$rows" 'BEGIN { printf "%.2f", c * r / 1e6 }')
echo "scene $scene: ${columns} x ${rows} (${megapixels} Mpx), $(nproc) cores"
printf '%-18s %-8s %8s %8s %8s %8s\n' method threads wall_s cpu_s MP/s peak_MB
source "$(dirname "$0")/median.sh"
# The read-plus-write limit: GDAL reads the scene (every band of a pixel-
# interleaved tile is decompressed) and writes one band as the host writes
# a class map, tiled DEFLATE at level 1, and at GDAL's default level 6.
median limit 1 gdal_translate -q -b 1 -co TILED=YES -co COMPRESS=DEFLATE -co ZLEVEL=1 "$scene" "$out/limit.tif"
median limit-zlevel6 1 gdal_translate -q -b 1 -co TILED=YES -co COMPRESS=DEFLATE "$scene" "$out/limit.tif"
for method in "${methods[@]}"; do
  for threads in 1 "$(nproc)"; do
    median "$method" "$threads" "$ztclass" -q "$method" "$scene" --aoi "$aoi" --threads "$threads" \
      -o "$out/result.tif" --overwrite
  done
  case $method in
    mindist | box | gmindist | maxlike) ;;
    *) continue ;;
  esac
  "$ztclass" -q train "$method" "$scene" --aoi "$aoi" -o "$out/model.ztm" --overwrite
  median "$method-load" 1 "$ztclass" -q model "$out/model.ztm"
  for threads in 1 "$(nproc)"; do
    median "$method-apply" "$threads" "$ztclass" -q apply "$out/model.ztm" "$scene" --threads "$threads" \
      -o "$out/result.tif" --overwrite
  done
done
