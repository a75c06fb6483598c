#!/usr/bin/env bash
# Runs one of the QGIS checks of the Processing provider with QGIS's own
# Python, headless; the dialog check on a virtual X display. Skipped (status
# 77) where QGIS's Python bindings, the sample scene or Xvfb are missing.
# Usage: qgis_test.sh help|processing|dialog|install ZTCLASS DATA_DIR
set -u
check="$1" ztclass="$2" data="$3"
here="$(cd "$(dirname "$0")" && pwd)"
# Debian installs the bindings for the system's interpreter only.
PYTHON=/usr/bin/python3
if ! "$PYTHON" -c "import qgis.core, qgis.analysis" 2>/dev/null; then
  echo "skipped: QGIS's Python bindings are not installed (apt-get install python3-qgis qgis-providers)"
  exit 77
fi
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
# QGIS's scratch folders too, which it leaves behind. No exec below: the
# trap must run.
export XDG_RUNTIME_DIR="$runtime" TMPDIR="$runtime" QT_QPA_PLATFORM=offscreen
case "$check" in
  help) "$PYTHON" "$here/help_test.py" "$ztclass"; exit ;;
  install)
    ztclass="$(realpath "$ztclass")"
    bash "$here/../../scripts/install_qgis_plugin.sh" "$ztclass" "$runtime/profile" || exit 1
    "$PYTHON" "$here/install_test.py" "$runtime/profile" "$ztclass"
    exit ;;
  processing)
    scene="$(bash -c "source <(sed -n '/^sample_scene()/,/^}/p' '$here/../../scripts/setup.sh'); sample_scene" 2>/dev/null)"
    if [ ! -f "$scene" ]; then
      echo "skipped: the sample scene is not at hand (scripts/setup.sh demo fetches it)"
      exit 77
    fi
    "$PYTHON" "$here/processing_test.py" "$ztclass" "$scene" "$data"; exit ;;
  dialog)
    if ! command -v xvfb-run >/dev/null; then
      echo "skipped: xvfb-run is not installed (apt-get install xvfb)"
      exit 77
    fi
    export QT_QPA_PLATFORM=xcb
    xvfb-run -a -s "-screen 0 1280x1024x24" "$PYTHON" "$here/dialog_test.py" "$ztclass"; exit ;;
esac
echo "unknown check '$check'" >&2
exit 2
