"""The dialog of an algorithm opens as the Processing toolbox opens it, on
a real (virtual) display, without an error, with a widget for each of its
parameters.

Usage: dialog_test.py ZTCLASS. Exits 0 when all holds, 1 otherwise."""
import sys
import traceback

from qgis_session import start

ZTCLASS = sys.argv[1]
session = start(ZTCLASS, gui=True)

from processing.gui.AlgorithmDialog import AlgorithmDialog  # noqa: E402 (after QGIS starts)
from qgis.core import QgsApplication, QgsProcessingContext  # noqa: E402

errors = []
sys.excepthook = lambda *error: errors.append("".join(traceback.format_exception(*error)))
failures = []
# Values a number's field must take: a seed anywhere in its range, beyond
# what a C int holds too.
VALUES = {"ztclass:bp": {"SEED": [0, 12345, 4294967295]}}
for name in ("ztclass:mindist", "ztclass:isodata", "ztclass:accuracy", "ztclass:bp"):
    algorithm = QgsApplication.processingRegistry().createAlgorithmById(name)
    dialog = AlgorithmDialog(algorithm, False)
    dialog.show()
    QgsApplication.processEvents()
    wrappers = dialog.mainWidget().wrappers
    missing = [p.name() for p in algorithm.parameterDefinitions() if p.name() not in wrappers]
    if not dialog.isVisible() or missing:
        failures.append(f"{name}: visible {dialog.isVisible()}, no widget for {missing}")
    for parameter, values in VALUES.get(name, {}).items():
        for value in values:
            wrappers[parameter].setParameterValue(value, QgsProcessingContext())
            if wrappers[parameter].parameterValue() != value:
                failures.append(f"{name}: {parameter} set to {value} gives {wrappers[parameter].parameterValue()}")
    dialog.close()
    QgsApplication.processEvents()
failures += errors
session.finish(failures, f"dialog: {len(failures)} failures")
