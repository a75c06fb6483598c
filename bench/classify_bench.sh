#!/usr/bin/env bash
# Whole-process figures of the classifying commands on a large scene:
# median wall time of three runs, CPU time, megapixels per second and peak
# resident memory, on this thread alone and on every core.
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
printf '%-10s %-8s %8s %8s %8s %8s\n' method threads wall_s cpu_s MP/s peak_MB
for method in "${methods[@]}"; do
  for threads in 1 "$(nproc)"; do
    runs=()
    for _ in 1 2 3; do
      /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$ztclass" -q "$method" "$scene" --aoi "$aoi" \
        --threads "$threads" -o "$out/result.tif" --overwrite
      runs+=("$(cat "$out/time")")
    done
    printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p | awk -v m="$method" -v t="$threads" -v mp="$megapixels" \
      '{ printf "%-10s %-8s %8.2f %8.2f %8.1f %8.0f\n", m, t, $1, $2 + $3, mp / $1, $4 / 1024 }'
  done
done
