"""The ztclass Processing provider: one algorithm per command of the
ztclass program, which it finds on PATH or at the path of its setting."""
from qgis.core import QgsApplication, QgsProcessingProvider, QgsRasterFileWriter
from processing.core.ProcessingConfig import ProcessingConfig, Setting

from .algorithm import ZtclassAlgorithm
from .commands import COMMANDS

PROGRAM_SETTING = "ZTCLASS_PROGRAM"


def configured_program():
    return ProcessingConfig.getSetting(PROGRAM_SETTING) or ""


class ZtclassProvider(QgsProcessingProvider):
    def id(self):
        return "ztclass"

    def name(self):
        return "ztclass"

    def longName(self):  # noqa: N802 (QGIS's names, here and below)
        return "ztclass: classification of multi-band remote-sensing images"

    def icon(self):
        return QgsApplication.getThemeIcon("/processingAlgorithm.svg")

    def load(self):
        ProcessingConfig.settingIcons[self.name()] = self.icon()
        ProcessingConfig.addSetting(Setting(self.name(), PROGRAM_SETTING,
                                            "ztclass program (empty: the one on PATH)", "",
                                            valuetype=Setting.FILE))
        ProcessingConfig.readSettings()
        self.refreshAlgorithms()
        return True

    def unload(self):
        ProcessingConfig.removeSetting(PROGRAM_SETTING)

    def loadAlgorithms(self):  # noqa: N802
        for command in COMMANDS:
            self.addAlgorithm(ZtclassAlgorithm(command, configured_program))

    def supportedOutputRasterLayerExtensions(self):  # noqa: N802
        # A VRT holds no pixels of its own: the command refuses it.
        return [e for e in QgsRasterFileWriter.supportedFormatExtensions() if e.lower() != "vrt"]
