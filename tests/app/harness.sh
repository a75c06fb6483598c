# What the command-line tests share; each test script sources it after
# setting ZTCLASS:
#   $WORK                a scratch directory, removed at exit
#   pass, fail MESSAGE   count a result
#   check NAME EXPECTED_STATUS PATTERN -- COMMAND...
#                        runs the command and expects its exit status and a
#                        line of its output (stdout and stderr) matching PATTERN
#   forest_scene DIR     writes DIR/scene.bin and DIR/scene.hdr (and a GeoTIFF
#                        copy, DIR/scene.tif), a textured
#                        two-band 12 x 10 Byte scene (raw bytes with an ENVI
#                        header, no georeferencing) whose forest pixels
#                        (columns 7-8, rows 6-8) are bright in band 1 and dark
#                        in band 2
#   forest_aoi FILE [COLOUR]
#                        writes FILE, the class AOIs of forest_scene in GeoJSON:
#                        Water (#0000FF) over pixels 1.5-4.5 x 1.5-3.5, Forest
#                        (COLOUR when given) over pixels 6.5-8.5 x 5.5-8.5
#   unchanged NAME EXPECTED_STATUS PATTERN -- COMMAND...
#                        check, and the directory $DIR (every file with its
#                        checksum) and $ZTCLASS_WORKDIR, when set, are as they
#                        were before
#   finish LABEL         prints the counts and fails when a check failed
WORK="$(mktemp -d)"
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); printf 'FAILED %s\n' "$*"; }

check() {
  local name="$1" status="$2" pattern="$3"
  shift 4
  local output rc
  output="$("$@" 2>&1)"
  rc=$?
  if [ "$rc" -eq "$status" ] && grep -qE -- "$pattern" <<<"$output"; then
    pass
  else
    fail "$name: status $rc (expected $status), output:"
    printf '%s\n' "$output"
  fi
}

snapshot() { (cd "$1" && find . -print0 | sort -z | xargs -0 -I{} sh -c 'if [ -f "{}" ]; then md5sum "{}"; else echo "{}"; fi'); }

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

forest_scene() {
  LC_ALL=C awk 'BEGIN {
    for (b = 1; b <= 2; b++) for (r = 0; r < 10; r++) for (c = 0; c < 12; c++) {
      forest = c >= 7 && c <= 8 && r >= 6 && r <= 8
      if (b == 1) v = forest ? 200 + (c + 2 * r) % 4 : 30 + (c * 7 + r * 3) % 5
      else v = forest ? 10 + (c * 5 + r) % 3 : 60 + (c * 3 + r * 5) % 7
      printf "%c", v
    } }' >"$1/scene.bin"
  printf 'ENVI\nsamples = 12\nlines = 10\nbands = 2\nheader offset = 0\nfile type = ENVI Standard\ndata type = 1\ninterleave = bsq\nbyte order = 0\n' >"$1/scene.hdr"
  gdal_translate -q "$1/scene.bin" "$1/scene.tif"
}

forest_aoi() {
  printf '%s\n' '{"type":"FeatureCollection","features":[' \
    ' {"type":"Feature","properties":{"class":"Water","color":"#0000FF"},' \
    '  "geometry":{"type":"Polygon","coordinates":[[[1.5,1.5],[4.5,1.5],[4.5,3.5],[1.5,3.5],[1.5,1.5]]]}},' \
    " {\"type\":\"Feature\",\"properties\":{\"class\":\"Forest\"${2:+,\"color\":\"$2\"}}," \
    '  "geometry":{"type":"Polygon","coordinates":[[[6.5,5.5],[8.5,5.5],[8.5,8.5],[6.5,8.5],[6.5,5.5]]]}}]}' >"$1"
}

finish() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
