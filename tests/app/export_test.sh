#!/usr/bin/env bash
# ztclass area and ztclass legend end to end, on a class image made here with
# GDAL's tools; legends are read back with ogrinfo.
# Usage: export_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

landuse_maps
gdal_translate -q "$WORK/cls.bin" "$WORK/norecords.tif"

# area
check "area report written, named" 0 "^成功导出报告到文件$" "^$WORK/area.txt！$" -- \
  "$ZTCLASS" area "$WORK/landuse.tif" -o "$WORK/area.txt"
expected="$(printf '\t地类面积统计报告\n\n%s\n\n分类信息文件：%s\n\n  ID\t类名\t像元数\t面积(m*m)\n  1\twater\t15\t6000.00\n  2\tforest\t20\t8000.00\n  3\tbare\t0\t0.00' \
  "$(printf -- '-%.0s' $(seq 69))" "$WORK/landuse.tif")"
check "area report byte for byte" 0 "" -- cmp "$WORK/area.txt" <(printf '%s\n' "$expected")
check "existing report kept" 2 "exists; give --overwrite" -- "$ZTCLASS" area "$WORK/landuse.tif" -o "$WORK/area.txt"
gdal_translate -q "$WORK/cls.bin" "$WORK/plain.tif"
cp "$WORK/landuse.cls" "$WORK/plain.cls"
check "area of an image without georeferencing, and why" 1 "统计地类面积失败！" "has no georeferencing" -- \
  "$ZTCLASS" area "$WORK/plain.tif" -o "$WORK/p.txt"
check "no side-car beside the input" 1 "" -- test -e "$WORK/plain.tif.aux.xml"
check "geographic image" 0 "^成功导出报告到文件$" -- "$ZTCLASS" area "$WORK/geographic.tif" -o "$WORK/geo.txt"
check "measured on the ellipsoid" 0 "^面积为椭球面上的测地面积" -- cat "$WORK/geo.txt"
check "no class records" 1 "has no class records" -- "$ZTCLASS" area "$WORK/norecords.tif" -o "$WORK/x.txt"
check "report directory missing" 2 "does not exist" -- "$ZTCLASS" area "$WORK/landuse.tif" -o "$WORK/none/x.txt"
check "nothing written for a failure" 1 "" -- test -e "$WORK/x.txt"
check "area needs -o" 2 "output is required" -- "$ZTCLASS" area "$WORK/landuse.tif"

# legend into a GeoPackage
check "legend written" 0 "Wrote legend 'landuse_图例' to .*legend.gpkg" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/legend.gpkg"
# The default corner: the map coordinates of (8, 5), the lower-right corner;
# class 1 at the corner, class 3 at 2 x 1.5 x 10 above it.
check "default corner and size" 0 "POLYGON \(\(400162 5000030" -- \
  ogrinfo -q "$WORK/legend.gpkg" "landuse_图例_R" -where "class_no = 3"
check "texts" 0 "txt \(String\) = forest" -- ogrinfo -q "$WORK/legend.gpkg" "landuse_图例_P"
check "second legend with options" 0 "identifiers for the map view: [0-9]+ and [0-9]+" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/legend.gpkg" --name "it's; \"odd\"" --x 0 --y 0 \
  --size 10 --unclassified --add-to-map
check "unclassified on top at 45" 0 "POLYGON \(\(2 45" -- \
  ogrinfo -q "$WORK/legend.gpkg" "it's; \"odd\"_R" -where "class_no = 0"
check "styles stored" 0 "Feature Count: 4" -- ogrinfo -so "$WORK/legend.gpkg" layer_styles
check "empty name" 2 "请先设置文件名！" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --name ""
check "size not above 0" 2 "图例的大小因子必须大于0！" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --size 0
check "x needs y" 2 "" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --x 3
# A position that is no number is refused, by whichever side sees it first.
if output="$("$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --x nan --y 0 2>&1)"; then
  fail "--x nan accepted: $output"
elif grep -q "finite" <<<"$output"; then pass; else fail "--x nan: $output"; fi
check "no GeoPackage left by refused runs" 1 "" -- test -e "$WORK/new.gpkg"
check "unreachable geodatabase" 1 "RC_GDB_OPEN_FAILED \(10400002\)" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "pg:/nonexistent-socket:5432/none"
check "malformed --gdb" 2 "pg:HOST\[:PORT\]/DATABASE" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "pg:nodatabase"
check "not a GeoPackage" 1 "RC_GDB_OPEN_FAILED" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/classes.txt"

finish "export"
