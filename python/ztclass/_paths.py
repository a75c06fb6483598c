"""What the package's calls share: their arguments checked as the native
calls take them (paths, numbers, names), and result options.

An argument of the wrong kind raises TypeError, one of the right kind that
cannot work ValueError, both naming the argument by its keyword: the
native calls would otherwise cut a number down, take a str letter by letter
or refuse it in words of their own signature.
"""

import collections.abc
import math
import numbers
import os

from osgeo import gdal

from . import _native
from .errors import Error


def _kind(value):
    return type(value).__name__


def path(value, name):
    """A path given as str, bytes or os.PathLike, as the native calls take it."""
    try:
        value = os.fspath(value)
    except TypeError:
        raise TypeError("%s takes a path (str or os.PathLike), got %s" % (name, _kind(value))) from None
    # The native calls end a path at its first NUL: another file's name.
    if ("\0" if isinstance(value, str) else b"\0") in value:
        raise ValueError("%s: a path holds no NUL character, got %r" % (name, value))
    return value


def optional_path(value, name):
    return None if value is None else path(value, name)


def text(value, name):
    """value, which must be a str."""
    if not isinstance(value, str):
        raise TypeError("%s takes a str, got %s" % (name, _kind(value)))
    return value


def optional_text(value, name):
    return None if value is None else text(value, name)


def texts(values, name):
    """A list of str from a sequence of them, or from one str alone."""
    if isinstance(values, str):
        return [values]
    if not isinstance(values, collections.abc.Iterable):
        raise TypeError("%s takes a str or a sequence of str, got %s" % (name, _kind(values)))
    return [text(v, name) for v in values]


def options(values, name):
    """GDAL's "KEY=VALUE" options from a sequence of them, one str, or a
    mapping of keys to values."""
    if isinstance(values, collections.abc.Mapping):
        return ["%s=%s" % (text(key, name), value) for key, value in values.items()]
    return texts(values, name)


def whole_number(value, name):
    """value as an int: an integer, or a real number without a fraction. A
    value with one (a window 10.5 pixels wide, band 1.5) is refused rather
    than cut down."""
    if isinstance(value, numbers.Integral):
        return int(value)
    if not isinstance(value, numbers.Real):
        raise TypeError("%s takes whole numbers, got %s %r" % (name, _kind(value), value))
    if not (math.isfinite(value) and float(value).is_integer()):
        raise ValueError("%s takes whole numbers, got %r" % (name, value))
    return int(value)


def whole_numbers(values, name):
    if isinstance(values, (str, bytes)) or not isinstance(values, collections.abc.Iterable):
        raise TypeError("%s takes a sequence of whole numbers, got %s" % (name, _kind(values)))
    return [whole_number(v, name) for v in values]


def band_list(bands, default=None):
    """The band numbers given, a sequence of them or one alone, or default
    when none is (None: every band)."""
    if bands is None:
        return default
    values = whole_numbers([bands] if isinstance(bands, numbers.Integral) else bands, "bands")
    if not values:
        raise ValueError("bands: the band list is empty")
    return values


def window_values(window):
    """(xoff, yoff, xsize, ysize) of a window, or None for the whole image."""
    if window is None:
        return None
    values = whole_numbers(window, "window")
    if len(values) != 4:
        raise ValueError("window takes (xoff, yoff, xsize, ysize), got %d values" % len(values))
    return values


def callback(progress):
    """progress, which must be None or called as progress(fraction, caption)."""
    if progress is not None and not callable(progress):
        raise TypeError("progress takes a function called as progress(fraction, caption), got %s"
                        % _kind(progress))
    return progress


def result(window=None, format="GTiff", type="Byte", creation_options=(), overwrite=False):
    """The native description of an image to write.

    window is (xoff, yoff, xsize, ysize) of the source, as GDAL's tools
    spell it; creation_options "KEY=VALUE" options of GDAL's driver.
    """
    return _native.Result(text(format, "format"), text(type, "type"), options(creation_options, "creation_options"),
                          bool(overwrite), window_values(window))


def checked_neighbours(value):
    """The neighbourhood of a clump: 4 or 8 pixels."""
    if value not in (4, 8):
        raise ValueError("neighbours must be 4 or 8, got %r" % (value,))
    return int(value)


def open_raster(image):
    """image opened by GDAL for reading; Error names GDAL's reason where it
    cannot be, whether or not the caller has GDAL raise exceptions."""
    gdal.ErrorReset()
    gdal.PushErrorHandler("CPLQuietErrorHandler")
    try:
        dataset, reason = gdal.OpenEx(image, gdal.OF_RASTER | gdal.OF_VERBOSE_ERROR), None
    except RuntimeError as error:
        dataset, reason = None, str(error)
    finally:
        gdal.PopErrorHandler()
    if dataset is None:
        reason = reason or gdal.GetLastErrorMsg() or "no raster format that GDAL reads recognises it"
        raise Error("cannot open raster '%s': %s" % (image, reason))
    return dataset
