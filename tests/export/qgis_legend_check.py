"""Opens a legend's two GeoPackage layers in QGIS (headless) the way a user
adds them, lets QGIS load their default styles from the GeoPackage, renders
each layer alone and looks at the pixels: every box in its class's colour,
every class name drawn as a label beside its box, nothing drawn for the text
points themselves.

Usage: qgis_legend_check.py GPKG NAME X Y SIZE CLASS:RRGGBB...
  the legend was exported with lower-left corner (X, Y) and size factor SIZE
  for the classes given in order (class 1 first) with their colours.
Exits 0 when all holds, 1 with the reasons otherwise, 77 without QGIS's
Python bindings."""
import os
import sys

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
try:
    from qgis.core import (QgsApplication, QgsMapRendererCustomPainterJob, QgsMapSettings, QgsRectangle,
                           QgsVectorLayer)
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor, QImage, QPainter
except ImportError as error:
    print(f"QGIS's Python bindings are missing ({error}); install python3-qgis to run this check")
    sys.exit(77)

gpkg, name = sys.argv[1], sys.argv[2]
x0, y0, size = (float(v) for v in sys.argv[3:6])
classes = []
for arg in sys.argv[6:]:
    label, colour = arg.rsplit(":", 1)
    classes.append((label, tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))))

app = QgsApplication([], False)
app.initQgis()
failures = []

# Twenty pixels per size factor, the legend's extent and a margin.
PIXELS = 20 / size
top = y0 + (len(classes) - 1) * 1.5 * size + size
extent = QgsRectangle(x0 - size, y0 - size, x0 + 10 * size, top + size)
width, height = round(extent.width() * PIXELS), round(extent.height() * PIXELS)


def render(layer):
    settings = QgsMapSettings()
    settings.setLayers([layer])
    settings.setDestinationCrs(layer.crs())
    settings.setExtent(extent)
    settings.setOutputSize(QSize(width, height))
    image = QImage(width, height, QImage.Format_ARGB32)
    image.fill(QColor(255, 255, 255))
    painter = QPainter(image)
    job = QgsMapRendererCustomPainterJob(settings, painter)
    job.start()
    job.waitForFinished()
    painter.end()
    return image


def pixel(image, x, y):
    colour = QColor(image.pixel(round((x - extent.xMinimum()) * PIXELS), round((extent.yMaximum() - y) * PIXELS)))
    return colour.red(), colour.green(), colour.blue()


def inked(image, x1, y1, x2, y2):
    """Pixels of the map rectangle that are not background."""
    count = 0
    for col in range(round((x1 - extent.xMinimum()) * PIXELS), round((x2 - extent.xMinimum()) * PIXELS)):
        for row in range(round((extent.yMaximum() - y2) * PIXELS), round((extent.yMaximum() - y1) * PIXELS)):
            count += QColor(image.pixel(col, row)).lightness() < 200
    return count


def open_layer(suffix):
    layer = QgsVectorLayer(f"{gpkg}|layername={name}{suffix}", name + suffix, "ogr")
    if not layer.isValid():
        failures.append(f"QGIS cannot open layer {name}{suffix} of {gpkg}")
        return None
    return layer


def check():
    boxes = open_layer("_R")
    texts = open_layer("_P")
    if not boxes or not texts:
        return
    if not texts.labelsEnabled():
        failures.append(f"{name}_P: labels are not enabled by its stored style")
    box_image, text_image = render(boxes), render(texts)
    # Class k (from 1) has its box from y = Y + (k - 1) 1.5 S up by S, between
    # x = X + 0.2 S and X + 2 S, and its name from x = X + 2.5 S on.
    for k, (label, rgb) in enumerate(classes):
        bottom = y0 + k * 1.5 * size
        centre = pixel(box_image, x0 + 1.1 * size, bottom + 0.5 * size)
        if max(abs(a - b) for a, b in zip(centre, rgb)) > 2:
            failures.append(f"box of {label}: filled with {centre}, expected {rgb}")
        if inked(text_image, x0 + 2.5 * size, bottom, x0 + 8 * size, bottom + 1.2 * size) == 0:
            failures.append(f"label {label}: nothing drawn beside its box")
    # The label layer draws texts only: nothing where its points' symbols or
    # the boxes would be.
    if inked(text_image, extent.xMinimum(), extent.yMinimum(), x0 + 2.4 * size, extent.yMaximum()):
        failures.append(f"{name}_P draws something other than its labels")


check()  # the layers are gone before QGIS shuts down
for failure in failures:
    print(failure, flush=True)
app.exitQgis()
sys.exit(1 if failures else 0)
