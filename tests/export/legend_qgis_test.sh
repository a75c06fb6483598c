#!/usr/bin/env bash
# Legends exported by ztclass legend, opened by QGIS itself (its Python
# bindings, headless): QGIS must find and apply the stored styles. Skipped
# (status 77) where the bindings are not installed.
# Usage: legend_qgis_test.sh ZTCLASS
set -u
ZTCLASS="$1"
here="$(cd "$(dirname "$0")" && pwd)"
# Debian installs the bindings for the system's interpreter only.
PYTHON=/usr/bin/python3
if ! "$PYTHON" -c "import qgis.core" 2>/dev/null; then
  echo "skipped: QGIS's Python bindings are not installed (apt-get install python3-qgis)"
  exit 77
fi
. "$here/../app/harness.sh"
mkdir -m 700 "$WORK/runtime"
# QGIS's scratch folders too, which it leaves behind.
export XDG_RUNTIME_DIR="$WORK/runtime" TMPDIR="$WORK/runtime"

landuse_maps 4
colours=(water:0000ff forest:00a000 bare:c0c000)

check "first legend" 0 "" -- "$ZTCLASS" -q legend "$WORK/landuse.tif" --gdb "$WORK/l.gpkg" --name legend --x 0 --y 0
check "QGIS applies its styles" 0 "" -- "$PYTHON" "$here/qgis_legend_check.py" "$WORK/l.gpkg" legend 0 0 10 "${colours[@]}"
# A second legend in the same GeoPackage, at another place and size, under
# the default name: QGIS must pick each layer's own style.
check "second legend" 0 "" -- "$ZTCLASS" -q legend "$WORK/landuse.tif" --gdb "$WORK/l.gpkg" --x 500 --y -40 --size 4
check "QGIS applies the second legend's styles" 0 "" -- \
  "$PYTHON" "$here/qgis_legend_check.py" "$WORK/l.gpkg" "landuse_图例" 500 -40 4 "${colours[@]}"
check "the check sees a wrong colour" 1 "box of bare: filled with \(192, 192, 0\), expected \(0, 0, 0\)" -- \
  "$PYTHON" "$here/qgis_legend_check.py" "$WORK/l.gpkg" legend 0 0 10 water:0000ff forest:00a000 bare:000000

finish "legend in QGIS"
