"""Every ztclass algorithm run through QGIS Processing on the sample scene
gives what the ztclass command, run directly with the options the user
would type, gives; a cancelled run leaves nothing; a failing run raises the
command's own message; a class map loads with a paletted renderer of its
classes.

Usage: processing_test.py ZTCLASS SCENE DATA_DIR (the folder of the
training and reference polygons). Exits 0 when all holds, 1 otherwise."""
import filecmp
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from qgis_session import HERE, start

ZTCLASS, SCENE, DATA = sys.argv[1:4]
session = start(ZTCLASS)

import processing  # noqa: E402 (after QGIS starts)
from osgeo import gdal, ogr  # noqa: E402
from qgis.core import (QgsPalettedRasterRenderer, QgsProcessingContext, QgsProcessingException,  # noqa: E402
                       QgsProcessingFeatureSourceDefinition, QgsProcessingFeedback,
                       QgsProcessingOutputLayerDefinition, QgsProcessingUtils, QgsProject, QgsVectorLayer)

gdal.UseExceptions()
TRAINING = os.path.join(DATA, "olinda_training.geojson")
REFERENCE = os.path.join(DATA, "olinda_reference.geojson")
# Short paths, not under the runner's scratch folder: a geodatabase's name
# holds at most 64 bytes.
work = tempfile.mkdtemp(prefix="ztq", dir="/tmp")
failures = []

# The scene's grid: 28.5 m pixels from this corner (gdalinfo).
info = gdal.Info(SCENE, format="json")["geoTransform"]
X0, Y0, PIXEL = info[0], info[3], info[1]


def cli(*arguments, quiet=True):
    return subprocess.run([ZTCLASS] + (["-q"] if quiet else []) + [str(a) for a in arguments],
                          capture_output=True, text=True)


def side(name):
    path = os.path.join(work, name)
    os.makedirs(path)
    return path


def same_raster(a, b):
    da, db = gdal.Open(a), gdal.Open(b)
    if (da.RasterXSize, da.RasterYSize, da.RasterCount) != (db.RasterXSize, db.RasterYSize, db.RasterCount):
        return "sizes differ"
    if da.GetGeoTransform() != db.GetGeoTransform():
        return "georeferencing differs"
    for i in range(1, da.RasterCount + 1):
        ba, bb = da.GetRasterBand(i), db.GetRasterBand(i)
        if ba.DataType != bb.DataType or ba.ReadRaster() != bb.ReadRaster():
            return f"band {i} differs"
        if ba.GetDescription() != bb.GetDescription() or ba.GetCategoryNames() != bb.GetCategoryNames():
            return f"band {i}'s names differ"
    for suffix in (".cls", ".qml"):
        fa, fb = os.path.splitext(a)[0] + suffix, os.path.splitext(b)[0] + suffix
        if os.path.exists(fa) != os.path.exists(fb) or (os.path.exists(fa) and not filecmp.cmp(fa, fb, False)):
            return f"{suffix} files differ"
    return None


def same_file(a, b):
    return None if filecmp.cmp(a, b, False) else "contents differ"


def same_gpkg(a, b):
    def dump(path):
        source = ogr.Open(path)
        return [(layer.GetName(), [(f.GetGeometryRef().ExportToWkt(), f.items()) for f in layer])
                for layer in source if not layer.GetName().startswith("layer_styles")]
    return None if dump(a) == dump(b) else "layers differ"


def compare(name, results, expected):
    for key, (path, check) in expected.items():
        got = results.get(key)
        if got is None or not os.path.exists(got):
            failures.append(f"{name}: no {key} at {got}")
            continue
        why = check(got, path)
        if why:
            failures.append(f"{name}: {key} {why} from the command's")


# A class map, a clump image and its statistics that the post-classification
# and assessment cases read, made by the command itself.
inputs = side("inputs")
MAP, CLUMPS, STATS = (os.path.join(inputs, n) for n in ("map.tif", "clumps.tif", "clumps.txt"))
assert cli("mindist", SCENE, "--aoi", TRAINING, "-o", MAP).returncode == 0
assert cli("clump", MAP, "-o", CLUMPS, "--stats", STATS).returncode == 0
MODEL = os.path.join(inputs, "mindist.model")
assert cli("train", "mindist", SCENE, "--aoi", TRAINING, "-o", MODEL).returncode == 0
CLASS_LIST = os.path.join(inputs, "classes.txt")
with open(CLASS_LIST, "w", encoding="utf-8") as out:
    out.write("1\tSea\t#102030\n2\tForest\t#20A020\tdense\n3\tCity\t#C03030\n")

# The extent of columns 40..339 and rows 30..329: --srcwin 40 30 300 300.
EXTENT = f"{X0 + 40 * PIXEL},{X0 + 340 * PIXEL},{Y0 - 330 * PIXEL},{Y0 - 30 * PIXEL}"
SUPERVISED = {"INPUT": SCENE, "AOI": TRAINING}
DEEP = os.path.join(inputs, "a folder of a long name", "and one deeper")
os.makedirs(DEEP)

# name, Processing parameters, the command line, outputs compared ({o}: the
# folder of each side's results).
RASTER = ("OUTPUT", "r.tif", same_raster)
CASES = [
    ("mindist", dict(SUPERVISED, BANDS=[3, 4, 5], DEV_FACTOR="2.5", QUICKLOOK="{o}/q.png"),
     ["mindist", SCENE, "--aoi", TRAINING, "--bands", "3,4,5", "--dev-factor", "2.5", "--png", "{o}/q.png"],
     [RASTER, ("QUICKLOOK", "q.png", same_file)]),
    ("gmindist", dict(SUPERVISED, NO_DEV_TEST=True, CLASS_FIELD="name"),
     ["gmindist", SCENE, "--aoi", TRAINING, "--no-dev-test", "--class-field", "name"], [RASTER]),
    ("maxlike", dict(SUPERVISED, BANDS=[2, 3, 4, 5], THREADS=1),
     ["maxlike", SCENE, "--aoi", TRAINING, "--bands", "2,3,4,5", "--threads", 1], [RASTER]),
    ("unmix", dict(SUPERVISED), ["unmix", SCENE, "--aoi", TRAINING], [RASTER]),
    ("cluster_mindist", dict(INPUT=SCENE, CLASSES=6, DISPLAY_BANDS=[4, 3, 2]),
     ["cluster-mindist", SCENE, "--classes", 6, "--display-bands", "4,3,2"], [RASTER]),
    ("cluster_box", dict(INPUT=SCENE, CLASSES=4, INTERVAL=3, DATA_TYPE=2),
     ["cluster-box", SCENE, "--classes", 4, "--interval", 3, "--ot", "UInt16"], [RASTER]),
    ("isodata", dict(INPUT=SCENE, CLASSES=6, STRETCH=0, ITERATIONS=5, MIN_SIZE=100),
     ["isodata", SCENE, "--classes", 6, "--stretch", "none", "--iterations", 5, "--min-size", 100], [RASTER]),
    ("bp", dict(SUPERVISED, SEED=3, HIDDEN="4", EPOCHS=150, RATE=0.01),
     ["bp", SCENE, "--aoi", TRAINING, "--seed", 3, "--hidden", "4", "--epochs", 150, "--rate", 0.01], [RASTER]),
    ("hrbp", dict(SUPERVISED, SEED=4294967295, EPOCHS=50),
     ["hrbp", SCENE, "--aoi", TRAINING, "--seed", 4294967295, "--epochs", 50], [RASTER]),
    ("fuzzy_art", dict(INPUT=SCENE, CLUSTERS=6, BANDS=[4, 5], OUTPUT="{o}/r.img"),
     ["fuzzy-art", SCENE, "--clusters", 6, "--bands", "4,5", "--of", "HFA", "-o", "{o}/r.img"], [("OUTPUT", "r.img", same_raster)]),
    ("train_maxlike", dict(SUPERVISED, BANDS=[2, 3, 4, 5], OUTPUT="{o}/m.model"),
     ["train", "maxlike", SCENE, "--aoi", TRAINING, "--bands", "2,3,4,5", "-o", "{o}/m.model"],
     [("OUTPUT", "m.model", same_file)]),
    ("apply", dict(MODEL=MODEL, INPUT=SCENE, EXTENT=EXTENT, CONFIDENCE="{o}/c.tif"),
     ["apply", MODEL, SCENE, "--srcwin", 40, 30, 300, 300, "--confidence", "{o}/c.tif"],
     [RASTER, ("CONFIDENCE", "c.tif", same_raster)]),
    ("clump", dict(INPUT=MAP, NEIGHBOURS=0, STATS="{o}/s.txt"),
     ["clump", MAP, "--neighbours", 4, "--stats", "{o}/s.txt"], [RASTER, ("STATS", "s.txt", same_file)]),
    ("sieve", dict(INPUT=CLUMPS, STATS_IN=STATS, THRESHOLD=12, STATS="{o}/s.txt"),
     ["sieve", CLUMPS, "--stats-in", STATS, "--threshold", 12, "--stats", "{o}/s.txt"],
     [RASTER, ("STATS", "s.txt", same_file)]),
    ("eliminate", dict(INPUT=CLUMPS, STATS_IN=STATS, THRESHOLD=12, CLASSES=MAP, STATS="{o}/s.txt"),
     ["eliminate", CLUMPS, "--stats-in", STATS, "--threshold", 12, "--classes", MAP, "--stats", "{o}/s.txt"],
     [RASTER, ("STATS", "s.txt", same_file)]),
    ("accuracy", dict(INPUT=MAP, AOI=REFERENCE, TABLES=[0, 2], OUTPUT="{o}/a.txt"),
     ["accuracy", MAP, "--aoi", REFERENCE, "--tables", "matrix,overall", "-o", "{o}/a.txt"],
     [("OUTPUT", "a.txt", same_file)]),
    ("area", dict(INPUT=MAP, OUTPUT="{o}/a.txt"), ["area", MAP, "-o", "{o}/a.txt"], [("OUTPUT", "a.txt", same_file)]),
    ("legend", dict(INPUT=MAP, GDB="{o}/l.gpkg", X=0, Y=0, SIZE=50, UNCLASSIFIED=True),
     ["legend", MAP, "--gdb", "{o}/l.gpkg", "--x", 0, "--y", 0, "--size", 50, "--unclassified"],
     [("GDB", "l.gpkg", same_gpkg)]),
    # Geodatabases whose paths are longer than the name the command takes.
    ("legend", dict(INPUT=MAP, GDB="TEMPORARY_OUTPUT"), ["legend", MAP, "--gdb", "{o}/l.gpkg"],
     [("GDB", "l.gpkg", same_gpkg)]),
    ("legend", dict(INPUT=MAP, GDB=os.path.join(DEEP, "l.gpkg")), ["legend", MAP, "--gdb", "{o}/l.gpkg"],
     [("GDB", "l.gpkg", same_gpkg)]),
]


def fill(value, folder):
    return value.replace("{o}", folder) if isinstance(value, str) else value


def run_case(number, name, parameters, command, outputs):
    mine, theirs = side(f"{number}-{name}-p"), side(f"{number}-{name}-c")
    parameters = {k: fill(v, mine) for k, v in parameters.items()}
    parameters.setdefault("OUTPUT", os.path.join(mine, "r.tif"))
    command = [fill(a, theirs) for a in command]
    if any(o[0] == "OUTPUT" and o[1] == "r.tif" for o in outputs):
        command += ["-o", os.path.join(theirs, "r.tif")]
    # The figures of an assessment are printed without -q only.
    done = cli(*command, quiet=name != "accuracy")
    if done.returncode != 0:
        failures.append(f"{name}: the command failed: {done.stderr}")
        return None
    try:
        results = processing.run("ztclass:" + name, parameters)
    except QgsProcessingException as error:
        failures.append(f"{name}: {error}")
        return None
    compare(name, results, {key: (os.path.join(theirs, file), check) for key, file, check in outputs})
    return results, done


for number, case in enumerate(CASES):
    outcome = run_case(number, *case)
    if case[0] == "accuracy" and outcome:
        results, done = outcome
        printed = f"Overall accuracy {results['OVERALL_ACCURACY']:g}, Kappa {results['KAPPA']:g}"
        if printed not in done.stdout:
            failures.append(f"accuracy: the outputs give '{printed}', the command printed {done.stdout!r}")

# Polygons given as one layer of a file of several train on that layer's
# features alone, as the command does on a file of just those. The command
# reads a whole layer of the user's file itself, named as it takes it;
# what it cannot name (the polygons of a file that holds a point too, a
# filter, a selection) QGIS writes to a file of its own.
folder = side("layers")
LAYERS, MIXED = os.path.join(folder, "layers.gpkg"), os.path.join(folder, "mixed.geojson")
subsets = {}
for name, count in (("all", 9), ("layers", 5), ("six", 6)):
    query = f"SELECT * FROM olinda_training LIMIT {count}"
    gdal.VectorTranslate(LAYERS, TRAINING, layerName=name, SQLStatement=query,
                         accessMode="update" if subsets else None)
    subsets[name] = os.path.join(folder, f"{name}.geojson")
    gdal.VectorTranslate(subsets[name], TRAINING, SQLStatement=query)
with open(TRAINING, encoding="utf-8") as polygons:
    mixed = json.load(polygons)
first = mixed["features"][0]
mixed["features"].append({"type": "Feature", "properties": first["properties"],
                          "geometry": {"type": "Point", "coordinates": first["geometry"]["coordinates"][0][0]}})
with open(MIXED, "w", encoding="utf-8") as out:
    json.dump(mixed, out)
selected = QgsVectorLayer(f"{LAYERS}|layername=all", "selected", "ogr")
QgsProject.instance().addMapLayer(selected)
selected.selectByIds(list(range(1, 7)))


class CommandSeen(QgsProcessingFeedback):
    def __init__(self):
        super().__init__()
        self.commands = []

    def pushCommandInfo(self, info):  # noqa: N802 (QGIS's name)
        self.commands.append(info)


# source, the layer whose features train, what the command is given (None:
# a file QGIS wrote).
for number, (source, expected, given) in enumerate((
        (f"{LAYERS}|layername=layers", "layers", f"{LAYERS}|layername=layers"),
        (f"{LAYERS}|layerid=2", "six", f"{LAYERS}|layername=six"),
        (f"{LAYERS}|layerid=0", "all", f"{LAYERS}|layername=all"),
        (LAYERS, "all", f"{LAYERS}|layername=all"),
        (QgsProcessingFeatureSourceDefinition(f"{LAYERS}|layerid=2"), "six", f"{LAYERS}|layername=six"),
        (TRAINING, "all", TRAINING),
        (f"{MIXED}|geometrytype=Polygon", "all", None),
        (f'{LAYERS}|layername=all|subset="fid" <= 6', "six", None),
        (QgsProcessingFeatureSourceDefinition(selected.id(), True), "six", None))):
    model, theirs = os.path.join(folder, f"{number}-p.model"), os.path.join(folder, f"{number}-c.model")
    cli("train", "mindist", SCENE, "--aoi", subsets[expected], "-o", theirs)
    feedback = CommandSeen()
    try:
        processing.run("ztclass:train_mindist", {"INPUT": SCENE, "AOI": source, "OUTPUT": model}, feedback=feedback)
    except QgsProcessingException as error:
        failures.append(f"train_mindist: polygons {source}: {error}")
        continue
    if not filecmp.cmp(model, theirs, False):
        failures.append(f"train_mindist: polygons {source} did not train on the {expected} layer's features")
    aoi = feedback.commands[0].split(" --aoi ")[1].split(" ")[0]
    if aoi != given if given else aoi.startswith(folder):
        failures.append(f"train_mindist: polygons {source} reached the command as {aoi}")
QgsProject.instance().removeMapLayer(selected)

# Polygons QGIS reads with open options (nested properties flattened into
# fields p_class, p_name) reach the command as QGIS reads them: it would
# read the file without them, and find no field p_class.
NESTED, FLAT = os.path.join(folder, "nested.geojson"), os.path.join(folder, "flat.geojson")
with open(TRAINING, encoding="utf-8") as polygons:
    nested = json.load(polygons)
for feature in nested["features"]:
    feature["properties"] = {"p": feature["properties"]}
with open(NESTED, "w", encoding="utf-8") as out:
    json.dump(nested, out)
gdal.VectorTranslate(FLAT, gdal.OpenEx(NESTED, gdal.OF_VECTOR, open_options=["FLATTEN_NESTED_ATTRIBUTES=YES"]))
model, theirs = os.path.join(folder, "options-p.model"), os.path.join(folder, "options-c.model")
cli("train", "mindist", SCENE, "--aoi", FLAT, "--class-field", "p_class", "-o", theirs)
try:
    processing.run("ztclass:train_mindist", {"INPUT": SCENE, "AOI": f"{NESTED}|option:FLATTEN_NESTED_ATTRIBUTES=YES",
                                             "CLASS_FIELD": "p_class", "OUTPUT": model})
    if not filecmp.cmp(model, theirs, False):
        failures.append("train_mindist: polygons read with open options trained otherwise than the command")
except QgsProcessingException as error:
    failures.append(f"train_mindist: polygons read with open options: {error}")

# Class records: the command changes the image where it lies, so each side
# works on its own copy.
copies = {}
for name in ("processing", "command"):
    folder = side("records-" + name)
    for path in glob.glob(os.path.splitext(MAP)[0] + ".*"):
        shutil.copy(path, folder)
    copies[name] = os.path.join(folder, "map.tif")
processing.run("ztclass:classes_write", {"INPUT": copies["processing"], "FROM": CLASS_LIST})
cli("classes", "write", copies["command"], "--from", CLASS_LIST)
processing.run("ztclass:recode", {"INPUT": MAP, "RESULT": copies["processing"], "MAP": "3=2,2=1"})
cli("recode", MAP, copies["command"], "--map", "3=2,2=1")
why = same_raster(copies["processing"], copies["command"])
if why:
    failures.append(f"classes_write and recode: the changed image's {why} from the command's")
shown = processing.run("ztclass:classes_show", {"INPUT": copies["processing"]})["RECORDS"]
if shown != cli("classes", "show", copies["command"]).stdout or "Forest" not in shown:
    failures.append(f"classes_show gave {shown!r}")

# The class map loads styled: a paletted renderer of its classes (the
# training polygons' names), as QGIS loads an algorithm's result when the
# dialog's "Open output file" is ticked; in whatever format it was written.
polygons = ogr.Open(TRAINING)
training = {f["class"]: f["name"] for f in polygons.GetLayer()}
for file in ("r.tif", "r.png", "r.gpkg"):
    context, feedback = QgsProcessingContext(), QgsProcessingFeedback()
    styled = os.path.join(side("styled-" + file), file)
    loaded = QgsProcessingOutputLayerDefinition(styled, QgsProject.instance())
    processing.run("ztclass:maxlike", dict(SUPERVISED, OUTPUT=loaded), context=context, feedback=feedback)
    details = context.layersToLoadOnCompletion().get(styled)
    layer = QgsProcessingUtils.mapLayerFromString(styled, context, typeHint=QgsProcessingUtils.LayerHint.Raster)
    if details is None or details.postProcessor() is None or layer is None:
        failures.append(f"maxlike: its result {file} is not loaded with a style")
        continue
    details.postProcessor().postProcessLayer(layer, context, feedback)
    renderer = layer.renderer()
    names = {c.value: c.label for c in renderer.classes()} if isinstance(renderer, QgsPalettedRasterRenderer) else {}
    if {v: n for v, n in names.items() if v != 0} != training:
        failures.append(f"maxlike: {file} renderer {type(renderer).__name__} with classes {names}, expected {training}")


class CancelOnProgress(QgsProcessingFeedback):
    """Cancels once the command has shown progress, and keeps what it showed."""

    def __init__(self):
        super().__init__()
        self.seen, self.timer = [], None
        self.progressChanged.connect(self.progressed)

    def progressed(self, percent):
        self.seen.append(percent)
        if 0 < percent < 100 and not self.timer:
            self.timer = threading.Timer(0.2, self.cancel)
            self.timer.start()


# Cancelled in the middle of training: no result and no temporary file left.
folder = side("cancelled")
feedback = CancelOnProgress()
try:
    processing.run("ztclass:bp", dict(SUPERVISED, EPOCHS=1000000, ERROR=0, OUTPUT=f"{folder}/r.tif"),
                   feedback=feedback)
    failures.append("bp: a cancelled run returned results")
except QgsProcessingException as error:
    if "Canceled" not in str(error):
        failures.append(f"bp: a cancelled run raised {error}")
if os.listdir(folder):
    failures.append(f"bp: a cancelled run left {os.listdir(folder)}")
if not any(0 < p < 100 for p in feedback.seen):
    failures.append(f"bp: no progress before the cancel ({feedback.seen})")

# Cancelled while a local Dask cluster applies a model: the run ends, its
# worker processes with it, and leaves no result. The processes are told
# by a mark in their environment, which they inherit from this one.
folder = side("cancelled-dask")
LARGE = os.path.join(side("large"), "large.tif")
gdal.Translate(LARGE, SCENE, width=4000, height=4000)
os.environ["ZTCLASS_TEST_RUN"] = mark = f"{os.getpid()}-dask"


def marked():
    processes = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as environ:
                if f"ZTCLASS_TEST_RUN={mark}".encode() in environ.read().split(b"\0"):
                    processes.append(pid)
        except OSError:
            pass
    return processes


feedback = CancelOnProgress()
try:
    processing.run("ztclass:apply", {"MODEL": MODEL, "INPUT": LARGE, "DASK": "local:2", "TILE": 256,
                                     "OUTPUT": f"{folder}/r.tif"}, feedback=feedback)
    failures.append("apply --dask: a cancelled run returned results")
except QgsProcessingException as error:
    if "needs the Python package" in str(error):
        print(f"skipped the cancel of a run over Dask: {error}")
    elif "Canceled" not in str(error):
        failures.append(f"apply --dask: a cancelled run raised {error}")
# A worker ends once it sees its parent gone.
deadline = time.monotonic() + 10
while marked() and time.monotonic() < deadline:
    time.sleep(0.2)
if marked():
    failures.append(f"apply --dask: a cancelled run left processes {marked()}")
if os.listdir(folder):
    failures.append(f"apply --dask: a cancelled run left {os.listdir(folder)}")
del os.environ["ZTCLASS_TEST_RUN"]

# What a run over Dask does not write is named as the dialog labels it.
try:
    processing.run("ztclass:apply", {"MODEL": MODEL, "INPUT": SCENE, "DASK": "local:1",
                                     "QUICKLOOK": f"{folder}/q.png", "OUTPUT": f"{folder}/r.tif"})
    failures.append("apply --dask: a quicklook gave no error")
except QgsProcessingException as error:
    if "'Quicklook (PNG)' and 'Confidence' do not go with 'Dask cluster'" not in str(error) or "--" in str(error):
        failures.append(f"apply --dask: a quicklook raised {error}")
if os.listdir(folder):
    failures.append(f"apply --dask: a refused run left {os.listdir(folder)}")

# Progress of a whole run reaches 100.
feedback = QgsProcessingFeedback()
seen = []
feedback.progressChanged.connect(seen.append)
processing.run("ztclass:mindist", dict(SUPERVISED, OUTPUT=f"{side('progress')}/r.tif"), feedback=feedback)
if not seen or max(seen) != 100:
    failures.append(f"mindist: progress {seen}")

# A result QGIS asked about is replaced with its class file; a new one
# leaves another image's class file of the same name as it is.
folder = side("replace")
for _ in range(2):
    processing.run("ztclass:mindist", dict(SUPERVISED, OUTPUT=f"{folder}/r.tif"))
# A new result beside files of its outputs' names is refused, as the
# command refuses it without --overwrite; the message names the file, the
# parameter and what to do in QGIS, where --overwrite cannot be given.
for blocking, label, parameters in (("other.cls", "Result", dict(OUTPUT=f"{folder}/other.tif")),
                                    ("q.png", "Quicklook (PNG)", dict(QUICKLOOK=f"{folder}/q.png")),
                                    ("m.model", "Trained model", dict(SAVE_MODEL=f"{folder}/m.model"))):
    with open(f"{folder}/{blocking}", "w") as other:
        other.write("the file of another run")
    there = sorted(os.listdir(folder))
    try:
        processing.run("ztclass:mindist", {**SUPERVISED, "OUTPUT": f"{folder}/new.tif", **parameters})
        failures.append(f"mindist: a new result replaced {blocking}")
    except QgsProcessingException as error:
        said = str(error)
        if f"{folder}/{blocking}" not in said or f"{label}:" not in said or "remove or rename that file" not in said \
                or "--overwrite" in said:
            failures.append(f"mindist: a new result beside {blocking} raised {said}")
    with open(f"{folder}/{blocking}") as other:
        if other.read() != "the file of another run":
            failures.append(f"mindist: {blocking} changed")
    if sorted(os.listdir(folder)) != there:
        failures.append(f"mindist: a refused run beside {blocking} left {sorted(os.listdir(folder))}")

# A failing run raises what the command says.
message = cli("box", SCENE, "--aoi", TRAINING, "--dev-factor", "1,2", "-o", f"{work}/x.tif").stderr.strip()
try:
    processing.run("ztclass:box", dict(SUPERVISED, DEV_FACTOR="1,2", OUTPUT=f"{side('failed')}/r.tif"))
    failures.append("box: a bad --dev-factor gave no error")
except QgsProcessingException as error:
    if not message or message not in str(error):
        failures.append(f"box: raised {str(error)!r}, the command says {message!r}")

# A legend into a folder that does not exist raises what the command says.
message = cli("legend", MAP, "--gdb", f"{work}/missing/l.gpkg").stderr.strip()
try:
    processing.run("ztclass:legend", {"INPUT": MAP, "GDB": f"{work}/missing/l.gpkg"})
    failures.append("legend: a geodatabase in a missing folder gave no error")
except QgsProcessingException as error:
    if not message or message not in str(error):
        failures.append(f"legend: raised {str(error)!r}, the command says {message!r}")

# Under a locale of another character set (zh_CN.GBK, made with localedef)
# the command's Chinese captions and the names given to it reach the
# feedback as they read.
RUN_IN_LOCALE = """
import json, sys
sys.path[:0] = sys.argv[1:2]
from qgis.core import QgsProcessingFeedback
from ztclass_processing import runner
class Shown(QgsProcessingFeedback):
    def __init__(self):
        super().__init__()
        self.lines = []
    def pushInfo(self, line):
        self.lines.append(line)
feedback = Shown()
printed = runner.run(sys.argv[2], ["sieve", sys.argv[3], "--threshold", "12", "-o", sys.argv[4]], feedback)
print(json.dumps({"printed": printed, "lines": feedback.lines}))
"""
if shutil.which("localedef"):
    locales = side("locales")
    subprocess.run(["localedef", "-i", "zh_CN", "-f", "GBK", f"{locales}/zh_CN.GBK"], capture_output=True)
    result = os.path.join(side("gbk"), "水图.tif")
    env = dict(os.environ, LOCPATH=locales, LC_ALL="zh_CN.GBK")
    env.pop("LANGUAGE", None)
    child = subprocess.run([sys.executable, "-c", RUN_IN_LOCALE, os.path.join(HERE, "..", "..", "qgis"), ZTCLASS,
                            CLUMPS, result.encode("gbk")], env=env, capture_output=True)
    shown = json.loads(child.stdout) if child.returncode == 0 else {}
    if shown.get("printed") != f"Wrote {result}\n" or "过滤分析... 正在读取源影像信息..." not in shown.get("lines", []):
        failures.append(f"sieve under zh_CN.GBK: {shown or child.stderr.decode('utf-8', 'replace')}")
else:
    print("skipped the zh_CN.GBK check: no localedef")

shutil.rmtree(work)
session.finish(failures, f"processing: {len(CASES) + 23} checks, {len(failures)} failed")
