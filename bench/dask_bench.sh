#!/usr/bin/env bash
# A model applied in this process and over Dask worker processes on this
# machine: wall time, CPU time (of every process of the run: the command, the
# workers, the scheduler) and peak resident memory of the largest process
# the command waited for, for one thread in process, and one and two workers
# of one thread each, into a GeoTIFF (the client writes every tile) and into
# a VRT of tiles (the workers write them). Each cluster run is timed twice:
# "start" starts its cluster (local:N: scheduler, nannies, workers, their
# imports) and stops it; "running" goes to a scheduler and workers started
# beforehand and warmed by a small run, as a long-lived cluster serves runs.
# Then the cost of a task, from a run of many small tiles against one of few
# large ones. Every result is checked against the in-process one.
# Usage: dask_bench.sh ZTCLASS SCENE AOI [TRAINING_IMAGE [METHOD]]
# (the model is trained on TRAINING_IMAGE, default SCENE, with the polygons
# of AOI, by METHOD, default mindist; the Python package is the one of
# ZTCLASS's build, BUILD/python)
set -euo pipefail
ztclass=$(readlink -f "$1") scene=$2 aoi=$3 training=${4:-$2} method=${5:-mindist}
package=$(dirname "$(dirname "$ztclass")")/python
out=$(mktemp -d)
cluster=()
stop_cluster() {
  for pid in "${cluster[@]}"; do kill -- -"$pid" 2>/dev/null || true; done
  for pid in "${cluster[@]}"; do while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done; done
  cluster=()
}
trap 'stop_cluster; rm -rf "$out"' EXIT
read -r columns rows < <(gdalinfo "$scene" | sed -n 's/^Size is \([0-9]*\), \([0-9]*\)/\1 \2/p')
echo "scene $scene: ${columns} x ${rows}, $(nproc) cores, method $method, load $(cut -d' ' -f1-3 /proc/loadavg)"
"$ztclass" -q train "$method" "$training" --aoi "$aoi" -o "$out/model.ztm"
tasks() { echo $(( ((columns + $1 - 1) / $1) * ((rows + $1 - 1) / $1) )); }

# CPU seconds (user + system) spent so far by the processes of the sessions
# of the cluster's processes.
cluster_cpu() {
  local total=0 sid pid
  for sid in "${cluster[@]}"; do
    for pid in $(ps -o pid= -s "$sid" 2>/dev/null); do
      [ -r "/proc/$pid/stat" ] || continue
      total=$(( total + $(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$pid/stat" 2>/dev/null || echo 0) ))
    done
  done
  awk -v t="$total" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }'
}

# The settings of the clusters the package starts itself, as the
# environment of processes started by hand (README: several machines).
quiet=$(PYTHONPATH=$package /usr/bin/python3 -c "
from ztclass.distributed import QUIET_CLUSTER
print(' '.join('DASK_%s=%s' % (k.upper().replace('.', '__').replace('-', '_'), v) for k, v in QUIET_CLUSTER.items()))")

# A scheduler and N workers of one thread, each in a session of its own,
# warmed by a run of one tile; its address in $address.
start_cluster() {
  local workers=$1 file=$out/scheduler.json
  rm -f "$file"
  # shellcheck disable=SC2086
  env $quiet setsid /usr/bin/python3 -m distributed.cli.dask_scheduler --host 127.0.0.1 --port 0 --dashboard-address :0 \
    --scheduler-file "$file" >"$out/cluster.log" 2>&1 &
  cluster+=($!)
  for _ in $(seq 200); do [ -s "$file" ] && break; sleep 0.1; done
  for _ in $(seq "$workers"); do
    # shellcheck disable=SC2086
    env $quiet PYTHONPATH="$package" setsid /usr/bin/python3 -m distributed.cli.dask_worker --scheduler-file "$file" \
      --nthreads 1 --no-dashboard --host 127.0.0.1 >>"$out/cluster.log" 2>&1 &
    cluster+=($!)
  done
  address=$(PYTHONPATH=$package /usr/bin/python3 -c "
import sys
from dask.distributed import Client
with Client(scheduler_file=sys.argv[1], timeout=30) as client:
    client.wait_for_workers(int(sys.argv[2]), timeout=60)
    print(client.scheduler.address)" "$file" "$workers")
  "$ztclass" -q apply "$out/model.ztm" "$scene" -o "$out/warm.tif" --overwrite --srcwin 0 0 256 256 --dask "$address"
}

printf '%-30s %6s %8s %8s %8s\n' run tasks wall_s cpu_s peak_MB
# run NAME TASKS OUTPUT ARGUMENTS...: one apply of the model into OUTPUT, timed.
run() {
  local name=$1 count=$2 output=$3 before
  shift 3
  rm -rf "$out/${output%.*}_tiles"
  before=$(cluster_cpu)
  /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$ztclass" -q apply "$out/model.ztm" "$scene" -o "$out/$output" \
    --overwrite "$@"
  awk -v n="$name" -v t="$count" -v c="$(cluster_cpu)" -v b="$before" \
    '{ printf "%-30s %6s %8.2f %8.2f %8.0f\n", n, t, $1, $2 + $3 + c - b, $4 / 1024 }' "$out/time"
  [ "$name" = in-process ] || [ "$scene" != "$reference_scene" ] && return
  /usr/bin/python3 -c "
import sys
from osgeo import gdal
same = (gdal.Open(sys.argv[1]).ReadAsArray() == gdal.Open(sys.argv[2]).ReadAsArray()).all()
sys.exit(0 if same else 1)" "$out/$output" "$out/reference.tif" || echo "  ($name differs from in-process)"
}
# session REPS: from a Python session that has imported the package and Dask
# and holds a client of the running cluster of two workers (a notebook's
# case: no start of the interpreter nor imports in the time), the model
# applied in the session on one thread, on one of the workers (the tasks
# pinned to it) and on both, into a GeoTIFF and a VRT, the runs interleaved
# so that the machine's drift from minute to minute touches each alike:
# median wall seconds of REPS runs of each.
session() {
  PYTHONPATH=$package /usr/bin/python3 - "$out/model.ztm" "$scene" "$address" "$out" "$1" <<'PY'
import statistics, sys, time
import dask
import ztclass, ztclass.distributed
from dask.distributed import Client
model_path, scene, address, out, reps = sys.argv[1:]
model = ztclass.load(model_path)
ztclass.set_threads(1)
times = {}
with Client(address, timeout=30) as client:
    one = sorted(client.scheduler_info()["workers"])[:1]
    def timed(name, call):
        started = time.perf_counter()
        call()
        times.setdefault(name, []).append(time.perf_counter() - started)
    for _ in range(int(reps)):
        timed("in process", lambda: model.apply(scene, out + "/s.tif", overwrite=True))
        for suffix in ("tif", "vrt"):
            for workers in (1, 2):
                with dask.annotate(**({"workers": one, "allow_other_workers": False} if workers == 1 else {})):
                    timed("%d worker(s) %s" % (workers, suffix),
                          lambda: ztclass.distributed.apply(model, scene, "%s/s.%s" % (out, suffix), client,
                                                            overwrite=True))
median = {name: statistics.median(runs) for name, runs in times.items()}
for name, seconds in median.items():
    print("session, %-21s %6s %8.2f" % (name, "", seconds))
for suffix in ("tif", "vrt"):
    print("session, %s: 1 worker / in process %.2f, 1 worker / 2 workers %.2f" % (
        suffix, median["1 worker(s) " + suffix] / median["in process"],
        median["1 worker(s) " + suffix] / median["2 worker(s) " + suffix]))
PY
}
reference_scene=$scene
run in-process 1 reference.tif --threads 1
for workers in 1 2; do
  for output in r.tif r.vrt; do
    run "local:$workers ${output#r.}, start" "$(tasks 2048)" "$output" --dask "local:$workers" --tile 2048
  done
  start_cluster "$workers"
  for output in r.tif r.vrt; do
    run "$workers worker(s) ${output#r.}, running" "$(tasks 2048)" "$output" --dask "$address" --tile 2048
  done
  if [ "$workers" = 2 ]; then
    session 9
    run "2 workers tif, tile 1024" "$(tasks 1024)" r.tif --dask "$address" --tile 1024
    for output in r.tif r.vrt; do
      run "2 workers ${output#r.}, tile 256" "$(tasks 256)" "$output" --dask "$address" --tile 256
    done
    # Thousands of tasks: the scene four times over, two by two, in tiles of 256.
    for i in 0 1; do
      for j in 0 1; do
        gdal_translate -q -of VRT -a_ullr $((i * columns)) $((-j * rows)) $(((i + 1) * columns)) \
          $((-(j + 1) * rows)) "$scene" "$out/q$i$j.vrt"
      done
    done
    gdalbuildvrt -q "$out/mosaic.vrt" "$out"/q??.vrt
    mosaic_tasks=$(( 4 * $(tasks 256) ))
    scene=$out/mosaic.vrt run "2 workers vrt, 4 scenes, tile 256" "$mosaic_tasks" r.vrt --dask "$address" --tile 256
  fi
  stop_cluster
done
