"""What the package's calls share: paths and result options."""

import os

from osgeo import gdal

from . import _native
from .errors import Error


def path(value):
    """A str of a path given as str or os.PathLike."""
    return os.fspath(value)


def optional_path(value):
    return None if value is None else os.fspath(value)


def whole_numbers(values, name):
    """values as ints; a value that is no whole number (a window 10.5 pixels
    wide, band 1.5) is refused rather than cut down to one."""
    numbers = [int(v) for v in values]
    for number, value in zip(numbers, values):
        if number != value:
            raise ValueError("%s takes whole numbers, got %r" % (name, value))
    return numbers


def band_list(bands, default=None):
    """The band numbers given, or default when none is (None: every band)."""
    if bands is None:
        return default
    numbers = whole_numbers(list(bands), "bands")
    if not numbers:
        raise ValueError("bands: the band list is empty")
    return numbers


def window_values(window):
    return None if window is None else whole_numbers(list(window), "window")


def result(window=None, format="GTiff", type="Byte", creation_options=(), overwrite=False):
    """The native description of an image to write.

    window is (xoff, yoff, xsize, ysize) of the source, as GDAL's tools
    spell it; creation_options a list of "KEY=VALUE" of GDAL's driver.
    """
    return _native.Result(format, type, list(creation_options), bool(overwrite),
                          window_values(window))


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
