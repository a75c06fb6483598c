"""The package's calls as a Python user gives them their arguments: every
parameter documented, paths as str or os.PathLike, one str or number where
a list goes, and what cannot work refused before any work, by an exception
that names the argument."""

import inspect
import os
import pathlib
import re

import numpy as np
import pytest
from osgeo import gdal

import ztclass
import ztclass.distributed
from conftest import pixels, run_cli

PUBLIC = [
    ztclass.train, ztclass.load, ztclass.from_bytes, ztclass.clump, ztclass.sieve, ztclass.eliminate,
    ztclass.accuracy, ztclass.set_threads, ztclass.threads, ztclass.cpu_count, ztclass.Model.apply,
    ztclass.Model.predict, ztclass.Model.save, ztclass.Model.to_bytes, ztclass.Model.describe, ztclass.Model.bands,
    ztclass.distributed.apply, ztclass.distributed.clump, ztclass.distributed.sieve, ztclass.distributed.connect,
    ztclass.distributed.is_vrt, ztclass.distributed.tile_folder, ztclass.distributed.tiles,
]


@pytest.mark.parametrize("call", PUBLIC, ids=lambda call: call.__qualname__)
def test_every_parameter_is_documented(call):
    """help() says what each parameter is; the distributed calls name the
    in-process call whose parameters they share."""
    doc = inspect.getdoc(call) or ""
    shared = re.search(r"other\s+arguments\s+are\s+those\s+of\s+(ztclass\.\w+)", doc)
    if shared:
        doc += inspect.getdoc(getattr(ztclass, shared.group(1).split(".")[1]))
    undocumented = [name for name in inspect.signature(call).parameters
                    if name != "self" and not re.search(r"\b%s\b" % name, doc)]
    assert doc and not undocumented


@pytest.mark.parametrize("documented", [ztclass.Model, ztclass.Model.classes, ztclass.Class])
def test_classes_and_properties_are_documented(documented):
    assert len(inspect.getdoc(documented)) > 40


@pytest.fixture(scope="module")
def model(scene):
    image, aoi = scene
    return ztclass.train("mindist", image, aoi)


# (call, exception, what the message says): each call has one argument of
# the wrong kind or value, given as a user might.
WRONG = [
    (lambda m, i, a, c, d: ztclass.clump([c], d / "o.tif", d / "o.txt"), TypeError,
     "image takes a path (str or os.PathLike), got list"),
    (lambda m, i, a, c, d: ztclass.clump(c, None, d / "o.txt"), TypeError, "output takes a path"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o\0.txt"), ValueError, "stats: a path holds no NUL"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", band=1.5), ValueError,
     "band takes whole numbers, got 1.5"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", band="1"), TypeError,
     "band takes whole numbers, got str '1'"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", window=100), TypeError,
     "window takes a sequence of whole numbers, got int"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", window=(0, 0, 10)), ValueError,
     "window takes (xoff, yoff, xsize, ysize), got 3 values"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", type=np.uint32), TypeError,
     "type takes a str, got type"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", progress=True), TypeError,
     "progress takes a function called as progress(fraction, caption), got bool"),
    (lambda m, i, a, c, d: ztclass.clump(c, d / "o.tif", d / "o.txt", creation_options=["TILED=YES", 1]), TypeError,
     "creation_options takes a str, got int"),
    (lambda m, i, a, c, d: ztclass.sieve(c, None, d / "o.tif", None, 2.5), ValueError,
     "threshold takes whole numbers, got 2.5"),
    (lambda m, i, a, c, d: ztclass.accuracy(c, d / "o.txt", aoi=[a]), TypeError, "aoi takes a path"),
    (lambda m, i, a, c, d: ztclass.accuracy(c, d / "o.txt", aoi=a, class_field=["class"]), TypeError,
     "class_field takes a str, got list"),
    (lambda m, i, a, c, d: ztclass.train(None, i, a), TypeError, "method takes a str, got NoneType"),
    (lambda m, i, a, c, d: ztclass.train("bp", i, a, rate={0.1}), TypeError,
     "rate takes numbers, texts, bools or lists of them, got set"),
    (lambda m, i, a, c, d: ztclass.train("mindist", i, a, bands="1,2"), TypeError,
     "bands takes a sequence of whole numbers, got str"),
    (lambda m, i, a, c, d: m.apply(i, d / "o.tif", confidence=7), TypeError, "confidence takes a path"),
    (lambda m, i, a, c, d: ztclass.from_bytes(str(m.to_bytes())), TypeError, "data takes bytes, got str"),
    (lambda m, i, a, c, d: m.predict(np.zeros((4, 5, 6)), nodata="0"), TypeError, "nodata takes a number, got str"),
    (lambda m, i, a, c, d: ztclass.set_threads("4"), TypeError, "count takes whole numbers, got str '4'"),
    (lambda m, i, a, c, d: ztclass.distributed.apply(m, i, d / "o.tif", client=8), TypeError,
     "client takes a dask.distributed Client, an address (tcp://host:port or local:N) or None, got int"),
    (lambda m, i, a, c, d: ztclass.distributed.clump(c, d / "o.tif", d / "o.txt", tile=300.5), ValueError,
     "tile takes whole numbers, got 300.5"),
]


@pytest.mark.parametrize("call, error, says", WRONG)
def test_wrong_arguments_are_refused_by_name(scene, class_map, model, tmp_path, call, error, says):
    image, aoi = scene
    threads = ztclass.threads()
    with pytest.raises(error) as raised:
        call(model, image, aoi, class_map, tmp_path)
    assert says in str(raised.value)
    assert os.listdir(tmp_path) == [] and ztclass.threads() == threads


@pytest.mark.parametrize("count, says", [(0, "count must be at least 1, got '0'"), (-2, "at least 1, got '-2'"),
                                         (None, "per core of this machine")])
def test_thread_counts_that_cannot_run_are_refused(count, says):
    threads, most = ztclass.threads(), 4 * ztclass.cpu_count()
    with pytest.raises(ValueError) as raised:
        ztclass.set_threads(most + 1 if count is None else count)
    assert says in str(raised.value) and ztclass.threads() == threads
    ztclass.set_threads(most)
    assert ztclass.threads() == most
    ztclass.set_threads(threads)


def test_one_str_or_number_where_a_list_goes(scene, class_map, tmp_path):
    """One creation option, a dict of them, one table, one band; numpy's
    numbers where Python's go."""
    for name, options in [("one", "COMPRESS=LZW"), ("dict", {"COMPRESS": "LZW", "TILED": "YES"})]:
        ztclass.clump(class_map, tmp_path / (name + ".tif"), tmp_path / (name + ".txt"), creation_options=options)
        compression = gdal.Open(str(tmp_path / (name + ".tif"))).GetMetadataItem("COMPRESSION", "IMAGE_STRUCTURE")
        assert compression == "LZW"
    image, aoi = scene
    run_cli("accuracy", class_map, "--aoi", aoi, "--tables", "kappa", "-o", tmp_path / "cli.txt")
    ztclass.accuracy(class_map, tmp_path / "py.txt", aoi=aoi, tables="kappa")
    assert (tmp_path / "py.txt").read_bytes() == (tmp_path / "cli.txt").read_bytes()
    assert ztclass.train("mindist", image, aoi, bands=2).bands() == [2]
    assert ztclass.train("mindist", image, aoi, dev_test=np.False_, max_test=np.bool_(False)) == \
        ztclass.train("mindist", image, aoi, dev_test=False, max_test=False)


def test_paths_as_path_objects_and_keywords_as_documented(scene, model, tmp_path):
    assert ztclass.distributed.is_vrt(pathlib.Path("tiles.vrt"))
    assert ztclass.distributed.tile_folder(pathlib.Path("results/tiles.vrt")) == os.path.join("results", "tiles_tiles")
    model.save(path=tmp_path / "model.ztm")
    assert ztclass.load(path=tmp_path / "model.ztm") == model
    image, _ = scene
    model.apply(image, tmp_path / "classes.tif", confidence=tmp_path / "scores.tif", window=(0, 0, 30, 20))
    assert pixels(tmp_path / "classes.tif").shape == pixels(tmp_path / "scores.tif").shape == (20, 30)
