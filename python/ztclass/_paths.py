"""What the package's calls share: paths and result options."""

import os

from . import _native


def path(value):
    """A str of a path given as str or os.PathLike."""
    return os.fspath(value)


def optional_path(value):
    return None if value is None else os.fspath(value)


def result(window=None, format="GTiff", type="Byte", creation_options=(), overwrite=False):
    """The native description of an image to write.

    window is (xoff, yoff, xsize, ysize) of the source, as GDAL's tools
    spell it; creation_options a list of "KEY=VALUE" of GDAL's driver.
    """
    return _native.Result(format, type, list(creation_options), bool(overwrite),
                          None if window is None else [int(v) for v in window])


def checked_neighbours(value):
    """The neighbourhood of a clump: 4 or 8 pixels."""
    if value not in (4, 8):
        raise ValueError("neighbours must be 4 or 8, got %r" % (value,))
    return int(value)
