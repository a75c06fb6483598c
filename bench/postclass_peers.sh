#!/usr/bin/env bash
# Clump, sieve and eliminate of ztclass against their peers, side by side in
# one run: scipy's ndimage.label (one labelling per class) and gdal_sieve.py,
# on the two class maps of bench/make_large_scene.sh, 4 and 8 neighbours.
# Whole-process wall time and peak resident memory, median of RUNS runs.
# Usage: bench/postclass_peers.sh ZTCLASS DIR [RUNS]
# (scipy is needed for its row only; without it that row is skipped)
set -euo pipefail
ZTCLASS="${1:?usage: $0 ZTCLASS DIR [RUNS]}"
DIR="${2:?usage: $0 ZTCLASS DIR [RUNS]}"
RUNS="${3:-3}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/bench/make_large_scene.sh" "$DIR" >/dev/null
OUT="$DIR/out"
mkdir -p "$OUT"
PY=/usr/bin/python3

# Prints "median-seconds peak-MB" of RUNS runs of the command.
measure() {
  local times=() peak=0
  for _ in $(seq "$RUNS"); do
    local line
    line="$( { /usr/bin/time -f '%e %M' "$@" >/dev/null 2>/dev/null; } 2>&1 | tail -n 1)"
    times+=("${line% *}")
    local kb="${line#* }"
    [ "$kb" -gt "$peak" ] && peak="$kb"
  done
  printf '%s %d\n' "$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((RUNS + 1) / 2))p")" $((peak / 1024))
}

row() {
  local task="$1"
  shift
  read -r seconds mb < <(measure "$@")
  printf '%-40s %8.2f s %7d MB\n' "$task" "$seconds" "$mb"
}

SCIPY_LABEL='
import sys, numpy as np
from osgeo import gdal
from scipy import ndimage
g = gdal.Open(sys.argv[1]).GetRasterBand(1).ReadAsArray()
s = ndimage.generate_binary_structure(2, 2 if sys.argv[2] == "8" else 1)
for c in np.unique(g):
    if c: ndimage.label(g == c, structure=s)
'
HAVE_SCIPY=0
$PY -c 'import scipy' 2>/dev/null && HAVE_SCIPY=1

for map in frag region; do
  classes="$DIR/classes_$map.tif"
  for n in 4 8; do
    echo "== $map class map, $n neighbours"
    z=("$ZTCLASS" -q)
    "${z[@]}" clump "$classes" --neighbours "$n" -o "$OUT/c$n.tif" --stats "$OUT/c$n.txt" --overwrite
    row "ztclass clump" "${z[@]}" clump "$classes" --neighbours "$n" -o "$OUT/clump.tif" \
      --stats "$OUT/clump.txt" --overwrite
    [ "$HAVE_SCIPY" = 1 ] && row "scipy ndimage.label per class" $PY -c "$SCIPY_LABEL" "$classes" "$n"
    row "ztclass sieve 10" "${z[@]}" sieve "$OUT/c$n.tif" --stats-in "$OUT/c$n.txt" --threshold 10 \
      -o "$OUT/sieve.tif" --stats "$OUT/sieve.txt" --overwrite
    row "ztclass eliminate 10" "${z[@]}" eliminate "$OUT/c$n.tif" --stats-in "$OUT/c$n.txt" --threshold 10 \
      -o "$OUT/elim.tif" --stats "$OUT/elim.txt" --overwrite
    row "gdal_sieve.py -st 10" bash -c "rm -f '$OUT/gs.tif'; gdal_sieve.py -q -st 10 -$n -of GTiff '$classes' '$OUT/gs.tif'"
  done
done
