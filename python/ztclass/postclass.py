"""Post-classification and accuracy assessment on paths.

Each writes what the command of the same name writes, byte for byte.
"""

from . import _native
from ._paths import checked_neighbours, optional_path, path, result


def clump(image, output, stats, *, neighbours=8, band=1, window=None, type="UInt32",
          format="GTiff", creation_options=(), overwrite=False, progress=None):
    """Number the connected regions of equal class (4 or 8 neighbours) of a
    class image into output, with a statistics file."""
    _native.clump(path(image), path(output), path(stats), checked_neighbours(neighbours), int(band),
                  result(window, format, type, creation_options, overwrite), progress)


def sieve(image, stats_in, output, stats, threshold, *, neighbours=8, band=1, window=None, type="UInt32",
          format="GTiff", creation_options=(), overwrite=False, progress=None):
    """Remove the clumps of fewer than threshold pixels from a clump image
    and renumber the others. With stats_in None, image is a class map whose
    clumps (of neighbours) are found in memory, as clump then sieve would
    find them; stats may then be None."""
    _native.sieve(path(image), optional_path(stats_in), path(output), optional_path(stats), int(threshold),
                  checked_neighbours(neighbours), int(band), result(window, format, type, creation_options, overwrite),
                  progress)


def eliminate(image, stats_in, output, stats, threshold, *, classes=None, neighbours=8, band=1, window=None,
              type="Byte", format="GTiff", creation_options=(), overwrite=False, progress=None):
    """Merge the clumps of fewer than threshold pixels into their largest
    neighbour and write a class image; classes names the original class
    image whose class records and colours the result takes. With stats_in
    None, image is a class map cleaned in one step, as clump then eliminate
    would clean it, and the result keeps its records and colours; stats may
    then be None."""
    _native.eliminate(path(image), optional_path(stats_in), path(output), optional_path(stats), int(threshold),
                      optional_path(classes), checked_neighbours(neighbours), int(band),
                      result(window, format, type, creation_options, overwrite), progress)


def accuracy(image, output, *, aoi=None, class_field=None, reference=None, points=None,
             point_classes=None, tables=("matrix", "class", "overall", "kappa"), overwrite=False,
             progress=None):
    """Assess a class image against reference polygons (aoi, attached to the
    class image or to reference) or check points (points, point_classes) and
    write the report; returns (overall accuracy, Kappa), whichever tables
    the report holds."""
    return _native.accuracy(path(image), path(output), optional_path(aoi), class_field,
                            optional_path(reference), optional_path(points),
                            optional_path(point_classes), list(tables), bool(overwrite), progress)
