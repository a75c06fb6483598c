"""Runs the ztclass program for an algorithm: its progress lines become the
feedback's progress, a cancel asks it to stop as Ctrl-C does, and a failure
becomes an exception that carries the command's own message."""
import codecs
import locale
import os
import queue
import re
import shutil
import signal
import subprocess
import threading
import time

from qgis.core import QgsProcessingException

STOPPED = 130  # the command's status after Ctrl-C: it removed what it wrote

# Progress as the command prints it when stderr is not a terminal: a
# phase's ticks "0...10...20...100 - done.", or a percentage "45%".
TICKS = re.compile(r"[0-9.]*[0-9][0-9.]*( - done\.?)?")
LAST_NUMBER = re.compile(r"(\d+)(\.*)$")
PERCENT = re.compile(r"(\d{1,3}(?:\.\d+)?)\s*%")
ESCAPE = re.compile(r"\x1b\[[0-9;?]*[A-Za-z]")


class StderrReader:
    """Reads the command's stderr as it arrives, however it is cut into
    chunks: progress to the feedback, every other line kept and shown."""

    def __init__(self, feedback):
        self.feedback = feedback
        self.line = ""
        self.lines = []

    def feed(self, text):
        for part in re.split(r"([\r\n])", text):
            if part in ("\r", "\n"):
                self.end_line()
            else:
                self.line += part
        self.progress(self.line)

    def end_line(self):
        line = ESCAPE.sub("", self.line).strip()
        self.line = ""
        if not line or self.progress(line):
            return
        self.lines.append(line)
        if line.startswith("ztclass: warning:"):
            self.feedback.pushWarning(line)
        elif not line.startswith("ztclass:"):
            self.feedback.setProgressText(line)
            self.feedback.pushInfo(line)

    def progress(self, line):
        """Sets the progress a (part of a) line shows; False when it shows none."""
        line = ESCAPE.sub("", line).strip()
        if TICKS.fullmatch(line):
            if line.endswith("done.") or line.endswith("done"):
                self.feedback.setProgress(100)
                return True
            number = LAST_NUMBER.search(line)
            if number:
                self.feedback.setProgress(min(100.0, int(number.group(1)) + 2.5 * len(number.group(2))))
            return True
        percents = PERCENT.findall(line)
        if percents and not line.startswith("ztclass:"):
            self.feedback.setProgress(min(100.0, float(percents[-1])))
            return True
        return False

    def message(self):
        """What the command said of its failure: from its first error line
        on, or all it said when no line names it."""
        for i, line in enumerate(self.lines):
            if line.startswith("ztclass:") and not line.startswith("ztclass: warning:"):
                return "\n".join(self.lines[i:])
        return "\n".join(self.lines)


def output_encoding():
    """The character set the command writes its texts in: the locale's, which
    the names given to it are in too; UTF-8 under the C locale, whose ASCII
    the command leaves its UTF-8 texts in."""
    encoding = locale.getencoding() if hasattr(locale, "getencoding") else locale.getpreferredencoding(False)
    return "utf-8" if codecs.lookup(encoding).name == "ascii" else encoding


def pump(stream, kind, sink):
    decoder = codecs.getincrementaldecoder(output_encoding())("replace")
    while True:
        data = os.read(stream.fileno(), 65536)
        sink.put((kind, decoder.decode(data, final=not data)))
        if not data:
            sink.put((kind, None))
            return


def program(setting):
    """The ztclass program: the provider's setting, else the one on PATH."""
    path = setting or shutil.which("ztclass")
    if not path or not os.access(path, os.X_OK):
        raise QgsProcessingException(
            "The ztclass program was not found: put it on PATH, or give its path in Settings > Options > "
            "Processing > Providers > ztclass" + (f" (now '{setting}')" if setting else ""))
    return os.path.abspath(path)


def run(executable, arguments, feedback, directory=None):
    """Runs the command in directory (None: this one) to its end; returns
    what it printed on stdout."""
    command = [executable] + arguments
    feedback.pushCommandInfo(subprocess.list2cmdline(command))
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               cwd=directory)
    sink = queue.Queue()
    threads = [threading.Thread(target=pump, args=(process.stdout, "out", sink), daemon=True),
               threading.Thread(target=pump, args=(process.stderr, "err", sink), daemon=True)]
    for thread in threads:
        thread.start()
    reader = StderrReader(feedback)
    printed, ended, stop_asked = [], 0, None
    while ended < 2 or process.poll() is None:
        try:
            kind, text = sink.get(timeout=0.1)
            if text is None:
                ended += 1
            elif kind == "out":
                printed.append(text)
            else:
                reader.feed(text)
        except queue.Empty:
            pass
        if feedback.isCanceled() and process.poll() is None:
            stop_asked = stop(process, stop_asked)
    for thread in threads:
        thread.join()
    process.stdout.close()
    process.stderr.close()
    reader.end_line()
    stdout = "".join(printed)
    for line in stdout.splitlines():
        feedback.pushInfo(line)
    # A command that finished before it saw the stop request keeps its result.
    if process.returncode == STOPPED or (stop_asked and process.returncode != 0):
        raise QgsProcessingException("Canceled: ztclass stopped and wrote no result")
    if process.returncode != 0:
        raise QgsProcessingException(reader.message() or f"ztclass ended with status {process.returncode}")
    return stdout


def stop(process, asked):
    """Ctrl-C once; a second after 5 s (the command then ends at once,
    still removing what it wrote); killed after 10 s."""
    now = time.monotonic()
    if asked is None:
        process.send_signal(signal.SIGINT)
        return now
    if now - asked > 10:
        process.kill()
    elif now - asked > 5 and not getattr(process, "second_interrupt", False):
        process.send_signal(signal.SIGINT)
        process.second_interrupt = True
    return asked
