#!/usr/bin/env bash
# The host under faults: results that would take the place of a user's file,
# files that appear while a run works, stop signals, runs killed outright,
# full disks and read-only folders, nonsense numbers.
# Usage: cli_faults_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"
export ZTCLASS_WORKDIR="$WORK/workdir"
mkdir -p "$ZTCLASS_WORKDIR"

temporaries() { ls -A "$DIR" | grep '^\.ztclass-'; }

DIR="$WORK/d"
mkdir -p "$DIR"
forest_scene "$WORK"
gdal_translate -q "$WORK/scene.bin" "$DIR/scene.tif"
S="$DIR/scene.tif"
forest_aoi "$DIR/aoi.geojson"
A="$DIR/aoi.geojson"
"$ZTCLASS" -q mindist "$S" --aoi "$A" -o "$DIR/map.tif"
touch "$DIR/map.tif.aux.xml"

# No user file is replaced, and results are named as their format allows.
unchanged "a report over the input's class file" 2 "'.*map.cls' would replace the class file '.*map.cls' of the input" -- \
  "$ZTCLASS" accuracy "$DIR/map.tif" --aoi "$A" -o "$DIR/map.cls" --overwrite
unchanged "an area report over the input's class file" 2 "would replace the class file .* of the input" -- \
  "$ZTCLASS" area "$DIR/map.tif" -o "$DIR/map.cls" --overwrite
unchanged "a report over the input's side-car" 2 "would replace the GDAL side-car file .* of the input" -- \
  "$ZTCLASS" accuracy "$DIR/map.tif" --aoi "$A" -o "$DIR/map.tif.aux.xml" --overwrite
unchanged "a quicklook over the result's class file" 2 "--png: '.*z.cls' would replace the class file '.*z.cls' of the -o result" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/z.tif" --png "$DIR/z.cls"
unchanged "a quicklook over the result's style" 2 "--png: .* would replace the QGIS style .* of the -o result" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/z.tif" --png "$DIR/z.qml"
unchanged "a result named as a style" 2 "-o: '.*y.qml' is named as the QGIS style of an image" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/y.qml"
unchanged "a result named as a class file" 2 "-o: '.*x.cls' is named as the class file of an image" -- \
  "$ZTCLASS" mindist "$S" --aoi "$A" -o "$DIR/x.cls"

# Numbers that make no sense, for every command alike.
for case in "--threads 9223372036854775808" "--threads 100000" "--threads ''" "--dev-factor ''" \
  "--srcwin 1 1 '' 8" "--srcwin 1 1 6.5 8"; do
  unchanged "mindist $case" 2 "." -- bash -c "'$ZTCLASS' mindist '$S' --aoi '$A' -o '$DIR/n.tif' $case"
done
for case in "--classes 6.5" "--classes ''" "--split-threshold -1" "--convergence nan" "--merge-threshold -0.5" \
  "--split-threshold inf"; do
  unchanged "isodata $case" 2 "." -- bash -c "'$ZTCLASS' isodata '$S' --classes 2 -o '$DIR/n.tif' $case"
done
unchanged "a negative BP rate" 2 "--rate: must be 0 or more" -- "$ZTCLASS" bp "$S" --aoi "$A" -o "$DIR/n.tif" --rate -0.1
unchanged "legend at x nan" 2 "--x: must be a finite number" -- \
  "$ZTCLASS" legend "$DIR/map.tif" --gdb "$DIR/l.gpkg" --x nan --y 1

# A large image whose clump runs long enough to be caught at work.
head -c 4000000 /dev/urandom >"$WORK/large.bin"
printf 'ENVI\nsamples = 2000\nlines = 2000\nbands = 1\nheader offset = 0\nfile type = ENVI Standard\ndata type = 1\ninterleave = bsq\nbyte order = 0\n' >"$WORK/large.hdr"
# start OUTPUT: a clump into $DIR/OUTPUT in the background, its process id
# in $pid once its result is being written and its progress has begun.
start() {
  local output="$1" before
  before="$(temporaries | grep -vc '\.lock$')"
  "$ZTCLASS" clump "$WORK/large.bin" -o "$DIR/$output" --stats "$DIR/$output.txt" >"$WORK/$output.out" 2>&1 &
  pid=$!
  for _ in $(seq 400); do
    [ "$(temporaries | grep -vc '\.lock$')" -gt "$before" ] && grep -q '^0\.' "$WORK/$output.out" && break
    sleep 0.02
  done
}

# Stop signals end a run as Ctrl-C does, with 128 + the signal's number, and
# no "done" after the stop.
for signal in TERM:143 HUP:129; do
  before="$(snapshot "$DIR")"
  start s.tif
  kill -"${signal%:*}" "$pid"
  wait "$pid"
  rc=$?
  [ "$rc" -eq "${signal#*:}" ] && pass || fail "SIG${signal%:*}: status $rc: $(cat "$WORK/s.tif.out")"
  [ "$before" = "$(snapshot "$DIR")" ] && pass || fail "SIG${signal%:*} left: $(temporaries)"
  last="$(grep -v "RC_CANCELLED" "$WORK/s.tif.out" | tail -n 1)"
  case "$last" in *done.) fail "SIG${signal%:*}: done after the stop: $(cat "$WORK/s.tif.out")" ;; *) pass ;; esac
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
check "a full disk, classifying" 1 "cannot write '.*full.tif': " -- \
  bash -c "ulimit -f 64; exec timeout 120 '$ZTCLASS' mindist '$WORK/large.bin' --aoi '$A' -o '$DIR/full.tif' --co COMPRESS=NONE"
check "the user's path, not the temporary one" 1 "" -- \
  bash -c "ulimit -f 64; '$ZTCLASS' clump '$WORK/large.bin' -o '$DIR/full.tif' --stats '$DIR/full.txt' 2>&1 | grep -q '\\.ztclass-'"
[ "$before" = "$(snapshot "$DIR")" ] && pass || fail "a full disk left: $(diff <(echo "$before") <(snapshot "$DIR"))"

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

finish "cli faults"
