#!/usr/bin/env bash
# The command-line host end to end, on files made here with GDAL's tools:
# commands, result types, inputs it cannot use, where polygons fall.
# Usage: cli_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

gdal_create -q -of GTiff -outsize 12 10 -bands 3 -burn 5 -burn 6 -burn 7 "$WORK/img.tif"
gdal_create -q -of GTiff -outsize 12 10 -bands 1 -burn 2 "$WORK/classes.tif"
gdal_create -q -of GTiff -outsize 12 10 -bands 1 -burn 9 "$WORK/target.tif"
forest_aoi "$WORK/aoi.geojson"
printf '1\tWater\t#0000FF\tsea\n# comment\n\n2\tForest\t#00A000\n' >"$WORK/classes.txt"
printf '[{"number":1,"name":"Eau","color":"#0010FF"},{"number":2,"name":"Forêt","color":"#00A000","remark":"bois"}]' >"$WORK/classes.json"
printf '# number, name, colour\n1\tWater\t#0000FF\n2\tForest\tgreen\n' >"$WORK/bad.txt"

check "no command is a usage error" 2 "A subcommand is required" -- "$ZTCLASS"
: >"$WORK/empty.tif"
printf 'no raster\n' >"$WORK/text.tif"
checks <<TABLE
info on a missing file|1|cannot open raster '.*missing.tif': no such file or directory$|info $WORK/missing.tif
info on an empty file|1|cannot open raster '.*empty.tif': the file is empty$|info $WORK/empty.tif
info on a file of no raster format|1|cannot open raster '.*text.tif': no raster format that GDAL reads recognises it$|info $WORK/text.tif
TABLE
check "info, without class records" 0 "Band 3: Byte" "^Class records: none$" -- "$ZTCLASS" info "$WORK/img.tif"

check "classes write from text" 0 "Wrote 2 class record" -- "$ZTCLASS" classes write "$WORK/classes.tif" --from "$WORK/classes.txt"
check "classes show" 0 "2	#00A000	Forest" -- "$ZTCLASS" classes show "$WORK/classes.tif"
check "colour table and category names for GIS programs" 0 "2: 0,160,0,255" "1: Water" -- gdalinfo "$WORK/classes.tif"
check "classes write sets the QGIS style" 0 'value="2" color="#00A000" alpha="255" label="Forest"' -- cat "$WORK/classes.qml"
printf '\357\273\277' | cat - "$WORK/classes.txt" >"$WORK/bom.txt"
awk 'BEGIN { printf "1\tWater\t#0000FF\t"; for (i = 0; i < 5000; i++) printf "x"; print "" }' >"$WORK/long.txt"
check "classes write from text behind a byte order mark" 0 "Wrote 2 class record" -- \
  "$ZTCLASS" classes write "$WORK/classes.tif" --from "$WORK/bom.txt"
check "classes write from JSON" 0 "Wrote 2" -- "$ZTCLASS" classes write "$WORK/classes.tif" --from "$WORK/classes.json"
check "UTF-8 names" 0 "Forêt	bois" -- "$ZTCLASS" classes show "$WORK/classes.tif"
check "bad class list" 1 "bad.txt:3: the colour 'green' is not of the form #RRGGBB$" -- "$ZTCLASS" classes write "$WORK/classes.tif" --from "$WORK/bad.txt"
printf '1\tEau\351\t#0000FF\n' >"$WORK/latin1.txt"
printf '1\tWater\t#0000FF\tsea\342\202\n' >"$WORK/cut.txt"
printf '1\tWa\001ter\t#0000FF\n' >"$WORK/control.txt"
printf '[{"number":1,"name":"Water","color":"#0000FF"},{"number":2,"name":"x\\u0085","color":"#00A000"}]' >"$WORK/control.json"
printf '1\tone\t#FF0000\n\n1\tagain\t#00FF00\n' >"$WORK/twice.txt"
for number in 1.9 1e300 18446744073709551617 2.0 '"2"' 256 -1 18446744073709551615; do
  printf '[{"number":1,"name":"Water","color":"#0000FF"},{"number":%s,"name":"Forest","color":"#00A000"}]' "$number" \
    >"$WORK/number_$(tr -dc '0-9a-z.-' <<<"$number").json"
done
DIR="$WORK"
checks unchanged <<TABLE
a class list that does not exist|1|--from: cannot read '.*missing.txt': no such file or directory$|classes write $WORK/classes.tif --from $WORK/missing.txt
a name not in UTF-8|1|latin1.txt:1: the name is not UTF-8 text \(byte 0xE9 at byte 4\)$|classes write $WORK/classes.tif --from $WORK/latin1.txt
a remark cut inside a character|1|cut.txt:1: the remark is not UTF-8 text \(byte 0xE2 at byte 4\)$|classes write $WORK/classes.tif --from $WORK/cut.txt
a control character in a name|1|control.txt:1: the name holds the control character U\+0001$|classes write $WORK/classes.tif --from $WORK/control.txt
a control character from JSON|1|control.json entry 2: the name holds the control character U\+0085$|classes write $WORK/classes.tif --from $WORK/control.json
a line of 5000 bytes|1|long.txt:1: the line is longer than 4096 bytes$|classes write $WORK/classes.tif --from $WORK/long.txt
a class number twice|1|twice.txt:3: class number 1 is given twice \(also at .*twice.txt:1\)$|classes write $WORK/classes.tif --from $WORK/twice.txt
a fractional class number|1|number_1.9.json entry 2: the class number 1.9 is not an integer$|classes write $WORK/classes.tif --from $WORK/number_1.9.json
a class number beyond every integer|1|number_1e300.json entry 2: the class number 1e\+300 is not an integer$|classes write $WORK/classes.tif --from $WORK/number_1e300.json
a class number beyond 64 bits|1|entry 2: the class number 1.8446744073709552e\+19 is not an integer$|classes write $WORK/classes.tif --from $WORK/number_18446744073709551617.json
a whole number written with a fraction|1|entry 2: the class number 2.0 is not an integer$|classes write $WORK/classes.tif --from $WORK/number_2.0.json
a class number in quotes|1|entry 2: the class number "2" is not an integer$|classes write $WORK/classes.tif --from $WORK/number_2.json
a class number above 255|1|number_256.json entry 2: the class number 256 is outside 0..255$|classes write $WORK/classes.tif --from $WORK/number_256.json
a negative class number|1|number_-1.json entry 2: the class number -1 is outside 0..255$|classes write $WORK/classes.tif --from $WORK/number_-1.json
the largest unsigned 64-bit number|1|number_18446744073709551615.json entry 2: the class number 18446744073709551615 is outside 0..255$|classes write $WORK/classes.tif --from $WORK/number_18446744073709551615.json
TABLE
printf 'ZT_CLASS_INFO_FILEHEAD0.9' >"$WORK/classes.cls"
check "bad class file" 1 "reading the class count from '.*classes.cls' failed: RC_CLS_FILE_BAD_HEADER \(4000032\): the class-information file does not start" -- \
  "$ZTCLASS" classes show "$WORK/classes.tif"
mkdir -p "$WORK/ro" && cp "$WORK/classes.tif" "$WORK/ro/" && chmod 555 "$WORK/ro"
if [ "$(id -u)" -ne 0 ]; then
  check "class file that cannot be written" 1 "could not be written|cannot copy" -- \
    "$ZTCLASS" classes write "$WORK/ro/classes.tif" --from "$WORK/classes.txt"
fi

check "aoi" 0 "2	#[0-9A-F]{6}	1	6	Forest" -- "$ZTCLASS" aoi "$WORK/img.tif" --aoi "$WORK/aoi.geojson"
check "aoi with a missing file" 1 "^ztclass: '.*none.gpkg': no such file or directory$" -- "$ZTCLASS" aoi "$WORK/img.tif" --aoi "$WORK/none.gpkg"
check "aoi with an unknown field" 2 "--class-field: .* has no field 'kind' \\(its fields: class, color\\)" -- "$ZTCLASS" aoi "$WORK/img.tif" --aoi "$WORK/aoi.geojson" --class-field kind
ogr2ogr -q -f GPKG -nln water "$WORK/two.gpkg" "$WORK/aoi.geojson"
ogr2ogr -q -update -nln forest "$WORK/two.gpkg" "$WORK/aoi.geojson" -sql "SELECT class, color AS hue FROM aoi"
check "aoi from a file of two layers" 1 \
  "'.*two.gpkg': it holds 2 layers \\('water', 'forest'\\): name the one to read as PATH\\|layername=NAME$" -- \
  "$ZTCLASS" aoi "$WORK/img.tif" --aoi-pixels --aoi "$WORK/two.gpkg"
check "aoi from a named layer" 0 "2	#[0-9A-F]{6}	1	6	Forest" -- \
  "$ZTCLASS" aoi "$WORK/img.tif" --aoi-pixels --aoi "$WORK/two.gpkg|layername=forest"
check "an unknown field of a named layer" 2 "--class-field: .* has no field 'color' \\(its fields: class, hue\\)" -- \
  "$ZTCLASS" aoi "$WORK/img.tif" --aoi-pixels --aoi "$WORK/two.gpkg|layername=forest" --class-field color
check "a result over the file of a named layer" 2 "-o: '.*two.gpkg' is a file of the input '.*two.gpkg\\|layername=forest'" -- \
  "$ZTCLASS" mindist "$WORK/img.tif" --aoi-pixels --aoi "$WORK/two.gpkg|layername=forest" -o "$WORK/two.gpkg" --of GPKG --overwrite
# The image's own polygons (IMAGE.aoi.geojson) are read as those of --aoi:
# by the class field given, and named when they cannot be read.
for image in side crs junk; do cp "$WORK/img.tif" "$WORK/$image.tif"; done
polygons side.tif.aoi "1 Water 1 1 4 3" "1 Lake 6 5 9 8"
sed 's/^{"type":"FeatureCollection",/&"crs":{"type":"name","properties":{"name":"EPSG:32633"}},/' \
  "$WORK/side.tif.aoi.geojson" >"$WORK/crs.tif.aoi.geojson"
printf 'no polygons\n' >"$WORK/junk.tif.aoi.geojson"
checks <<TABLE
the image's polygons by the field given|0|^2	#[0-9A-F]{6}	1	[0-9]+	Lake$|aoi $WORK/side.tif --class-field name
the image's polygons without the field given|2|^ztclass: --class-field: '.*side.tif.aoi.geojson' has no field 'kind'|aoi $WORK/side.tif --class-field kind
the image's polygons in a coordinate system|1|^ztclass: '.*crs.tif.aoi.geojson': the polygons are in the coordinate system .*; give --aoi-pixels|aoi $WORK/crs.tif
the image's polygons unreadable|1|^ztclass: '.*junk.tif.aoi.geojson': no vector format that GDAL reads recognises it$|aoi $WORK/junk.tif
TABLE
check "samples as CSV" 0 "^2,Forest,7,7,5,7$" -- "$ZTCLASS" samples "$WORK/img.tif" --aoi "$WORK/aoi.geojson" --bands 1,3
check "samples purified" 0 "^class,name,row,column,band2$" -- "$ZTCLASS" samples "$WORK/img.tif" --aoi "$WORK/aoi.geojson" --bands 2 --purify 1
check "samples to a file, with progress lines" 0 "12 cell" "获取训练样本集" -- \
  "$ZTCLASS" samples "$WORK/img.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/cells.csv"
check "samples with a missing band" 2 "--bands: band 4 does not exist" -- "$ZTCLASS" samples "$WORK/img.tif" --aoi "$WORK/aoi.geojson" --bands 4
check "samples with a bad band list" 2 "invalid --bands band number" -- "$ZTCLASS" samples "$WORK/img.tif" --aoi "$WORK/aoi.geojson" --bands 1,x

check "recode" 0 "Recoded 1 value" -- "$ZTCLASS" recode "$WORK/classes.tif" "$WORK/target.tif" --map 2=4
check "recode wrote the new value" 0 "Minimum=4.000, Maximum=4.000" -- gdalinfo -stats "$WORK/target.tif"
# Statistics inside the image, of its pixels before the recode, go with them.
gdal_translate -q -stats -a_srs EPSG:32633 -a_ullr 0 100 120 0 "$WORK/classes.tif" "$WORK/stale.tif"
"$ZTCLASS" -q classes write "$WORK/stale.tif" --from "$WORK/classes.txt"
check "recode of an image with statistics" 0 "" -- "$ZTCLASS" -q recode "$WORK/classes.tif" "$WORK/stale.tif" --map 2=1
check "no statistics of the old pixels" 1 "^0$" -- sh -c 'gdalinfo "$1" | grep -c STATISTICS_' - "$WORK/stale.tif"
check "area of the recoded pixels" 0 "" -- "$ZTCLASS" -q area "$WORK/stale.tif" -o "$WORK/stale.txt"
check "all 120 pixels of 100 m2 in class 1" 0 "^  1	Water	120	12000.00$" "^  2	Forest	0	0.00$" -- cat "$WORK/stale.txt"
check "recode with a bad map" 2 "--map: class values lie in 0..255" -- "$ZTCLASS" recode "$WORK/classes.tif" "$WORK/target.tif" --map 2=300

forest_scene "$WORK"
for method in mindist box gmindist maxlike; do
  check "$method" 0 "Wrote .*$method.tif \\(2 classes\\)" -- \
    "$ZTCLASS" "$method" "$WORK/scene.tif" --aoi "$WORK/aoi.geojson" -o "$WORK/$method.tif"
done
checks <<TABLE
window and quicklook|0|and .*q.png|mindist $WORK/scene.tif --aoi $WORK/aoi.geojson -o $WORK/w.tif --window 8,10,1,1 --png $WORK/q.png --no-dev-test --max-dev 50
factor list of the wrong length|2|--dev-factor lists 3 values for 2 class AOIs|box $WORK/scene.tif --aoi $WORK/aoi.geojson -o $WORK/x.tif --dev-factor 1,2,3
window outside the image|2|--window 5,6,8,5 does not lie inside|gmindist $WORK/scene.tif --aoi $WORK/aoi.geojson -o $WORK/v.tif --window 5,6,8,5
TABLE
check "classes with names and colours" 0 "2: Forest" "1: 0,0,255,255" -- gdalinfo "$WORK/mindist.tif"
check "forest pixels" 0 "Minimum=1.000, Maximum=2.000" -- gdalinfo -stats "$WORK/mindist.tif"
check "window size" 0 "Size is 10, 8" -- gdalinfo "$WORK/w.tif"
check "quicklook is a PNG" 0 "Driver: PNG" -- gdalinfo "$WORK/q.png"

# Post-classification in two steps, and in one straight from the class map:
# the same image, its class names, and no statistics unless asked for.
checks <<TABLE
clump|0|Wrote .*clumps.tif and .*clump.txt|clump $WORK/mindist.tif -o $WORK/clumps.tif --stats $WORK/clump.txt --neighbours 4
bad neighbour count|2|neighbours|clump $WORK/mindist.tif -o $WORK/c.tif --stats $WORK/c.txt --neighbours 6
sieve|0|Wrote|sieve $WORK/clumps.tif --stats-in $WORK/clump.txt --threshold 2 -o $WORK/sieved.tif --stats $WORK/sieve.txt
eliminate|0|^Wrote [^ ]*clean.tif, [^ ]*eliminate.txt and [^ ]*clean.png$|eliminate $WORK/clumps.tif --stats-in $WORK/clump.txt --threshold 10 --classes $WORK/mindist.tif -o $WORK/clean.tif --stats $WORK/eliminate.txt --png $WORK/clean.png
eliminate with a missing statistics file|1|--stats-in: cannot read '.*none.txt': no such file or directory|eliminate $WORK/clumps.tif --stats-in $WORK/none.txt --threshold 2 -o $WORK/e.tif --stats $WORK/e.txt
eliminate in one step|0|^Wrote [^ ]*clean1.tif$|eliminate $WORK/mindist.tif --neighbours 4 --threshold 10 -o $WORK/clean1.tif
sieve in one step|0|Wrote|sieve $WORK/mindist.tif --neighbours 4 --threshold 2 -o $WORK/sieved1.tif --stats $WORK/sieve1.txt
--stats-in needs --stats over Dask (in process: test_postclass.py)|2|--stats is required with --stats-in|sieve $WORK/clumps.tif --stats-in $WORK/clump.txt --threshold 2 -o $WORK/s.tif --dask local:1
TABLE
check "clump image type" 0 "Type=UInt32" -- gdalinfo "$WORK/clumps.tif"
check "clump statistics" 0 "^邻域数:4$" -- cat "$WORK/clump.txt"
check "sieve statistics" 0 "^过滤分析块统计信息:$" -- cat "$WORK/sieve.txt"
check "eliminate keeps the class names" 0 "2: Forest" -- gdalinfo "$WORK/clean.tif"
check "eliminate merged the small forest" 0 "^1	120$" -- cat "$WORK/eliminate.txt"
check "one step, two steps: the same pixels" 0 "" -- \
  cmp <(gdal_translate -q -of AAIGrid "$WORK/clean.tif" /vsistdout/) <(gdal_translate -q -of AAIGrid "$WORK/clean1.tif" /vsistdout/)
check "eliminate in one step keeps the class names" 0 "2: Forest" -- gdalinfo "$WORK/clean1.tif"
check "sieve statistics in one step" 0 "" -- cmp "$WORK/sieve.txt" "$WORK/sieve1.txt"

# Class images of every integer and floating-point pixel type: written, with
# their category names, and a colour table where the format keeps one.
forest_aoi "$WORK/aoi.geojson" "#00A000"

for type in UInt16 Int16 UInt32 Int32 Float32 Float64; do
  out="$WORK/map_$type.tif"
  check "mindist --ot $type" 0 "Wrote .*\\(2 classes\\)" -- \
    "$ZTCLASS" mindist "$WORK/scene.bin" --aoi "$WORK/aoi.geojson" -o "$out" --ot "$type"
  check "$type result, category names, forest pixels" 0 "Type=$type" "2: Forest" "Minimum=1.000, Maximum=2.000" -- \
    gdalinfo -stats "$out"
done
# GeoTIFF keeps colour tables for Byte and UInt16 only.
check "UInt16 colour table" 0 "2: 0,160,0,255" -- gdalinfo "$WORK/map_UInt16.tif"
check "clump of a Float32 class image" 0 "Wrote" -- \
  "$ZTCLASS" clump "$WORK/map_Float32.tif" -o "$WORK/float_clumps.tif" --stats "$WORK/float_clump.txt"

# Inputs the library cannot use (pixel types it does not read, an image cut
# short) end the command with a message that says so, and leave no result.
pixels='{"type":"Feature","properties":{"class":"field"},"geometry":{"type":"Polygon","coordinates":[[[0,0],[5,0],[5,5],[0,5],[0,0]]]}},
 {"type":"Feature","properties":{"class":"forest"},"geometry":{"type":"Polygon","coordinates":[[[7,6],[9,6],[9,9],[7,9],[7,6]]]}}'
printf '{"type":"FeatureCollection","features":[%s]}' "$pixels" >"$WORK/plain.geojson"

for type in CInt16 CFloat32 Int64 UInt64; do
  gdal_translate -q -ot "$type" "$WORK/scene.bin" "$WORK/$type.tif"
  check "info names $type" 0 "Band 1: $type \(not classifiable\)" -- "$ZTCLASS" info "$WORK/$type.tif"
  check "mindist refuses $type" 1 "RC_UNSUPPORTED_PIXEL_TYPE \(4000040\): the image's pixel type cannot be classified" -- \
    "$ZTCLASS" mindist "$WORK/$type.tif" --aoi "$WORK/plain.geojson" -o "$WORK/$type-map.tif"
  check "isodata refuses $type" 1 "RC_UNSUPPORTED_PIXEL_TYPE" -- \
    "$ZTCLASS" isodata "$WORK/$type.tif" --classes 2 -o "$WORK/$type-iso.tif"
done

# A tiled, compressed scene cut short in its last tiles: the training areas
# read well, the pass does not.
gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE -outsize 64 64 \
  "$WORK/scene.bin" "$WORK/big.tif"
head -c $(($(stat -c %s "$WORK/big.tif") * 3 / 4)) "$WORK/big.tif" >"$WORK/cut.tif"
check "a file cut short names file, band, rows and GDAL's reason" 1 \
  "RC_RASTER_IO_FAILED \(5000010\).*; reading '.*cut.tif', band [0-9]+, row [0-9]+-[0-9]+: .*[Rr]ead" -- \
  "$ZTCLASS" mindist "$WORK/cut.tif" --aoi "$WORK/plain.geojson" -o "$WORK/cut-map.tif"
check "isodata on a file cut short" 1 "RC_RASTER_IO_FAILED" -- \
  "$ZTCLASS" isodata "$WORK/cut.tif" --classes 2 -o "$WORK/cut-iso.tif"

# Where training polygons fall is never guessed: a coordinate system on an
# image without one needs --aoi-pixels.
S="$WORK/scene.tif"
printf '{"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::4326"}},"features":[%s]}' \
  "$pixels" >"$WORK/declared.geojson"
ogr2ogr -q "$WORK/declared.gpkg" "$WORK/declared.geojson"

check "pixel coordinates without a coordinate system" 0 "" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/plain.geojson" -o "$WORK/plain.tif"
for file in declared.geojson declared.gpkg; do
  check "$file on an image without georeferencing" 1 \
    "declared.*coordinate system 'WGS 84' \(EPSG:4326\), the image '.*scene.tif' has none.*--aoi-pixels" -- \
    "$ZTCLASS" mindist "$S" --aoi "$WORK/$file" -o "$WORK/refused.tif"
done
check "--aoi-pixels takes them as pixel/line positions" 0 "" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/declared.gpkg" --aoi-pixels -o "$WORK/pixels.tif"
check "the same map as the plain file" 0 "" -- cmp "$WORK/plain.tif" "$WORK/pixels.tif"
check "aoi takes --aoi-pixels too" 0 "forest" -- "$ZTCLASS" aoi "$S" --aoi "$WORK/declared.gpkg" --aoi-pixels

# A polygon whose coordinates have no place on a georeferenced image.
gdal_translate -q -a_srs EPSG:32633 -a_ullr 500000 4000300 500360 4000000 "$S" "$WORK/utm.tif"
printf '{"type":"FeatureCollection","features":[
 {"type":"Feature","properties":{"class":"water"},"geometry":{"type":"Polygon","coordinates":[[[15,36.1],[15.001,36.1],[15.001,36.101],[15,36.1]]]}},
 {"type":"Feature","properties":{"class":"water"},"geometry":{"type":"Polygon","coordinates":[[[15,95],[16,95],[16,96],[15,95]]]}}]}' \
  >"$WORK/far.geojson"
check "a polygon that cannot be placed is named" 1 "far.geojson': polygon 2 of class 'water' lies outside the image" -- \
  "$ZTCLASS" mindist "$WORK/utm.tif" --aoi "$WORK/far.geojson" -o "$WORK/far.tif"

# A shapefile whose .dbf was cut short or left behind would train one class
# per polygon.
ogr2ogr -q "$WORK/areas.shp" "$WORK/plain.geojson"
head -c 20 "$WORK/areas.dbf" >"$WORK/cut.dbf" && mv "$WORK/cut.dbf" "$WORK/areas.dbf"
check "a .dbf cut short is refused" 1 "areas.dbf' cannot be read \(cut short or damaged\)" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/areas.shp" -o "$WORK/dbf.tif"
rm "$WORK/areas.dbf"
check "a missing .dbf is refused" 1 "areas.dbf' is missing: the polygons' classes are unknown" -- \
  "$ZTCLASS" mindist "$S" --aoi "$WORK/areas.shp" -o "$WORK/dbf.tif"

# A class file written elsewhere may hold any bytes: its names still give a
# well-formed style and JSON reports (what is not UTF-8 as U+FFFD).
/usr/bin/python3 -c '
import sys
names = [b"w\xe9ter", b"tab\there\x01<&>", b"\xef\xbf\xbe"]
records = b"".join(bytes([n + 1]) + name.ljust(128, b"\0") + bytes(131) for n, name in enumerate(names))
open(sys.argv[1], "wb").write(b"ZT_CLASS_INFO_FILEHEAD1.0" + len(names).to_bytes(4, "little") + records)' "$WORK/stale.cls"
check "eliminate of a map with such names" 0 "" -- "$ZTCLASS" -q eliminate "$WORK/stale.tif" --threshold 1 -o "$WORK/named.tif"
check "its style is well-formed XML" 0 "^ok$" -- /usr/bin/python3 -c '
import sys, xml.etree.ElementTree as ET
labels = [e.get("label") for e in ET.parse(sys.argv[1]).iter("paletteEntry")]
print("ok" if labels == ["Unclassified", "w\ufffdter", "tab\there\ufffd<&>", "\ufffd"] else labels)' "$WORK/named.qml"
check "area with such names" 0 "" -- "$ZTCLASS" -q area "$WORK/stale.tif" -o "$WORK/named.txt" --json "$WORK/named.json"
check "its JSON" 0 "^ok$" -- /usr/bin/python3 -c '
import json, sys
names = [c["name"] for c in json.load(open(sys.argv[1], encoding="utf-8"))["classes"]]
print("ok" if names == ["w\ufffdter", "tab\there\x01<&>", "\ufffe"] else names)' "$WORK/named.json"
check "its listing shows control characters as escapes" 0 '^2'$'\t''#[0-9A-F]{6}'$'\t''tab\\x09here\\x01<&>'$'\t''$' -- \
  "$ZTCLASS" classes show "$WORK/stale.tif"

# Training polygons cannot bring such a name in.
sed 's/"class":"\([^"]*\)"/"class":"\1\\tforged"/' "$WORK/plain.geojson" >"$WORK/tabbed.geojson"
check "a class name with a tab is refused" 1 "tabbed.geojson': the class name '.*\\\\x09forged' holds a control character" -- \
  "$ZTCLASS" maxlike "$S" --aoi "$WORK/tabbed.geojson" -o "$WORK/tabbed.tif"

finish "cli"
