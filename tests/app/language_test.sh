#!/usr/bin/env bash
# The language of the texts for people follows the locale variables, as
# gettext picks a catalogue: Chinese (the system's own texts) under a Chinese
# locale, English otherwise; the class-area report in its units, on the
# ellipsoid for a geographic image, and as JSON.
# Usage: language_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

# ztclass under exactly the given locale variables.
in_locale() { env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE "$@"; }
english() { in_locale LC_ALL=C.UTF-8 "$ZTCLASS" "$@"; }
chinese() { in_locale LANG=zh_CN.UTF-8 "$ZTCLASS" "$@"; }

landuse_maps

# Which language each set of variables gives, by the report's heading.
heading() { in_locale "$@" "$ZTCLASS" -q area "$WORK/landuse.tif" -o "$WORK/h.txt" --overwrite && head -n 1 "$WORK/h.txt"; }
while read -r expected variables; do
  # shellcheck disable=SC2086
  check "$variables" 0 "$expected" -- heading $variables
done <<'TABLE'
地类面积统计报告 LANG=zh_CN.UTF-8
地类面积统计报告 LC_MESSAGES=zh_TW.UTF-8 LANG=en_US.UTF-8
地类面积统计报告 LANG=de_DE.UTF-8 LANGUAGE=fr:zh_CN:en
地类面积统计报告 LANG=zh_CN.UTF-8 LANGUAGE=fr:de
Class LANG=en_US.UTF-8
Class LANG=zh_CN.UTF-8 LANGUAGE=en
Class LC_ALL=C LANGUAGE=zh_CN
Class LC_ALL=fr_FR.UTF-8 LANG=zh_CN.UTF-8
Class LANG=fr_FR.UTF-8
TABLE

# The English report, byte for byte, in each unit.
rule="$(printf -- '-%.0s' $(seq 69))"
report() {
  printf '\tClass area statistics report\n\n%s\n\nClass information file: %s\n\n  ID\tName\tPixels\tArea(%s)\n  1\twater\t15\t%s\n  2\tforest\t20\t%s\n  3\tbare\t0\t0.00\n' \
    "$rule" "$WORK/landuse.cls" "$1" "$2" "$3"
}
while read -r unit heading water forest; do
  check "area --unit $unit" 0 "^Report exported to the file$" -- \
    english area "$WORK/landuse.tif" --unit "$unit" -o "$WORK/$unit.txt"
  check "English report in $unit" 0 "" -- cmp "$WORK/$unit.txt" <(report "$heading" "$water" "$forest")
done <<'TABLE'
m2 m*m 6000.00 8000.00
ha ha 0.60 0.80
km2 km2 0.01 0.01
TABLE
chinese -q area "$WORK/landuse.tif" --unit ha -o "$WORK/zh_ha.txt"
check "Chinese heading in hectares" 0 "^  ID	类名	像元数	面积\(公顷\)$" -- cat "$WORK/zh_ha.txt"
check "unknown unit" 2 "--unit takes m2, ha or km2, got 'acre'" -- english area "$WORK/landuse.tif" --unit acre -o "$WORK/a.txt"

# JSON: counts, areas in the unit, shares of the classified pixels (35).
english -q area "$WORK/landuse.tif" --unit ha -o "$WORK/j.txt" --json "$WORK/areas.json"
check "area JSON" 0 "^ok$" -- /usr/bin/python3 -c '
import json, sys
j = json.load(open(sys.argv[1]))
want = [(1, "water", 15, 0.6), (2, "forest", 20, 0.8), (3, "bare", 0, 0.0)]
got = [(c["value"], c["name"], c["count"], c["area"]) for c in j["classes"]]
shares = [c["share"] for c in j["classes"]]
ok = j["unit"] == "ha" and not j["geodesic"] and len(got) == 3 and all(
    g[:3] == w[:3] and abs(g[3] - w[3]) < 1e-9 for g, w in zip(got, want)) and all(
    abs(s - n / 35) < 1e-12 for s, n in zip(shares, (15, 20, 0)))
print("ok" if ok else j)' "$WORK/areas.json"

# A geographic image: every row's cells measured on the WGS 84 ellipsoid,
# here against PROJ's geodesic area of the same cells through pyproj.
check "geographic area" 0 "Report exported" -- \
  english area "$WORK/geographic.tif" -o "$WORK/geo.txt" --json "$WORK/geo.json"
check "the report says so" 0 "^Areas are geodesic, on the ellipsoid" -- cat "$WORK/geo.txt"
chinese -q area "$WORK/geographic.tif" -o "$WORK/geo_zh.txt"
check "Chinese note" 0 "^面积为椭球面上的测地面积" -- cat "$WORK/geo_zh.txt"
check "geodesic areas" 0 "^ok$" -- /usr/bin/python3 -c '
import json, sys
from pyproj import Geod
geod = Geod(ellps="WGS84")
def cell(row):
    top, bottom = 50 - 0.001 * row, 50 - 0.001 * (row + 1)
    area, _ = geod.polygon_area_perimeter([10, 10.001, 10.001, 10], [top, top, bottom, bottom])
    return abs(area)
rows = sum(cell(r) for r in range(5))
j = json.load(open(sys.argv[1]))
want = {1: 3 * rows, 2: 4 * rows, 3: 0.0}
ok = j["geodesic"] and j["unit"] == "m2" and all(
    abs(c["area"] - want[c["value"]]) <= 1e-6 * max(1.0, want[c["value"]]) for c in j["classes"])
print("ok" if ok else (j, want))' "$WORK/geo.json"

# Captions and the legend's default name.
forest_scene "$WORK"
forest_aoi "$WORK/training.geojson"
check "English caption" 0 "^Supervised minimum distance classification\.\.\.$" -- \
  english mindist "$WORK/scene.bin" --aoi "$WORK/training.geojson" -o "$WORK/md.tif"
"$ZTCLASS" -q train maxlike "$WORK/scene.bin" --aoi "$WORK/training.geojson" -o "$WORK/ml.ztm"
check "the confidence pass's own caption" 0 " Computing the classification confidence\.\.\.$" -- \
  english apply "$WORK/ml.ztm" "$WORK/scene.bin" -o "$WORK/ml.tif" --confidence "$WORK/conf.tif"
check "English legend name" 0 "Wrote legend 'landuse_legend'" -- english legend "$WORK/landuse.tif" --gdb "$WORK/l.gpkg"
check "English notice" 2 "Set the file name first!" -- english legend "$WORK/landuse.tif" --gdb "$WORK/l.gpkg" --name ""

# ztclass area and ztclass legend in the system's own texts; legends are read
# back with ogrinfo.
gdal_translate -q "$WORK/cls.bin" "$WORK/norecords.tif"

# area
check "area report written, named" 0 "^成功导出报告到文件$" "^$WORK/area.txt！$" -- \
  "$ZTCLASS" area "$WORK/landuse.tif" -o "$WORK/area.txt"
gdal_translate -q "$WORK/cls.bin" "$WORK/plain.tif"
cp "$WORK/landuse.cls" "$WORK/plain.cls"
check "area of an image without georeferencing, and why" 1 "统计地类面积失败！" "has no georeferencing" -- \
  "$ZTCLASS" area "$WORK/plain.tif" -o "$WORK/p.txt"
check "no side-car beside the input" 1 "" -- test -e "$WORK/plain.tif.aux.xml"
gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE \
  "$WORK/landuse.tif" "$WORK/damaged.tif"
cp "$WORK/landuse.cls" "$WORK/damaged.cls"
/usr/bin/python3 -c '
import sys
from osgeo import gdal
dataset = gdal.Open(sys.argv[1])
offset = int(dataset.GetRasterBand(1).GetMetadataItem("BLOCK_OFFSET_0_0", "TIFF"))
dataset = None
with open(sys.argv[1], "r+b") as f:
    f.seek(offset)
    f.write(b"Z" * 8)' "$WORK/damaged.tif"
check "area of a damaged map names the block GDAL could not read" 1 \
  "RC_RASTER_IO_FAILED \(5000010\).*; reading '.*damaged.tif', band 1, row .*: .*IReadBlock failed" -- \
  "$ZTCLASS" area "$WORK/damaged.tif" -o "$WORK/damaged.txt"
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
check "styles stored" 0 "Feature Count: 2" -- ogrinfo -so "$WORK/legend.gpkg" layer_styles
check "empty name" 2 "请先设置文件名！" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --name ""
check "a name longer than a legend name holds" 2 "^ztclass: --name: '(é)+' is 260 bytes, more than the 255 a legend name holds" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --name "$(printf 'é%.0s' $(seq 130))"
check "size not above 0" 2 "图例的大小因子必须大于0！" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --size 0
check "x needs y" 2 "" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/new.gpkg" --x 3
check "no GeoPackage left by refused runs" 1 "" -- test -e "$WORK/new.gpkg"
check "malformed --gdb" 2 "pg:HOST\[:PORT\]/DATABASE" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "pg:nodatabase"
check "not a GeoPackage" 1 "RC_GDB_OPEN_FAILED" -- "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$WORK/classes.txt"
# A GeoPackage's geodatabase name holds 64 bytes; a new one is made under a
# temporary name 18 bytes longer (".ztclass-", 8 letters, "-").
gpkg_of() { printf "%0$(($1 - 5))d.gpkg" 0; }
in_work() { (cd "$WORK" && "$ZTCLASS" "$@"); }
cp "$WORK/legend.gpkg" "$WORK/$(gpkg_of 64)"
touch "$WORK/$(gpkg_of 65)"
while read -r bytes status pattern; do
  check "legend into a GeoPackage of $bytes bytes" "$status" "$pattern" -- \
    in_work legend landuse.tif --gdb "$(gpkg_of "$bytes")" --name "l$bytes"
done <<'TABLE'
46 0 ^Wrote legend 'l46'
47 2 is longer than the 46 bytes a new GeoPackage's path may have: .* 18 bytes longer
52 2 is longer than the 46 bytes a new GeoPackage's path may have
64 0 ^Wrote legend 'l64'
65 2 '0+\.gpkg' is longer than the 64 bytes a geodatabase name holds
TABLE

# The terminal gets the texts in the character set of the locale, the names
# the user gave as the user gave them (in that set already), while the
# files written and the CSV and JSON on stdout stay UTF-8. Each locale is
# made with localedef under $LOCPATH; the expected bytes come from iconv.
if ! command -v localedef >/dev/null; then
  echo "SKIPPED: character sets of the terminal (no localedef)"
else
  locales="$WORK/locales"
  mkdir -p "$locales"
  zh_captions='过滤分析... 正在读取源影像信息...
0...10...20...30...40...50...60...70...80...90...100 - done.
过滤分析... 正在统计聚类块信息...
过滤分析... 正在写结果影像文件...
0...10...20...30...40...50...60...70...80...90...100 - done.'
  en_captions='Sieve analysis... Reading the source image...
0...10...20...30...40...50...60...70...80...90...100 - done.
Sieve analysis... Computing the clump statistics...
Sieve analysis... Writing the result image...
0...10...20...30...40...50...60...70...80...90...100 - done.'
  polygons water_aoi "1 水 0.2 0.2 0.8 0.8"
  polygons two_aoi "1 水 0.2 0.2 2.8 4.8" "2 林 3.2 0.2 6.8 4.8"
  "$ZTCLASS" -q train mindist "$WORK/cls.bin" --aoi "$WORK/two_aoi.geojson" -o "$WORK/two.ztm"
  # The names are chosen so that the user's bytes of most read as UTF-8 too
  # (水图 in GBK, Ã© in Latin-1) and would change if converted once more.
  while read -r locale source charmap terminal language name; do
    if [ "$source" != - ]; then
      localedef -i "$source" -f "$charmap" "$locales/$locale" >/dev/null 2>&1
      [ -d "$locales/$locale" ] || { fail "localedef $locale"; continue; }
    fi
    given="$(printf '%s' "$name" | iconv -f UTF-8 -t "$terminal")"
    captions="${language}_captions"
    run() { env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE LOCPATH="$locales" LC_ALL="$locale" "$ZTCLASS" "$@"; }
    run sieve "$WORK/landuse.tif" -o "$WORK/$given.tif" --threshold 3 --stats "$WORK/$given.txt" --overwrite \
      >"$WORK/out" 2>"$WORK/err"
    check "$locale: captions on stderr" 0 "" -- cmp "$WORK/err" <(printf '%s\n' "${!captions}" | iconv -f UTF-8 -t "$terminal")
    check "$locale: the names as given" 0 "" -- cmp "$WORK/out" <(printf 'Wrote %s and %s\n' "$WORK/$given.tif" "$WORK/$given.txt")
    check "$locale: statistics file in UTF-8" 0 "^(过滤分析块统计信息|Sieve analysis block statistics):$" -- head -n 1 "$WORK/$given.txt"
    run sieve "$WORK/$given-none.tif" -o "$WORK/none.tif" --threshold 3 2>"$WORK/err"
    check "$locale: a name in a message" 0 "" -- cmp "$WORK/err" \
      <(printf "ztclass: cannot open raster '%s': no such file or directory\n" "$WORK/$given-none.tif")
    run samples "$WORK/cls.bin" --aoi "$WORK/water_aoi.geojson" >"$WORK/out" 2>/dev/null
    check "$locale: CSV on stdout in UTF-8" 0 "^1,水,0,0,1$" -- cat "$WORK/out"
    run model "$WORK/two.ztm" >"$WORK/out"
    check "$locale: model JSON on stdout in UTF-8" 0 '^ +"name": "水",$' -- cat "$WORK/out"
  done <<'TABLE'
zh_CN.GBK zh_CN GBK GBK zh 水图
zh_CN.GB18030 zh_CN GB18030 GB18030 zh 水图
zh_CN zh_CN GB2312 GB2312 zh 水图
zh_TW.BIG5 zh_TW BIG5 BIG5//TRANSLIT zh 地
zh_CN.UTF-8 zh_CN UTF-8 UTF-8 zh 水图
fr_FR fr_FR ISO-8859-1 ISO-8859-1 en Ã©
de_DE.UTF-8 de_DE UTF-8 UTF-8 en 水图
C - - UTF-8 en 水图
TABLE
fi

finish "language"
