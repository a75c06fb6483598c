"""A profile that scripts/install_qgis_plugin.sh filled: QGIS finds the
plugin there, enabled, starts it as the desktop starts Processing plugins,
and its provider runs the ztclass program the script named.

Usage: install_test.py PROFILE_DIR ZTCLASS. Exits 0 when all holds."""
import os
import sys

sys.path.insert(0, "/usr/share/qgis/python/plugins")
from qgis.core import QgsApplication, QgsSettings  # noqa: E402
from qgis.PyQt.QtCore import QCoreApplication, QSettings  # noqa: E402

profile, ztclass = sys.argv[1:3]
# As the desktop application starts: its settings in the profile's INI file.
QCoreApplication.setOrganizationName("QGIS")
QCoreApplication.setApplicationName("QGIS3")
QSettings.setDefaultFormat(QSettings.IniFormat)
QSettings.setPath(QSettings.IniFormat, QSettings.UserScope, profile)
app = QgsApplication([], False, profile)
app.initQgis()
# The desktop's own plugin folder of the profile, where QGIS looks first.
home_plugins = os.path.join(QgsApplication.qgisSettingsDirPath(), "python", "plugins")
sys.path.insert(0, home_plugins)
from processing.core.Processing import Processing  # noqa: E402
from processing.core.ProcessingConfig import ProcessingConfig  # noqa: E402
import qgis.utils  # noqa: E402

Processing.initialize()
qgis.utils.plugin_paths = [home_plugins]
qgis.utils.updateAvailablePlugins()
failures = []
if not QgsSettings().value("PythonPlugins/ztclass_processing", False, type=bool):
    failures.append("the plugin is not enabled in the profile's settings")
if "ztclass_processing" not in qgis.utils.available_plugins:
    failures.append(f"QGIS does not find the plugin in {qgis.utils.plugin_paths}")
elif not (qgis.utils.loadPlugin("ztclass_processing") and qgis.utils.startProcessingPlugin("ztclass_processing")):
    failures.append("the plugin does not start")
provider = QgsApplication.processingRegistry().providerById("ztclass")
if provider is None or provider.algorithm("mindist") is None:
    failures.append("no ztclass provider with its algorithms")
if ProcessingConfig.getSetting("ZTCLASS_PROGRAM") != ztclass:
    failures.append(f"the provider runs {ProcessingConfig.getSetting('ZTCLASS_PROGRAM')!r}, not {ztclass!r}")
qgis.utils.unloadPlugin("ztclass_processing")
app.exitQgis()
for failure in failures:
    print("FAILED", failure)
sys.exit(1 if failures else 0)
