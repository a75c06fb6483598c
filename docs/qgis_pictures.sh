#!/usr/bin/env bash
# Makes the README's QGIS pictures on a virtual display: the dialog of the
# maximum-likelihood algorithm, and its result on the sample scene as QGIS
# draws it, with the legend of its classes.
# Usage: docs/qgis_pictures.sh ZTCLASS (writes docs/qgis_dialog.png and
# docs/qgis_result.png)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scene="$(bash -c "source <(sed -n '/^sample_scene()/,/^}/p' '$here/../scripts/setup.sh'); sample_scene")"
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 "$here/qgis_pictures.py" "$(realpath "$1")" "$scene" \
  "$here/../data/olinda_training.geojson" "$here"
