#!/usr/bin/env bash
# Results compressed by GDAL on several threads: commands that read their
# result back (cluster counts, recode in place, the post-classification
# chain) finish, under `timeout`, with the pixels of a single-thread run. A
# block cache smaller than a row of result tiles leaves many blocks
# uncompressed when cluster-mindist reads its result back.
# Usage: gdal_threads_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

# A textured three-band 640 x 192 Byte scene, enlarged to 5120 x 384.
byte_image "$WORK/small" 640 192 3 '(c * (b + 2) + r * (7 - b) + (c * r) % (13 + b) * 9) % 251'
gdal_translate -q -of ENVI -outsize 800% 200% "$WORK/small.bin" "$WORK/scene.bin"
polygons aoi "1 A 10 10 300 200" "2 B 1200 200 1500 380" "3 C 4000 100 5000 350"

# counted_pixels NAME REPORT IMAGE: the pixels per class that the command
# reported are those of GDAL's own histogram of the written image.
counted_pixels() {
  local reported histogram
  reported="$(sed -n 's/^  \([0-9]*\)\t.*\t\([0-9]*\) pixels$/\1 \2/p' "$2")"
  histogram="$(gdalinfo -hist "$3" | awk '/buckets from -0.5 to 255.5/ { getline; for (i = 1; i <= NF; i++) if ($i > 0) print i - 1, $i }')"
  [ -n "$reported" ] && [ "$reported" = "$histogram" ] && pass ||
    fail "$1: reported pixels per class '$reported', the image has '$histogram'"
}

for threads in 1 2; do
  d="$WORK/t$threads"
  mkdir -p "$d"
  check "cluster-mindist, $threads threads" 0 "" -- timeout 120 bash -c \
    "GDAL_CACHEMAX=1 '$ZTCLASS' cluster-mindist '$WORK/scene.bin' --classes 8 --threads $threads -o '$d/cluster.tif' >'$d/cluster.txt'"
  check "isodata, $threads threads" 0 "" -- timeout 120 bash -c \
    "'$ZTCLASS' isodata '$WORK/scene.bin' --classes 6 --threads $threads -o '$d/isodata.tif' >'$d/isodata.txt'"
  check "mindist, $threads threads" 0 "" -- timeout 120 \
    "$ZTCLASS" -q mindist "$WORK/scene.bin" --aoi "$WORK/aoi.geojson" --threads "$threads" -o "$d/mindist.tif"
  # Post-classification has no --threads: GDAL's threads are chosen for it.
  export GDAL_NUM_THREADS=$threads
  check "clump, $threads threads" 0 "" -- timeout 120 \
    "$ZTCLASS" -q clump "$d/cluster.tif" --neighbours 8 -o "$d/clump.tif" --stats "$d/clump.txt"
  check "sieve, $threads threads" 0 "" -- timeout 120 "$ZTCLASS" -q sieve "$d/clump.tif" --stats-in "$d/clump.txt" \
    --threshold 10 -o "$d/sieve.tif" --stats "$d/sieve.txt"
  check "eliminate, $threads threads" 0 "" -- timeout 120 "$ZTCLASS" -q eliminate "$d/sieve.tif" \
    --stats-in "$d/sieve.txt" --threshold 10 -o "$d/eliminate.tif" --stats "$d/eliminate.txt"
  cp "$d/cluster.tif" "$d/recode.tif"
  check "recode, $threads threads" 0 "" -- timeout 120 "$ZTCLASS" -q recode "$d/cluster.tif" "$d/recode.tif" --map 1=2,2=3
  unset GDAL_NUM_THREADS
  counted_pixels "cluster-mindist, $threads threads" "$d/cluster.txt" "$d/cluster.tif"
  counted_pixels "isodata, $threads threads" "$d/isodata.txt" "$d/isodata.tif"
done

for result in cluster isodata mindist clump sieve eliminate recode; do
  same_pixels "$result on two threads" "$WORK/t1/$result.tif" "$WORK/t2/$result.tif"
done
for statistics in clump sieve eliminate; do
  cmp -s "$WORK/t1/$statistics.txt" "$WORK/t2/$statistics.txt" && pass ||
    fail "$statistics: the statistics differ from those written on one thread"
done

finish "GDAL threads"
