"""What a worker process of a cluster sets once, before its first task."""

import os

from . import _native

_ready = False

# The process of a run's client. A cluster of threads runs its tasks in the
# caller's own process, whose settings are the caller's: they stay.
_client = None


def client_here():
    global _client
    _client = os.getpid()


def ready():
    global _ready
    if _ready or _client == os.getpid():
        return
    # A worker runs as many tasks at once as it has threads, the cluster's
    # way to use the cores: a task that also classified and compressed on
    # every core would make each core run several.
    _native.set_threads(1)
    # Tile after tile allocates and frees the same large buffers: kept in
    # the process rather than mapped afresh for every task.
    _native.keep_freed_memory()
    _ready = True
