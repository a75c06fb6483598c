"""Fixtures of the Python package's tests: a synthetic scene with training
polygons, the command-line program to compare with, and readers."""

import json
import os
import subprocess

import numpy as np
import pytest
from osgeo import gdal

gdal.UseExceptions()

CLI = os.environ.get("ZTCLASS_CLI", "ztclass")


def run_cli(*args):
    """Runs the command line quietly; fails the test on a non-zero exit."""
    done = subprocess.run([CLI, "-q", *map(str, args)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done


def pixels(path, band=1):
    dataset = gdal.Open(str(path))
    return dataset.GetRasterBand(band).ReadAsArray()


def assert_same_result(a, b, beside=(".cls", ".qml")):
    """The same pixels, and beside them the same files of each suffix, or none."""
    np.testing.assert_array_equal(pixels(a), pixels(b))
    for suffix in beside:
        side_a, side_b = a.with_suffix(suffix), b.with_suffix(suffix)
        assert side_a.exists() == side_b.exists(), side_a
        if side_a.exists():
            assert side_a.read_bytes() == side_b.read_bytes(), side_a


def write_image(path, array, nodata=None):
    """A tiled GeoTIFF of a (bands, rows, columns) array, no georeferencing."""
    bands, rows, columns = array.shape
    kind = gdal.GDT_Byte if array.dtype == np.uint8 else gdal.GDT_Float32
    dataset = gdal.GetDriverByName("GTiff").Create(str(path), columns, rows, bands, kind, ["TILED=YES"])
    for b in range(bands):
        band = dataset.GetRasterBand(b + 1)
        if nodata is not None:
            band.SetNoDataValue(nodata)
        band.WriteArray(array[b])
    dataset = None


def synthetic_scene(rows, columns, seed=7):
    """Four bands of three classes in vertical stripes (water, vegetation,
    built-up), with noise, and a few blobs of each class in the others."""
    rng = np.random.default_rng(seed)
    means = np.array([[30, 20, 15, 10], [60, 90, 40, 120], [140, 130, 150, 110]], float)
    label = np.zeros((rows, columns), int)
    label[:, columns // 3:] = 1
    label[:, 2 * columns // 3:] = 2
    for _ in range(12):
        r, c, k = rng.integers(0, rows), rng.integers(0, columns), rng.integers(0, 3)
        label[max(r - 3, 0):r + 3, max(c - 4, 0):c + 4] = k
    scene = means[label].transpose(2, 0, 1) + rng.normal(0, 8, (4, rows, columns))
    return np.clip(scene, 0, 255).astype(np.uint8)


def damaged_copy(source, path, block=(0, 0)):
    """A DEFLATE copy of source whose block (x, y) is garbled: GDAL opens
    it, and fails to read that block."""
    gdal.Translate(str(path), str(source), creationOptions=["TILED=YES", "COMPRESS=DEFLATE"])
    dataset = gdal.Open(str(path))
    offset = int(dataset.GetRasterBand(1).GetMetadataItem("BLOCK_OFFSET_%d_%d" % block, "TIFF"))
    dataset = None
    with open(path, "r+b") as image:
        image.seek(offset)
        image.write(b"\xff" * 64)
    return path


@pytest.fixture(scope="session")
def scene(tmp_path_factory):
    """(image, training polygons) of a synthetic 4-band scene, 90 x 120."""
    directory = tmp_path_factory.mktemp("scene")
    image = directory / "scene.tif"
    write_image(image, synthetic_scene(90, 120))
    # Polygons in pixel coordinates (x column, y row) inside each stripe.
    boxes = {"Water": (5, 10, 30, 80), "Vegetation": (45, 10, 75, 80), "Built-up": (85, 10, 115, 80)}
    features = [{"type": "Feature", "properties": {"class": name},
                 "geometry": {"type": "Polygon", "coordinates": [[[x0, y0], [x1, y0], [x1, y1], [x0, y1], [x0, y0]]]}}
                for name, (x0, y0, x1, y1) in boxes.items()]
    aoi = directory / "training.geojson"
    aoi.write_text(json.dumps({"type": "FeatureCollection", "features": features}))
    return image, aoi


@pytest.fixture(scope="session")
def class_map(scene, tmp_path_factory):
    """A minimum-distance class map of the scene, made by the command line."""
    image, aoi = scene
    output = tmp_path_factory.mktemp("map") / "mindist.tif"
    run_cli("mindist", image, "--aoi", aoi, "-o", output)
    return output
