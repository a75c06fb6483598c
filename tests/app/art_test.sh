#!/usr/bin/env bash
# The adaptive-resonance commands end to end, on files made here with GDAL's
# tools.
# Usage: art_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
gdal_create -q -of GTiff -outsize 12 10 -bands 2 -burn 0 -burn 60 -a_nodata 0 "$WORK/empty.tif"

for command in art fuzzy-art; do
  help_shows "$command" "--vigilance FLOAT=0\.[0-9]+"
  check "$command offers no class-mean colours" 1 "" -- bash -c "'$ZTCLASS' $command --help | grep -q -- --display-bands"
done
help_shows art "--noise FLOAT=0"
help_shows fuzzy-art "--choice FLOAT=0\.001"

# The forest (columns 7-8, rows 6-8) is bright in band 1 and dark in band 2:
# a direction of its own for ART, a box of its own for Fuzzy ART.
check "art with defaults" 0 "^2 of 3 categories formed \(a higher --vigilance forms more\)$" \
  "^  2	Class_2	6 pixels$" -- "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/art.tif" --clusters 3
check "the forest is one ART class" 0 "^2 2 2 2 2 2$" -- bash -c "for p in '7 6' '8 6' '7 7' '8 7' '7 8' '8 8'; do \
  gdallocationinfo -valonly '$WORK/art.tif' \$p; done | tr '\n' ' ' | sed 's/ \$//'"
check "class records of the formed categories only" 0 "^2$" -- bash -c "'$ZTCLASS' classes show '$WORK/art.tif' | grep -c Class_"
# Fewer categories than asked; the result holds only those, the forest one.
check "fuzzy-art" 0 "^2 of 5 categories formed \(a higher --vigilance forms more\)$" \
  "\(2 classes, sampling interval 1\)" "^  2	Class_2	6 pixels$" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/fuzzy.tif" --clusters 5
check "vigilance above 1 opens every category" 0 "^4 of 4 categories formed$" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/f4.tif" --clusters 4 --vigilance 1.5
check "vigilance -1 forms one ART category" 0 "^1 of 4 categories formed" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/a1.tif" --clusters 4 --vigilance -1
check "every parameter, window and quicklook" 0 "and .*art.png" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/w.tif" --clusters 3 --interval 2 --rate 0.2 --noise 0.1 \
  --vigilance 0.95 --passes 2 --bands 2,1 --window 5,6,4,5 --png "$WORK/art.png"
check "fuzzy-art with every parameter" 0 "categories formed" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/f.tif" --clusters 3 --interval 3 --rate 0.5 --choice 0.1 \
  --vigilance 0.8 --passes 1 --ot UInt16

check "no clusters" 2 "--clusters must be at least 1" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 0
check "clusters meeting the no-data class" 2 "at most 254" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 255
check "rate beyond 1" 2 "--rate must lie in 0..1" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --rate 1.5
check "no pass" 2 "--passes must be at least 1" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --passes 0
check "noise of 1 removes everything" 2 "--noise must lie in 0..1" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --noise 1
check "choice 0" 2 "--choice must be a number above 0" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --choice 0
check "vigilance not a number" 2 "--vigilance: must be a finite number" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --vigilance nan
check "interval beyond the image" 1 "RC_BAD_WINDOW" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --interval 11
check "nothing to learn from" 1 "RC_TOO_FEW_SAMPLES" -- \
  "$ZTCLASS" fuzzy-art "$WORK/empty.tif" -o "$WORK/x.tif" --clusters 2

finish "art commands"
