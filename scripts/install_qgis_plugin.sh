#!/usr/bin/env bash
# Puts the ztclass Processing plugin into a QGIS profile, enables it, and
# points its provider at a ztclass program; QGIS shows the algorithms under
# "ztclass" in the Processing toolbox at its next start.
# Usage: install_qgis_plugin.sh ZTCLASS [PROFILE_DIR]
#   PROFILE_DIR defaults to the user's default profile,
#   ~/.local/share/QGIS/QGIS3/profiles/default.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZTCLASS="$(realpath "$1")"
PROFILE="${2:-${XDG_DATA_HOME:-$HOME/.local/share}/QGIS/QGIS3/profiles/default}"
PLUGINS="$PROFILE/python/plugins"

mkdir -p "$PLUGINS" "$PROFILE/QGIS"
rm -rf "$PLUGINS/ztclass_processing"
cp -r "$ROOT/qgis/ztclass_processing" "$PLUGINS/"
find "$PLUGINS/ztclass_processing" -name __pycache__ -prune -exec rm -rf {} +
# QGIS keeps its settings in Qt's INI format: let Qt write them.
/usr/bin/python3 - "$PROFILE/QGIS/QGIS3.ini" "$ZTCLASS" <<'PY'
import sys
from qgis.PyQt.QtCore import QSettings
settings = QSettings(sys.argv[1], QSettings.IniFormat)
settings.setValue("PythonPlugins/ztclass_processing", True)
settings.setValue("Processing/Configuration/ZTCLASS_PROGRAM", sys.argv[2])
settings.sync()
sys.exit(settings.status() != QSettings.NoError)
PY
echo "Installed the ztclass plugin into $PLUGINS, enabled, running $ZTCLASS"
