#!/usr/bin/env bash
# ztclass kohonen end to end, on files made here with GDAL's tools.
# Usage: kohonen_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

forest_scene "$WORK"
# Forest pixels of band 1 value 201 become no-data.
gdal_translate -q -a_nodata 201 "$WORK/scene.bin" "$WORK/holes.tif"

help_shows kohonen "--rate FLOAT=0.1" "--epochs INT=200" "--change-threshold FLOAT=1e-06" "100000 samples"

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

check "one cluster" 2 "needs at least two clusters" -- \
  "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 1
check "one cluster, before opening the image" 2 "needs at least two clusters" -- \
  "$ZTCLASS" kohonen "$WORK/missing.tif" -o "$WORK/x.tif" --clusters 1
check "255 clusters" 2 "at most 254" -- "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 255
check "no clusters given" 2 "(--classes|--clusters) is required" -- "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif"
check "no rate" 2 "--rate must lie in" -- "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --rate 0
check "negative threshold" 2 "--change-threshold must" -- \
  "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --change-threshold -1
check "negative epochs" 2 "--epochs must be 0 or more" -- \
  "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --epochs -1
check "no display bands" 2 "display-bands" -- \
  "$ZTCLASS" kohonen "$WORK/scene.tif" -o "$WORK/x.tif" --clusters 2 --display-bands 1,2,1

finish "kohonen"
