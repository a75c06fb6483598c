"""Stop signals of a run: Ctrl-C, and for the command line's runs a batch
scheduler's SIGTERM and a closed terminal's SIGHUP, which stop it alike."""

import contextlib
import signal
import threading

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class CommandLine:
    """The command line's handler of the stop signals: each raises
    KeyboardInterrupt, so that the run removes what it wrote as it unwinds,
    unless the run's results are in place by then: the run is done, and
    says so."""

    def __init__(self):
        self.first = None
        self._results = []
        for number in SIGNALS:
            signal.signal(number, self)

    def __call__(self, number, frame):
        if self.first is None:
            self.first = number
        if not self.placed():
            raise KeyboardInterrupt

    def watch(self, result):
        self._results.append(result)

    def placed(self):
        """Whether a result of the run has been moved into place."""
        return any(result.committed for result in self._results)


_command_line = None


def command_line():
    """The command line's handler, installed for the process."""
    global _command_line
    _command_line = CommandLine()
    return _command_line


def watch(result):
    """result (a TiledResult) is the command line's run's, if one runs."""
    if _command_line is not None:
        _command_line.watch(result)


@contextlib.contextmanager
def held():
    """The stop signals that come in the block held back, then handed to
    their handlers: what the block does is done whole. Python handles
    signals on the main thread only; elsewhere the block holds nothing."""
    if threading.current_thread() is not threading.main_thread():
        yield
        return
    handlers = {number: signal.getsignal(number) for number in SIGNALS}
    handlers = {number: handler for number, handler in handlers.items() if callable(handler)}
    came = []
    for number in handlers:
        signal.signal(number, lambda number, frame: came.append((number, frame)))
    try:
        yield
    finally:
        for number, handler in handlers.items():
            signal.signal(number, handler)
        if came:
            handlers[came[0][0]](*came[0])


@contextlib.contextmanager
def kept_from_new_processes(number):
    """Signal number blocked in the threads started in the block, and so in
    every process that they start, for good; for this thread it comes,
    if it came, once the block is done."""
    previous = signal.pthread_sigmask(signal.SIG_BLOCK, {number})
    try:
        yield
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, previous)
