# Sourced by the whole-process benchmarks. median NAME THREADS COMMAND...:
# of three runs, the one of median wall time, as "NAME THREADS wall_s cpu_s
# MP/s peak_MB", with megapixels the scene's size and $out a scratch folder.
# What the command prints on standard output (a description, a listing) is
# dropped.
median() {
  local name=$1 threads=$2 runs=()
  shift 2
  for _ in 1 2 3; do
    /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$@" >/dev/null
    runs+=("$(cat "$out/time")")
  done
  printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p | awk -v m="$name" -v t="$threads" -v mp="$megapixels" \
    '{ printf "%-18s %-8s %8.2f %8.2f %8.1f %8.0f\n", m, t, $1, $2 + $3, mp / $1, $4 / 1024 }'
}
