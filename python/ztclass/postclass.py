"""Post-classification and accuracy assessment on paths.

Each writes what the command of the same name writes, byte for byte.
"""

from . import _native
from ._paths import callback, checked_neighbours, optional_path, optional_text, path, result, texts, whole_number

# What the calls writing an image share, for their docstrings.
_RESULT_OPTIONS = """band: the band of image to read. window: (xoff, yoff,
    xsize, ysize) of image in whole pixels, or None for all of it. type:
    the pixel type of output ("Byte", "UInt16", "UInt32", ...); format:
    GDAL's driver of output; creation_options: the driver's "KEY=VALUE"
    options (a list, one str or a dict). overwrite: replace results that
    exist (ResultExistsError otherwise). progress: called as
    progress(fraction, caption) as the work advances."""


def _documented(function):
    function.__doc__ = function.__doc__.replace("RESULT_OPTIONS", _RESULT_OPTIONS)
    return function


@_documented
def clump(image, output, stats, *, neighbours=8, band=1, window=None, type="UInt32",
          format="GTiff", creation_options=(), overwrite=False, progress=None):
    """Number the connected regions of equal class of a class image.

    image: the class image (a path GDAL reads); output: the clump image to
    write; stats: the statistics file to write (each clump's class and
    pixel count), which sieve and eliminate read. neighbours: 4 or 8, the
    pixels that touch. RESULT_OPTIONS
    """
    _native.clump(path(image, "image"), path(output, "output"), path(stats, "stats"), checked_neighbours(neighbours),
                  whole_number(band, "band"), result(window, format, type, creation_options, overwrite),
                  callback(progress))


@_documented
def sieve(image, stats_in, output, stats, threshold, *, neighbours=8, band=1, window=None, type="UInt32",
          format="GTiff", creation_options=(), overwrite=False, progress=None):
    """Remove the clumps of fewer than threshold pixels and renumber the others.

    image: a clump image with its statistics file stats_in (as clump writes
    them); or, with stats_in None, a class map whose clumps (of neighbours,
    4 or 8) are found in memory, as clump then sieve would find them.
    output: the clump image to write; stats: its statistics file, which may
    be None when stats_in is. threshold: the fewest pixels a clump keeps.
    RESULT_OPTIONS
    """
    _native.sieve(path(image, "image"), optional_path(stats_in, "stats_in"), path(output, "output"),
                  optional_path(stats, "stats"), whole_number(threshold, "threshold"), checked_neighbours(neighbours),
                  whole_number(band, "band"), result(window, format, type, creation_options, overwrite),
                  callback(progress))


@_documented
def eliminate(image, stats_in, output, stats, threshold, *, classes=None, neighbours=8, band=1, window=None,
              type="Byte", format="GTiff", creation_options=(), overwrite=False, progress=None):
    """Merge the clumps of fewer than threshold pixels into their largest
    neighbour and write a class image.

    image: a clump image with its statistics file stats_in (as clump writes
    them), and classes the original class image, whose class records and
    colours the result takes; or, with stats_in None, a class map cleaned in
    one step (its clumps of neighbours, 4 or 8), as clump then eliminate
    would clean it, the result keeping its records and colours. output: the
    class image to write; stats: the statistics file of its clumps, which
    may be None when stats_in is. threshold: the fewest pixels a clump keeps.
    RESULT_OPTIONS
    """
    _native.eliminate(path(image, "image"), optional_path(stats_in, "stats_in"), path(output, "output"),
                      optional_path(stats, "stats"), whole_number(threshold, "threshold"),
                      optional_path(classes, "classes"), checked_neighbours(neighbours), whole_number(band, "band"),
                      result(window, format, type, creation_options, overwrite), callback(progress))


def accuracy(image, output, *, aoi=None, class_field=None, reference=None, points=None,
             point_classes=None, tables=("matrix", "class", "overall", "kappa"), overwrite=False,
             progress=None):
    """Assess a class image against reference polygons or check points, write
    the report, and return (overall accuracy, Kappa).

    image: the class image, with class records. output: the report to write
    (UTF-8 text). aoi: the reference polygons, class k compared with class k
    of the image (any OGR vector file; default: the reference image's
    IMAGE.aoi.gpkg or IMAGE.aoi.geojson); class_field: their field naming
    the class. reference: the image the polygons are attached to, of the
    class image's pixel grid (default: the class image). points: a file of
    check-point coordinates (a count, then that many x y pairs in map
    units) and point_classes the file of their reference classes (a count,
    then that many classes), both or neither, in place of polygons. tables: the report's tables, of "matrix", "class", "overall"
    and "kappa" (a list, or one name). overwrite: replace a report that
    exists (ResultExistsError otherwise). progress: called as
    progress(fraction, caption) as the work advances.
    """
    return _native.accuracy(path(image, "image"), path(output, "output"), optional_path(aoi, "aoi"),
                            optional_text(class_field, "class_field"), optional_path(reference, "reference"),
                            optional_path(points, "points"), optional_path(point_classes, "point_classes"),
                            texts(tables, "tables"), bool(overwrite), callback(progress))
