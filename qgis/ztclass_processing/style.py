"""Class maps open in QGIS with their classes: the command writes a QGIS
style (NAME.qml, a paletted renderer of exactly the classes with their names
and colours) beside each class image, and the layer QGIS loads for an
algorithm's result takes it."""
import os

from qgis.core import QgsProcessingLayerPostProcessorInterface


def style_path(path):
    return os.path.splitext(path)[0] + ".qml"


class ApplyClassStyle(QgsProcessingLayerPostProcessorInterface):
    # Processing keeps only a pointer to a post-processor: Python must hold
    # it while the layer may still be loaded.
    held = {}

    def __init__(self, style):
        super().__init__()
        self.style = style

    def postProcessLayer(self, layer, context, feedback):  # noqa: N802 (QGIS's name)
        message, ok = layer.loadNamedStyle(self.style)
        if not ok:
            feedback.pushWarning(f"The class style {self.style} was not applied: {message}")
        layer.triggerRepaint()
        ApplyClassStyle.held.pop(self.style, None)


def style_on_load(path, context):
    """When QGIS will load the result at path and the command left a style
    beside it, the layer takes that style."""
    style = style_path(path)
    if not os.path.exists(style) or not context.willLoadLayerOnCompletion(path):
        return
    processor = ApplyClassStyle(style)
    ApplyClassStyle.held[style] = processor
    context.layerToLoadOnCompletionDetails(path).setPostProcessor(processor)
