#!/usr/bin/env bash
# Each command on one thread and on two, side by side: median wall time and
# CPU time (user + system) of RUNS runs, and whether both results are the
# same byte for byte. A command should never be slower, nor burn much more
# CPU, on two threads than on one. On a shared machine wall times are only
# indicative; CPU times are steadier.
# Usage: bench/threads_bench.sh ZTCLASS SCENE AOI CLASSES [RUNS]
#   SCENE: a multi-band image (bench/make_large_scene.sh: scene_49mp.tif)
#   AOI: its training polygons (scene_49mp_training.geojson, in its pixel
#   coordinates); CLASSES: a class map (classes_frag.tif)
set -euo pipefail
ZTCLASS="${1:?usage: $0 ZTCLASS SCENE AOI CLASSES [RUNS]}"
SCENE="${2:?}" AOI="${3:?}" CLASSES="${4:?}" RUNS="${5:-3}"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

# measure OUTPUT COMMAND...: "median-wall median-cpu" of RUNS runs of the
# command, each writing OUTPUT anew. The previous run's files are removed
# before the clock starts: replacing a 200 MB result frees its blocks inside
# the rename that commits the new one, a cost of the file system that a run
# into a new file does not pay.
measure() {
  local output="$1" walls=() cpus=()
  shift
  for _ in $(seq "$RUNS"); do
    rm -f "$output" "$OUT"/*.txt
    /usr/bin/time -o "$OUT/time" -f '%e %U %S' "$@" >/dev/null 2>&1 || echo "failed: $*" >&2
    read -r wall user system < <(tail -n 1 "$OUT/time")
    walls+=("$wall")
    cpus+=("$(echo "$user + $system" | bc)")
  done
  local middle=$(((RUNS + 1) / 2))
  printf '%s %s\n' "$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "${middle}p")" \
    "$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "${middle}p")"
}

# compare NAME ARGS...: the command's arguments after the subcommand's
# input, with -o added per thread count.
compare() {
  local name="$1"
  shift
  read -r wall1 cpu1 < <(measure "$OUT/one.tif" "$ZTCLASS" -q "$@" --threads 1 -o "$OUT/one.tif" --overwrite)
  read -r wall2 cpu2 < <(measure "$OUT/two.tif" "$ZTCLASS" -q "$@" --threads 2 -o "$OUT/two.tif" --overwrite)
  local same=yes
  cmp -s "$OUT/one.tif" "$OUT/two.tif" || same=no
  printf '%-28s %7.2f %7.2f %7.2f %7.2f %6.2f  %s\n' "$name" "$wall1" "$cpu1" "$wall2" "$cpu2" \
    "$(echo "$wall1 / $wall2" | bc -l)" "$same"
}

echo "load before: $(uptime)"
printf '%-28s %7s %7s %7s %7s %6s  %s\n' command wall1 cpu1 wall2 cpu2 gain same
compare "lvq2" lvq2 "$SCENE" --aoi "$AOI"
compare "mindist" mindist "$SCENE" --aoi "$AOI"
compare "cluster-mindist" cluster-mindist "$SCENE" --clusters 8
compare "cluster-mindist, colours" cluster-mindist "$SCENE" --clusters 8 --display-bands 3,2,1
# More clusters start one at an outlier whose scatter matrix is singular.
compare "cluster-gmindist" cluster-gmindist "$SCENE" --clusters 2
compare "cluster-box" cluster-box "$SCENE" --clusters 8
compare "isodata" isodata "$SCENE" --clusters 8
compare "art" art "$SCENE" --clusters 8
compare "fuzzy-art" fuzzy-art "$SCENE" --clusters 8
compare "clump" clump "$CLASSES" --stats "$OUT/clump.txt" --co COMPRESS=NONE
compare "eliminate 10, one step" eliminate "$CLASSES" --threshold 10 --co COMPRESS=NONE
echo "load after: $(uptime)"
