#!/usr/bin/env bash
# Sets up a Debian 12 machine for ztclass, builds it, and runs what is asked:
#   scripts/setup.sh demo       install, build, run the demo on the sample scene
#   scripts/setup.sh test       install, build, run the tests
#   scripts/setup.sh sanitize   the tests again, built with ASan and UBSan
#   scripts/setup.sh threads    the tests of concurrent calls, built with TSan
#   scripts/setup.sh build      install and build only
#   scripts/setup.sh fuzz [S]   build the fuzz targets with clang and libFuzzer
#                               (ASan, UBSan) in build-fuzz/ and run each for
#                               S seconds (default 30)
#   scripts/setup.sh qgis       install, build, and put the ztclass Processing
#                               plugin into the user's QGIS profile, enabled
# Safe to run again: installed packages and finished builds are reused.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ACTION="${1:-build}"
JOBS="$(nproc)"
PACKAGES=(build-essential cmake ninja-build pkg-config libgdal-dev libproj-dev gdal-bin libcli11-dev
          nlohmann-json3-dev libgtest-dev libbenchmark-dev ca-certificates
          python3-dev pybind11-dev python3-numpy python3-gdal python3-dask python3-distributed)

# The tests also export legends to a PostGIS server that they start, have
# QGIS open them, and run the Processing algorithms in QGIS, their dialog on
# a virtual display (about 160 MB to fetch, 600 MB installed, 2-4 minutes);
# pyproj measures geodesic areas independently of the library.
TEST_PACKAGES=(postgresql postgresql-15-postgis-3 python3-qgis qgis-providers xvfb python3-pyproj python3-pytest)

# What the QGIS plugin needs where QGIS itself is not installed yet.
QGIS_PACKAGES=(python3-qgis qgis-providers)

# Only the fuzz action needs clang and its libFuzzer runtime.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# install_packages [PACKAGE...]: the given packages, or the usual ones.
install_packages() {
  local wanted=("$@")
  [ ${#wanted[@]} -eq 0 ] && wanted=("${PACKAGES[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Line tables only: backtraces keep file and line, while full debug
# information of the template-heavy command-line and JSON code would take a
# third of the build time (half of it under the sanitizers).
DEBUG_FLAGS="-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"

# build DIR [extra cmake arguments...]
build() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$DEBUG_FLAGS" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

# The sample scene: a 6-band Landsat 7 ETM+ GeoTIFF (349 x 352) that a Debian
# package ships. Only the file is unpacked; nothing of the package is installed.
sample_scene() {
  local cache="${XDG_CACHE_HOME:-$HOME/.cache}/ztclass"
  local scene="$cache/L7_ETMs.tif"
  if [ ! -f "$scene" ]; then
    mkdir -p "$cache"
    local tmp
    tmp="$(mktemp -d)"
    (cd "$tmp" && apt-get download r-cran-stars >/dev/null 2>&1 || { apt-get update -q >/dev/null && apt-get download r-cran-stars >/dev/null; })
    dpkg -x "$tmp"/r-cran-stars_*.deb "$tmp/x"
    cp "$(find "$tmp/x" -name L7_ETMs.tif | head -n 1)" "$scene"
    rm -rf "$tmp"
  fi
  echo "$scene"
}

case "$ACTION" in
  build)
    install_packages
    build "$ROOT/build"
    ;;
  test)
    install_packages
    install_packages "${TEST_PACKAGES[@]}"
    build "$ROOT/build"
    ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS"
    ;;
  sanitize)
    install_packages
    install_packages "${TEST_PACKAGES[@]}"
    # An instrumented module cannot be loaded into the interpreter (neither
    # ours nor QGIS's): the Python package is not built here, and the tests
    # of both run above.
    # -O1, as the sanitizers' authors advise: a third less compile time than
    # -O2, which is most of CI's time, for a few seconds more of tests.
    build "$ROOT/build-sanitize" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
      -DZTCLASS_SANITIZE=ON -DZTCLASS_BENCH=OFF -DZTCLASS_PYTHON=OFF
    ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1" \
    LSAN_OPTIONS="suppressions=$ROOT/.ci/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
      ctest --test-dir "$ROOT/build-sanitize" --output-on-failure -j "$JOBS" -LE "qgis|python"
    ;;
  threads)
    install_packages
    cmake -S "$ROOT" -B "$ROOT/build-threads" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$DEBUG_FLAGS" \
      -DZTCLASS_THREAD_SANITIZE=ON -DZTCLASS_BENCH=OFF -DZTCLASS_PYTHON=OFF >/dev/null
    cmake --build "$ROOT/build-threads" -j "$JOBS" --target concurrent_models_test
    TSAN_OPTIONS="halt_on_error=1:suppressions=$ROOT/.ci/tsan.supp" \
      ctest --test-dir "$ROOT/build-threads" --output-on-failure -L threads
    ;;
  fuzz)
    SECONDS_EACH="${2:-30}"
    install_packages
    install_packages "${FUZZ_PACKAGES[@]}"
    cmake -S "$ROOT" -B "$ROOT/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$DEBUG_FLAGS" \
      -DCMAKE_CXX_COMPILER=clang++ -DZTCLASS_SANITIZE=ON -DZTCLASS_FUZZ=ON -DZTCLASS_BENCH=OFF -DZTCLASS_PYTHON=OFF >/dev/null
    cmake --build "$ROOT/build-fuzz" -j "$JOBS" --target fuzz_targets
    # New inputs go to build-fuzz/corpus/<target>; a crash leaves its input in
    # build-fuzz/artifacts/<target>/ (to be fixed and kept in tests/fuzz/crashes/).
    for seeds in "$ROOT"/tests/fuzz/corpus/*/; do
      target="$(basename "$seeds")"
      echo "== fuzz_$target, $SECONDS_EACH s"
      mkdir -p "$ROOT/build-fuzz/corpus/$target" "$ROOT/build-fuzz/artifacts/$target"
      ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
      LSAN_OPTIONS="suppressions=$ROOT/.ci/lsan.supp:print_suppressions=0" \
      UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        "$ROOT/build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -malloc_limit_mb=512 \
          -timeout=60 -print_final_stats=1 -artifact_prefix="$ROOT/build-fuzz/artifacts/$target/" \
          "$ROOT/build-fuzz/corpus/$target" "$seeds" "$ROOT/tests/fuzz/crashes/$target"
    done
    ;;
  demo)
    install_packages
    build "$ROOT/build"
    bash "$ROOT/scripts/demo.sh" "$ROOT/build/app/ztclass" "$(sample_scene)"
    ;;
  qgis)
    install_packages
    install_packages "${QGIS_PACKAGES[@]}"
    build "$ROOT/build"
    bash "$ROOT/scripts/install_qgis_plugin.sh" "$ROOT/build/app/ztclass"
    ;;
  *)
    echo "usage: $0 build|test|sanitize|threads|demo|qgis|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
