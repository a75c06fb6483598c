"""Classifier models: train once, apply many times."""

import json
import numbers
from collections import namedtuple

import numpy as np

from . import _native
from ._paths import band_list, callback, optional_path, optional_text, result, text, window_values
from ._paths import path as _path

Class = namedtuple("Class", "number name colour")
Class.__doc__ = "A class a model decides: its number in the class image, name and colour (red, green, blue)."

# numpy's pixel types that the library reads as they are; the others are
# read as 64-bit floating point numbers, and signed bytes as 16-bit integers
# (an image in memory holds no signed bytes: GDAL read them as unsigned).
_PIXEL_TYPES = {
    np.dtype(np.uint8): _native.Byte,
    np.dtype(np.uint16): _native.UInt16, np.dtype(np.int16): _native.Int16,
    np.dtype(np.uint32): _native.UInt32, np.dtype(np.int32): _native.Int32,
    np.dtype(np.float32): _native.Float32, np.dtype(np.float64): _native.Float64,
}


def _colour(code):
    code = code.lstrip("#")
    return tuple(int(code[i:i + 2], 16) for i in (0, 2, 4))


class Model:
    """A trained classifier, made by train(), load() or from_bytes().

    Read-only once trained or loaded: one model may be applied by several
    threads at once. Pickled as its saved bytes; equal to the models of the
    same bytes. Its repr shows its method, bands and classes.
    """

    def __init__(self, native):
        self._native = native

    def describe(self):
        """What the model holds: method, parameters, bands, scaling, classes."""
        return json.loads(self._native.describe())

    @property
    def classes(self):
        """The classes the model decides, as Class(number, name, colour)
        tuples, colour (red, green, blue)."""
        return [Class(c["value"], c["name"], _colour(c["color"])) for c in self.describe()["classes"]]

    def bands(self):
        """The band numbers of the training image, which apply reads by default."""
        return list(self.describe()["bands"])

    def save(self, path, *, overwrite=False):
        """Write the model to the file path (str or os.PathLike), as the
        command line's train writes it; an existing file is replaced only
        with overwrite=True (ResultExistsError otherwise)."""
        self._native.save(_path(path, "path"), bool(overwrite))

    def to_bytes(self):
        """The model's file as bytes, which from_bytes() reads back."""
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

    # Classes by number and name (unsupervised ones have none); of many,
    # the first and the last, as numpy shows a long array.
    def __repr__(self):
        header = self.describe()
        classes = ["%d %r" % (c["value"], c["name"]) if c["name"] else str(c["value"]) for c in header["classes"]]
        listed = "classes " + ", ".join(classes)
        if len(classes) > 8:
            listed = "%d classes %s, ..., %s" % (len(classes), ", ".join(classes[:3]), classes[-1])
        return "<ztclass.Model %s: bands %s, %s>" % (header["method"], ",".join(map(str, header["bands"])), listed)

    def apply(self, image, output, window=None, confidence=None, *, bands=None, format="GTiff",
              type="Byte", creation_options=(), overwrite=False, progress=None):
        """Classify image into output, as the command line's apply writes it.

        image: the image to classify (a path GDAL reads); output: the class
        image to write, with its class records, colours and QGIS style.
        window: (xoff, yoff, xsize, ysize) of image in whole pixels, or None
        for all of it. confidence: a path for a Float32 image of each
        pixel's score, or None. bands: the band numbers of image to read (a
        list, or one number), by default the model's bands(). format: GDAL's
        driver of the results; type: the pixel type of output ("Byte",
        "UInt16", ...); creation_options: the driver's "KEY=VALUE" options
        (a list, one str or a dict). overwrite: replace results that exist
        (ResultExistsError otherwise). progress: called as
        progress(fraction, caption) as the work advances.
        """
        self._native.apply(_path(image, "image"), _path(output, "output"), band_list(bands, self.bands()),
                           optional_path(confidence, "confidence"),
                           result(window, format, type, creation_options, overwrite), callback(progress))

    def predict(self, array, nodata=None):
        """The classes of the pixels of array, as apply would decide them.

        array: pixel values shaped (bands, rows, columns), as GDAL's
        ReadAsArray and rasterio's read() give them, the model's band count
        of them, of any real numeric type (a numpy array, or what
        numpy.asarray takes); a single band of shape (rows, columns) is
        array[numpy.newaxis]. NaN is no-data, and so are the masked pixels
        of a numpy.ma.MaskedArray (rasterio's read(masked=True)). nodata:
        the no-data value of the image the array was read from, no-data
        where the model's method looks for it, as apply finds it there.
        Returns a uint8 array shaped (rows, columns): class numbers, 255 for
        no-data.
        """
        if nodata is not None:
            if not isinstance(nodata, numbers.Real):
                raise TypeError("nodata takes a number, got %s" % type(nodata).__name__)
            nodata = float(nodata)
        if np.ma.isMaskedArray(array) and np.ma.is_masked(array):
            array = np.ma.asarray(array, np.float64).filled(np.nan)
        array = np.asarray(array)
        if array.ndim != 3:
            raise ValueError("predict takes an array shaped (bands, rows, columns), got %d dimension(s), shape %s%s"
                             % (array.ndim, array.shape,
                                "; a single band is array[numpy.newaxis]" if array.ndim == 2 else ""))
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
        return self._native.predict(array, _PIXEL_TYPES[array.dtype], nodata)


def _plain(value):
    """numpy's numbers and arrays as Python's numbers and lists, for JSON."""
    if isinstance(value, (np.generic, np.ndarray)):
        return value.tolist()
    raise TypeError("got %s" % type(value).__name__)


def _parameters(params):
    """The method's parameters as the library reads them: JSON, "-" for "_"."""
    for name, value in params.items():
        try:
            json.dumps(value, default=_plain)
        except TypeError as error:
            raise TypeError("%s takes numbers, texts, bools or lists of them, %s" % (name, error)) from None
    return json.dumps({name.replace("_", "-"): value for name, value in params.items()}, default=_plain)


def train(method, image, aoi=None, bands=None, window=None, *, class_field=None, progress=None, **params):
    """Train a model of method on image and return it (a Model).

    method: "mindist", "box", "gmindist", "maxlike", "bp", "hrbp", "rbf" or
    "lvq2" (supervised), or "cluster-mindist", "cluster-box",
    "cluster-gmindist", "isodata", "kohonen", "art" or "fuzzy-art"
    (unsupervised, on the window's pixels). image: the training image (a
    path GDAL reads). aoi: the training polygons of supervised methods, any
    OGR vector file ("FILE|layername=NAME" for a layer of several); default
    the image's IMAGE.aoi.gpkg or IMAGE.aoi.geojson. bands: the band numbers
    to train on (a list, or one number), by default every band. window:
    (xoff, yoff, xsize, ysize) of image in whole pixels, or None for all of
    it. class_field: the polygons' field naming the class (default: class,
    classname, name or label). progress: called as progress(fraction,
    caption) as the training advances. params: the method's parameters, by
    the names that Model.describe() gives, with "_" for "-"
    (split_threshold for split-threshold); an unknown one raises Error.
    """
    native = _native.Model.train(text(method, "method"), _parameters(params), _path(image, "image"),
                                 optional_path(aoi, "aoi"), optional_text(class_field, "class_field"),
                                 band_list(bands), window_values(window), callback(progress))
    return Model(native)


def load(path):
    """A model read from the file path (str or os.PathLike), as Model.save
    or the command line's train write it."""
    return Model(_native.Model.load(_path(path, "path")))


def from_bytes(data):
    """A model from data, the bytes of Model.to_bytes() (or a bytearray or
    memoryview of them)."""
    if not isinstance(data, (bytes, bytearray, memoryview)):
        raise TypeError("data takes bytes, got %s" % type(data).__name__)
    return Model(_native.Model.from_bytes(bytes(data)))
