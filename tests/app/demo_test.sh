#!/usr/bin/env bash
# The demo runs any number of times: a second run replaces the results of
# the first. It needs the sample scene, which 'scripts/setup.sh demo'
# fetches; without it the test is skipped.
# Usage: demo_test.sh ZTCLASS
set -u
ZTCLASS="$1"
. "$(dirname "$0")/harness.sh"
SCENE="${XDG_CACHE_HOME:-$HOME/.cache}/ztclass/L7_ETMs.tif"
[ -f "$SCENE" ] || { echo "no sample scene: skipped"; exit 77; }
for run in first second; do
  check "the $run run" 0 "Done: results are in" -- \
    env ZTCLASS_DEMO_DIR="$WORK/demo" bash "$(dirname "$0")/../../scripts/demo.sh" "$ZTCLASS" "$SCENE"
done
finish "demo"
