#!/usr/bin/env bash
# No dead options: every option that steers a method, set away from its
# default, changes the result. Each row runs a command twice on a small
# scene, without and with the option (both with the row's base options), and
# compares the class images' pixels and colour tables.
# Usage: method_options_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

# 40 x 30 pixels, 3 bands: field (columns 0-14), forest (15-27) and water
# (28-39), with noise (a Park-Miller sequence) wide enough that the classes
# overlap: every parameter then moves some pixels.
byte_image "$WORK/scene" 40 30 3 '(c < 15 ? 70 + 30 * b : c < 28 ? 80 + 40 * (b == 2) : 40 + 10 * b) + \
  (seed = (seed * 16807) % 2147483647) % 70' 'seed = 12345;'
polygons training "1 field 2 2 12 26" "2 forest 17 2 25 26" "3 water 30 2 38 26"
SCENE="$WORK/scene.bin"
AOI=(--aoi "$WORK/training.geojson")

# What a class image shows: its pixels and its colour table.
look() { gdalinfo -checksum "$1" | grep -E "Checksum=|^ +[0-9]+: "; }

run=0
# The class image of each base run, looked at once for every row that shares it.
declare -A seen
# differs NAME ARGUMENTS FIRST SECOND: ARGUMENTS+FIRST and ARGUMENTS+SECOND
# give different class images. Words are split on spaces.
differs() {
  local name="$1" arguments="$2" first="$3" second="$4"
  run=$((run + 1))
  # shellcheck disable=SC2086
  if [ -z "${seen["$arguments $first"]:-}" ]; then
    "$ZTCLASS" -q $arguments $first -o "$WORK/a$run.tif" >"$WORK/log" 2>&1 &&
      seen["$arguments $first"]="$(look "$WORK/a$run.tif")" || { fail "$name: a run failed"; cat "$WORK/log"; return; }
  fi
  # shellcheck disable=SC2086
  "$ZTCLASS" -q $arguments $second -o "$WORK/b$run.tif" >"$WORK/log" 2>&1 || { fail "$name: a run failed"; cat "$WORK/log"; return; }
  if [ "${seen["$arguments $first"]}" != "$(look "$WORK/b$run.tif")" ]; then pass; else fail "$name changes nothing"; fi
}

S="$SCENE ${AOI[*]}"
C="$SCENE --classes 3"
F="$SCENE --classes 8 --vigilance 0.9"
# command | base options | the option | instead of (default: nothing). The
# base options make room for the option to act: RBF's centres count as
# settled only after 50 stable passes, so --centre-threshold acts from
# --centre-epochs 60 on; Fuzzy ART learning at a high rate settles in one
# pass, so --passes shows at a low one.
while IFS='|' read -r command base option first; do
  [ -z "$command" ] && continue
  differs "$command $option" "$command $base" "$first" "$option"
done <<TABLE
mindist|$S|--dev-factor 0.5
mindist|$S|--max-dev 10
mindist|$S --dev-factor 1|--no-dev-test
mindist|$S --max-dev 10 --no-dev-test|--no-max-test
box|$S|--dev-factor 0.5
gmindist|$S|--dev-factor 0.5
gmindist|$S --dev-factor 1|--no-dev-test
maxlike|$S|--bands 1,2
bp|$S|--seed 7
bp|$S|--hidden 2,3
bp|$S|--rate 0.9
bp|$S|--momentum 0.9
bp|$S|--error 10
bp|$S|--epochs 1
hrbp|$S --epochs 2|--seed 7
hrbp|$S|--hidden 2
hrbp|$S|--squares
hrbp|$S|--rate 0.9
hrbp|$S|--use-momentum
hrbp|$S --use-momentum|--momentum 0.9
hrbp|$S|--error 10
hrbp|$S|--epochs 1
rbf|$S --output-epochs 1|--seed 7
rbf|$S --output-epochs 1|--centre-rate 0.9
rbf|$S --output-epochs 5|--centre-epochs 5
rbf|$S --centre-epochs 60 --output-epochs 5|--centre-threshold 1
rbf|$S|--output-rate 0.9
rbf|$S|--error 10
rbf|$S|--output-epochs 1
lvq2|$S|--tune-rate 0.9
lvq2|$S|--tune-epochs 30
lvq2|$S|--lvq-rate 0.9
lvq2|$S|--lvq-epochs 0
cluster-mindist|$C|--interval 7
cluster-mindist|$SCENE|--classes 4|--classes 2
cluster-mindist|$C|--display-bands 1,2,3
cluster-box|$C|--interval 7
cluster-gmindist|$C|--interval 7
isodata|$C|--iterations 0
isodata|$C|--split-threshold 100
isodata|$C|--convergence 0.9
isodata|$C|--merge-threshold 100
isodata|$C|--min-size 500
isodata|$C --merge-threshold 100|--max-merges 1
isodata|$C --display-bands 1,2,3|--stretch none
kohonen|$C|--rate 0.9
kohonen|$C|--change-threshold 1
kohonen|$C|--epochs 1
art|$C|--rate 0.1
art|$C|--vigilance 0.9999
art|$C|--passes 1
art|$C|--noise 0.4
fuzzy-art|$F|--rate 0.2
fuzzy-art|$C|--vigilance 0.95
fuzzy-art|$F --rate 0.1|--passes 1
fuzzy-art|$F|--choice 10
TABLE

# Post-classification: the clump image and the statistics it leaves.
"$ZTCLASS" -q mindist $S -o "$WORK/classes.tif"
"$ZTCLASS" -q clump "$WORK/classes.tif" -o "$WORK/clumps.tif" --stats "$WORK/clump.txt"
differs "clump --neighbours" "clump $WORK/classes.tif --stats $WORK/c.txt --overwrite" "" "--neighbours 4"
differs "sieve --threshold" "sieve $WORK/clumps.tif --stats-in $WORK/clump.txt --stats $WORK/s.txt --overwrite" \
  "--threshold 2" "--threshold 30"
differs "eliminate --threshold" "eliminate $WORK/clumps.tif --stats-in $WORK/clump.txt --stats $WORK/e.txt --overwrite" \
  "--threshold 2" "--threshold 30"

# Options that are gone name themselves in a usage error.
check "maxlike --threshold is gone" 2 "threshold" -- "$ZTCLASS" maxlike $S --threshold 1 -o "$WORK/x.tif"
check "lvq2 --seed is gone" 2 "seed" -- "$ZTCLASS" lvq2 $S --seed 1 -o "$WORK/y.tif"

finish "method options"
