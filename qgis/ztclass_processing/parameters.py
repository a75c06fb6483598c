"""The kinds of parameter a ztclass command takes. Each kind knows the
Processing parameter it shows and the command-line arguments its value
becomes, so that a command is described once, as a list of them (see
commands.py)."""
import math
import os

from qgis.core import (QgsProcessing, QgsProcessingException, QgsProcessingFeatureSourceDefinition,
                       QgsProcessingParameterBand, QgsProcessingParameterBoolean, QgsProcessingParameterDefinition,
                       QgsProcessingParameterEnum, QgsProcessingParameterExtent, QgsProcessingParameterFeatureSource,
                       QgsProcessingParameterField, QgsProcessingParameterFile,
                       QgsProcessingParameterFileDestination, QgsProcessingParameterNumber,
                       QgsProcessingParameterRasterDestination, QgsProcessingParameterRasterLayer,
                       QgsProcessingParameterString, QgsProviderRegistry, QgsRasterFileWriter)
from osgeo import gdal, ogr


class Spec:
    """One Processing parameter and the command-line option (or positional
    argument, option None) that it fills; options: all those it fills."""

    def __init__(self, name, option, label, help_text, optional=False, advanced=False):
        self.name, self.option, self.label, self.help = name, option, label, help_text
        self.optional, self.advanced = optional, advanced
        self.options = (option,) if option else ()

    def definitions(self):
        definition = self.make()
        definition.setHelp(self.help)
        if self.advanced:
            definition.setFlags(definition.flags() | QgsProcessingParameterDefinition.FlagAdvanced)
        return [definition]

    def arguments(self, run):
        value = self.value(run)
        if value is None or value == "":
            return []
        return [self.option, value] if self.option else [value]

    def given(self, run):
        return run.parameters.get(self.name) not in (None, "")


class RasterIn(Spec):
    """A raster read by the command: a file GDAL opens."""

    def make(self):
        return QgsProcessingParameterRasterLayer(self.name, self.label, optional=self.optional)

    def value(self, run):
        layer = run.alg.parameterAsRasterLayer(run.parameters, self.name, run.context)
        if layer is None:
            if self.optional:
                return None
            raise QgsProcessingException(f"{self.label}: no raster layer given")
        return raster_path(layer)


class RasterInPlace(RasterIn):
    """A raster the command changes where it lies, as QGIS's own algorithms
    that set a layer's style or projection do; it is also the result."""
    output = True


def raster_path(layer):
    if layer.providerType() != "gdal":
        raise QgsProcessingException(f"'{layer.name()}' is not a file that GDAL reads")
    # Whole, as the command may run in another folder (see Geodatabase).
    return os.path.abspath(layer.source()) if os.path.exists(layer.source()) else layer.source()


class Polygons(Spec):
    """Polygons read by the command from a vector file: one layer of a file
    of several as PATH|layername=NAME. What the command cannot name (a layer
    of another kind, only its selected or filtered features, the polygons
    of a file that holds other geometries too, a file read with open
    options) is written to a file first."""

    def make(self):
        return QgsProcessingParameterFeatureSource(self.name, self.label, [QgsProcessing.TypeVectorPolygon],
                                                   optional=self.optional)

    def value(self, run):
        if not self.given(run):
            return None
        layer = self.layer(run)
        name = layer_name(layer) if layer is not None else ""
        formats = ["gpkg", "geojson", "shp"] if name is not None else []
        path, _ = run.alg.parameterAsCompatibleSourceLayerPathAndLayerName(run.parameters, self.name, run.context,
                                                                           formats, "gpkg", run.feedback)
        # A file QGIS wrote holds that layer alone.
        if name and path == decoded(layer).get("path"):
            return f"{path}|layername={name}"
        return path

    def layer(self, run):
        """The layer given, also as a feature source definition (its selected
        features, a feature limit), of which QGIS gives no layer."""
        value = run.parameters[self.name]
        if isinstance(value, QgsProcessingFeatureSourceDefinition):
            value = value.source
        return run.alg.parameterAsVectorLayer({self.name: value}, self.name, run.context)


def decoded(layer):
    return QgsProviderRegistry.instance().decodeUri(layer.providerType(), layer.source())


def layer_name(layer):
    """The name the command takes the layer of an OGR file by: "" where it
    is the file's only layer of geometries and not named, None where no
    name picks just its features (the polygons of a file of points too,
    file.geojson|geometrytype=Polygon, a file read with open options such as
    file.shp|option:ENCODING=CP1252, which the command would read without).
    QGIS picks a layer by number (file.gpkg|layerid=1, the first where none
    is given); the command by name alone."""
    if layer.providerType() != "ogr":
        return ""
    parts = decoded(layer)
    if parts.get("geometryType") or parts.get("openOptions"):
        return None
    if parts.get("layerName"):
        return parts["layerName"]
    try:
        dataset = gdal.OpenEx(parts.get("path") or "", gdal.OF_VECTOR)
    except RuntimeError:  # GDAL's exceptions are on
        dataset = None
    if dataset is None:
        return ""
    layers = [dataset.GetLayer(i) for i in range(dataset.GetLayerCount())]
    number = parts.get("layerId")
    if number is None and sum(1 for one in layers if one.GetGeomType() != ogr.wkbNone) <= 1:
        return ""
    number = number or 0
    return layers[number].GetName() if 0 <= number < len(layers) else None


class Field(Spec):
    def __init__(self, name, option, label, help_text, parent):
        super().__init__(name, option, label, help_text, optional=True)
        self.parent = parent

    def make(self):
        return QgsProcessingParameterField(self.name, self.label, parentLayerParameterName=self.parent,
                                           optional=True)

    def value(self, run):
        fields = run.alg.parameterAsFields(run.parameters, self.name, run.context)
        return fields[0] if fields else None


class Bands(Spec):
    """Bands of the input raster, written as a list 1,2,3."""

    def __init__(self, name, option, label, help_text, parent="INPUT", advanced=False):
        super().__init__(name, option, label, help_text, optional=True, advanced=advanced)
        self.parent = parent

    def make(self):
        return QgsProcessingParameterBand(self.name, self.label, parentLayerParameterName=self.parent,
                                          optional=True, allowMultiple=True)

    def value(self, run):
        bands = run.alg.parameterAsInts(run.parameters, self.name, run.context)
        return ",".join(str(band) for band in bands) or None


INT_MAX = 2 ** 31 - 1


class Number(Spec):
    """An integer (kind int) or real (kind float) option with the command's
    default and range; without a default an optional one is left out."""

    def __init__(self, name, option, label, help_text, kind=float, default=None, minimum=None, maximum=None,
                 optional=False, advanced=False):
        super().__init__(name, option, label, help_text, optional, advanced)
        self.kind, self.default, self.minimum, self.maximum = kind, default, minimum, maximum

    def make(self):
        # QGIS's integer field holds a C int: a range beyond it (seeds up to
        # 4294967295) left the field stuck, so such integers are whole reals.
        int_field = self.kind is int and (self.maximum is None or self.maximum <= INT_MAX)
        number_type = QgsProcessingParameterNumber.Integer if int_field else QgsProcessingParameterNumber.Double
        definition = QgsProcessingParameterNumber(self.name, self.label, number_type, self.default, self.optional)
        if self.minimum is not None:
            definition.setMinimum(self.minimum)
        if self.maximum is not None:
            definition.setMaximum(self.maximum)
        if not int_field:
            # Rates and thresholds as small as 1e-8 must show as themselves.
            definition.setMetadata({"widget_wrapper": {"decimals": 10 if self.kind is float else 0}})
        return definition

    def value(self, run):
        if not self.given(run) and self.default is None:
            return None
        # Not parameterAsInt: it gives 0 for what a C int cannot hold, as
        # seeds up to 4294967295.
        value = run.alg.parameterAsDouble(run.parameters, self.name, run.context)
        if not math.isfinite(value):
            raise QgsProcessingException(f"{self.label} must be a finite number")
        if self.kind is int:
            return str(int(value + math.copysign(0.5, value)))  # halves away from 0, as QGIS rounds
        return repr(value)  # the shortest text that reads back as the same number


class Flag(Spec):
    def make(self):
        return QgsProcessingParameterBoolean(self.name, self.label, False, optional=True)

    def arguments(self, run):
        return [self.option] if run.alg.parameterAsBoolean(run.parameters, self.name, run.context) else []


class Text(Spec):
    def __init__(self, name, option, label, help_text, default=None, optional=False, advanced=False):
        super().__init__(name, option, label, help_text, optional, advanced)
        self.default = default

    def make(self):
        return QgsProcessingParameterString(self.name, self.label, self.default, optional=self.optional)

    def value(self, run):
        return run.alg.parameterAsString(run.parameters, self.name, run.context).strip() or None


class Choice(Spec):
    """One of the command's words (several, comma-separated, when multiple)."""

    def __init__(self, name, option, label, help_text, values, default, multiple=False, advanced=False):
        super().__init__(name, option, label, help_text, optional=multiple, advanced=advanced)
        self.values, self.multiple = list(values), multiple
        self.default = [self.values.index(v) for v in default] if multiple else self.values.index(default)

    def make(self):
        return QgsProcessingParameterEnum(self.name, self.label, self.values, self.multiple, self.default,
                                          optional=self.optional)

    def value(self, run):
        if self.multiple:
            chosen = run.alg.parameterAsEnums(run.parameters, self.name, run.context)
            return ",".join(self.values[i] for i in sorted(chosen)) or None
        return self.values[run.alg.parameterAsEnum(run.parameters, self.name, run.context)]


class FileIn(Spec):
    def __init__(self, name, option, label, help_text, file_filter="", optional=False):
        super().__init__(name, option, label, help_text, optional)
        self.file_filter = file_filter

    def make(self):
        return QgsProcessingParameterFile(self.name, self.label, QgsProcessingParameterFile.File, "", None,
                                          self.optional, self.file_filter)

    def value(self, run):
        return run.alg.parameterAsFile(run.parameters, self.name, run.context) or None


class Extent(Spec):
    """A map extent, given to the command as the pixel window (--srcwin)
    of the input raster that covers it."""

    def __init__(self, name, label, help_text, raster="INPUT"):
        super().__init__(name, "--srcwin", label, help_text, optional=True)
        self.raster = raster

    def make(self):
        return QgsProcessingParameterExtent(self.name, self.label, optional=True)

    def arguments(self, run):
        if not self.given(run):
            return []
        layer = run.alg.parameterAsRasterLayer(run.parameters, self.raster, run.context)
        extent = run.alg.parameterAsExtent(run.parameters, self.name, run.context, layer.crs())
        whole = layer.extent()
        x_size, y_size = layer.rasterUnitsPerPixelX(), layer.rasterUnitsPerPixelY()
        # The pixels the extent touches, within the image.
        first_column = max(0, math.floor((extent.xMinimum() - whole.xMinimum()) / x_size + 1e-9))
        last_column = min(layer.width(), math.ceil((extent.xMaximum() - whole.xMinimum()) / x_size - 1e-9))
        first_row = max(0, math.floor((whole.yMaximum() - extent.yMaximum()) / y_size + 1e-9))
        last_row = min(layer.height(), math.ceil((whole.yMaximum() - extent.yMinimum()) / y_size - 1e-9))
        if last_column <= first_column or last_row <= first_row:
            raise QgsProcessingException(f"{self.label}: the extent does not overlap '{layer.name()}'")
        return [self.option] + [str(v) for v in (first_column, first_row, last_column - first_column,
                                                 last_row - first_row)]


class RasterOut(Spec):
    """The result raster, in the format QGIS's file dialog chose by its
    extension; an existing file was confirmed by the user already."""
    def __init__(self, name, label, help_text, optional=False):
        super().__init__(name, "-o", label, help_text, optional)
        self.options = ("-o", "--of")

    def make(self):
        return QgsProcessingParameterRasterDestination(self.name, self.label, optional=self.optional)

    def arguments(self, run):
        path = run.alg.parameterAsOutputLayer(run.parameters, self.name, run.context)
        if not path:
            return []
        run.outputs[self.name] = path
        extension = os.path.splitext(path)[1]
        driver = QgsRasterFileWriter.driverForExtension(extension)
        if not driver or driver == "VRT":
            raise QgsProcessingException(f"{self.label}: no raster format writes '{extension}' files")
        # GeoTIFF is the command's default, with its own creation options.
        format_option = [] if driver == "GTiff" else ["--of", driver]
        return ["-o", path] + format_option


class FileOut(Spec):
    """A report, statistics file or picture the command writes."""

    def __init__(self, name, option, label, help_text, file_filter, optional=False):
        super().__init__(name, option, label, help_text, optional)
        self.file_filter = file_filter

    def make(self):
        return QgsProcessingParameterFileDestination(self.name, self.label, self.file_filter, optional=self.optional,
                                                     createByDefault=not self.optional)

    def arguments(self, run):
        path = run.alg.parameterAsFileOutput(run.parameters, self.name, run.context)
        if not path:
            return []
        run.outputs[self.name] = path
        return [self.option, path]


class Geodatabase(FileOut):
    """The legend's geodatabase. The command names a GeoPackage in at most
    64 bytes, by its path or, where shorter, the path relative to its
    working directory; a new one by the longer temporary name it is
    written under. It runs in the GeoPackage's folder, so that a path of
    any length (QGIS's temporary ones among them) fits."""

    def arguments(self, run):
        arguments = super().arguments(run)
        if not arguments or arguments[1].startswith("pg:"):
            return arguments
        path = run.outputs[self.name] = os.path.abspath(arguments[1])
        # A missing folder is left to the command, whose message names it.
        if os.path.isdir(os.path.dirname(path)):
            run.directory = os.path.dirname(path)
        return [self.option, path]


class CreationOptions(Text):
    """GDAL creation options KEY=VALUE, separated by | as in QGIS's GDAL
    algorithms; each becomes a --co."""

    def arguments(self, run):
        text = self.value(run) or ""
        arguments = []
        for item in text.split("|"):
            if item.strip():
                arguments += [self.option, item.strip()]
        return arguments


RESULT_TYPES = ["Byte", "Int8", "UInt16", "Int16", "UInt32", "Int32", "Float32", "Float64"]
