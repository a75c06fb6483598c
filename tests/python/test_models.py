"""Models from Python against the command line's, and predict against a
minimum distance counted here."""

import json
import locale
import os
import pickle
import shutil
import subprocess
import sys
import threading

import numpy as np
import pytest
from osgeo import gdal

import ztclass
from conftest import assert_same_result, damaged_copy, pixels, run_cli, synthetic_scene, write_image


# The training boxes of conftest's scene (columns x0..x1, rows y0..y1 in pixels).
BOXES = [(5, 10, 30, 80), (45, 10, 75, 80), (85, 10, 115, 80)]


@pytest.fixture(scope="module")
def trained(scene, tmp_path_factory):
    image, aoi = scene
    directory = tmp_path_factory.mktemp("models")
    run_cli("train", "mindist", image, "--aoi", aoi, "-o", directory / "cli.ztm")
    model = ztclass.train("mindist", image, aoi)
    return model, directory


def test_train_save_apply_as_the_command_line(scene, trained):
    image, _ = scene
    model, directory = trained
    model.save(directory / "py.ztm")
    assert (directory / "py.ztm").read_bytes() == (directory / "cli.ztm").read_bytes()
    for name, window, arguments in [("whole", None, []), ("part", (10, 20, 50, 40), ["--srcwin", 10, 20, 50, 40])]:
        run_cli("apply", directory / "cli.ztm", image, *arguments, "-o", directory / ("cli_%s.tif" % name))
        ztclass.load(directory / "py.ztm").apply(image, directory / ("py_%s.tif" % name), window=window)
        assert_same_result(directory / ("py_%s.tif" % name), directory / ("cli_%s.tif" % name))
    assert gdal.GetCacheMax() == 64 << 20  # the command line's bound, not GDAL's 5% of memory


def test_classes_and_description(trained):
    model, _ = trained
    assert [(c.number, c.name) for c in model.classes] == [(1, "Water"), (2, "Vegetation"), (3, "Built-up")]
    assert all(len(c.colour) == 3 for c in model.classes)
    assert model.describe()["method"] == "mindist" and model.bands() == [1, 2, 3, 4]


def test_copies_equal_and_repr(scene, trained, nearest):
    model, directory = trained
    copies = [pickle.loads(pickle.dumps(model)), ztclass.load(directory / "cli.ztm"),
              ztclass.from_bytes(model.to_bytes())]
    assert all(copy == model and hash(copy) == hash(model) for copy in copies)
    assert model != nearest and model != model.to_bytes()
    assert repr(model) == "<ztclass.Model mindist: bands 1,2,3,4, classes 1 'Water', 2 'Vegetation', 3 'Built-up'>"


@pytest.mark.parametrize("clusters, shown", [(3, "classes 1, 2, 3>"), (40, "40 classes 1, 2, 3, ..., 40>")])
def test_repr_of_unnamed_and_many_classes(scene, clusters, shown):
    image, _ = scene
    model = ztclass.train("cluster-mindist", image, classes=clusters)
    assert len(model.classes) == clusters and repr(model) == "<ztclass.Model cluster-mindist: bands 1,2,3,4, " + shown


def test_save_keeps_an_existing_file(scene, trained, tmp_path):
    image, _ = scene
    model, _ = trained
    copy = tmp_path / "scene.tif"
    shutil.copy(image, copy)
    with pytest.raises(ValueError, match="scene.tif' exists; give overwrite=True to replace it"):
        model.save(copy)
    assert copy.read_bytes() == image.read_bytes() and os.listdir(tmp_path) == ["scene.tif"]
    model.save(copy, overwrite=True)
    assert ztclass.load(copy) == model


def nearest_mean(scene, training=None):
    """Minimum distance counted here: the class of the nearest training mean
    (of the training polygons over training, by default scene)."""
    training = scene if training is None else training
    means = np.array([training[:, y0:y1, x0:x1].reshape(4, -1).mean(axis=1) for x0, y0, x1, y1 in BOXES])
    distances = ((scene[None].astype(float) - means[:, :, None, None]) ** 2).sum(axis=1)
    return (distances.argmin(axis=0) + 1).astype(np.uint8)


@pytest.fixture(scope="module")
def nearest(scene):
    """A model without the deviation tests (which leave outliers unclassified)."""
    image, aoi = scene
    return ztclass.train("mindist", image, aoi, dev_test=False, max_test=False)


@pytest.mark.parametrize("dtype", [np.uint8, np.int16, np.uint16, np.int32, np.float32, np.float64, np.int64, ">u2"])
def test_predict_any_type_as_counted(nearest, dtype):
    scene = synthetic_scene(90, 120)
    np.testing.assert_array_equal(nearest.predict(scene.astype(dtype)), nearest_mean(scene))


def test_predict_signed_bytes_as_their_values(nearest):
    scene = synthetic_scene(90, 120)
    values = np.clip(np.round(scene.astype(float) - 40), -128, 127)
    expected = nearest_mean(values, scene)
    assert values.min() < 0 and len(np.unique(expected)) == 3
    np.testing.assert_array_equal(nearest.predict(values.astype(np.int8)), expected)


def test_predict_nan_is_no_data_and_no_pixels_no_classes(nearest):
    scene = synthetic_scene(90, 120).astype(np.float32)
    scene[2, 5:9, 7:11] = np.nan
    classes = nearest.predict(scene)
    assert (classes[5:9, 7:11] == 255).all() and (classes != 255).sum() == 90 * 120 - 16
    assert nearest.predict(scene[:, :0]).shape == (0, 120)


@pytest.mark.parametrize("shaped", [
    lambda s: np.moveaxis(np.moveaxis(s, 0, -1).copy(), -1, 0),  # bands last in memory
    lambda s: np.repeat(s, 2, axis=2)[:, :, ::2],  # every other column
    np.asfortranarray,
    lambda s: s.astype(">f8"),
    lambda s: s.astype(np.float16),
    lambda s: s.tolist(),
])
def test_predict_takes_arrays_as_numpy_holds_them(nearest, shaped):
    scene = synthetic_scene(90, 120)
    np.testing.assert_array_equal(nearest.predict(shaped(scene)), nearest_mean(scene))


def test_predict_masked_pixels_are_no_data(nearest):
    """As rasterio's read(masked=True) gives them: a pixel masked in a band."""
    scene = synthetic_scene(90, 120)
    mask = np.zeros(scene.shape, bool)
    mask[1, 5:9, 7:11] = True
    expected = nearest_mean(scene)
    expected[5:9, 7:11] = 255
    np.testing.assert_array_equal(nearest.predict(np.ma.masked_array(scene, mask)), expected)
    np.testing.assert_array_equal(nearest.predict(np.ma.masked_array(scene, np.zeros_like(mask))), nearest_mean(scene))


@pytest.mark.parametrize("array, says", [
    (np.zeros((4, 90, 120)).sum(axis=0), "got 2 dimension(s), shape (90, 120); a single band is array[numpy.newaxis]"),
    (np.zeros((1, 4, 5, 6)), "got 4 dimension(s), shape (1, 4, 5, 6)"),
    (np.zeros((4, 5, 6), complex), "real numbers, got complex128"),
    (np.zeros((4, 5, 6), object), "real numbers, got object"),
])
def test_predict_refuses_what_is_no_image(nearest, array, says):
    with pytest.raises(ValueError) as raised:
        nearest.predict(array)
    assert says in str(raised.value)


@pytest.mark.parametrize("dtype, nodata", [(np.uint8, 0), (np.uint16, 999), (np.float32, -9999.0)])
def test_predict_no_data_value_as_apply(nearest, tmp_path, dtype, nodata):
    """Minimum distance looks for the image's no-data value in every band
    used; the array read from the image holds it as a number."""
    scene = synthetic_scene(90, 120).astype(dtype)
    scene[1, 5:9, 7:11] = scene[3, 40:42, 50:60] = nodata
    expected = nearest_mean(scene.astype(float))
    missing = (scene == nodata).any(axis=0)
    expected[missing] = 255
    assert 36 <= missing.sum() < 90 * 120
    np.testing.assert_array_equal(nearest.predict(scene, nodata=nodata), expected)
    write_image(tmp_path / "nodata.tif", scene, nodata=nodata)
    nearest.apply(tmp_path / "nodata.tif", tmp_path / "classes.tif")
    np.testing.assert_array_equal(pixels(tmp_path / "classes.tif"), expected)


def test_applies_on_threads_at_once(scene, trained, tmp_path):
    image, _ = scene
    model, directory = trained
    outputs = [tmp_path / ("t%d.tif" % i) for i in range(4)]
    threads = [threading.Thread(target=model.apply, args=(image, o)) for o in outputs]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for o in outputs:
        np.testing.assert_array_equal(pixels(o), pixels(directory / "cli_whole.tif"))


def test_the_thread_count_is_asked_while_an_apply_runs(trained, tmp_path):
    """The pool's answer waits for the apply's block; the apply's stop polls
    take the GIL, which the question must not hold meanwhile."""
    model, _ = trained
    large = tmp_path / "large.tif"
    write_image(large, synthetic_scene(1500, 1500))
    apply = threading.Thread(target=model.apply, args=(large, tmp_path / "out.tif"))
    apply.start()
    while apply.is_alive():
        assert ztclass.threads() >= 1
    assert (tmp_path / "out.tif").exists()


# The message names the code and says where or what: the file and band a
# read failed in, the parameter refused.
@pytest.mark.parametrize("call, name, says", [
    (lambda d, m, i, a: ztclass.load(d / "garbled.ztm"), "RC_BAD_MODEL_FILE", "garbled.ztm"),
    (lambda d, m, i, a: ztclass.train("mindist", i, d / "empty.geojson"), None, None),
    (lambda d, m, i, a: m.predict(np.zeros((3, 4, 4))), None, None),
    (lambda d, m, i, a: m.predict(np.zeros((0, 4, 4))), None, "at least one band"),
    (lambda d, m, i, a: m.apply(damaged_copy(i, d / "damaged.tif"), d / "out.tif"), "RC_RASTER_IO_FAILED",
     "damaged.tif', band 1"),
    (lambda d, m, i, a: ztclass.train("bp", i, a, rate=-5), "RC_BAD_PARAMETER", 'parameter "rate"'),
    (lambda d, m, i, a: ztclass.train("mindist", i, a, bands=[1, 5]), None, "band 5 does not exist"),
    (lambda d, m, i, a: m.apply(i, d / "out.tif", bands=[0, 1, 2, 3]), None, "band 0 does not exist"),
    (lambda d, m, i, a: m.apply(i, d / "out.tif", bands=[]), None, "bands: the band list is empty"),
    (lambda d, m, i, a: ztclass.train("mindist", i, a, bands=[]), None, "bands: the band list is empty"),
    (lambda d, m, i, a: ztclass.train("mindist", i, a, bands=[1, 2.5]), None, "bands takes whole numbers, got 2.5"),
    (lambda d, m, i, a: m.apply(i, d / "out.tif", window=(0, 0, 10.5, 10)), None,
     "window takes whole numbers, got 10.5"),
    (lambda d, m, i, a: m.apply(i, d / "o.tif", confidence=d / "o.tif"), None, "confidence and output name the same"),
    (lambda d, m, i, a: m.apply(gdal.Translate(str(d / "nd.tif"), str(i), noData=0) and d / "nd.tif", d / "o.tif",
                                type="Int8"), None, "type Int8 cannot hold class 255 (the value of no-data pixels)"),
])
def test_failures_raise(scene, trained, tmp_path, call, name, says):
    image, aoi = scene
    model, _ = trained
    (tmp_path / "garbled.ztm").write_bytes(b"not a model")
    (tmp_path / "empty.geojson").write_text('{"type": "FeatureCollection", "features": []}')
    with pytest.raises((ztclass.Error, ValueError)) as raised:
        call(tmp_path, model, image, aoi)
    if name:
        # Named once: the library's message repeats the description it begins with.
        assert raised.value.name == name and str(raised.value).count(name) == 1
    if says:
        assert says in str(raised.value)


def test_gdal_messages_stay_the_hosts(trained, tmp_path):
    """The package leaves GDAL's error handler as the host set it (GDAL's
    own here, which prints), quiet only within its calls, whose failures
    give GDAL's reason themselves."""
    _, directory = trained
    script = "\n".join([
        "import sys, ztclass", "from osgeo import gdal", "gdal.DontUseExceptions()",
        "try:", "    ztclass.load(sys.argv[1]).apply(sys.argv[2], sys.argv[3])",
        "except ztclass.Error as error:", "    print(error)", "gdal.Open(sys.argv[2])"])
    missing = tmp_path / "missing.tif"
    done = subprocess.run([sys.executable, "-c", script, directory / "cli.ztm", missing, tmp_path / "out.tif"],
                          capture_output=True, text=True)
    assert done.returncode == 0 and "missing.tif" in done.stdout
    assert done.stderr.count("ERROR 4") == 1 and "missing.tif" in done.stderr


def test_band_scaling_text_has_points_under_a_host_locale_of_commas(scene, tmp_path):
    """A host that set a locale of decimal commas (as QGIS does) gets the
    band scaling's text, which results and model files keep, as the command
    line writes it."""
    if not shutil.which("localedef"):
        pytest.skip("no localedef to make the fr_FR.UTF-8 locale")
    subprocess.run(["localedef", "-i", "fr_FR", "-f", "UTF-8", tmp_path / "fr_FR.UTF-8"], capture_output=True)
    _, aoi = scene
    image = tmp_path / "halves.tif"
    write_image(image, synthetic_scene(90, 120).astype(np.float32) / 2 + 0.25)
    run_cli("train", "lvq2", image, "--aoi", aoi, "-o", tmp_path / "cli.ztm")
    expected = json.loads(run_cli("model", tmp_path / "cli.ztm").stdout)["scaling"]["text"]
    os.environ["LOCPATH"] = str(tmp_path)
    try:
        locale.setlocale(locale.LC_ALL, "fr_FR.UTF-8")
        assert locale.localeconv()["decimal_point"] == ","
        text = ztclass.train("lvq2", image, aoi).describe()["scaling"]["text"]
    finally:
        locale.setlocale(locale.LC_ALL, "C")
        del os.environ["LOCPATH"]
    assert "." in expected and text == expected
