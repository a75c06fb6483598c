#!/usr/bin/env bash
# Clump, sieve and eliminate of ztclass against their peers, side by side in
# one run: scipy's ndimage.label (one labelling per class) and gdal_sieve.py,
# on the two class maps of bench/make_large_scene.sh, 4 and 8 neighbours.
# ztclass writes its results uncompressed, as the peers do. Clump runs on
# one thread and on every core; sieve and eliminate run in two steps (from
# the clump image) and in one (from the class map, as gdal_sieve.py does),
# and the one-step results are checked against the two-step ones.
# Whole-process wall time, CPU time (user + system: steadier than wall time
# on a shared machine) and peak resident memory, medians of RUNS runs.
# With BEFORE, a second ztclass build is measured in the same run.
# Usage: bench/postclass_peers.sh ZTCLASS DIR [RUNS] [BEFORE]
# (MAPS="frag region" and NEIGHBOURS="4 8" in the environment choose the
# cases)
# (scipy is needed for its row only; without it that row is skipped)
set -euo pipefail
ZTCLASS="${1:?usage: $0 ZTCLASS DIR [RUNS]}"
DIR="${2:?usage: $0 ZTCLASS DIR [RUNS]}"
RUNS="${3:-3}"
BEFORE="${4:-}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/bench/make_large_scene.sh" "$DIR" >/dev/null
OUT="$DIR/out"
mkdir -p "$OUT"
PY=/usr/bin/python3

# Prints "median-wall-seconds median-cpu-seconds peak-MB" of RUNS runs.
measure() {
  local times=() cpus=() peak=0 report
  report="$(mktemp)"
  for _ in $(seq "$RUNS"); do
    /usr/bin/time -o "$report" -f '%e %U %S %M' "$@" >/dev/null 2>&1 || echo "failed: $*" >&2
    read -r wall user system kb < <(tail -n 1 "$report")
    times+=("$wall")
    cpus+=("$(echo "$user + $system" | bc)")
    [ "$kb" -gt "$peak" ] && peak="$kb"
  done
  rm -f "$report"
  local middle=$(((RUNS + 1) / 2))
  printf '%s %s %d\n' "$(printf '%s\n' "${times[@]}" | sort -g | sed -n "${middle}p")" \
    "$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "${middle}p")" $((peak / 1024))
}

row() {
  local task="$1"
  shift
  read -r seconds cpu mb < <(measure "$@")
  printf '%-40s %8.2f s wall %8.2f s cpu %7d MB\n' "$task" "$seconds" "$cpu" "$mb"
}

SCIPY_LABEL='
import sys, numpy as np
from osgeo import gdal
from scipy import ndimage
ds = gdal.Open(sys.argv[1])
g = ds.GetRasterBand(1).ReadAsArray()
s = ndimage.generate_binary_structure(2, 2 if sys.argv[2] == "8" else 1)
for c in np.unique(g):
    if c: ndimage.label(g == c, structure=s)
'
SAME_PIXELS='
import sys, numpy as np
from osgeo import gdal
a, b = gdal.Open(sys.argv[1]), gdal.Open(sys.argv[2])
same_type = a.GetRasterBand(1).DataType == b.GetRasterBand(1).DataType
sys.exit(0 if same_type and np.array_equal(a.ReadAsArray(), b.ReadAsArray()) else 1)
'
HAVE_SCIPY=0
$PY -c 'import scipy' 2>/dev/null && HAVE_SCIPY=1

echo "load before: $(uptime)"
for map in ${MAPS:-frag region}; do
  classes="$DIR/classes_$map.tif"
  for n in ${NEIGHBOURS:-4 8}; do
    echo "== $map class map, $n neighbours ($(uptime | sed 's/.*load/load/'))"
    # Uncompressed results, as the peers write them. Sieve and eliminate of
    # both builds read the clump image and statistics of the build measured.
    for build in "$ZTCLASS" $BEFORE; do
      z=("$build" -q)
      name="ztclass" t="after"
      [ "$build" = "$BEFORE" ] && name="ztclass before" t="before"
      none=(--co COMPRESS=NONE --overwrite)
      row "$name clump" "${z[@]}" clump "$classes" --neighbours "$n" -o "$OUT/$t-clump.tif" \
        --stats "$OUT/$t-clump.txt" "${none[@]}"
      row "$name sieve 10" "${z[@]}" sieve "$OUT/$t-clump.tif" --stats-in "$OUT/$t-clump.txt" --threshold 10 \
        -o "$OUT/$t-sieve.tif" --stats "$OUT/$t-sieve.txt" "${none[@]}"
      row "$name eliminate 10" "${z[@]}" eliminate "$OUT/$t-clump.tif" --stats-in "$OUT/$t-clump.txt" \
        --threshold 10 -o "$OUT/$t-elim.tif" --stats "$OUT/$t-elim.txt" "${none[@]}"
      [ "$build" = "$BEFORE" ] && continue
      row "$name clump, 1 thread" "${z[@]}" clump "$classes" --neighbours "$n" -o "$OUT/$t-clump1.tif" \
        --stats "$OUT/$t-clump1.txt" "${none[@]}" --threads 1
      row "$name sieve 10, one step" "${z[@]}" sieve "$classes" --neighbours "$n" --threshold 10 \
        -o "$OUT/$t-sieve1.tif" "${none[@]}"
      row "$name eliminate 10, one step" "${z[@]}" eliminate "$classes" --neighbours "$n" --threshold 10 \
        -o "$OUT/$t-elim1.tif" "${none[@]}"
      for result in sieve elim; do
        same=yes
        $PY -c "$SAME_PIXELS" "$OUT/$t-$result.tif" "$OUT/$t-${result}1.tif" || same=no
        echo "$result: one step and two steps the same: $same"
      done
    done
    # The results of both builds, pixel for pixel and byte for byte.
    for result in clump sieve elim; do
      [ -n "$BEFORE" ] || break
      same=yes
      cmp -s "$OUT/before-$result.txt" "$OUT/after-$result.txt" || same=no
      $PY -c "$SAME_PIXELS" "$OUT/before-$result.tif" "$OUT/after-$result.tif" || same=no
      echo "$result: before and after the same: $same"
    done
    [ "$HAVE_SCIPY" = 1 ] && row "scipy ndimage.label per class" $PY -c "$SCIPY_LABEL" "$classes" "$n"
    row "gdal_sieve.py -st 10" bash -c "rm -f '$OUT/gs.tif'; gdal_sieve.py -q -st 10 -$n -of GTiff '$classes' '$OUT/gs.tif'"
  done
done
echo "load after: $(uptime)"
