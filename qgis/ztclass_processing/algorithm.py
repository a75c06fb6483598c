"""One Processing algorithm per ztclass command, all of this one class: the
command's entry in commands.py says what it shows and what it runs."""
import os
import re

from qgis.core import (QgsProcessingAlgorithm, QgsProcessingException, QgsProcessingOutputNumber,
                       QgsProcessingOutputRasterLayer, QgsProcessingOutputString)

from . import runner
from .parameters import FileOut, RasterInPlace, RasterOut
from .style import style_on_load


class Run:
    """One run's parameter values, and the paths its outputs took."""

    def __init__(self, alg, parameters, context, feedback):
        self.alg, self.parameters, self.context, self.feedback = alg, parameters, context, feedback
        self.outputs = {}
        self.directory = None  # where the command runs; None: QGIS's working directory


class ZtclassAlgorithm(QgsProcessingAlgorithm):
    def __init__(self, command, program):
        super().__init__()
        self.command = command
        self.program = program  # () -> the configured path of ztclass, or ''

    def createInstance(self):  # noqa: N802 (QGIS's names, here and below)
        return ZtclassAlgorithm(self.command, self.program)

    def name(self):
        return self.command.name

    def displayName(self):  # noqa: N802
        return self.command.title

    def group(self):
        return self.command.group

    def groupId(self):  # noqa: N802
        return self.command.group.lower().replace(" ", "_").replace("-", "_")

    def shortHelpString(self):  # noqa: N802
        return f"{self.command.description}.\n\nRuns: ztclass {' '.join(self.command.words)}"

    def tags(self):
        return ["ztclass", "classification"] + self.command.words

    def initAlgorithm(self, config=None):  # noqa: N802
        for spec in self.command.specs:
            for definition in spec.definitions():
                self.addParameter(definition)
            if isinstance(spec, RasterInPlace):
                self.addOutput(QgsProcessingOutputRasterLayer("OUTPUT", "Changed class image"))
        for printed in self.command.printed:
            kind = QgsProcessingOutputNumber if printed.number else QgsProcessingOutputString
            self.addOutput(kind(printed.name, printed.label))

    def arguments(self, run):
        """The command line after the program: the command's words, its
        positional arguments, then its options."""
        positional, options = [], []
        for spec in self.command.specs:
            arguments = spec.arguments(run)
            (options if spec.option else positional).extend(arguments)
            if isinstance(spec, RasterInPlace):
                run.outputs["OUTPUT"] = arguments[0]
        return self.command.words + positional + options + (["--overwrite"] if self.replaces(run) else [])

    def replaces(self, run):
        """Whether the run may replace files: QGIS asked before replacing a
        result it names, but not the files that come with a new raster, a
        class file and style that may be another image's (map.cls of map.tif
        beside a new map.png). A new raster leaves them to the command,
        which refuses to replace them."""
        if not self.command.overwrite:
            return False
        rasters = [run.outputs[s.name] for s in self.command.specs if isinstance(s, RasterOut) and s.name in run.outputs]
        return all(os.path.exists(path) for path in rasters) and \
            any(os.path.exists(path) for path in run.outputs.values())

    def refusal_in_qgis(self, message):
        """The command's refusal to replace a file, said as it holds in QGIS,
        which has no --overwrite to give: the command names its options, the
        dialog the parameters' labels."""
        if not re.search(r"give --overwrite to replace it$", message, re.MULTILINE):
            return message
        labels = {option: spec.label for spec in self.command.specs if isinstance(spec, (FileOut, RasterOut))
                  for option in spec.options}
        message = re.sub(r"^ztclass: (-[-a-z]*): ",
                         lambda found: f"ztclass: {labels.get(found.group(1), found.group(1))}: ", message)
        return re.sub(r"give --overwrite to replace it$",
                      "a run whose result is new replaces no file that is there already (beside a new image, a "
                      "class file or style of its name may be another image's): remove or rename that file, or give "
                      "the outputs other names", message,
                      flags=re.MULTILINE)

    def labelled(self, message):
        """message with the command's options, outside quoted text (a path,
        a value), named by their labels in the dialog: what a run over Dask
        does not take (--png and --confidence do not go with --dask)."""
        labels = {option: spec.label for spec in self.command.specs for option in spec.options}
        parts = message.split("'")
        parts[::2] = [re.sub(r"(?<![\w-])--?[a-z][-a-z]*(?![\w-])",
                             lambda found: f"'{labels[found.group(0)]}'" if found.group(0) in labels
                             else found.group(0), part) for part in parts[::2]]
        return "'".join(parts)

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        run = Run(self, parameters, context, feedback)
        arguments = self.arguments(run)
        try:
            printed = runner.run(runner.program(self.program()), arguments, feedback, run.directory)
        except QgsProcessingException as error:
            message = str(error)
            if re.search(r"^ztclass: .*--dask", message, re.MULTILINE):
                raise QgsProcessingException(self.labelled(message)) from None
            if "--overwrite" in arguments:
                raise
            raise QgsProcessingException(self.refusal_in_qgis(message)) from None
        results = dict(run.outputs)
        for output in self.command.printed:
            if output.pattern is None:
                results[output.name] = printed
                continue
            found = output.pattern.search(printed)
            results[output.name] = (float(found.group(1)) if output.number else found.group(1)) if found else None
        for spec in self.command.specs:
            if isinstance(spec, RasterOut) and spec.name in run.outputs:
                style_on_load(run.outputs[spec.name], context)
        return results
