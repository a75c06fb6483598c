"""Classification of multi-band images: train a model once, apply it many times.

Images are paths (str or os.PathLike: anything GDAL reads); results are written as the command
line writes them (a tiled, compressed GeoTIFF by default, with class records,
colours and a QGIS style), under temporary names, moved into place only when
the call has succeeded. A call runs without holding the GIL; its progress
goes to ``progress(fraction, caption)`` when given; Ctrl-C stops it and
raises KeyboardInterrupt. Failures of the library raise ``ztclass.Error``; an
existing result without ``overwrite=True``, ``ztclass.ResultExistsError`` (a
FileExistsError and a ValueError); an argument of the wrong kind, TypeError,
and one that cannot work, ValueError, naming the argument.
"""

from .errors import Error, ResultExistsError
from .postclass import accuracy, clump, eliminate, sieve
from ._threads import cpu_count, set_threads, threads

from . import _native

if hasattr(_native, "Model"):
    from .models import Class, Model, from_bytes, load, train

# Like the command line, decide pixels on every core unless told otherwise.
set_threads(cpu_count())

__all__ = ["Error", "ResultExistsError", "accuracy", "clump", "cpu_count", "eliminate", "sieve", "set_threads",
           "threads"]
if hasattr(_native, "Model"):
    __all__ += ["Class", "Model", "from_bytes", "load", "train"]
