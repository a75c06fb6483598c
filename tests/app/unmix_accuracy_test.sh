#!/usr/bin/env bash
# ztclass unmix and ztclass accuracy end to end, on files made here with
# GDAL's tools and worked out by hand.
# Usage: unmix_accuracy_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"

# raster NAME BANDS TYPE(1 Byte, 4 Float32) AWK_VALUE: a 12 x 10 image whose
# value at band b, row r, column c is the awk expression.
raster() {
  local name="$1" bands="$2" type="$3" expr="$4"
  LC_ALL=C awk -v bands="$bands" -v type="$type" "BEGIN {
    for (b = 1; b <= bands; b++) for (r = 0; r < 10; r++) for (c = 0; c < 12; c++) {
      v = $expr
      if (type == 1) printf \"%c\", v; else print v
    } }" >"$WORK/$name.raw"
  if [ "$type" -eq 4 ]; then
    perl -e 'local $/; open F, $ARGV[0]; my @v = split " ", <F>; close F;
             open F, ">", $ARGV[0]; binmode F; print F pack("f<*", @v);' "$WORK/$name.raw"
  fi
  envi_header "$WORK/$name.hdr" 12 10 "$bands" "$type"
  gdal_translate -q "$WORK/$name.raw" "$WORK/$name.tif"
}

# near IMAGE BAND COLUMN ROW VALUE: prints "near" when the pixel lies within
# 1e-6 of VALUE.
near() {
  gdallocationinfo -valonly -b "$2" "$1" "$3" "$4" | awk -v e="$5" '{ d = $1 - e; print (d < 1e-6 && d > -1e-6) ? "near" : $1 }'
}

# Unmixing. Three bands: columns 0-3 hold the water spectrum (200, 30, 60),
# columns 8-11 the forest spectrum (20, 180, 40), columns 4-7 the mixture
# 0.25 water + 0.75 forest (65, 142.5, 45).
raster mix 3 4 '(c < 4 ? (b == 1 ? 200 : b == 2 ? 30 : 60) : c >= 8 ? (b == 1 ? 20 : b == 2 ? 180 : 40) : (b == 1 ? 65 : b == 2 ? 142.5 : 45))'
polygons two "1 Water 0 0 4 10" "2 Forest 8 0 12 10"
polygons three "1 Water 0 0 4 10" "2 Forest 8 0 12 10" "3 Mixed 4 0 8 10"
polygons alike "1 Water 0 0 4 10" "2 Bright 8 0 12 10"

check "unmix" 0 "Wrote .*fractions.tif \\(2 fractions: Water Forest\\) and .*fractions.png" -- \
  "$ZTCLASS" unmix "$WORK/mix.tif" --aoi "$WORK/two.geojson" -o "$WORK/fractions.tif" --png "$WORK/fractions.png"
# Fraction bands named after their classes, Float32 by default.
check "fraction bands" 0 "Description = Forest" "Band 2 .*Type=Float32" -- gdalinfo "$WORK/fractions.tif"
check "water fraction of a mixed pixel" 0 "^near$" -- near "$WORK/fractions.tif" 1 5 5 0.25
check "forest fraction of a mixed pixel" 0 "^near$" -- near "$WORK/fractions.tif" 2 5 5 0.75
check "forest fraction of a pure water pixel" 0 "^near$" -- near "$WORK/fractions.tif" 2 1 1 0
check "window" 0 "Wrote" -- "$ZTCLASS" unmix "$WORK/mix.tif" --aoi "$WORK/two.geojson" --bands 1,2 --window 5,6,2,3 \
  -o "$WORK/window.tif"
check "window size" 0 "Size is 6, 5" -- gdalinfo "$WORK/window.tif"
check "an integer type is warned about" 0 "warning: --ot Byte truncates every fraction to 0 or 1" -- \
  "$ZTCLASS" unmix "$WORK/mix.tif" --aoi "$WORK/two.geojson" -o "$WORK/byte.tif" --ot Byte
check "truncated mixed fraction" 0 "^0$" -- gdallocationinfo -valonly -b 2 "$WORK/byte.tif" 5 5
check "no warning for a floating type" 1 "" -- grep -q warning <("$ZTCLASS" unmix "$WORK/mix.tif" --aoi "$WORK/two.geojson" \
  -o "$WORK/float64.tif" --ot Float64 2>&1)

# Three classes over two bands: the weighted solver.
check "more classes than bands, explained" 1 "RC_SINGULAR_MATRIX \\(4000005\\)" "more classes \\(3\\) than bands \\(2\\).*singular by construction" -- \
  "$ZTCLASS" unmix "$WORK/mix.tif" --aoi "$WORK/three.geojson" --bands 1,2 -o "$WORK/weighted.tif"
check "no fraction image left behind" 1 "" -- test -e "$WORK/weighted.tif"
# Two spectra, one twice the other.
raster alike 2 1 '(c < 4 ? 40 * b : 80 * b)'
check "linearly dependent endmembers" 1 "endmember spectra .* are linearly dependent" -- \
  "$ZTCLASS" unmix "$WORK/alike.tif" --aoi "$WORK/alike.geojson" -o "$WORK/alike_fractions.tif"
check "nothing left behind" 1 "" -- test -e "$WORK/alike_fractions.tif"

# Accuracy. Class image: columns 0-5 class 1, 6-11 class 2, except row 1,
# column 3 (class 2) and row 2, column 7 (0, unclassified). Water reference:
# columns 0-3, rows 0-3 (15 times class 1, once 2); forest reference: columns
# 6-9, rows 0-3 (15 times 2, once 0).
#              Water  Forest  total
#   unclass.       0       1      1
#   Water         15       0     15
#   Forest         1      15     16
#   total         16      16     32
# Overall 30/32 = 0.94; chance (15*16 + 16*16) / 32^2 = 0.484375; Kappa
# (0.9375 - 0.484375) / 0.515625 = 0.88.
raster classes 1 1 '(r == 1 && c == 3 ? 2 : r == 2 && c == 7 ? 0 : c < 6 ? 1 : 2)'
printf '1\tWater\t#0000FF\n2\tForest\t#00A000\n' >"$WORK/records.txt"
"$ZTCLASS" classes write "$WORK/classes.tif" --from "$WORK/records.txt" >/dev/null
polygons reference "1 Water 0 0 4 4" "2 Forest 6 0 10 4"
polygons reference3 "1 Water 0 0 4 4" "2 Forest 6 0 10 4" "3 Urban 4 4 6 6"

check "accuracy" 0 "^Overall accuracy 0.94, Kappa 0.88$" "^Wrote .*report.txt$" -- \
  "$ZTCLASS" accuracy "$WORK/classes.tif" --aoi "$WORK/reference.geojson" -o "$WORK/report.txt"
# The error matrix's Forest and unclassified rows, the class accuracies, Kappa.
check "report" 0 "^    Forest         1        15        16$" "^ 未分类         0         1         1$" \
  "^                0.94      0.94$" "^          Kappa系数=      0.88$" -- cat "$WORK/report.txt"
# The figures for programs against the matrix worked out above; user's
# accuracy: Water 15/15, Forest 15/16.
check "JSON and CSV" 0 "^Wrote .*fig.csv$" -- "$ZTCLASS" accuracy "$WORK/classes.tif" --aoi "$WORK/reference.geojson" \
  -o "$WORK/fig.txt" --json "$WORK/fig.json" --csv "$WORK/fig.csv" --tables overall
check "figures" 0 "^ok$" -- /usr/bin/python3 -c '
import csv, json, sys
matrix = [[0, 1], [15, 0], [1, 15]]
names, n = ["Water", "Forest"], 32
rows = [sum(r) for r in matrix]
cols = [sum(r[j] for r in matrix) for j in range(2)]
producer = [matrix[j + 1][j] / cols[j] for j in range(2)]
user = [matrix[j + 1][j] / rows[j + 1] for j in range(2)]
overall = (15 + 15) / n
chance = sum(rows[j + 1] * cols[j] for j in range(2)) / n ** 2
kappa = (overall - chance) / (1 - chance)
near = lambda a, b: abs(float(a) - b) < 1e-12
j = json.load(open(sys.argv[1]))
ok = j["matrix"] == matrix and j["sample_count"] == n and near(j["overall_accuracy"], overall) and near(j["kappa"], kappa)
for k, c in enumerate(j["classes"]):
    ok = ok and (c["value"], c["name"], c["reference_count"], c["map_count"]) == (k + 1, names[k], cols[k], rows[k + 1])
    ok = ok and near(c["producer_accuracy"], producer[k]) and near(c["user_accuracy"], user[k])
table = list(csv.reader(open(sys.argv[2])))
ok = ok and table[0] == ["map\\reference", "Water", "Forest", "total"]
ok = ok and [list(map(int, r[1:])) for r in table[1:4]] == [m + [s] for m, s in zip(matrix, rows)]
ok = ok and table[4] == ["total", "16", "16", "32"] and table[7][:2] == ["1", "Water"]
ok = ok and all(near(table[7 + k][2], producer[k]) and near(table[7 + k][3], user[k]) for k in range(2))
ok = ok and near(table[10][1], overall) and near(table[11][1], kappa) and table[12] == ["sample_count", "32"]
print("ok" if ok else (j, table))' "$WORK/fig.json" "$WORK/fig.csv"
env -u LANGUAGE LC_ALL=C.UTF-8 "$ZTCLASS" -q accuracy "$WORK/classes.tif" --aoi "$WORK/reference.geojson" -o "$WORK/en.txt" \
  --json "$WORK/en.json" --tables kappa >/dev/null
check "English report" 0 "^Remote-sensing image classification accuracy report:$" "^              Kappa=      0.88$" -- \
  cat "$WORK/en.txt"
check "JSON the same in English" 0 "" -- cmp "$WORK/en.json" "$WORK/fig.json"
check "only the matrix, summary still printed" 0 "^Overall accuracy 0.94, Kappa 0.88$" -- \
  "$ZTCLASS" accuracy "$WORK/classes.tif" --aoi "$WORK/reference.geojson" -o "$WORK/matrix.txt" --tables matrix
check "only the matrix table" 1 "" -- grep -q "表2" "$WORK/matrix.txt"
# One class, its 16 reference pixels all classified right: chance agreement
# 16*16 / 16^2 = 1, and Kappa 0 / 0 is undefined (its report: accuracy_test.cpp).
raster one 1 1 '(1)'
printf '1\tWater\t#0000FF\n' >"$WORK/one_record.txt"
"$ZTCLASS" classes write "$WORK/one.tif" --from "$WORK/one_record.txt" >/dev/null
polygons water "1 Water 0 0 4 4"
check "Kappa undefined" 0 "^Overall accuracy 1.00, Kappa undefined \(.*chance agreement is 1\)$" -- "$ZTCLASS" \
  accuracy "$WORK/one.tif" --aoi "$WORK/water.geojson" -o "$WORK/one.txt" --json "$WORK/one.json" --csv "$WORK/one.csv"
check "Kappa undefined in the CSV" 0 "^kappa,$" -- cat "$WORK/one.csv"
check "Kappa undefined in the JSON" 0 '"kappa": null,' -- cat "$WORK/one.json"
gdal_translate -q -srcwin 0 0 10 10 "$WORK/mix.tif" "$WORK/smaller.tif"
# Records that name the classes out of value order would label value 1's
# row "Forest".
cp "$WORK/classes.tif" "$WORK/swapped.tif"
printf '2\tForest\t#00A000\n1\tWater\t#0000FF\n' >"$WORK/swapped.txt"
"$ZTCLASS" classes write "$WORK/swapped.tif" --from "$WORK/swapped.txt" >/dev/null
checks <<TABLE
unknown table|2|--tables takes matrix, class, overall and kappa, got 'all'|accuracy $WORK/classes.tif --aoi $WORK/reference.geojson -o $WORK/x.txt --tables all
reference of the same grid|0|^Overall accuracy 0.94, Kappa 0.88$|accuracy $WORK/classes.tif --reference $WORK/mix.tif --aoi $WORK/reference.geojson -o $WORK/r.txt
reference of another grid|1|must share the class image's pixel grid: it is 10 x 10 pixels, the class image 12 x 10|accuracy $WORK/classes.tif --reference $WORK/smaller.tif --aoi $WORK/reference.geojson -o $WORK/y.txt
more reference classes than class records|1|the reference polygons hold 3 classes, the class image 2|accuracy $WORK/classes.tif --aoi $WORK/reference3.geojson -o $WORK/y.txt
no reference polygons|1|no reference class AOI|accuracy $WORK/classes.tif -o $WORK/y.txt
no class records|1|has no class records|accuracy $WORK/mix.tif --aoi $WORK/reference.geojson -o $WORK/y.txt
records out of value order|1|class record 1 .*swapped.cls.* is class 2; .* must number the classes 1 to 2 in order|accuracy $WORK/swapped.tif --aoi $WORK/reference.geojson -o $WORK/y.txt
TABLE
check "no report after failures" 1 "" -- test -e "$WORK/y.txt"
polygons far "1 Water 50 50 54 54" "2 Forest 60 60 64 64"
check "reference polygons off the class image" 1 "the reference covers no pixel of '.*classes.tif'" -- \
  "$ZTCLASS" accuracy "$WORK/classes.tif" --aoi "$WORK/far.geojson" --aoi-pixels -o "$WORK/f.txt" --json "$WORK/f.json" \
  --csv "$WORK/f.csv"
check "nothing written without samples" 1 "" -- test -e "$WORK/f.txt" -o -e "$WORK/f.json" -o -e "$WORK/f.csv"

# File mode on a georeferenced copy: x = column, y = 10 - row. Points at
# (0, 0) reference 1, (7, 0) reference 2, and one off the image: overall
# 2/3; chance (1*1 + 1*1) / 3^2, Kappa (2/3 - 2/9) / (1 - 2/9) = 0.57.
gdal_translate -q -a_ullr 0 10 12 0 "$WORK/classes.tif" "$WORK/geo.tif"
"$ZTCLASS" classes write "$WORK/geo.tif" --from "$WORK/records.txt" >/dev/null
gdal_translate -q -a_ullr 1 10 13 0 "$WORK/mix.tif" "$WORK/shifted.tif"
check "reference a pixel off the class image's grid" 1 "must share the class image's pixel grid: their georeferencing differs" -- \
  "$ZTCLASS" accuracy "$WORK/geo.tif" --reference "$WORK/shifted.tif" --aoi "$WORK/reference.geojson" -o "$WORK/g.txt"
printf '3\n0.5 9.5\n7.5 9.5\n100 100\n' >"$WORK/points.txt"
printf '3\n1 2 2\n' >"$WORK/point_classes.txt"
check "check points" 0 "^Overall accuracy 0.67, Kappa 0.57$" -- "$ZTCLASS" accuracy "$WORK/geo.tif" \
  --points "$WORK/points.txt" --point-classes "$WORK/point_classes.txt" -o "$WORK/points_report.txt"
printf '2\n1 2\n' >"$WORK/short_classes.txt"
printf '3\n1 1 1\n' >"$WORK/one_class.txt"
printf '6.5\n1 2 2\n' >"$WORK/half_count.txt"
awk 'BEGIN { print 501; for (i = 0; i < 501; i++) print "0.5 9.5" }' >"$WORK/many_points.txt"
printf '4\n1 2 2 1\n' >"$WORK/four_classes.txt"
printf '4\n0.5 9.5\n7.5 9.5\n100 100\n29x7000 9120000\n' >"$WORK/garbled_points.txt"
printf '4\n0.5 9.5\n7.5 9.5\n100 100\n' >"$WORK/short_points.txt"
printf '3\n0.5,9.5\n7.5,9.5\n100,100\n' >"$WORK/comma_points.txt"
printf '3\n1 two 2\n' >"$WORK/word_classes.txt"
printf '3\n100 100\n-5 5\n5 -5\n' >"$WORK/far_points.txt"
printf '3\n1 2 3\n' >"$WORK/three_classes.txt"
# A copy of geo.tif whose pixel at column 0, row 0 (the first check point)
# is no-data.
raster holes 1 1 '(r == 0 && c == 0 ? 255 : r == 1 && c == 3 ? 2 : r == 2 && c == 7 ? 0 : c < 6 ? 1 : 2)'
gdal_translate -q -a_ullr 0 10 12 0 -a_nodata 255 "$WORK/holes.tif" "$WORK/geo_holes.tif"
"$ZTCLASS" classes write "$WORK/geo_holes.tif" --from "$WORK/records.txt" >/dev/null
# A copy whose pixel at column 0, row 0 holds 3, one past the classes 1..2,
# with a check point on that pixel's left edge.
raster past 1 1 '(r == 0 && c == 0 ? 3 : c < 6 ? 1 : 2)'
gdal_translate -q -a_ullr 0 10 12 0 "$WORK/past.tif" "$WORK/geo_past.tif"
"$ZTCLASS" classes write "$WORK/geo_past.tif" --from "$WORK/records.txt" >/dev/null
printf '2\n0 9.5\n7.5 9.5\n' >"$WORK/edge_point.txt"
printf '2\n1 2\n' >"$WORK/edge_class.txt"
# A coordinate beyond double's range, read as infinity (NaN and -inf: accuracy_test.cpp).
printf '3\n0.5 9.5\n7.5 1e400\n100 100\n' >"$WORK/points_1e400.txt"
awk 'BEGIN { print 501; for (i = 0; i < 501; i++) print 1 + i % 2 }' >"$WORK/many_classes.txt"
checks <<TABLE
differing counts|1|RC_INPUT_COUNT_MISMATCH \(-2\).*|accuracy $WORK/geo.tif --points $WORK/points.txt --point-classes $WORK/short_classes.txt -o $WORK/z.txt
a class without check points is named|1|no check point of class 2 '[^']*' in '.*one_class.txt'|accuracy $WORK/geo.tif --points $WORK/points.txt --point-classes $WORK/one_class.txt -o $WORK/z.txt
a count that is no whole number|1|RC_INPUT_COUNT_MISMATCH.*not a whole number|accuracy $WORK/geo.tif --points $WORK/points.txt --point-classes $WORK/half_count.txt -o $WORK/z.txt
more than 500 check points|1|at most 500 check points are taken|accuracy $WORK/geo.tif --points $WORK/many_points.txt --point-classes $WORK/many_classes.txt -o $WORK/z.txt
check points need georeferencing|1|has no georeferencing|accuracy $WORK/classes.tif --points $WORK/points.txt --point-classes $WORK/point_classes.txt -o $WORK/z.txt
a coordinate that is no number, placed|1|'.*garbled_points.txt', line 5, entry 7: '29x7000' is no number|accuracy $WORK/geo.tif --points $WORK/garbled_points.txt --point-classes $WORK/four_classes.txt -o $WORK/z.txt
fewer pairs than declared|1|'.*short_points.txt' declares 4 check points and holds 3 x y pairs|accuracy $WORK/geo.tif --points $WORK/short_points.txt --point-classes $WORK/four_classes.txt -o $WORK/z.txt
comma-separated coordinates|1|'.*comma_points.txt', line 2, entry 1: '0.5,9.5' is no number|accuracy $WORK/geo.tif --points $WORK/comma_points.txt --point-classes $WORK/point_classes.txt -o $WORK/z.txt
a coordinate beyond double's range|1|'.*points_1e400.txt', line 3, entry 4: '1e400' is no finite number|accuracy $WORK/geo.tif --points $WORK/points_1e400.txt --point-classes $WORK/point_classes.txt -o $WORK/z.txt
every check point off the image|1|none of the 3 check points lies on '.*geo.tif': there is nothing to assess it by|accuracy $WORK/geo.tif --points $WORK/far_points.txt --point-classes $WORK/point_classes.txt -o $WORK/z.txt --json $WORK/z.json
a class of no record|1|^\('.*three_classes.txt', line 2, entry 3: class 3 is none of the class image's classes 1..2\)$|accuracy $WORK/geo.tif --points $WORK/points.txt --point-classes $WORK/three_classes.txt -o $WORK/z.txt
a check point on no-data|1|^\('.*points.txt', check point 1 \(0.5 9.5\) lies on a pixel of value 255, the class image's no-data value, none of 0..2: there is no class to compare its reference class with\)$|accuracy $WORK/geo_holes.tif --points $WORK/points.txt --point-classes $WORK/point_classes.txt -o $WORK/z.txt
a check point on the image's left edge, on a value past the classes|1|^\('.*edge_point.txt', check point 1 \(0 9.5\) lies on a pixel of value 3, none of 0..2: there is no class to compare its reference class with\)$|accuracy $WORK/geo_past.tif --points $WORK/edge_point.txt --point-classes $WORK/edge_class.txt -o $WORK/z.txt
a class that is no number|1|'.*word_classes.txt', line 2, entry 2: 'two' is no whole class number|accuracy $WORK/geo.tif --points $WORK/points.txt --point-classes $WORK/word_classes.txt -o $WORK/z.txt
points need their classes|2|--points requires --point-classes|accuracy $WORK/geo.tif --points $WORK/points.txt -o $WORK/z.txt
points exclude polygons|2|excludes|accuracy $WORK/geo.tif --points $WORK/points.txt --point-classes $WORK/point_classes.txt --aoi $WORK/reference.geojson -o $WORK/z.txt
TABLE
check "missing check-point file, explained" 1 "RC_INPUT_FILE_FAILED \\(-1\\)" "a check-point file cannot be read, or a class number lies outside 1..2" -- \
  "$ZTCLASS" accuracy "$WORK/geo.tif" --points "$WORK/none.txt" --point-classes "$WORK/point_classes.txt" -o "$WORK/z.txt"
check "no report after a file-mode failure" 1 "" -- test -e "$WORK/z.txt" -o -e "$WORK/z.json"

finish "unmix and accuracy"
