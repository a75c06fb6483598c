# What the command-line tests share; each test script sources it after
# setting ZTCLASS. $WORK is a scratch directory, removed at exit.
#   check NAME EXPECTED_STATUS PATTERN... -- COMMAND...: the exit status and,
#     for each PATTERN, a line of the output (stdout and stderr) matching it
#   checks [unchanged]: check (or unchanged) for each line NAME|STATUS|PATTERN|
#     ARGUMENTS of ztclass (split on spaces) of its input
#   help_shows COMMAND PATTERN...: each PATTERN matches a line of its --help
#   same_pixels NAME A B: the pixels of images A and B, byte for byte
#   unchanged NAME ...: check, and $DIR (every file with its checksum) and
#     $ZTCLASS_WORKDIR, when set, are as they were before
#   envi_header FILE COLUMNS ROWS BANDS [TYPE]: an ENVI header of raw BSQ
#     pixels of GDAL data type TYPE (default 1, Byte)
#   byte_image BASE COLUMNS ROWS BANDS EXPRESSION [SETUP]: BASE.bin (.hdr) whose
#     byte at band b (from 1), row r, column c is the awk EXPRESSION, run after SETUP
#   forest_scene DIR: DIR/scene.bin (.hdr, and scene.tif), two Byte bands of
#     12 x 10, forest (columns 7-8, rows 6-8) bright in band 1, dark in band 2
#   polygons NAME "CLASS NAME X0 Y0 X1 Y1"...: $WORK/NAME.geojson, a class
#     AOI of each rectangle, numbered and named
#   forest_aoi FILE [COLOUR]: its class AOIs, Water over pixels 1.5-4.5 x
#     1.5-3.5, Forest (COLOUR when given) over 6.5-8.5 x 5.5-8.5
#   landuse_maps [4]: $WORK/cls.bin (.hdr) of 8 x 5 pixels, columns 0-2 class
#     1, 3-6 class 2, 7 class 0, and copies with class records (1 water,
#     2 forest, 3 bare) $WORK/landuse.tif (UTM 33N, 20 m) and geographic.tif
#     (WGS 84, 0.001 degrees); with 4, classes 1 2 3 0 / 1 2 3 3 in UTM, 10 m
WORK="$(mktemp -d)"
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); printf 'FAILED %s\n' "$*"; }

check() {
  local name="$1" status="$2" patterns=() output rc pattern ok
  shift 2
  while [ "$1" != "--" ]; do patterns+=("$1"); shift; done
  shift
  output="$("$@" 2>&1)"
  rc=$?
  ok=$([ "$rc" -eq "$status" ] && echo 1)
  for pattern in "${patterns[@]}"; do
    grep -qE -- "$pattern" <<<"$output" || ok=
  done
  if [ -n "$ok" ]; then
    pass
  else
    fail "$name: status $rc (expected $status), output:"
    printf '%s\n' "$output"
  fi
}

checks() {
  local name status pattern arguments
  while IFS='|' read -r name status pattern arguments; do
    # shellcheck disable=SC2086
    "${1:-check}" "$name" "$status" "$pattern" -- "$ZTCLASS" $arguments </dev/null
  done
}

help_shows() {
  local command="$1"
  shift
  # shellcheck disable=SC2086
  check "$command --help" 0 "$@" -- "$ZTCLASS" $command --help
}

same_pixels() {
  gdal_translate -q -of ENVI "$2" "$WORK/a.raw" && gdal_translate -q -of ENVI "$3" "$WORK/b.raw" &&
    cmp -s "$WORK/a.raw" "$WORK/b.raw" && pass || fail "$1: the pixels differ"
}

snapshot() { (cd "$1" && find . | sort && find . -type f -print0 | sort -z | xargs -0 -r md5sum); }

unchanged() {
  local name="$1" before after
  before="$(snapshot "$DIR")"
  check "$@"
  after="$(snapshot "$DIR")"
  [ "$before" = "$after" ] && pass || fail "$name changed the directory: $(diff <(echo "$before") <(echo "$after"))"
  if [ -n "${ZTCLASS_WORKDIR:-}" ]; then
    [ -z "$(ls -A "$ZTCLASS_WORKDIR")" ] && pass || fail "$name left work files: $(ls -A "$ZTCLASS_WORKDIR")"
  fi
}

envi_header() {
  printf 'ENVI\nsamples = %s\nlines = %s\nbands = %s\nheader offset = 0\nfile type = ENVI Standard\ndata type = %s\ninterleave = bsq\nbyte order = 0\n' \
    "$2" "$3" "$4" "${5:-1}" >"$1"
}

byte_image() {
  LC_ALL=C awk "BEGIN { ${6:-} for (b = 1; b <= $4; b++) for (r = 0; r < $3; r++) for (c = 0; c < $2; c++)
    printf \"%c\", ($5) }" >"$1.bin"
  envi_header "$1.hdr" "$2" "$3" "$4"
}

forest_scene() {
  byte_image "$1/scene" 12 10 2 'c >= 7 && c <= 8 && r >= 6 && r <= 8 ? (b == 1 ? 200 + (c + 2 * r) % 4 : 10 + (c * 5 + r) % 3) : \
    b == 1 ? 30 + (c * 7 + r * 3) % 5 : 60 + (c * 3 + r * 5) % 7'
  gdal_translate -q "$1/scene.bin" "$1/scene.tif"
}

polygons() {
  local file="$WORK/$1.geojson" separator=""
  shift
  printf '{"type":"FeatureCollection","features":[' >"$file"
  for rect in "$@"; do
    set -- $rect
    printf '%s{"type":"Feature","properties":{"class":%s,"name":"%s"},"geometry":{"type":"Polygon","coordinates":[[[%s,%s],[%s,%s],[%s,%s],[%s,%s],[%s,%s]]]}}' \
      "$separator" "$1" "$2" "$3" "$4" "$5" "$4" "$5" "$6" "$3" "$6" "$3" "$4" >>"$file"
    separator=","
  done
  printf ']}\n' >>"$file"
}

forest_aoi() {
  printf '%s\n' '{"type":"FeatureCollection","features":[' \
    ' {"type":"Feature","properties":{"class":"Water","color":"#0000FF"},' \
    '  "geometry":{"type":"Polygon","coordinates":[[[1.5,1.5],[4.5,1.5],[4.5,3.5],[1.5,3.5],[1.5,1.5]]]}},' \
    " {\"type\":\"Feature\",\"properties\":{\"class\":\"Forest\"${2:+,\"color\":\"$2\"}}," \
    '  "geometry":{"type":"Polygon","coordinates":[[[6.5,5.5],[8.5,5.5],[8.5,8.5],[6.5,8.5],[6.5,5.5]]]}}]}' >"$1"
}

landuse_maps() {
  local images=(landuse geographic)
  if [ "${1:-}" = 4 ]; then
    byte_image "$WORK/cls" 4 2 1 'c < 3 ? c + 1 : 3 * r'
    gdal_translate -q -a_srs EPSG:32633 -a_ullr 400000 5000100 400040 5000080 "$WORK/cls.bin" "$WORK/landuse.tif"
    images=(landuse)
  else
    byte_image "$WORK/cls" 8 5 1 'c < 3 ? 1 : c < 7 ? 2 : 0'
    gdal_translate -q -a_srs EPSG:32633 -a_ullr 400000 5000100 400160 5000000 "$WORK/cls.bin" "$WORK/landuse.tif"
    gdal_translate -q -a_srs EPSG:4326 -a_ullr 10 50 10.008 49.995 "$WORK/cls.bin" "$WORK/geographic.tif"
  fi
  printf '1\twater\t#0000ff\n2\tforest\t#00a000\n3\tbare\t#c0c000\n' >"$WORK/classes.txt"
  for image in "${images[@]}"; do
    "$ZTCLASS" -q classes write "$WORK/$image.tif" --from "$WORK/classes.txt" || echo "cannot write classes"
  done
}

finish() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
