#!/usr/bin/env bash
# A model applied in this process and over local Dask worker processes:
# wall time, CPU time (this process and the workers it waited for) and peak
# resident memory of the largest process, for one thread in process, one
# worker and two workers of one thread each, and the cost of a task from a
# run of many small tiles against one of few large ones.
# Usage: dask_bench.sh ZTCLASS SCENE AOI [TRAINING_IMAGE [METHOD]]
# (the model is trained on TRAINING_IMAGE, default SCENE, with the polygons
# of AOI, by METHOD, default mindist)
set -euo pipefail
ztclass=$1 scene=$2 aoi=$3 training=${4:-$2} method=${5:-mindist}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
read -r columns rows < <(gdalinfo "$scene" | sed -n 's/^Size is \([0-9]*\), \([0-9]*\)/\1 \2/p')
echo "scene $scene: ${columns} x ${rows}, $(nproc) cores, method $method"
"$ztclass" -q train "$method" "$training" --aoi "$aoi" -o "$out/model.ztm"
tasks() { echo $(( ((columns + $1 - 1) / $1) * ((rows + $1 - 1) / $1) )); }
printf '%-22s %6s %8s %8s %8s\n' run tasks wall_s cpu_s peak_MB
# run NAME TASKS ARGUMENTS...: one apply of the model, timed.
run() {
  local name=$1 count=$2
  shift 2
  /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$ztclass" -q apply "$out/model.ztm" "$scene" -o "$out/r.tif" \
    --overwrite "$@"
  awk -v n="$name" -v t="$count" '{ printf "%-22s %6s %8.2f %8.2f %8.0f\n", n, t, $1, $2 + $3, $4 / 1024 }' "$out/time"
  [ "$name" = in-process ] && cp "$out/r.tif" "$out/reference.tif"
  cmp -s <(gdal_translate -q -of AAIGrid "$out/r.tif" /vsistdout/) \
    <(gdal_translate -q -of AAIGrid "$out/reference.tif" /vsistdout/) || echo "  ($name differs from in-process)"
}
run in-process 1 --threads 1
run "1 worker, tile 1024" "$(tasks 1024)" --dask local:1 --tile 1024
run "2 workers, tile 1024" "$(tasks 1024)" --dask local:2 --tile 1024
run "2 workers, tile 2048" "$(tasks 2048)" --dask local:2 --tile 2048
run "2 workers, tile 256" "$(tasks 256)" --dask local:2 --tile 256
