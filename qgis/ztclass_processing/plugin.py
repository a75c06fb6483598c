"""Registers the ztclass provider with QGIS's Processing framework while the
plugin is loaded."""
from qgis.core import QgsApplication

from .provider import ZtclassProvider


class ZtclassPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.provider = None

    def initProcessing(self):  # noqa: N802 (QGIS calls it by this name)
        self.provider = ZtclassProvider()
        QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):  # noqa: N802
        self.initProcessing()

    def unload(self):
        if self.provider:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
