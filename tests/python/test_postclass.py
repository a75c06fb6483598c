"""clump, sieve, eliminate and accuracy from Python against the command line,
failures as exceptions, progress and Ctrl-C."""

import json
import os
import shutil
import signal
import threading
import time

import numpy as np
import pytest
from osgeo import gdal

import ztclass
from conftest import assert_same_result, damaged_copy, pixels, run_cli, write_image


def test_postclass_chain_as_the_command_line(class_map, scene, tmp_path):
    cli, py = tmp_path / "cli", tmp_path / "py"
    cli.mkdir()
    py.mkdir()
    run_cli("clump", class_map, "--neighbours", 4, "-o", cli / "clumps.tif", "--stats", cli / "clumps.txt")
    ztclass.clump(class_map, py / "clumps.tif", py / "clumps.txt", neighbours=4)
    run_cli("sieve", cli / "clumps.tif", "--stats-in", cli / "clumps.txt", "--threshold", 5, "-o", cli / "sieved.tif",
            "--stats", cli / "sieved.txt")
    ztclass.sieve(py / "clumps.tif", py / "clumps.txt", py / "sieved.tif", py / "sieved.txt", 5)
    run_cli("eliminate", cli / "clumps.tif", "--stats-in", cli / "clumps.txt", "--threshold", 5, "--classes", class_map,
            "-o", cli / "clean.tif", "--stats", cli / "clean.txt")
    ztclass.eliminate(py / "clumps.tif", py / "clumps.txt", py / "clean.tif", py / "clean.txt", 5, classes=class_map)
    run_cli("clump", class_map, "--srcwin", 10, 20, 50, 40, "-o", cli / "part.tif", "--stats", cli / "part.txt")
    ztclass.clump(class_map, py / "part.tif", py / "part.txt", window=(10, 20, 50, 40))
    for name in ("clumps", "sieved", "clean", "part"):
        assert_same_result(cli / (name + ".tif"), py / (name + ".tif"))
        assert (cli / (name + ".txt")).read_bytes() == (py / (name + ".txt")).read_bytes(), name

    image, aoi = scene
    run_cli("accuracy", class_map, "--aoi", aoi, "-o", cli / "accuracy.txt")
    overall, kappa = ztclass.accuracy(class_map, py / "accuracy.txt", aoi=aoi)
    assert (cli / "accuracy.txt").read_bytes() == (py / "accuracy.txt").read_bytes()
    # The map against its own training polygons: the share of polygon pixels
    # given their polygon's class, counted here.
    counted = pixels(class_map)
    truth = [(1, 5, 30), (2, 45, 75), (3, 85, 115)]
    hits = sum(int((counted[10:80, x0:x1] == k).sum()) for k, x0, x1 in truth)
    samples = sum(70 * (x1 - x0) for _, x0, x1 in truth)
    assert overall == pytest.approx(hits / samples, abs=0.005)
    assert 0 < kappa <= 1


@pytest.mark.parametrize("step", ["sieve", "eliminate"])
def test_one_step_from_the_class_map_as_the_command_line(tmp_path, step):
    # One step against two is the library's test (postclass_test.cpp) and
    # the command line's (cli_test.sh); here, that the keywords choose it.
    speckled = tmp_path / "speckled.tif"
    write_image(speckled, np.random.default_rng(5).integers(1, 4, (1, 40, 50), dtype=np.uint8))
    getattr(ztclass, step)(speckled, None, tmp_path / "one.tif", None, 4, neighbours=4)
    run_cli(step, speckled, "--threshold", 4, "--neighbours", 4, "-o", tmp_path / "cli.tif")
    assert_same_result(tmp_path / "cli.tif", tmp_path / "one.tif")


# The message says what and where: the file missing or unreadable, the band
# and rows of a failed read, the argument refused.
@pytest.mark.parametrize("call, name, code, says", [
    (lambda d, m: ztclass.clump(d / "missing.tif", d / "c.tif", d / "c.txt"), None, None, "missing.tif'"),
    (lambda d, m: ztclass.clump(m, d / "c.tif", d / "c.txt", band=2), None, None, "band 2"),
    (lambda d, m: ztclass.clump(m, d / "c.tif", d / "c.txt", neighbours=6), None, None, "4 or 8, got 6"),
    (lambda d, m: ztclass.clump(d / "damaged.tif", d / "c.tif", d / "c.txt"), "RC_RASTER_IO_FAILED", 5000010,
     "damaged.tif', band 1"),
    (lambda d, m: ztclass.sieve(d / "c.tif", d / "c.txt", d / "s.tif", None, 3), None, None,
     "stats is required with stats_in"),
])
def test_failures_raise_and_write_nothing(class_map, tmp_path, call, name, code, says):
    damaged_copy(class_map, tmp_path / "damaged.tif")
    before = sorted(os.listdir(tmp_path))
    with pytest.raises((ztclass.Error, ValueError)) as raised:
        call(tmp_path, class_map)
    if name:
        assert (raised.value.name, raised.value.code) == (name, code)
        assert name in str(raised.value)
    assert says in str(raised.value)
    assert sorted(os.listdir(tmp_path)) == before


# Reference polygons the map cannot be assessed by: none, fewer classes than
# the map's three, or the three classes each off the map.
@pytest.mark.parametrize("boxes, says", [
    ([], "no reference class AOI: give reference polygons with aoi"),
    ([("Water", 5, 10)], "the reference polygons hold 1 classes, the class image 3: class k of the polygons is"),
    ([("Water", 500, 500), ("Vegetation", 520, 500), ("Built-up", 540, 500)], "covers no pixel of '.*mindist.tif'"),
])
def test_accuracy_refuses_reference_polygons_it_cannot_use(class_map, tmp_path, boxes, says):
    features = [{"type": "Feature", "properties": {"class": name},
                 "geometry": {"type": "Polygon", "coordinates": [[[x, y], [x + 9, y], [x + 9, y + 9], [x, y + 9],
                                                                  [x, y]]]}}
                for name, x, y in boxes]
    (tmp_path / "reference.geojson").write_text(json.dumps({"type": "FeatureCollection", "features": features}))
    with pytest.raises(ztclass.Error, match=says):
        ztclass.accuracy(class_map, tmp_path / "a.txt", aoi=tmp_path / "reference.geojson")
    assert not (tmp_path / "a.txt").exists()


@pytest.fixture
def georeferenced_map(class_map, tmp_path):
    """The class map, with its class file, one map unit a pixel: the centre
    of column c, row r at (c + 0.5, 90 - r - 0.5)."""
    image = tmp_path / "map.tif"
    shutil.copy(class_map, image)
    shutil.copy(class_map.with_suffix(".cls"), image.with_suffix(".cls"))
    dataset = gdal.Open(str(image), gdal.GA_Update)
    dataset.SetGeoTransform((0, 1, 0, 90, 0, -1))
    dataset = None
    return image


# Where the check points fail, in the command line's words (which
# unmix_accuracy_test.sh holds fault by fault): each file named with its
# fault, or the classes that no point names (the map's classes 1 to 3, points
# in each stripe).
@pytest.mark.parametrize("classes, points, name, says", [
    ("3\n1 2\n", "3\n10 45\n50 45\n100 45\n", "RC_INPUT_FILE_FAILED",
     "cls.txt' declares 3 check points and holds 2 class numbers"),
    ("3 1 2 3", "3\n10 45\n50 45 100\n4S\n", "RC_INPUT_FILE_FAILED", "pts.txt', line 4, entry 6: '4S' is no number"),
    ("3 1 1 2", "3\n10 45\n50 45\n100 45\n", "RC_CLASS_WITHOUT_CHECK_POINTS",
     "no check point of class 3 'Built-up' in '"),
])
def test_accuracy_check_point_faults_say_where(georeferenced_map, tmp_path, classes, points, name, says):
    (tmp_path / "cls.txt").write_text(classes)
    (tmp_path / "pts.txt").write_text(points)
    with pytest.raises(ztclass.Error) as raised:
        ztclass.accuracy(georeferenced_map, tmp_path / "a.txt", points=tmp_path / "pts.txt",
                         point_classes=tmp_path / "cls.txt")
    assert raised.value.name == name and says in str(raised.value)
    assert not (tmp_path / "a.txt").exists()


def test_accuracy_check_points_need_georeferencing(class_map, tmp_path):
    (tmp_path / "cls.txt").write_text("3 1 2 3")
    (tmp_path / "pts.txt").write_text("3\n10 45\n50 45\n100 45\n")
    with pytest.raises(ztclass.Error, match="mindist.tif' has no georeferencing: check points are given in map"):
        ztclass.accuracy(class_map, tmp_path / "a.txt", points=tmp_path / "pts.txt",
                         point_classes=tmp_path / "cls.txt")
    assert not (tmp_path / "a.txt").exists()


def test_existing_result_needs_overwrite(class_map, tmp_path):
    (tmp_path / "c.txt").write_text("mine")
    # The message names the keyword to give, not the command line's option;
    # callers may catch the refusal as either.
    for caught in (FileExistsError, ValueError):
        with pytest.raises(caught, match="c.txt' exists; give overwrite=True to"):
            ztclass.clump(class_map, tmp_path / "c.tif", tmp_path / "c.txt")
    assert (tmp_path / "c.txt").read_text() == "mine"
    ztclass.clump(class_map, tmp_path / "c.tif", tmp_path / "c.txt", overwrite=True)
    assert (tmp_path / "c.txt").read_text() != "mine"


def test_progress_reaches_the_callback_and_its_exception_stops(class_map, tmp_path):
    seen = []
    ztclass.clump(class_map, tmp_path / "c.tif", tmp_path / "c.txt", progress=lambda f, text: seen.append((f, text)))
    assert seen and all(0 <= f <= 1 for f, _ in seen) and any(text for _, text in seen)

    def refuse(fraction, text):
        raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="enough"):
        ztclass.clump(class_map, tmp_path / "d.tif", tmp_path / "d.txt", progress=refuse)
    assert not (tmp_path / "d.tif").exists() and not (tmp_path / "d.txt").exists()


def test_ctrl_c_stops_a_running_call(tmp_path):
    # Large enough that the call is still running when the signal comes.
    rng = np.random.default_rng(3)
    big = tmp_path / "big.tif"
    write_image(big, rng.integers(1, 5, (1, 2500, 2500), dtype=np.uint8))
    out = tmp_path / "out"
    out.mkdir()

    def interrupt_once_writing():
        deadline = time.monotonic() + 20
        while not os.listdir(out) and time.monotonic() < deadline:
            time.sleep(0.005)
        os.kill(os.getpid(), signal.SIGINT)

    killer = threading.Thread(target=interrupt_once_writing)
    killer.start()
    started = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        ztclass.clump(big, out / "c.tif", out / "c.txt")
    killer.join()
    assert time.monotonic() - started < 20
    assert os.listdir(out) == []
