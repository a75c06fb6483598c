#!/usr/bin/env bash
# The host never loses data: failures, refusals, Ctrl-C and other stops, runs
# killed outright and full disks leave the result's directory exactly as it
# was; results replace older ones only when asked to, and then completely.
# Also the host's habits: exit statuses, option checks, formats, legends,
# progress lines.
# Usage: cli_safety_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"
export ZTCLASS_WORKDIR="$WORK/workdir"
mkdir -p "$ZTCLASS_WORKDIR"

DIR="$WORK/d"
mkdir -p "$DIR"
forest_scene "$WORK"
gdal_translate -q "$WORK/scene.bin" "$DIR/scene.tif"
gdal_translate -q -a_nodata 0 "$DIR/scene.tif" "$WORK/scene_nodata.tif"
gdal_create -q -of GTiff -outsize 12 10 -bands 2 -burn 30 -burn 60 "$WORK/flat.tif"
gdal_create -q -of GTiff -outsize 8 8 -bands 1 -burn 1 "$WORK/small.tif"
gdal_translate -q -of ENVI "$DIR/scene.tif" "$DIR/envi.bil"
forest_aoi "$DIR/aoi.geojson" "#00A000"
# The forest AOIs and a third class far outside the image.
polygons outside "1 Water 1.5 1.5 4.5 3.5" "2 Forest 6.5 5.5 8.5 8.5" "3 Cloud 50 50 60 60"
# A class whose polygon holds a pixel's centre but no pixel once its
# vertices are cut to whole pixels, and one that a later class AOI covers.
polygons speck "1 Water 1.5 1.5 4.5 3.5" "2 Forest 6.5 5.5 8.5 8.5" "3 Speck 10.3 1.3 10.7 1.7"
polygons covered "1 Water 1.5 1.5 4.5 3.5" "2 Forest 6.5 5.5 8.5 8.5" "3 Cover 1 1 5 4"
# The scene with the forest's pixels (columns 6-8, rows 5-8) no-data in
# band 2 only: its AOI holds 6 pixel centres, (6-7) x (5-7).
byte_image "$WORK/banded" 12 10 2 'c >= 6 && c <= 8 && r >= 5 && r <= 8 ? (b == 1 ? 200 : 0) : 30 * b'
gdal_translate -q -a_nodata 0 "$WORK/banded.bin" "$WORK/banded.tif"
# The same with band 1 alone no-data there.
byte_image "$WORK/bandone" 12 10 2 'c >= 6 && c <= 8 && r >= 5 && r <= 8 ? (b == 1 ? 0 : 200) : 30 * b'
gdal_translate -q -a_nodata 0 "$WORK/bandone.bin" "$WORK/bandone.tif"
S="$DIR/scene.tif"
A="$DIR/aoi.geojson"

# A good result and its class file, which every failure below must leave alone.
check "a first result" 0 "Wrote .*map.tif \\(2 classes\\)" -- "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/map.tif"
"$ZTCLASS" clump "$DIR/map.tif" -o "$DIR/clumps.tif" --stats "$DIR/clump.txt" -q

# Failures and refusals.
printf 'not a statistics file\n' >"$WORK/bad.txt"
printf '{"type":"FeatureCollection","features":[]}\n' >"$WORK/none.geojson"
# The scene's raw pixels under headers that claim more rows or bands than
# they hold: GDAL would read the missing ones as zeros.
cp "$DIR/envi.bil" "$WORK/tall.bil" && sed 's/^lines *= *10$/lines = 40/' "$DIR/envi.hdr" >"$WORK/tall.hdr"
cp "$DIR/envi.bil" "$WORK/deep.bil" && sed 's/^bands *= *2$/bands = 3/' "$DIR/envi.hdr" >"$WORK/deep.hdr"
# The clumps of the map without its last row: clump 1 has fewer pixels.
"$ZTCLASS" clump "$DIR/map.tif" --srcwin 0 0 12 9 -o "$WORK/part.tif" --stats "$WORK/part.txt" -q
checks unchanged <<TABLE
an existing result without --overwrite|2|-o: .*map.tif' exists; give --overwrite|mindist $S --aoi $A -o $DIR/map.tif
no class AOI|1|has no class AOI|maxlike $WORK/flat.tif -o $DIR/map.tif --overwrite
a training file that does not exist|1|'.*missing.geojson': no such file or directory$|maxlike $WORK/flat.tif --aoi $WORK/missing.geojson -o $DIR/map.tif --overwrite
a training file of no vector format|1|'.*scene.bin': no vector format that GDAL reads recognises it$|maxlike $WORK/flat.tif --aoi $WORK/scene.bin -o $DIR/map.tif --overwrite
a training file of no class AOI|1|none.geojson' holds no class AOI for '.*flat.tif'|maxlike $WORK/flat.tif --aoi $WORK/none.geojson -o $DIR/map.tif --overwrite
singular covariance|1|RC_SINGULAR_COVARIANCE \(4000010\)|maxlike $WORK/flat.tif --aoi $A -o $DIR/map.tif --overwrite
a bad statistics file|1|eliminate with the statistics '.*bad.txt' failed|eliminate $DIR/clumps.tif --stats-in $WORK/bad.txt --threshold 2 -o $DIR/map.tif --stats $DIR/clump.txt --overwrite
the statistics of another clump image|1|eliminate with the statistics '.*part.txt' failed: RC_INPUT_FILE_FAILED|eliminate $DIR/clumps.tif --stats-in $WORK/part.txt --threshold 12 -o $DIR/map.tif --stats $DIR/b.txt --overwrite
the statistics of another clump image, sieved|1|sieve with the statistics '.*part.txt' failed: RC_INPUT_FILE_FAILED|sieve $DIR/clumps.tif --stats-in $WORK/part.txt --threshold 2 -o $DIR/s.tif --stats $DIR/s.txt
more rows in the header than in the data|1|cannot open raster '.*tall.bil': '.*tall.bil' holds 240 bytes, fewer than the 960 that its header's 12 columns, 40 rows and 2 bands of Byte take|mindist $WORK/tall.bil --aoi $A -o $DIR/map.tif --overwrite
more bands in the header than in the data|1|'.*deep.bil' holds 240 bytes, fewer than the 360 that its header's 12 columns, 10 rows and 3 bands|clump $WORK/deep.bil -o $DIR/clumps.tif --stats $DIR/clump.txt --overwrite
more rows in the header, clustering|1|tall.bil' holds 240 bytes|isodata $WORK/tall.bil --classes 2 -o $DIR/map.tif --overwrite
more rows in the header, training cells|1|tall.bil' holds 240 bytes|samples $WORK/tall.bil --aoi $A -o $DIR/cells.csv
an unknown pixel type|2|--ot: unknown pixel type 'Complex'|mindist $S --aoi $A -o $DIR/map.tif --overwrite --ot Complex
the input as the output|2|-o: .*scene.tif' is an input of the command|mindist $S --aoi $A -o $S --overwrite
the training file as the quicklook|2|--png: .*aoi.geojson' is an input|mindist $S --aoi $A -o $DIR/other.tif --png $A --overwrite
the statistics file read and written|2|--stats: .*clump.txt' is an input|sieve $DIR/clumps.tif --stats-in $DIR/clump.txt --threshold 2 -o $DIR/s.tif --stats $DIR/clump.txt --overwrite
a result over the input's class file|2|would replace .*map.cls, the class file of the input|clump $DIR/map.tif -o $DIR/map.img --of HFA --stats $DIR/c.txt
a result that would take another image's class file|2|would replace the class file .*map.cls; give --overwrite|mindist $S --aoi $A -o $DIR/map.png --of PNG
a result over the header of another image|2|would replace '.*envi.hdr', which its format writes beside it; give --overwrite|clump $DIR/map.tif -o $DIR/envi.img --of ENVI --stats $DIR/c.txt
a statistics file named as the result's header|2|--stats: '.*r.hdr' is a file that the result '.*r.img' has beside it|clump $DIR/map.tif -o $DIR/r.img --of ENVI --stats $DIR/r.hdr
VRT refused|2|--of VRT: a VRT only refers to pixels kept in other files|mindist $S --aoi $A -o $DIR/map.vrt --of VRT
a GeoTIFF named .vrt refused|2|-o .*map.vrt: a VRT only refers to pixels kept in other files|mindist $S --aoi $A -o $DIR/map.vrt
a type PNG cannot hold|2|--ot Float32: the PNG format writes only|mindist $S --aoi $A -o $DIR/map.png --of PNG --ot Float32
a class count the type cannot hold|2|--ot Int8 cannot hold class 255 \(the value of no-data pixels\)|mindist $WORK/scene_nodata.tif --aoi $A -o $DIR/n.tif --ot Int8
a class without pixels in the window|1|class 1 'Water' has no training pixel in the window|box $S --aoi $A -o $DIR/w.tif --window 5,6,4,5
a class beginning one column past the window|1|class 1 'Water' has no training pixel in the window|box $S --aoi $A -o $DIR/w.tif --window 10,1,0,0
a class of less than a pixel|1|class 3 'Speck' has no training pixel: no pixel of the window whose centre lies in its polygons|mindist $S --aoi $WORK/speck.geojson -o $DIR/w.tif
a class of less than a pixel, box|1|class 3 'Speck' has no training pixel|box $S --aoi $WORK/speck.geojson -o $DIR/w.tif
a class of less than a pixel, gmindist|1|class 3 'Speck' has no training pixel|gmindist $S --aoi $WORK/speck.geojson -o $DIR/w.tif --save-model $DIR/w.ztm
a class a later class covers|1|class 1 'Water' has no training pixel|train mindist $S --aoi $WORK/covered.geojson -o $DIR/w.ztm
a class AOI outside the image|1|class AOI of class 3 'Cloud' covers no pixel|maxlike $S --aoi $WORK/outside.geojson -o $DIR/o.tif
training pixels no-data in band 2 alone|1|class 2 'Forest' has no training pixel in the window: each of the 6 pixels of its class AOI with data in band 1 of '.*banded.tif' holds NaN, an infinity or the no-data value in another band used$|mindist $WORK/banded.tif --aoi $A -o $DIR/w.tif
training pixels no-data in band 2 alone, whole image|1|class 2 'Forest' has no training pixel: each of the 6 pixels of its class AOI with data in band 1 of '.*banded.tif' holds|maxlike $WORK/banded.tif --aoi $A -o $DIR/w.tif
training pixels no-data in band 1|1|class 2 'Forest' has no training pixel in the window: each of the 6 pixels of its class AOI holds NaN, an infinity or the no-data value in band 1 of '.*bandone.tif'$|mindist $WORK/bandone.tif --aoi $A -o $DIR/w.tif
training pixels no-data in band 1, whole image|1|class 2 'Forest' has no training pixel: each of the 6 pixels of its class AOI holds NaN, an infinity or the no-data value in band 1 of '.*bandone.tif'$|maxlike $WORK/bandone.tif --aoi $A -o $DIR/w.tif
training pixels no-data in the one band used|1|class 2 'Forest' has no training pixel: each of the 6 pixels of its class AOI holds NaN, an infinity or the no-data value in band 1 of '.*bandone.tif'$|maxlike $WORK/bandone.tif --bands 1 --aoi $A -o $DIR/w.tif
--max-dev 0|2|--max-dev values must be finite and above 0|mindist $S --aoi $A -o $DIR/f.tif --max-dev 1,0
--purify -1|2|--purify must be a finite number of at least 0|samples $S --aoi $A --purify -1 -o $DIR/cells.csv
--rate nan|2|--rate: must be a finite number|bp $S --aoi $A -o $DIR/f.tif --rate nan
an eliminate threshold above the window|2|--threshold 121 is above the window's 120 pixels|eliminate $DIR/clumps.tif --stats-in $DIR/clump.txt --threshold 121 -o $DIR/e.tif --stats $DIR/e.txt
recode of images of different sizes|2|they must be the same size|recode $WORK/small.tif $DIR/map.tif --map 1=2
recode of a multi-band image|2|recode: SOURCE '.*scene.tif' has 2 bands; SOURCE and RESULT must be single-band class images$|recode $S $DIR/map.tif --map 1=2
recode into a multi-band image|2|recode: RESULT '.*scene.tif' has 2 bands; SOURCE and RESULT must be single-band|recode $DIR/map.tif $S --map 1=2
recode with a key given twice|2|--map gives old value 1 twice|recode $DIR/map.tif $DIR/map.tif --map 1=2,1=3
a window whose end overflows|2|--srcwin 9223372032559808512 0 4294967301 1 does not lie inside|clump $DIR/map.tif -o $DIR/o.tif --stats $DIR/o.txt --srcwin 9223372032559808512 0 4294967301 1
--window with --srcwin|2|excludes|mindist $S --aoi $A -o $DIR/f.tif --window 8,10,1,1 --srcwin 1 1 10 8
an unknown option|2||mindist $S --aoi $A -o $DIR/f.tif --no-such-option
TABLE
for factor in 0 -1 nan inf; do
  unchanged "--dev-factor $factor" 2 "--dev-factor values must be finite and above 0" -- \
    "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/f.tif" --dev-factor "$factor"
done
unchanged "an empty band list" 2 "--bands: must not be empty" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" --bands "" -o "$DIR/f.tif"

# clump --ot Byte with more clumps than a byte holds.
head -c 10000 /dev/urandom >"$WORK/noise.bin"
envi_header "$WORK/noise.hdr" 100 100 1
unchanged "more clumps than --ot Byte holds" 1 "clumps do not fit --ot Byte \\(at most 255\\)" -- \
  "$ZTCLASS" clump "$WORK/noise.bin" -o "$DIR/nc.tif" --stats "$DIR/nc.txt" --ot Byte

# eliminate into its default --ot Byte of a map with classes above 255,
# which GDAL would write as 255; then --ot UInt16, which holds them.
LC_ALL=C awk 'BEGIN { for (i = 0; i < 400; i++) { v = i % 301; printf "%c%c", v % 256, int(v / 256) } }' \
  >"$WORK/wide.bin"
envi_header "$WORK/wide.hdr" 20 20 1 12
unchanged "classes above what --ot Byte holds" 1 "class 300 does not fit --ot Byte \\(at most 255\\)" -- \
  "$ZTCLASS" eliminate "$WORK/wide.bin" --threshold 1 -o "$DIR/wide.tif"
check "classes that --ot UInt16 holds" 0 "^300$" -- sh -c \
  "'$ZTCLASS' -q eliminate '$WORK/wide.bin' --threshold 1 -o '$WORK/wide16.tif' --ot UInt16 &&
   gdalinfo -mm '$WORK/wide16.tif' | sed -n 's/.*Computed Min\/Max=0.000,\\([0-9]*\\)\\..*/\\1/p'"

# Ctrl-C twice during a clump of a large image: the process ends at once, and
# nothing of the result nor of the work directory stays.
head -c 4000000 /dev/urandom >"$WORK/large.bin"
envi_header "$WORK/large.hdr" 2000 2000 1
# An image four times the large one, whose first phase lasts long enough to
# be caught in it.
head -c 16000000 /dev/urandom >"$WORK/long.bin"
sed 's/^lines = 2000$/lines = 8000/' "$WORK/large.hdr" >"$WORK/long.hdr"
temporaries() { ls -A "$DIR" | grep '^\.ztclass-'; }
# start OUTPUT [OPTION...]: a clump into $DIR/OUTPUT in the background, its
# process id in $pid once its result is being written and its progress has
# begun; what it prints in $WORK/OUTPUT.out.
start() {
  local output="$1" before
  shift
  before="$(temporaries | grep -vc '\.lock$')"
  "$ZTCLASS" clump "$WORK/long.bin" -o "$DIR/$output" --stats "$DIR/$output.txt" "$@" >"$WORK/$output.out" 2>&1 &
  pid=$!
  for _ in $(seq 400); do
    [ "$(temporaries | grep -vc '\.lock$')" -gt "$before" ] && grep -q '^0\.' "$WORK/$output.out" && break
    sleep 0.02
  done
}
# interrupt N [GAP]: a clump over the good result, sent N Ctrl-Cs, GAP
# seconds apart (default 0.01), once it has begun writing; every run must end
# with status 130 and leave nothing behind.
interrupt() {
  local signals="$1" gap="${2:-0.01}" name="$1 Ctrl-C" before after rc
  before="$(snapshot "$DIR")"
  start map.tif --overwrite
  for _ in $(seq "$signals"); do kill -INT "$pid" 2>/dev/null; sleep "$gap"; done
  wait "$pid"
  rc=$?
  after="$(snapshot "$DIR")"
  [ "$rc" -eq 130 ] && pass || fail "$name: status $rc (expected 130): $(cat "$WORK/map.tif.out")"
  [ "$before" = "$after" ] && pass || fail "$name changed the directory: $(diff <(echo "$before") <(echo "$after"))"
  [ -z "$(ls -A "$ZTCLASS_WORKDIR")" ] && pass || fail "$name left work files: $(ls -AR "$ZTCLASS_WORKDIR")"
}
interrupt 1
check "one Ctrl-C stops the operation" 0 "clump failed: RC_CANCELLED" -- cat "$WORK/map.tif.out"
# The first Ctrl-C may end the clump before the second comes (a stop is
# answered within milliseconds); try, with shorter gaps, until the second one
# has ended the program itself.
for gap in 0.01 0.002 0.001 0.0005 0.002 0.001 0.0005 0.0002 0.001 0.0005 0.0002 0; do
  interrupt 2 "$gap"
  grep -q "interrupted; temporary results removed" "$WORK/map.tif.out" && break
done
check "a second Ctrl-C ends the program" 0 "interrupted; temporary results removed" -- cat "$WORK/map.tif.out"

# --overwrite replaces a result completely: no class file of the old one.
printf 'stale' | tee "$DIR/c2.cls" >"$DIR/c2.qml"
gdal_create -q -of GTiff -outsize 2 2 -bands 1 "$DIR/c2.tif"
check "--overwrite" 0 "Wrote" -- "$ZTCLASS" clump "$DIR/map.tif" -o "$DIR/c2.tif" --stats "$DIR/c2.txt" --overwrite
check "the replaced image" 0 "Size is 12, 10" -- gdalinfo "$DIR/c2.tif"
check "no class file of the old image" 1 "" -- test -e "$DIR/c2.cls"
check "no QGIS style of the old image" 1 "" -- test -e "$DIR/c2.qml"
check "a class image replaced" 0 "Wrote" -- "$ZTCLASS" box "$S" --aoi "$A" -o "$DIR/map.tif" --overwrite
check "takes the new class file" 0 "^1	#0000FF	Water" -- "$ZTCLASS" classes show "$DIR/map.tif"
check "a QGIS style of exactly the classes" 0 "^3$" -- grep -c "<paletteEntry " "$DIR/map.qml"
check "the style names the classes" 0 'value="2" color="#00A000" alpha="255" label="Forest"' -- cat "$DIR/map.qml"
[ -z "$(ls -A "$DIR" | grep '^\.ztclass-')" ] && pass || fail "temporary files left: $(ls -A "$DIR")"

# Formats, legends and creation options.
check "PNG through a GeoTIFF" 0 "Wrote .*pic.png" -- "$ZTCLASS" gmindist "$S" --aoi "$A" -o "$DIR/pic.png" --of PNG
# A PNG whose legend holds exactly the classes, with their names.
check "a PNG" 0 "Driver: PNG" "Color Table \\(RGB with 3 entries\\)" "2: Forest" -- gdalinfo "$DIR/pic.png"
check "its class file" 0 "^2	#00A000	Forest" -- "$ZTCLASS" classes show "$DIR/pic.png"
check "its class file's name" 0 "" -- test -f "$DIR/pic.cls"
check "a tiled DEFLATE GeoTIFF by default" 0 "COMPRESSION=DEFLATE" -- gdalinfo "$DIR/map.tif"
check "--co" 0 "Wrote" -- "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/lzw.tif" --co COMPRESS=LZW --co TILED=NO
check "--co reaches the driver and replaces the default" 0 "COMPRESSION=LZW" "Block=12x" -- gdalinfo "$DIR/lzw.tif"
check "--co needs KEY=VALUE" 2 "--co expects KEY=VALUE" -- "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/x.tif" --co LZW
check "--srcwin as GDAL spells it" 0 "Wrote" -- "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/sw.tif" --srcwin 1 1 10 8
check "--window" 0 "Wrote" -- "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/ww.tif" --window 8,10,1,1
sum() { gdalinfo -checksum "$1" | grep -E "Checksum|Size is"; }
[ "$(sum "$DIR/sw.tif")" = "$(sum "$DIR/ww.tif")" ] && pass || fail "--srcwin and --window differ"

# Exit statuses, version, quiet, progress.
check "--version" 0 "^ztclass [0-9]+\\.[0-9]+\\.[0-9]+$" -- "$ZTCLASS" --version
check "the exit statuses in --help" 0 "2 usage error, 130 stopped" -- "$ZTCLASS" --help
check "progress as GDAL writes it" 0 "^0\\.\\.\\.10\\.\\.\\.20\\.\\.\\.30\\.\\.\\.40\\.\\.\\.50\\.\\.\\.60\\.\\.\\.70\\.\\.\\.80\\.\\.\\.90\\.\\.\\.100 - done\\.$" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/p.tif"
# Eliminate's merging steps once per clump size, far short of its range.
byte_image "$WORK/speckled" 10 10 1 '1 + (c * c + 3 * r + c * r) % 3'
lines="$("$ZTCLASS" eliminate "$WORK/speckled.bin" --threshold 4 -o "$DIR/pe.tif" 2>&1 >/dev/null)"
[ "$(grep -c '^0' <<<"$lines")" -eq 3 ] && ! grep '^0' <<<"$lines" | grep -vq ' - done\.$' && pass ||
  fail "every phase that ended should end its line with done: $lines"
quiet="$("$ZTCLASS" -q mindist "$S" --aoi "$A" -o "$DIR/q.tif" 2>&1)"
[ $? -eq 0 ] && [ -z "$quiet" ] && [ -f "$DIR/q.tif" ] && pass || fail "-q printed: $quiet"
quiet="$("$ZTCLASS" maxlike "$S" --aoi "$A" -o "$DIR/q2.tif" --quiet 2>&1)"
[ $? -eq 0 ] && [ -z "$quiet" ] && pass || fail "--quiet after the command printed: $quiet"
# Neither figures nor warnings.
for command in "accuracy $DIR/map.tif --aoi $A -o $DIR/qa.txt" "unmix $S --aoi $A -o $DIR/qu.tif --ot Byte"; do
  quiet="$("$ZTCLASS" -q $command 2>&1)"
  [ $? -eq 0 ] && [ -z "$quiet" ] && pass || fail "-q ${command%% *} printed: $quiet"
done

# Faults: results that would take the place of a user's file, stop
# signals, runs killed outright, full disks and read-only folders, nonsense
# numbers.
touch "$DIR/map.tif.aux.xml"

# What is no regular file (a pipe, a link, a directory where a style goes)
# is never replaced, --overwrite or not; nor is any file of an input, an
# ENVI header named after its data file here.
mkfifo "$DIR/fifo.csv" "$DIR/pipe.hdr"
ln -s "$WORK/small.tif" "$DIR/link.tif"
ln -s "$WORK/elsewhere.cls" "$DIR/linked.cls"
"$ZTCLASS" -q mindist "$S" --aoi "$A" -o "$DIR/styled.tif" && rm "$DIR/styled.qml" && mkdir "$DIR/styled.qml"
gdal_translate -q -of ENVI -co INTERLEAVE=BIL "$S" "$DIR/bil.bil" && mv "$DIR/bil.hdr" "$DIR/bil.bil.hdr"
ogr2ogr "$DIR/training.shp" "$A" && ogr2ogr "$DIR/training.gpkg" "$A"
cp "$S" "$DIR/beside.tif" && cp "$A" "$DIR/beside.tif.aoi.geojson"

# No user file is replaced, and results are named as their format allows.
checks unchanged <<TABLE
a named pipe as the result|2|-o: '.*fifo.csv' is a named pipe; a result replaces only regular files$|samples $S --aoi $A -o $DIR/fifo.csv --overwrite
a link as the result|2|-o: '.*link.tif' is a symbolic link; a result replaces only regular files: name the file it links to$|mindist $S --aoi $A -o $DIR/link.tif --overwrite
a link as the result's class file|2|-o: writing '.*linked.tif' would replace the class file '.*linked.cls', which is a symbolic link|mindist $S --aoi $A -o $DIR/linked.tif --overwrite
a directory as the result's style|2|-o: writing '.*styled.tif' would replace the QGIS style '.*styled.qml', which is a directory|maxlike $S --aoi $A -o $DIR/styled.tif --overwrite
a named pipe as the header its format writes|2|would replace '.*pipe.hdr', which its format writes beside it and which is a named pipe|clump $DIR/map.tif -o $DIR/pipe.img --of ENVI --stats $DIR/c.txt --overwrite
the header of an input as the result's header|2|-o: writing '.*bil.bil.img' would replace '.*bil.bil.hdr', a file of the input '.*bil.bil'|mindist $DIR/bil.bil --aoi $A -o $DIR/bil.bil.img --of ENVI --overwrite
the header of an input as the result|2|--stats: '.*bil.bil.hdr' is a file of the input '.*bil.bil'|clump $DIR/bil.bil -o $DIR/b.tif --stats $DIR/bil.bil.hdr --overwrite
a report over the input's class file|2|'.*map.cls' would replace the class file '.*map.cls' of the input|accuracy $DIR/map.tif --aoi $A -o $DIR/map.cls --overwrite
an area report over the input's class file|2|would replace the class file .* of the input|area $DIR/map.tif -o $DIR/map.cls --overwrite
a report over the input's side-car|2|would replace the GDAL side-car file .* of the input|accuracy $DIR/map.tif --aoi $A -o $DIR/map.tif.aux.xml --overwrite
a shapefile's table as the training cells|2|-o: '.*training.dbf' is a file of the input '.*training.shp'|samples $S --aoi $DIR/training.shp --aoi-pixels -o $DIR/training.dbf --overwrite
a shapefile's index as the model|2|--save-model: '.*training.shx' is a file of the input|mindist $S --aoi $DIR/training.shp --aoi-pixels -o $DIR/t.tif --save-model $DIR/training.shx --overwrite
a shapefile's coordinate system as a report|2|-o: '.*training.prj' is a file of the input|accuracy $DIR/map.tif --aoi $DIR/training.shp --aoi-pixels -o $DIR/training.prj --overwrite
a GeoPackage's journal as the training cells|2|-o: '.*training.gpkg-wal' is a file of the input|samples $S --aoi $DIR/training.gpkg --aoi-pixels -o $DIR/training.gpkg-wal
the training polygons beside the image as the model|2|--save-model: '.*beside.tif.aoi.geojson' is a file of the input '.*beside.tif'|mindist $DIR/beside.tif -o $DIR/t.tif --save-model $DIR/beside.tif.aoi.geojson --overwrite
a quicklook over the result's class file|2|--png: '.*z.cls' would replace the class file '.*z.cls' of the -o result|mindist $S --aoi $A -o $DIR/z.tif --png $DIR/z.cls
a quicklook over the result's style|2|--png: .* would replace the QGIS style .* of the -o result|mindist $S --aoi $A -o $DIR/z.tif --png $DIR/z.qml
a result named as a style|2|-o: '.*y.qml' is named as the QGIS style of an image|mindist $S --aoi $A -o $DIR/y.qml
a result named as a class file|2|-o: '.*x.cls' is named as the class file of an image|mindist $S --aoi $A -o $DIR/x.cls
TABLE

# Numbers that make no sense, for every command alike.
for case in "--threads 9223372036854775808" "--threads 100000" "--dev-factor ''" \
  "--srcwin 1 1 '' 8" "--srcwin 1 1 6.5 8"; do
  unchanged "mindist $case" 2 "." -- bash -c "'$ZTCLASS' mindist '$S' --aoi '$A' -o '$DIR/n.tif' $case"
done
for case in "--classes 6.5" "--classes ''" "--split-threshold -1" "--convergence nan" "--merge-threshold -0.5" \
  "--split-threshold inf"; do
  unchanged "isodata $case" 2 "." -- bash -c "'$ZTCLASS' isodata '$S' --classes 2 -o '$DIR/n.tif' $case"
done
checks unchanged <<TABLE
--threads 6.5|2|--threads: must be a whole number, got '6.5'|mindist $S --aoi $A -o $DIR/n.tif --threads 6.5
--threads 2.0|2|--threads: must be a whole number, got '2.0'|mindist $S --aoi $A -o $DIR/n.tif --threads 2.0
--threads 0|2|--threads: must be at least 1, got '0'|mindist $S --aoi $A -o $DIR/n.tif --threads 0
--threads -2|2|--threads: must be at least 1, got '-2'|mindist $S --aoi $A -o $DIR/n.tif --threads -2
TABLE
unchanged "--threads ''" 2 "--threads: must be a whole number, not an empty string" -- \
  bash -c "'$ZTCLASS' mindist '$S' --aoi '$A' -o '$DIR/n.tif' --threads ''"
# An option's empty text is refused, never taken as the option's default.
for case in "mindist $S --aoi $A -o $DIR/n.tif --max-dev" "mindist $S --aoi $A -o $DIR/n.tif --window" \
  "apply $DIR/none.ztm $S -o $DIR/n.tif --window" "unmix $S --aoi $A -o $DIR/n.tif --window" \
  "sieve $DIR/clumps.tif --stats-in $DIR/clump.txt --threshold 2 -o $DIR/n.tif --stats $DIR/n.txt --window" \
  "accuracy $DIR/map.tif --aoi $A -o $DIR/n.txt --tables" "mindist $S --aoi $A -o $DIR/n.tif --class-field"; do
  unchanged "${case%% *} ${case##* } ''" 2 "^${case##* }: must not be empty$" -- bash -c "'$ZTCLASS' $case ''"
done
unchanged "a negative BP rate" 2 "--rate: must be 0 or more" -- "$ZTCLASS" bp "$S" --aoi "$A" -o "$DIR/n.tif" --rate -0.1
# Values out of range are usage errors that name the option and the value,
# found before any work: ISODATA's iterations below 0, and what a model
# would refuse (rates, errors and thresholds above 1e30, ISODATA's
# iterations and merges above 1,000,000).
checks unchanged <<TABLE
isodata --iterations -1|2|^--iterations: must be 0 or more, got '-1'$|isodata $S --classes 2 -o $DIR/n.tif --iterations -1
iterations beyond a model's|2|^ztclass: --iterations 1000001: must lie within \[0.0,1000000.0\] in a model$|isodata $S --classes 2 -o $DIR/n.tif --iterations 1000001 --save-model $DIR/n.ztm
merges beyond a model's|2|^ztclass: --max-merges 1000001: must lie within \[0.0,1000000.0\] in a model$|train isodata $S --classes 2 -o $DIR/n.ztm --max-merges 1000001
a split threshold beyond a model's|2|^ztclass: --split-threshold 1e\+31: must lie within \[0.0,1e\+30\] in a model$|train isodata $S --classes 2 -o $DIR/n.ztm --split-threshold 1e31
deviation factors beyond a model's|2|^ztclass: --dev-factor 2,1e\+31: must lie within \[0.0,1e\+30\] in a model$|mindist $S --aoi $A -o $DIR/n.tif --dev-factor 2,1e31
a box factor beyond a model's|2|^ztclass: --dev-factor 1e\+31,1e\+31: must lie within|box $S --aoi $A -o $DIR/n.tif --dev-factor 1e31
a BP rate beyond a model's|2|^ztclass: --rate 1e\+31: must lie within \[0.0,1e\+30\] in a model$|bp $S --aoi $A -o $DIR/n.tif --rate 1e31 --save-model $DIR/n.ztm
an RBF error beyond a model's|2|^ztclass: --error 1e\+300: must lie within|train rbf $S --aoi $A -o $DIR/n.ztm --error 1e300
an LVQ2 rate beyond a model's|2|^ztclass: --lvq-rate 2e\+30: must lie within|train lvq2 $S --aoi $A -o $DIR/n.ztm --lvq-rate 2e30
a Kohonen change threshold beyond a model's|2|^ztclass: --change-threshold 1e\+31: must lie within|train kohonen $S --clusters 2 -o $DIR/n.ztm --change-threshold 1e31
a Fuzzy ART choice beyond a model's|2|^ztclass: --choice 1e\+31: must lie within|fuzzy-art $S --clusters 2 -o $DIR/n.tif --choice 1e31 --save-model $DIR/n.ztm
TABLE
unchanged "legend at x nan" 2 "--x: must be a finite number" -- \
  "$ZTCLASS" legend "$DIR/map.tif" --gdb "$DIR/l.gpkg" --x nan --y 1

# Stop signals end a run as Ctrl-C does, with 128 + the signal's number, and
# no "done" after the stop. The run is held while the signal is sent, so the
# phases it finished before the stop are known exactly.
for signal in TERM:143 HUP:129; do
  before="$(snapshot "$DIR")"
  start s.tif
  kill -STOP "$pid"
  done_before="$(grep -c 'done\.$' "$WORK/s.tif.out")"
  kill -"${signal%:*}" "$pid"
  kill -CONT "$pid"
  wait "$pid"
  rc=$?
  [ "$rc" -eq "${signal#*:}" ] && pass || fail "SIG${signal%:*}: status $rc: $(cat "$WORK/s.tif.out")"
  [ "$before" = "$(snapshot "$DIR")" ] && pass || fail "SIG${signal%:*} left: $(temporaries)"
  [ "$(grep -c 'done\.$' "$WORK/s.tif.out")" -eq "$done_before" ] && pass ||
    fail "SIG${signal%:*}: done after the stop: $(cat "$WORK/s.tif.out")"
done

# A run killed outright leaves its files; the next run removes them, but
# never those of a run that is alive (here, stopped).
start killed.tif
kill -KILL "$pid"
wait "$pid" 2>/dev/null
killed="$(temporaries)"
killed_work="$(ls -A "$ZTCLASS_WORKDIR")"
[ -n "$killed" ] && [ -n "$killed_work" ] && pass || fail "the killed run left nothing to sweep"
start alive.tif
alive="$pid"
kill -STOP "$alive"
alive_files="$(temporaries | grep -vxF "$killed")"
alive_work="$(ls -A "$ZTCLASS_WORKDIR" | grep -vxF "$killed_work")"
check "a run beside them" 0 "Wrote" -- "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/third.tif"
[ "$(temporaries)" = "$alive_files" ] && pass ||
  fail "the sweep: left $(temporaries | tr '\n' ' '), expected $(echo "$alive_files" | tr '\n' ' ')"
check "a clump beside them" 0 "" -- "$ZTCLASS" -q clump "$DIR/map.tif" -o "$WORK/c.tif" --stats "$WORK/c.txt"
[ "$(ls -A "$ZTCLASS_WORKDIR")" = "$alive_work" ] && pass ||
  fail "the work directory sweep: left $(ls -A "$ZTCLASS_WORKDIR" | tr '\n' ' '), expected $(echo "$alive_work" | tr '\n' ' ')"
kill -CONT "$alive"
wait "$alive"
rc=$?
[ "$rc" -eq 0 ] && [ -f "$DIR/alive.tif" ] && [ -z "$(temporaries)" ] && [ -z "$(ls -A "$ZTCLASS_WORKDIR")" ] && pass ||
  fail "the live run: status $rc, left $(temporaries): $(cat "$WORK/alive.tif.out")"

# A full disk (here a file-size limit) ends the run at once with the reason
# and the user's path; nothing is left.
before="$(snapshot "$DIR")"
check "a full disk" 1 "file too large.*full.tif" -- \
  bash -c "ulimit -f 64; exec timeout 120 '$ZTCLASS' clump '$WORK/large.bin' -o '$DIR/full.tif' --stats '$DIR/full.txt'"
check "a full disk, clustering" 1 "cannot write '.*full.tif': (file too large|文件过大)" -- \
  bash -c "ulimit -f 64; exec timeout 120 '$ZTCLASS' isodata '$WORK/large.bin' --classes 2 --iterations 0 -o '$DIR/full.tif'"
check "a full disk, classifying" 1 "cannot write '.*full.tif': (file too large|文件过大)$" -- \
  bash -c "ulimit -f 64; exec timeout 120 '$ZTCLASS' mindist '$WORK/large.bin' --aoi '$A' -o '$DIR/full.tif' --co COMPRESS=NONE"
check "a full disk, compressed" 1 "cannot write '.*full.tif': (file too large|文件过大)$" -- \
  bash -c "ulimit -f 64; exec timeout 120 '$ZTCLASS' mindist '$WORK/large.bin' --aoi '$A' -o '$DIR/full.tif'"
# The forest scene's two bands in a corner of noise, which no compression
# shrinks: a class per training AOI, and fractions past the limit.
byte_image "$WORK/large2" 600 600 2 'c < 12 && r < 10 ? (c >= 7 && c <= 8 && r >= 6 && r <= 8 ? \
  (b == 1 ? 200 + (c + 2 * r) % 4 : 10 + (c * 5 + r) % 3) : b == 1 ? 30 + (c * 7 + r * 3) % 5 : 60 + (c * 3 + r * 5) % 7) : \
  int(rand() * 256)' 'srand(1);'
check "a full disk, unmixing" 1 "cannot write '.*full.tif': (file too large|文件过大)$" -- \
  bash -c "ulimit -f 64; exec timeout 120 '$ZTCLASS' unmix '$WORK/large2.bin' --aoi '$A' -o '$DIR/full.tif'"
polygons wide "1 A 0 0 200 200" "2 B 300 300 500 500"
check "a full disk, the training cells" 1 "cannot write '.*full.csv': (file too large|文件过大)$" -- \
  bash -c "ulimit -f 64; exec '$ZTCLASS' samples '$WORK/large.bin' --aoi '$WORK/wide.geojson' -o '$DIR/full.csv'"
check "the user's path, not the temporary one" 1 "" -- \
  bash -c "ulimit -f 64; '$ZTCLASS' clump '$WORK/large.bin' -o '$DIR/full.tif' --stats '$DIR/full.txt' 2>&1 | grep -q '\\.ztclass-'"
[ "$before" = "$(snapshot "$DIR")" ] && pass || fail "a full disk left: $(diff <(echo "$before") <(snapshot "$DIR"))"
# Files that a size limit cuts short while every other file of the run
# fits: the JSON report of 60 classes (about 7 KiB, its text 2 KiB), a class
# file of 80 records (20 KiB), the style of 40 classes (24 KiB, their class
# file 10 KiB) whose names XML writes five times as long.
gdal_create -q -of GTiff -outsize 2 2 -bands 1 -a_srs EPSG:32633 -a_ullr 400000 5000020 400020 5000000 "$WORK/many.tif"
for k in $(seq 80); do printf '%s\tclass %s\t#00A000\n' "$k" "$k"; done >"$WORK/80.txt"
head -n 60 "$WORK/80.txt" >"$WORK/60.txt"
for k in $(seq 40); do printf '%s\t%s\t#00A000\n' "$k" "$(printf '&%.0s' $(seq 100))"; done >"$WORK/40.txt"
cp "$WORK/many.tif" "$DIR/many80.tif" && cp "$WORK/many.tif" "$DIR/many40.tif"
"$ZTCLASS" -q classes write "$WORK/many.tif" --from "$WORK/60.txt"
limit="$(ulimit -S -f)"
ulimit -S -f 4
unchanged "a full disk, the JSON report" 1 "cannot write '.*full.json': (file too large|文件过大)$" -- \
  "$ZTCLASS" area "$WORK/many.tif" -o "$DIR/full.txt" --json "$DIR/full.json"
ulimit -S -f 16
unchanged "a full disk, the class file" 1 \
  "cannot write '.*many80.cls', the class file of '.*many80.tif': (file too large|文件过大)$" -- \
  "$ZTCLASS" classes write "$DIR/many80.tif" --from "$WORK/80.txt"
unchanged "a full disk, the style" 1 \
  "cannot write the QGIS style '.*many40.qml' of '.*many40.tif': (file too large|文件过大)$" -- \
  "$ZTCLASS" classes write "$DIR/many40.tif" --from "$WORK/40.txt"
ulimit -S -f "$limit"

# A name the system takes whose temporary name, 18 bytes longer, it does
# not: the result cannot be created, and the reason is given.
long="$(printf 'n%.0s' $(seq 245))"
"$ZTCLASS" -q train mindist "$S" --aoi "$A" -o "$WORK/m.ztm"
check "two results in one directory spelled two ways" 0 "Wrote" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/two.tif" --png "$DIR/./two.png"
too_long="(file name too long|文件名过长)$"
unchanged "a result's name too long" 1 "^ztclass: cannot create '.*/$long.tif': $too_long" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/$long.tif"
unchanged "a confidence image's name too long" 1 "^ztclass: cannot create '.*/$long.tif': $too_long" -- \
  "$ZTCLASS" apply "$WORK/m.ztm" "$S" -o "$DIR/c.tif" --confidence "$DIR/$long.tif"
unchanged "a quicklook's name too long" 1 "^ztclass: cannot write the quicklook '.*/$long.png': $too_long" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/long.tif" --png "$DIR/$long.png"

# A read-only folder: the reason, with the user's path (run as nobody when
# run as root, whom permissions do not stop).
as_user() { if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi; }
chmod 755 "$WORK" "$DIR" && chmod 644 "$S" "$A" "$DIR/map.tif" "$DIR/map.cls"
mkdir -p "$WORK/ro" && chmod 555 "$WORK/ro"
for command in "mindist $S --aoi $A -o $WORK/ro/m.tif" "area $DIR/map.tif -o $WORK/ro/area.txt" \
  "legend $DIR/map.tif --gdb $WORK/ro/l.gpkg"; do
  check "${command%% *} into a read-only folder" 1 "$WORK/ro.*permission denied" -- \
    as_user env -u ZTCLASS_WORKDIR "$ZTCLASS" $command
done

finish "cli safety"
