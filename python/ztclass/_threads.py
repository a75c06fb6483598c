"""The threads that decide pixels, shared by every call of the process."""

from . import _native
from ._paths import whole_number


def set_threads(count):
    """Decide pixels on count threads from now on, in every call of the
    process: 1 for the calling thread alone, at most 4 per core of the
    machine (ValueError otherwise). Every core by default, as on the
    command line."""
    _native.set_threads(whole_number(count, "count"))


def threads():
    """The number of threads that decide pixels (see set_threads)."""
    return _native.threads()


def cpu_count():
    """The number of cores of this machine, as GDAL counts them."""
    return _native.cpu_count()
