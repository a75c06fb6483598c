"""Every ztclass command the provider offers, described once: its words on
the command line, its group and title, and its parameters (parameters.py).
The help of each parameter begins with the command's own --help text; a
test holds this table to every command's --help, so an option added to a
command without a parameter here, or a help text changed there, fails it.

A new command is one more Command(...) in COMMANDS."""
import re

from .parameters import (RESULT_TYPES, Bands, Choice, CreationOptions, Extent, Field, FileIn, FileOut, Flag,
                         Geodatabase, Number, Polygons, RasterIn, RasterInPlace, RasterOut, Text)

SUPERVISED, UNSUPERVISED, NETWORKS, MODELS = "Supervised", "Unsupervised", "Neural networks", "Models"
POSTCLASS, ASSESSMENT, RECORDS = "Post-classification", "Assessment", "Class records"

REPORT = "Text files (*.txt)"
JSON = "JSON files (*.json)"
PNG = "PNG files (*.png)"


class Command:
    """words: the command as typed after 'ztclass'. overwrite: the command
    takes --overwrite, given where a run replaces results QGIS asked about.
    printed: outputs read from what the command prints (name, label,
    pattern with one group; no pattern: all it prints)."""

    def __init__(self, words, title, group, description, specs, overwrite=True, printed=()):
        self.words, self.title, self.group, self.description = words, title, group, description
        self.specs, self.overwrite, self.printed = specs, overwrite, printed

    @property
    def name(self):
        return "_".join(self.words).replace("-", "_")


class Printed:
    def __init__(self, name, label, pattern=None, number=False):
        self.name, self.label, self.number = name, label, number
        self.pattern = re.compile(pattern) if pattern else None


def result(default_type="Byte", help_text="Result image", quicklook=None):
    """The result image and how it is written."""
    specs = [RasterOut("OUTPUT", "Result", help_text),
             Choice("DATA_TYPE", "--ot", "Pixel type of the result", "Pixel type of the result", RESULT_TYPES,
                    default_type, advanced=True),
             CreationOptions("CREATION_OPTIONS", "--co", "Creation options",
                             "Creation option KEY=VALUE of the driver (repeatable); here several are separated by |",
                             optional=True, advanced=True)]
    if quicklook:
        specs.append(FileOut("QUICKLOOK", "--png", "Quicklook (PNG)", quicklook, PNG, optional=True))
    return specs


def save_model():
    return FileOut("SAVE_MODEL", "--save-model", "Trained model",
                   "Also save the trained model to this file (see ztclass apply)", "Models (*)", optional=True)


def threads():
    return Number("THREADS", "--threads", "Threads",
                  "Threads that do the work and compress the result (default: every core; 1: this thread alone)",
                  int, minimum=1, optional=True, advanced=True)


def dask(tile_help):
    """--dask and --tile: the run over a Dask cluster, tile by tile."""
    return [Text("DASK", "--dask", "Dask cluster",
                 "Run over a Dask cluster: tcp://HOST:PORT of its scheduler, or local:N worker processes",
                 optional=True, advanced=True),
            Number("TILE", "--tile", "Tile size", tile_help, int, minimum=1, optional=True, advanced=True)]


def window(help_text="Processing window XOFF YOFF XSIZE YSIZE in pixels, as GDAL spells it"):
    return Extent("EXTENT", "Processing extent",
                  help_text + "; here the pixels of the input that the extent touches (default: the whole image)")


def bands(by_default="all"):
    return Bands("BANDS", "--bands", "Bands", "Bands to use, e.g. 1,2,3 (default: %s)" % by_default)


def supervised(image_help="Multi-band image to classify", quicklook="Also write a colour quicklook of the class image",
               default_type="Byte", model=True):
    """What every classifier that trains on polygons takes; model: whether
    it can also save its trained model."""
    return [RasterIn("INPUT", None, "Input image", image_help),
            Polygons("AOI", "--aoi", "Training polygons",
                     "Vector file of training polygons (default: IMAGE.aoi.gpkg or IMAGE.aoi.geojson)", optional=True),
            Field("CLASS_FIELD", "--class-field", "Class field",
                  "Field naming the class (default: class, classname, name or label)", "AOI"),
            aoi_pixels(), bands(), window()] + result(default_type, quicklook=quicklook) + \
        ([save_model()] if model else []) + [threads()]


def aoi_pixels():
    return Flag("AOI_PIXELS", "--aoi-pixels", "Polygons in pixel coordinates",
                "The polygons' coordinates are pixel/line positions of the image (x column, y row), whatever "
                "coordinate system the file declares", advanced=True)


def unsupervised(count="CLASSES", display_bands=True):
    """What every clustering command takes; count: the name the number of
    classes goes by (the networks call them clusters)."""
    specs = [RasterIn("INPUT", None, "Input image", "Multi-band image to classify"), bands(), window()]
    specs += result(quicklook="Also write a colour quicklook of the class image")
    specs += [Number(count, "--" + count.lower(), "Number of " + count.lower(), "Number of classes K to look for", int,
                     minimum=1, maximum=254),
              Number("INTERVAL", "--interval", "Sampling interval",
                     "Sampling interval in pixels, rows and columns (default, or 0: the one that draws about 100000 "
                     "samples from the window)", int, minimum=0, optional=True)]
    if display_bands:
        specs.append(Bands("DISPLAY_BANDS", "--display-bands", "Display bands (R,G,B)",
                           "Image bands R,G,B (from --bands) whose class means colour the classes (default: step "
                           "colours)"))
    return specs + [save_model(), threads()]


def dev_factor(default, meaning):
    return Text("DEV_FACTOR", "--dev-factor", "Standard deviations",
                meaning + ": one number, or one per class AOI (1.5,2,3)", default)


def seed():
    return Number("SEED", "--seed", "Seed",
                  "Seed of the random initial weights; the same seed gives the same map (default: the same draw on "
                  "every run)", int, minimum=0, maximum=4294967295, optional=True)


STOP_ERROR = "Stop training once the mean error per training pixel is this small"
PASSES = "At most this many passes over the training pixels"
LEARNING_RATE = "Learning rate: how far each training pixel moves the weights"
REJECT = "Reject pixels further than this many standard deviations from their class mean"


def postclass(image_label, image_help, default_type, threshold=None, quicklook=None):
    """Clump takes a class map; sieve and eliminate a clump image with its
    statistics, or a class map whose clumps they find themselves."""
    specs = [RasterIn("INPUT", None, image_label, image_help),
             Number("BAND", "--band", "Band", "Band of the input image", int, 1, minimum=1)]
    if threshold:
        specs += [FileIn("STATS_IN", "--stats-in", "Statistics in",
                         "Statistics of the clump image (without it, IMAGE is a class map)", REPORT, optional=True),
                  Number("THRESHOLD", "--threshold", "Threshold (pixels)", threshold, int, minimum=0),
                  Choice("NEIGHBOURS", "--neighbours", "Neighbours",
                         "Neighbours that join a pixel to a clump: 4 (sides) or 8 (sides and corners), for a class map",
                         ["4", "8"], "8")]
    else:
        specs.append(Choice("NEIGHBOURS", "--neighbours", "Neighbours",
                            "Neighbours that join a pixel to a clump: 4 (sides) or 8 (sides and corners)", ["4", "8"], "8"))
    specs += [window(), FileOut("STATS", "--stats", "Statistics", "Statistics file to write", REPORT,
                                optional=threshold is not None)]
    return specs + result(default_type, quicklook=quicklook) + [threads()]


COMMANDS = [
    Command(["mindist"], "Minimum distance", SUPERVISED, "Supervised minimum distance classification",
            supervised() + [
                dev_factor("3", REJECT),
                Text("MAX_DEV", "--max-dev", "Largest distance",
                     "Reject pixels further than this from their class mean in any band (default: no limit)",
                     optional=True),
                Flag("NO_DEV_TEST", "--no-dev-test", "No standard-deviation test",
                     "Do not reject by standard deviations"),
                Flag("NO_MAX_TEST", "--no-max-test", "No distance test", "Do not reject by --max-dev")]),
    Command(["box"], "Parallelepiped", SUPERVISED, "Supervised parallelepiped classification",
            supervised() + [dev_factor("2", "Half-width of each class's box in standard deviations")]),
    Command(["gmindist"], "Generalized minimum distance", SUPERVISED,
            "Supervised generalized minimum distance classification",
            supervised() + [dev_factor("3", REJECT),
                            Flag("NO_DEV_TEST", "--no-dev-test", "No standard-deviation test",
                                 "Do not reject by standard deviations")]),
    Command(["maxlike"], "Maximum likelihood", SUPERVISED, "Supervised maximum likelihood classification",
            supervised()),
    Command(["unmix"], "Linear spectral unmixing", SUPERVISED,
            "Linear spectral unmixing: one fraction band per class of the training polygons, in their order",
            supervised("Multi-band image to unmix", "Also write a colour composite of the first three fractions (PNG)",
                       "Float32", model=False)),

    Command(["apply"], "Apply a model", MODELS, "Classify an image with a saved model", [
        FileIn("MODEL", None, "Model", "Model file written by train or --save-model"),
        RasterIn("INPUT", None, "Input image", "Image of the model's band count"), bands("the model's bands"),
        window()] +
        result(quicklook="Also write a colour quicklook of the class image") + [
        FileOut("CONFIDENCE", "--confidence", "Confidence",
                "Also write each pixel's confidence as a Float32 GeoTIFF (see the README for each method's)",
                "GeoTIFF (*.tif)", optional=True),
        *dask("With --dask, the tile size in pixels (whole 256 x 256 blocks)"), threads()]),

    Command(["cluster-mindist"], "Minimum distance clustering", UNSUPERVISED,
            "Unsupervised minimum distance classification", unsupervised()),
    Command(["cluster-box"], "Parallelepiped clustering", UNSUPERVISED,
            "Unsupervised parallelepiped classification (value 1: in no box, class k: k + 1)", unsupervised()),
    Command(["cluster-gmindist"], "Generalized minimum distance clustering", UNSUPERVISED,
            "Unsupervised generalized minimum distance classification", unsupervised()),
    Command(["isodata"], "ISODATA", UNSUPERVISED, "ISODATA clustering", unsupervised() + [
        Number("ITERATIONS", "--iterations", "Iterations", "Iterations at most (0: classify by the initial centres)",
               int, 10, minimum=0),
        Number("SPLIT_THRESHOLD", "--split-threshold", "Split threshold",
               "A cluster splits only if a band's standard deviation exceeds this (default: 5 on 8-bit images; on "
               "others 5 x the listed bands' extent / 255)", float, optional=True),
        Number("CONVERGENCE", "--convergence", "Convergence",
               "Stop when no cluster's band-mean sum changes by more than this fraction", float, 0.01),
        Number("MERGE_THRESHOLD", "--merge-threshold", "Merge threshold",
               "Clusters closer than this (band differences over their standard deviations) may merge", float, 1.0),
        Number("MIN_SIZE", "--min-size", "Smallest cluster (pixels)",
               "Clusters of at most this many pixels are deleted (default: 0.5 % of the window)", int, minimum=0,
               optional=True),
        Number("MAX_MERGES", "--max-merges", "Merges per iteration", "Merges allowed per iteration", int, 2,
               minimum=0),
        Choice("STRETCH", "--stretch", "Colour stretch",
               "Display stretch of the class colours: none, adaptive, equalize, normalize, root, square, linear or "
               "invert", ["none", "adaptive", "equalize", "normalize", "root", "square", "linear", "invert"],
               "linear")]),

    Command(["bp"], "Back-propagation network", NETWORKS,
            "Supervised classification by a back-propagation neural network", supervised() + [
                seed(),
                Text("HIDDEN", "--hidden", "Hidden layers", "Neurons of each hidden layer, from the input side (1..500 "
                     "each)", "5"),
                Number("RATE", "--rate", "Learning rate", LEARNING_RATE, float, 0.0015),
                Number("MOMENTUM", "--momentum", "Momentum",
                       "Share of the previous weight change carried into the next", float, 0.5),
                Number("ERROR", "--error", "Target error", STOP_ERROR, float, 0.001),
                Number("EPOCHS", "--epochs", "Passes", PASSES, int, 4000, minimum=0)]),
    Command(["hrbp"], "High-order back-propagation network", NETWORKS,
            "Supervised classification by a high-order (second-order) BP network", supervised() + [
                seed(),
                Text("HIDDEN", "--hidden", "Hidden layers",
                     "Neurons of each hidden layer, from the input side (1..500 each); 0 or empty: no hidden layer",
                     "0", optional=True),
                Flag("SQUARES", "--squares", "Squares",
                     "Also weigh the square of each input, not only products of pairs"),
                Number("RATE", "--rate", "Learning rate", LEARNING_RATE, float, 0.02),
                Flag("USE_MOMENTUM", "--use-momentum", "Use momentum",
                     "Raise the weights' learning rate by --momentum"),
                Number("MOMENTUM", "--momentum", "Momentum",
                       "With --use-momentum the weights learn at rate x (1 + this)", float, 0.5),
                Number("ERROR", "--error", "Target error", STOP_ERROR, float, 0.01),
                Number("EPOCHS", "--epochs", "Passes", PASSES, int, 3000, minimum=0)]),
    Command(["rbf"], "Radial basis function network", NETWORKS,
            "Supervised classification by a radial-basis-function network", supervised() + [
                seed(),
                Number("CENTRE_RATE", "--centre-rate", "Centre rate",
                       "How far a training pixel first moves its nearest class centre", float, 0.05),
                Number("CENTRE_THRESHOLD", "--centre-threshold", "Centre threshold",
                       "Centres count as settled when a pass moves them less than this in all (squared, in scaled "
                       "band values, 0..1)", float, 1e-8),
                Number("CENTRE_EPOCHS", "--centre-epochs", "Centre passes", "Passes that refine the centres", int, 50,
                       minimum=0),
                Number("OUTPUT_RATE", "--output-rate", "Output rate", "Learning rate of the output weights", float,
                       0.0005),
                Number("ERROR", "--error", "Target error", STOP_ERROR, float, 0.001),
                Number("OUTPUT_EPOCHS", "--output-epochs", "Output passes",
                       "At most this many passes training the outputs", int, 3000, minimum=0)]),
    Command(["lvq2"], "Learning vector quantisation (LVQ2)", NETWORKS,
            "Supervised classification by learning vector quantisation (LVQ2)", supervised() + [
                Number("TUNE_RATE", "--tune-rate", "Tuning rate",
                       "Starting rate of the first, unsupervised tuning passes", float, 0.05),
                Number("TUNE_EPOCHS", "--tune-epochs", "Tuning passes",
                       "Tuning passes; they also count in the pass number that divides the LVQ2 rate", int, 1,
                       minimum=0),
                Number("LVQ_RATE", "--lvq-rate", "LVQ2 rate",
                       "Starting rate of the LVQ2 passes, divided after each by the number of passes so far", float,
                       0.002),
                Number("LVQ_EPOCHS", "--lvq-epochs", "LVQ2 passes", "LVQ2 passes", int, 50, minimum=0)]),
    Command(["kohonen"], "Kohonen network", NETWORKS, "Kohonen network clustering (no training polygons needed)",
            unsupervised("CLUSTERS", display_bands=False) + [
                Number("RATE", "--rate", "Learning rate",
                       "Learning rate of the first epoch: how far a neuron moves towards each sample it wins; it "
                       "falls linearly to 0 over the epochs", float, 0.1, minimum=0, maximum=1),
                Number("CHANGE_THRESHOLD", "--change-threshold", "Change threshold",
                       "An epoch whose total squared move of all neurons (in scaled band values, 0..1) is below this "
                       "is stable; 100 stable epochs in a row end training (0: never end early)", float, 1e-6,
                       minimum=0),
                Number("EPOCHS", "--epochs", "Passes",
                       "Passes over the sample at most (0: neurons stay on their well-spread starting samples)", int,
                       200, minimum=0)]),
    Command(["art"], "ART network", NETWORKS,
            "ART network: categories of similar spectral shape (brightness aside)",
            unsupervised("CLUSTERS", display_bands=False) + [
                Number("RATE", "--rate", "Learning rate",
                       "How far a category moves towards each sample it accepts (0..1)", float, 0.5, 0, 1),
                Number("VIGILANCE", "--vigilance", "Vigilance",
                       "How alike in spectral shape a pixel and a category must be to join (cosine of the angle "
                       "between them, -1..1; higher: more, narrower categories)", float, 0.99, -1, 1),
                Number("PASSES", "--passes", "Passes", "Passes over the sample (1: each sample is seen once)", int, 5,
                       minimum=1),
                Number("NOISE", "--noise", "Noise",
                       "Band shares at or below this (of a pixel scaled to length 1) count as 0", float, 0.0, 0,
                       0.999999)]),
    Command(["fuzzy-art"], "Fuzzy ART network", NETWORKS,
            "Fuzzy ART network: categories that are boxes of band values",
            unsupervised("CLUSTERS", display_bands=False) + [
                Number("RATE", "--rate", "Learning rate",
                       "How far a category moves towards each sample it accepts (0..1)", float, 1.0, 0, 1),
                Number("VIGILANCE", "--vigilance", "Vigilance",
                       "How much of a pixel a category's box must already hold for the pixel to join (0 or more; "
                       "higher: more, smaller categories; above 1 every sample opens a category)", float, 0.75,
                       minimum=0),
                Number("PASSES", "--passes", "Passes", "Passes over the sample (1: each sample is seen once)", int, 5,
                       minimum=1),
                Number("CHOICE", "--choice", "Choice",
                       "Choice parameter above 0: small values prefer the category that holds the pixel best", float,
                       0.001, minimum=1e-10)]),

    Command(["clump"], "Clump", POSTCLASS, "Number the connected regions of equal class (clumps)",
            postclass("Class image", "Class image", "UInt32") + dask("With --dask, the tile size in pixels")),
    Command(["sieve"], "Sieve", POSTCLASS, "Remove clumps smaller than a threshold and renumber the others",
            postclass("Clump image or class map", "Clump image, or class map", "UInt32",
                      "Smallest clump that stays, in pixels") + dask("With --dask, the tile size in pixels")),
    Command(["eliminate"], "Eliminate", POSTCLASS, "Merge clumps smaller than a threshold into their largest neighbour",
            postclass("Clump or class image", "Clump or sieve image, or class map", "Byte",
                      "Smallest clump that is not merged, in pixels",
                      "Also write a colour quicklook of the class image") + [
                RasterIn("CLASSES", "--classes", "Original class image",
                         "Original class image whose class records and colours the result takes", optional=True)]),

    Command(["accuracy"], "Accuracy assessment", ASSESSMENT,
            "Accuracy of a class image against reference polygons or check points: error matrix, class accuracy, "
            "overall accuracy and Kappa", [
                RasterIn("INPUT", None, "Class image", "Class image with class records"),
                FileOut("OUTPUT", "-o", "Report", "Report to write (UTF-8 text)", REPORT),
                Polygons("AOI", "--aoi", "Reference polygons",
                         "Reference polygons, class k compared with class k of the image (default: the reference "
                         "image's IMAGE.aoi.gpkg or IMAGE.aoi.geojson)", optional=True),
                Field("CLASS_FIELD", "--class-field", "Class field",
                      "Field naming the class (default: class, classname, name or label)", "AOI"),
                aoi_pixels(),
                RasterIn("REFERENCE", "--reference", "Reference image",
                         "Image the polygons are attached to, of the class image's pixel grid (default: the class "
                         "image)", optional=True),
                FileIn("POINTS", "--points", "Check points",
                       "Check-point coordinates: a count, then that many x y pairs in map units", optional=True),
                FileIn("POINT_CLASSES", "--point-classes", "Check-point classes",
                       "Reference classes of the check points: a count, then that many classes", optional=True),
                Choice("TABLES", "--tables", "Tables", "Tables to write, of matrix, class, overall, kappa",
                       ["matrix", "class", "overall", "kappa"], ["matrix", "class", "overall", "kappa"],
                       multiple=True),
                FileOut("JSON", "--json", "Figures (JSON)",
                        "Also write the figures as JSON: error matrix, per class producer's and user's accuracy and "
                        "counts, overall accuracy, Kappa, sample count", JSON, optional=True),
                FileOut("CSV", "--csv", "Figures (CSV)", "Also write the error matrix and the figures as CSV",
                        "CSV files (*.csv)", optional=True)],
            printed=[Printed("OVERALL_ACCURACY", "Overall accuracy", r"Overall accuracy ([-0-9.eE+]+)", True),
                     Printed("KAPPA", "Kappa", r"Kappa ([-0-9.eE+]+)", True)]),
    Command(["area"], "Class areas", ASSESSMENT,
            "Class-area report: pixel count and area of every class of a class image", [
                RasterIn("INPUT", None, "Class image", "Class image with class records"),
                FileOut("OUTPUT", "-o", "Report", "Report to write (UTF-8 text)", REPORT),
                Choice("UNIT", "--unit", "Unit",
                       "Unit of the areas: m2, ha or km2 (an image in a geographic coordinate system is measured on "
                       "the ellipsoid)", ["m2", "ha", "km2"], "m2"),
                FileOut("JSON", "--json", "Areas (JSON)",
                        "Also write the areas as JSON: per class value, name, count, area, share", JSON,
                        optional=True)]),

    Command(["classes", "show"], "Show class records", RECORDS, "List the class records", [
        RasterIn("INPUT", None, "Class image", "Class image")], overwrite=False,
        printed=[Printed("RECORDS", "Class records")]),
    Command(["classes", "write"], "Write class records", RECORDS,
            "Replace the class records from a text file (NUMBER<TAB>NAME<TAB>#RRGGBB[<TAB>REMARK] a line) or a JSON "
            "array of {number, name, color, remark}; the image is changed where it lies", [
                RasterInPlace("INPUT", None, "Class image", "Class image"),
                FileIn("FROM", "--from", "Class list", "Class list (.txt or .json)",
                       "Class lists (*.txt *.json)")], overwrite=False),
    Command(["recode"], "Recode", RECORDS,
            "Write new class values into RESULT where SOURCE has the listed old values; RESULT is changed where it "
            "lies", [
                RasterIn("INPUT", None, "Edited class image", "Edited class image"),
                RasterInPlace("RESULT", None, "Class image to update", "Class image to update (same size)"),
                Text("MAP", "--map", "Value changes", "Value changes old=new,old=new,... (values 0..255)")],
            overwrite=False),
    Command(["legend"], "Legend into a geodatabase", RECORDS,
            "Legend of a class image into a geodatabase: a coloured box and the name of every class (layers NAME_R "
            "and NAME_P)", [
                RasterIn("INPUT", None, "Class image", "Class image with class records"),
                Geodatabase("GDB", "--gdb", "Geodatabase",
                            "Target: a GeoPackage file (created when missing), or pg:HOST[:PORT]/DATABASE for PostGIS "
                            "(HOST may be a socket directory; the password comes from PGPASSWORD or ~/.pgpass)",
                            "GeoPackage (*.gpkg)"),
                Text("NAME", "--name", "Legend name",
                     "Legend name (default: the image's file name less its last four characters, as map.tif gives "
                     "map, + \"_图例\", or \"_legend\" outside a Chinese locale); at most 60 bytes on PostGIS",
                     optional=True),
                Number("X", "--x", "Lower-left x",
                       "X of the legend's lower-left corner in map units (default: the image's lower-right corner)",
                       optional=True),
                Number("Y", "--y", "Lower-left y", "Y of the legend's lower-left corner in map units", optional=True),
                Number("SIZE", "--size", "Size", "Size factor: box height in map units (default 10)", optional=True),
                Flag("UNCLASSIFIED", "--unclassified", "Unclassified entry",
                     "Add an entry for unclassified pixels on top"),
                Flag("ADD_TO_MAP", "--add-to-map", "Report class identifiers",
                     "Print the identifiers of the two legend layers, for adding them to a map view", advanced=True),
                Text("USER", "--user", "PostGIS user", "PostGIS user (default: libpq's, the login name)",
                     optional=True, advanced=True)], overwrite=False),
]


# What only the classified image needs; training writes a model instead.
RESULT_ONLY = {"OUTPUT", "DATA_TYPE", "CREATION_OPTIONS", "QUICKLOOK", "SAVE_MODEL"}


def training(command):
    """The train algorithm of a classifier: its parameters, less those of
    the result image, and the model file it writes."""
    specs = [spec for spec in command.specs if spec.name not in RESULT_ONLY]
    specs.append(FileOut("OUTPUT", "-o", "Model", "Model file to write", "Models (*)"))
    return Command(["train"] + command.words, "Train: " + command.title, MODELS,
                   "Train a model once, to apply it to many images: " + command.description[0].lower() +
                   command.description[1:], specs)


# The methods ztclass train knows.
TRAINED = {"mindist", "box", "gmindist", "maxlike", "cluster-mindist", "cluster-box", "cluster-gmindist", "isodata",
           "bp", "hrbp", "rbf", "lvq2", "kohonen", "art", "fuzzy-art"}
COMMANDS += [training(c) for c in COMMANDS if c.words[0] in TRAINED]
