"""Classifier models: train once, apply many times."""

import json
from collections import namedtuple

import numpy as np

from . import _native
from ._paths import band_list, optional_path, path, result, window_values

# A class a model decides: its number in the class image, name and colour
# (red, green, blue).
Class = namedtuple("Class", "number name colour")

# numpy's pixel types that the library reads as they are; the others are
# read as 64-bit floating point numbers, and signed bytes as 16-bit integers
# (an image in memory holds no signed bytes: GDAL read them as unsigned).
_PIXEL_TYPES = {
    np.dtype(np.uint8): _native.Byte,
    np.dtype(np.uint16): _native.UInt16, np.dtype(np.int16): _native.Int16,
    np.dtype(np.uint32): _native.UInt32, np.dtype(np.int32): _native.Int32,
    np.dtype(np.float32): _native.Float32, np.dtype(np.float64): _native.Float64,
}


def _colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


class Model:
    """A trained classifier. Read-only once trained or loaded: one model may be
    applied by several threads at once. Pickled as its saved bytes."""

    def __init__(self, native):
        self._native = native

    def describe(self):
        """What the model holds: method, parameters, bands, scaling, classes."""
        return json.loads(self._native.describe())

    @property
    def classes(self):
        return [Class(c["value"], c["name"], _colour(c["color"])) for c in self.describe()["classes"]]

    def bands(self):
        """The band numbers of the training image, which apply reads by default."""
        return list(self.describe()["bands"])

    def save(self, target, *, overwrite=False):
        self._native.save(path(target), bool(overwrite))

    def to_bytes(self):
        return self._native.to_bytes()

    def __reduce__(self):
        return (from_bytes, (self.to_bytes(),))

    # Equal models are those of equal saved bytes: a model and its pickled
    # or reloaded copy, which classify alike.
    def __eq__(self, other):
        if not isinstance(other, Model):
            return NotImplemented
        return self.to_bytes() == other.to_bytes()

    def __hash__(self):
        return hash(self.to_bytes())

    def __repr__(self):
        header = self.describe()
        return "<ztclass.Model %s: bands %s, classes %s>" % (
            header["method"], ",".join(map(str, header["bands"])),
            ", ".join("%d %r" % (c["value"], c["name"]) for c in header["classes"]))

    def apply(self, image, output, window=None, confidence=None, *, bands=None, format="GTiff",
              type="Byte", creation_options=(), overwrite=False, progress=None):
        """Classify image (its window (xoff, yoff, xsize, ysize), or all of it)
        into output, as the command line's apply writes it; confidence, when
        given, is a Float32 image of each pixel's score."""
        self._native.apply(path(image), path(output), band_list(bands, self.bands()),
                           optional_path(confidence),
                           result(window, format, type, creation_options, overwrite), progress)

    def predict(self, array, nodata=None):
        """The classes (uint8, 255 for no-data) of an array shaped (bands,
        rows, columns) of any real numeric type; NaN is no-data, and so is
        nodata, the no-data value of the image the array was read from,
        where the model's method looks for it, as apply finds it there."""
        array = np.asarray(array)
        if array.ndim != 3:
            raise ValueError("predict takes an array shaped (bands, rows, columns), got %d dimensions"
                             % array.ndim)
        if array.shape[0] == 0:
            raise ValueError("predict takes an array of at least one band, got none")
        if array.dtype.kind not in "biuf":
            raise ValueError("predict takes real numbers, got %s" % array.dtype)
        if array.shape[1] == 0 or array.shape[2] == 0:
            # No pixels, no classes: GDAL holds no image without pixels.
            return np.empty(array.shape[1:], np.uint8)
        if array.dtype == np.bool_:
            array = array.astype(np.uint8)
        elif array.dtype == np.int8:
            array = array.astype(np.int16)
        elif array.dtype not in _PIXEL_TYPES:
            array = array.astype(np.float64)
        array = np.ascontiguousarray(array)
        return self._native.predict(array, _PIXEL_TYPES[array.dtype], None if nodata is None else float(nodata))


def train(method, image, aoi=None, bands=None, window=None, *, class_field=None, progress=None, **params):
    """Train a model of method ("mindist", "maxlike", "bp", "isodata", ...) on
    image: supervised methods on the polygons of aoi (any OGR vector file,
    "FILE|layername=NAME" for a layer of several; default: the image's
    IMAGE.aoi.gpkg or IMAGE.aoi.geojson), unsupervised
    ones on the window's pixels. params are the method's parameters, by the
    names that describe() gives, with "_" for "-" (split_threshold for
    split-threshold)."""
    parameters = {name.replace("_", "-"): value for name, value in params.items()}
    native = _native.Model.train(str(method), json.dumps(parameters), path(image), optional_path(aoi),
                                 class_field, band_list(bands), window_values(window), progress)
    return Model(native)


def load(source):
    """A model saved by Model.save or the command line's train."""
    return Model(_native.Model.load(path(source)))


def from_bytes(data):
    """A model from the bytes of Model.to_bytes."""
    return Model(_native.Model.from_bytes(bytes(data)))
