"""Draws the README's QGIS pictures; see qgis_pictures.sh."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "qgis"))
from qgis_session import start  # noqa: E402

ztclass, scene, training, folder = sys.argv[1:5]
session = start(ztclass, gui=True)

import processing  # noqa: E402
from processing.gui.AlgorithmDialog import AlgorithmDialog  # noqa: E402
from qgis.core import (QgsApplication, QgsMapRendererCustomPainterJob, QgsMapSettings,  # noqa: E402
                       QgsProcessingContext, QgsProcessingFeedback, QgsProcessingOutputLayerDefinition,
                       QgsProcessingUtils, QgsProject, QgsRasterLayer, QgsVectorLayer)
from qgis.PyQt.QtCore import QRectF, QSize, Qt  # noqa: E402
from qgis.PyQt.QtGui import QColor, QFont, QImage, QPainter  # noqa: E402

# The dialog, filled in as a user would.
image_layer, polygons = QgsRasterLayer(scene, "L7_ETMs"), QgsVectorLayer(training, "olinda_training")
QgsProject.instance().addMapLayers([image_layer, polygons])
dialog = AlgorithmDialog(QgsApplication.processingRegistry().createAlgorithmById("ztclass:maxlike"), False)
dialog.setParameters({"INPUT": image_layer.id(), "AOI": polygons.id(), "CLASS_FIELD": "class",
                      "BANDS": [2, 3, 4, 5]})
dialog.resize(760, 700)
dialog.show()
for _ in range(20):
    QgsApplication.processEvents()
dialog.grab().save(os.path.join(folder, "qgis_dialog.png"))
dialog.close()

# The result as QGIS loads it: the layer post-processed by the provider.
work = tempfile.mkdtemp()
result = os.path.join(work, "maxlike.tif")
context, feedback = QgsProcessingContext(), QgsProcessingFeedback()
loaded = QgsProcessingOutputLayerDefinition(result, QgsProject.instance())
processing.run("ztclass:maxlike", {"INPUT": scene, "AOI": training, "OUTPUT": loaded}, context=context,
               feedback=feedback)
layer = QgsProcessingUtils.mapLayerFromString(result, context)
context.layersToLoadOnCompletion()[result].postProcessor().postProcessLayer(layer, context, feedback)

MAP, LEGEND = 352 * 2, 220
settings = QgsMapSettings()
settings.setLayers([layer])
settings.setDestinationCrs(layer.crs())
settings.setExtent(layer.extent())
settings.setOutputSize(QSize(349 * 2, MAP))
image = QImage(349 * 2 + LEGEND, MAP, QImage.Format_ARGB32)
image.fill(QColor("white"))
painter = QPainter(image)
job = QgsMapRendererCustomPainterJob(settings, painter)
job.start()
job.waitForFinished()
# The legend: the renderer's classes, as the Layers panel lists them.
painter.setFont(QFont("DejaVu Sans", 11))
for i, entry in enumerate(layer.renderer().classes()):
    top = 20 + 30 * i
    painter.fillRect(QRectF(349 * 2 + 20, top, 24, 18), entry.color)
    painter.setPen(QColor("black"))
    painter.drawRect(QRectF(349 * 2 + 20, top, 24, 18))
    painter.drawText(QRectF(349 * 2 + 54, top - 2, LEGEND - 60, 22), Qt.AlignVCenter, f"{entry.value:.0f}  {entry.label}")
painter.end()
image.save(os.path.join(folder, "qgis_result.png"))
session.close()
