"""Starts QGIS for a test the way the desktop does for the plugin: a fresh
profile in a scratch directory, Processing with its native algorithms, and
the ztclass provider, set to run the ztclass program under test.

Usage from a test: session = start(ztclass_program, gui=False), at its end
session.finish(failures, summary)."""
import os
import sys
import tempfile

PLUGINS = "/usr/share/qgis/python/plugins"  # where Debian puts Processing
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [PLUGINS, os.path.join(HERE, "..", "..", "qgis")]

from qgis.core import QgsApplication  # noqa: E402 (needs the paths above)


class Session:
    def __init__(self, program, gui):
        self.profile = tempfile.TemporaryDirectory(prefix="ztclass-qgis-")
        self.app = QgsApplication([], gui, self.profile.name)
        self.app.initQgis()
        from processing.core.Processing import Processing
        from processing.core.ProcessingConfig import ProcessingConfig
        Processing.initialize()
        from ztclass_processing.provider import PROGRAM_SETTING, ZtclassProvider
        self.provider = ZtclassProvider()
        QgsApplication.processingRegistry().addProvider(self.provider)
        ProcessingConfig.setSettingValue(PROGRAM_SETTING, program)

    def close(self):
        QgsApplication.processingRegistry().removeProvider(self.provider)
        self.app.exitQgis()
        self.profile.cleanup()

    def finish(self, failures, summary):
        """Closes QGIS, prints each failure and the summary, and exits 1 when any failed."""
        self.close()
        for failure in failures:
            print("FAILED", failure)
        print(summary)
        sys.exit(1 if failures else 0)


def start(program, gui=False):
    return Session(program, gui)
