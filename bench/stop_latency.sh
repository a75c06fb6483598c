#!/bin/bash
# How long each command takes to stop after Ctrl-C, at several moments of
# its run (training, statistics or sampling early on, the pass later).
#
#   bench/stop_latency.sh ZTCLASS SCENE AOI [DELAYS]
#
# ZTCLASS: the ztclass program; SCENE: a large multi-band image (e.g. the one
# bench/make_large_scene.sh builds); AOI: its training polygons in pixel
# coordinates. DELAYS: seconds after the start at which SIGINT is sent
# (default "0.3 1 2 4"). Each line gives the command, the delay, the
# seconds from SIGINT to exit and the exit status; a stop that took more than
# a second, or ended with a status other than 130, is flagged. A command that
# finished before the signal is marked "done".
set -u
if [ $# -lt 3 ]; then
  echo "usage: $0 ZTCLASS SCENE AOI [DELAYS]" >&2
  exit 2
fi
ztclass=$(realpath "$1")
scene=$(realpath "$2")
aoi=$(realpath "$3")
delays=${4:-0.3 1 2 4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# Background jobs get their own process group and keep SIGINT.
set -m

echo "preparing a class map, its clumps and a sieve of them..." >&2
"$ztclass" -q mindist "$scene" --aoi "$aoi" --no-dev-test -o classes.tif || exit 1
"$ztclass" -q clump classes.tif --stats clumps.txt -o clumps.tif || exit 1

supervised=(--aoi "$aoi")
commands=(
  "mindist|$scene ${supervised[*]}"
  "box|$scene ${supervised[*]}"
  "gmindist|$scene ${supervised[*]}"
  "maxlike|$scene ${supervised[*]}"
  "cluster-mindist|$scene --classes 8"
  "cluster-box|$scene --classes 8"
  "cluster-gmindist|$scene --classes 8"
  "isodata|$scene --classes 8"
  "bp|$scene ${supervised[*]}"
  "hrbp|$scene ${supervised[*]}"
  "rbf|$scene ${supervised[*]}"
  "lvq2|$scene ${supervised[*]}"
  "kohonen|$scene --classes 8"
  "art|$scene --classes 8"
  "fuzzy-art|$scene --classes 8"
  "unmix|$scene ${supervised[*]}"
  "accuracy|classes.tif --aoi $aoi"
  "clump|classes.tif --stats out.txt"
  "sieve|clumps.tif --stats-in clumps.txt --stats out.txt --threshold 10"
  "eliminate|clumps.tif --stats-in clumps.txt --stats out.txt --threshold 10"
)

now() { date +%s.%N; }
printf '%-17s %6s %8s %6s\n' command delay stop_s status
slow=0
for entry in "${commands[@]}"; do
  name=${entry%%|*}
  read -r -a args <<<"${entry#*|}"
  output=out.tif
  [ "$name" = accuracy ] && output=out.txt
  for delay in $delays; do
    rm -f out.*
    "$ztclass" -q "$name" "${args[@]}" -o "$output" >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      printf '%-17s %6s %8s %6s done\n' "$name" "$delay" - "$?"
      continue
    fi
    sent=$(now)
    kill -INT "$pid"
    wait "$pid"
    status=$?
    took=$(echo "$(now) - $sent" | bc)
    flag=""
    if [ "$(echo "$took > 1" | bc)" = 1 ] || [ "$status" != 130 ]; then
      flag=" <--"
      slow=1
    fi
    printf '%-17s %6s %8.3f %6s%s\n' "$name" "$delay" "$took" "$status" "$flag"
  done
done
exit $slow
