#!/usr/bin/env bash
# The unsupervised commands end to end, on files made here with GDAL's tools.
# Usage: cluster_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
gdal_translate -q -a_nodata 0 "$WORK/scene.bin" "$WORK/nodata.tif"
gdal_create -q -of GTiff -outsize 12 10 -bands 2 -burn 30 -burn 60 "$WORK/flat.tif"

# Which commands offer --display-bands (not art, fuzzy-art, kohonen), and the
# sampling --interval describes: qgis/help_test.py, against the algorithms.
help_shows isodata "--iterations INT=10"

check "cluster-mindist" 0 "Wrote .*mindist.tif \(2 classes, sampling interval 1\)" "^  2	Class_2	6 pixels$" -- \
  "$ZTCLASS" cluster-mindist "$WORK/scene.tif" -o "$WORK/mindist.tif" --classes 2
check "class names for GIS programs" 0 "2: Class_2" -- gdalinfo "$WORK/mindist.tif"
# Forest means 201.5 and 11.
check "colours from the class means" 0 "2: 201,11,201,255" -- \
  bash -c "'$ZTCLASS' cluster-mindist '$WORK/scene.tif' -o '$WORK/c.tif' --classes 2 --display-bands 1,2,1 >/dev/null && gdalinfo '$WORK/c.tif'"
# The printed pixel counts against GDAL's histogram, over several reads of
# the result: gdal_threads_test.sh.
check "cluster-box" 0 "^  1	Class_1	[0-9]+ pixels$" -- \
  "$ZTCLASS" cluster-box "$WORK/scene.tif" -o "$WORK/box.tif" --classes 2 --interval 2
check "cluster-box writes class k as k + 1" 0 "Maximum=3.000" -- gdalinfo -stats "$WORK/box.tif"
check "isodata" 0 "Wrote .*iso.tif \(2 classes" "第1次迭代" -- "$ZTCLASS" isodata "$WORK/scene.tif" -o "$WORK/iso.tif" \
  --classes 2 --display-bands 1,2,2 --stretch equalize --png "$WORK/iso.png"

checks <<TABLE
unknown stretch|2|^--stretch: must be none, adaptive, equalize, normalize, root, square, linear or invert, got 'vivid'$|isodata $WORK/scene.tif -o $WORK/x.tif --classes 2 --stretch vivid
unknown stretch, training|2|^--stretch: must be none, .*, got 'Linear'$|train isodata $WORK/scene.tif -o $WORK/x.ztm --classes 2 --stretch Linear
display band not used|2|band 2 is not among the bands used|cluster-box $WORK/scene.tif -o $WORK/x.tif --classes 2 --bands 1 --display-bands 1,2,1
two display bands|2|three bands|cluster-box $WORK/scene.tif -o $WORK/x.tif --classes 2 --display-bands 1,2
box values beyond a byte|2|class values up to 256, more than a Byte result holds|cluster-box $WORK/scene.tif -o $WORK/x.tif --classes 255
classes meeting the no-data class|2|up to 255, beyond 254: 255 is the class of no-data pixels|cluster-mindist $WORK/nodata.tif -o $WORK/x.tif --classes 255
the no-data class without no-data|2|up to 255, beyond 254|cluster-mindist $WORK/scene.tif -o $WORK/m255.tif --classes 255
the no-data class with a model|2|up to 255, beyond 254|cluster-mindist $WORK/scene.tif -o $WORK/x.tif --classes 255 --save-model $WORK/x.ztm
isodata meeting the no-data class|2|up to 255, beyond 254|isodata $WORK/scene.tif -o $WORK/i255.tif --classes 255 --iterations 0
isodata beyond the class records|2|up to 256, beyond 254|isodata $WORK/scene.tif -o $WORK/x.tif --classes 256 --ot UInt16 --iterations 0
box beyond the class records|2|up to 256, beyond 254|cluster-box $WORK/scene.tif -o $WORK/b255.tif --classes 255 --ot UInt16
box at the highest class|0|Wrote|cluster-box $WORK/scene.tif -o $WORK/b253.tif --classes 253 --save-model $WORK/b253.ztm
isodata at the highest class|0|Wrote|isodata $WORK/scene.tif -o $WORK/i254.tif --classes 254 --iterations 0 --save-model $WORK/i254.ztm
isodata splits too far for Int8|2|up to 150, more than a Int8 result holds|isodata $WORK/scene.tif -o $WORK/x.tif --classes 100 --ot Int8
no classes|2|--classes must be at least 1|cluster-mindist $WORK/scene.tif -o $WORK/x.tif --classes 0
TABLE
# The singular cluster named with its samples and what to try: every pixel
# alike, all go to cluster 1, and no number of clusters helps.
check "singular scatter matrix" 1 "RC_MATRIX_NOT_INVERTIBLE \(5000004\)" \
  "the scatter matrix of cluster 1 \(120 samples, all on one line or plane through zero in the space of the 2 bands\) cannot be inverted, nor can that of all 120 samples together, so no number of clusters helps" \
  -- "$ZTCLASS" cluster-gmindist "$WORK/flat.tif" -o "$WORK/singular.tif" --classes 2
check "nothing left of a failed run" 1 "" -- test -e "$WORK/singular.tif"
# Centre 1, the pixel 0,0 above the window, draws no sample; centre 2, the
# outlier, one; centre 3 every other sample. Cluster 2 is the first whose
# matrix cannot be inverted, and one cluster can be.
byte_image "$WORK/far" 12 10 2 'r == 0 && c == 0 ? 0 : r == 5 && c == 5 ? (b == 1 ? 250 : 5) : \
  (b == 1 ? 30 + (c * 7 + r * 3) % 5 : 60 + (c * 3 + r * 5) % 7)'
check "the cluster that failed" 1 \
  "the scatter matrix of cluster 2 \(1 sample, fewer than the 2 that 2 bands need\) cannot be inverted: .*Try fewer clusters \(--classes 2 or less\)" \
  -- "$ZTCLASS" cluster-gmindist "$WORK/far.bin" -o "$WORK/far3.tif" --classes 3 --window 9,12,1,0
check "one cluster" 0 "Wrote .*far1.tif \(1 class" -- \
  "$ZTCLASS" cluster-gmindist "$WORK/far.bin" -o "$WORK/far1.tif" --classes 1 --window 9,12,1,0

# ISODATA's split threshold (5 on 8-bit images) follows the bands' extent,
# and -v says so: the scene's values reach 203, x 100 in the 16-bit copy,
# whose threshold is thus 3.98 in 8-bit units, not 5.
gdal_translate -q -ot UInt16 -scale 0 255 0 25500 "$WORK/scene.tif" "$WORK/scene16.tif"
checks <<TABLE
isodata's split threshold on 16 bits|0|^Split threshold: 398.039 \(5 x the listed bands' extent 0 \.\. 20300 / 255\)$|-v isodata $WORK/scene16.tif -o $WORK/iso16.tif --classes 2
isodata's split threshold on 8 bits|0|^Split threshold: 5 \(the 8-bit default\)$|-v isodata $WORK/scene.tif -o $WORK/iso8.tif --classes 2
TABLE
# The smallest cluster kept is 0.5% of the pixels unless given: of these 400,
# 2, so the cluster of the one outlier pixel goes; --min-size 0 keeps it.
byte_image "$WORK/outlier" 20 20 2 'r == 3 && c == 4 ? 250 : c < 10 ? 30 + (c + r) % 3 : 120 + (c * r) % 4'
check "isodata's default smallest cluster" 0 "\(2 classes" -- "$ZTCLASS" isodata "$WORK/outlier.bin" -o "$WORK/o.tif" --classes 3
check "isodata keeping every cluster" 0 "\(3 classes" "Class_2	1 pixels" -- \
  "$ZTCLASS" isodata "$WORK/outlier.bin" -o "$WORK/o0.tif" --classes 3 --min-size 0

# ztclass kohonen.
# Forest pixels of band 1 value 201 become no-data.
gdal_translate -q -a_nodata 201 "$WORK/scene.bin" "$WORK/holes.tif"

help_shows kohonen "--rate FLOAT=0.1" "--epochs INT=200" "--change-threshold FLOAT=1e-06"

# Forest pixels (columns 7-8, rows 6-8) form a cluster of their own: the
# 6 pixels of the second neuron, started on the sample farthest from the
# first pixel.
check "kohonen" 0 "Wrote .*k.tif \(2 classes, sampling interval 1\)" "^  2	Class_2	6 pixels$" \
  "Kohonen 神经网络分类" -- "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/k.tif" --clusters 2
check "forest is class 2" 0 "^2$" -- gdallocationinfo -valonly "$WORK/k.tif" 7 6
check "the rest is class 1" 0 "^1$" -- gdallocationinfo -valonly "$WORK/k.tif" 0 0
check "every parameter" 0 "Wrote .*p.tif \(3 classes, sampling interval 2\) and .*p.png" -- \
  "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/p.tif" --clusters 3 --interval 2 --rate 0.5 \
  --change-threshold 0 --epochs 20 --bands 2,1 --window 6,8,4,4 --png "$WORK/p.png" --ot UInt16
check "window size and result type" 0 "Size is 8, 6" "Type=UInt16" -- gdalinfo "$WORK/p.tif"
check "no epochs" 0 "Wrote" -- "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/e.tif" --clusters 4 --epochs 0
check "no-data pixels" 0 "^  255	no data	[1-9][0-9]* pixels$" -- \
  "$ZTCLASS" kohonen "$WORK/holes.tif" -o "$WORK/h.tif" --clusters 2

checks <<TABLE
one cluster|2|needs at least two clusters|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 1
one cluster, before opening the image|2|needs at least two clusters|kohonen $WORK/missing.tif -o $WORK/x.tif --clusters 1
255 clusters|2|at most 254|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 255
no rate|2|--rate must lie in|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 2 --rate 0
negative threshold|2|--change-threshold must|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 2 --change-threshold -1
negative epochs|2|--epochs must lie in 0..1000000000|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 2 --epochs -1
no display bands|2|display-bands|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 2 --display-bands 1,2,1
TABLE
check "no clusters given" 2 "(--classes|--clusters) is required" -- "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif"

# The adaptive-resonance commands.
gdal_create -q -of GTiff -outsize 12 10 -bands 2 -burn 0 -burn 60 -a_nodata 0 "$WORK/empty.tif"

help_shows art "--vigilance FLOAT=0\.[0-9]+" "--noise FLOAT=0"
help_shows fuzzy-art "--vigilance FLOAT=0\.[0-9]+" "--choice FLOAT=0\.001"

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
check "and so does its model, which counts them too" 0 "Wrote .*f4m.tif \(4 classes" "^4 of 4 categories formed$" -- \
  "$ZTCLASS" fuzzy-art "$WORK/scene.tif" -o "$WORK/f4m.tif" --clusters 4 --vigilance 1.5 --save-model "$WORK/f4.ztm"
# A signed 8-bit band, -100 on the left and -20 on the right, and the same
# values as Int16: two boxes at vigilance 0.6 (they lie 80 apart, the whole
# training range). Divided by 255 the two would lie 0.31 apart, and the box
# holding both would pass the vigilance (0.69).
byte_image "$WORK/signed" 20 20 1 'c < 10 ? 156 : 236'
gdal_translate -q -co PIXELTYPE=SIGNEDBYTE "$WORK/signed.bin" "$WORK/int8.tif"
LC_ALL=C awk 'BEGIN { for (r = 0; r < 20; r++) for (c = 0; c < 20; c++) printf "%c%c", c < 10 ? 156 : 236, 255 }' \
  >"$WORK/int16.bin"
envi_header "$WORK/int16.hdr" 20 20 1 2
for image in int8.tif int16.bin; do
  check "fuzzy-art on $image" 0 "^2 of 2 categories formed$" "^  1	Class_1	200 pixels$" -- \
    "$ZTCLASS" fuzzy-art "$WORK/$image" -o "$WORK/fa_${image%.*}.tif" --clusters 2 --vigilance 0.6
done
check "vigilance -1 forms one ART category" 0 "^1 of 4 categories formed" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/a1.tif" --clusters 4 --vigilance -1
check "every parameter, window and quicklook" 0 "and .*art.png" -- \
  "$ZTCLASS" art "$WORK/scene.tif" -o "$WORK/w.tif" --clusters 3 --interval 2 --rate 0.2 --noise 0.1 \
  --vigilance 0.95 --passes 2 --bands 2,1 --window 5,6,4,5 --png "$WORK/art.png"

checks <<TABLE
no clusters|2|--clusters must be at least 1|art $WORK/scene.tif -o $WORK/x.tif --clusters 0
clusters meeting the no-data class|2|at most 254|fuzzy-art $WORK/scene.tif -o $WORK/x.tif --clusters 255
rate beyond 1|2|--rate must lie in 0..1|art $WORK/scene.tif -o $WORK/x.tif --clusters 2 --rate 1.5
no pass|2|--passes must lie in 1\.\.1000000000|fuzzy-art $WORK/scene.tif -o $WORK/x.tif --clusters 2 --passes 0
noise of 1 removes everything|2|--noise must lie in 0\.\.0\.999999 \(1 would remove every band\)|art $WORK/scene.tif -o $WORK/x.tif --clusters 2 --noise 1
choice 0|2|--choice must be a number above 0|fuzzy-art $WORK/scene.tif -o $WORK/x.tif --clusters 2 --choice 0
vigilance not a number|2|--vigilance: must be a finite number|art $WORK/scene.tif -o $WORK/x.tif --clusters 2 --vigilance nan
ART vigilance beyond a cosine|2|--vigilance must lie in -1..1|art $WORK/scene.tif -o $WORK/v1.tif --clusters 2 --vigilance 5
negative Fuzzy ART vigilance|2|--vigilance must be 0 or more|fuzzy-art $WORK/scene.tif -o $WORK/v2.tif --clusters 2 --vigilance -1
passes a model refuses|2|--passes must lie in 1..1000000000|art $WORK/scene.tif -o $WORK/p1.tif --clusters 2 --passes 1000000001
interval beyond the image|2|^ztclass: --interval 11 is larger than the image's smaller side \(10 pixels\)$|art $WORK/scene.tif -o $WORK/x.tif --clusters 2 --interval 11
Kohonen interval beyond the image|2|^ztclass: --interval 11 is larger|kohonen $WORK/scene.tif -o $WORK/x.tif --clusters 2 --interval 11
Fuzzy ART training interval beyond the image|2|^ztclass: --interval 12 is larger|train fuzzy-art $WORK/scene.tif -o $WORK/x.ztm --clusters 2 --interval 12
nothing to learn from|1|RC_TOO_FEW_SAMPLES|fuzzy-art $WORK/empty.tif -o $WORK/x.tif --clusters 2
TABLE

finish "cluster"
