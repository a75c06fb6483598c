"""Clump and sieve over Dask (two local worker processes) in small tiles,
against the in-process calls byte for byte (which the library's tests hold
to a labelling by hand), on maps whose regions cross many tile borders."""

import subprocess

import numpy as np
import pytest

import ztclass
import ztclass.distributed as distributed
from conftest import CLI, assert_same_result, run_cli, write_image


ROWS, COLUMNS = 150, 170


def spiral():
    """Class 1 in a rectangular spiral one pixel wide, on class 2."""
    m = np.full((ROWS, COLUMNS), 2, np.uint8)
    r0, c0, r1, c1 = 0, 0, ROWS - 1, COLUMNS - 1
    while r1 - r0 >= 4 and c1 - c0 >= 4:
        m[r0, c0:c1 + 1] = m[r0:r1 + 1, c1] = m[r1, c0:c1 + 1] = 1
        m[r0 + 2:r1 + 1, c0] = 1
        m[r0 + 2, c0:c0 + 3] = 1
        r0, c0, r1, c1 = r0 + 2, c0 + 2, r1 - 2, c1 - 2
    return m


def corners():
    """Noise of classes 0 to 3, crossed by lines of classes 5 and 6 that pass
    through the corners of 16-, 32- and 64-pixel tiles, touching diagonally."""
    m = np.random.default_rng(5).integers(0, 4, (ROWS, COLUMNS)).astype(np.uint8)
    r, c = np.indices(m.shape)
    m[(r - c) % 32 == 0] = 5
    m[(r + c) % 32 == 31] = 6
    return m


@pytest.fixture(scope="module")
def client():
    with distributed.connect("local:2") as client:
        yield client


@pytest.fixture(scope="module")
def maps(tmp_path_factory):
    directory = tmp_path_factory.mktemp("maps")
    for make in (spiral, corners):
        write_image(directory / (make.__name__ + ".tif"), make()[np.newaxis])
    return {name: directory / (name + ".tif") for name in ("spiral", "corners")}


# Each map once over Dask (the library's tests join every tile size).
@pytest.mark.parametrize("name, neighbours, tile", [("spiral", 4, 37), ("corners", 8, 16)])
def test_clump_as_in_process(client, maps, tmp_path, name, neighbours, tile):
    image = maps[name]
    here, there = tmp_path / "here.tif", tmp_path / "there.tif"
    ztclass.clump(image, here, here.with_suffix(".txt"), neighbours=neighbours)
    distributed.clump(image, there, there.with_suffix(".txt"), client, tile, neighbours=neighbours)
    assert_same_result(here, there, (".txt",))


def test_sieves_as_in_process(client, maps, tmp_path):
    image = maps["corners"]
    clumps, stats = tmp_path / "clumps.tif", tmp_path / "clumps.txt"
    ztclass.clump(image, clumps, stats, neighbours=8)
    here, there = tmp_path / "here.tif", tmp_path / "there.tif"
    ztclass.sieve(clumps, stats, here, here.with_suffix(".txt"), 4)
    distributed.sieve(clumps, stats, there, there.with_suffix(".txt"), 4, client, 32)
    assert_same_result(here, there, (".txt",))

    # Straight from the class map, as the command line's sieve without --stats-in.
    run_cli("sieve", image, "--neighbours", 4, "--threshold", 2, "-o", here, "--stats", here.with_suffix(".txt"),
            "--overwrite")
    distributed.sieve(image, None, there, there.with_suffix(".txt"), 2, client, 32, neighbours=4, overwrite=True)
    assert_same_result(here, there, (".txt",))


def test_window_takes_the_class_range_of_the_whole_band(client, tmp_path):
    # Float values truncated into classes, the lowest and highest of them
    # outside the window.
    values = np.random.default_rng(3).integers(-2, 5, (1, 90, 100)).astype(np.float32) + 0.25
    values[0, 0, 0], values[0, 89, 99] = -6.5, 9.75
    image = tmp_path / "float.tif"
    write_image(image, values)
    window = (7, 5, 80, 70)
    here, there = tmp_path / "here.tif", tmp_path / "there.tif"
    ztclass.clump(image, here, here.with_suffix(".txt"), window=window)
    distributed.clump(image, there, there.with_suffix(".txt"), client, 24, window=window)
    assert_same_result(here, there, (".txt",))
    assert there.with_suffix(".txt").read_text(encoding="utf-8").split("\n")[2] == "分类数:%d" % (9 - -6 + 1)


def test_command_line_dask(client, maps, tmp_path):
    image, address = maps["spiral"], client.scheduler.address
    for where, dask in (("here", []), ("there", ["--dask", address, "--tile", 48])):
        run_cli("clump", image, "--srcwin", 3, 4, 150, 120, "-o", tmp_path / (where + ".tif"), "--stats",
                tmp_path / (where + ".txt"), *dask)
        run_cli("sieve", tmp_path / (where + ".tif"), "--stats-in", tmp_path / (where + ".txt"), "--threshold", 30,
                "-o", tmp_path / (where + "-sieved.tif"), "--stats", tmp_path / (where + "-sieved.txt"), *dask)
    assert_same_result(tmp_path / "here.tif", tmp_path / "there.tif", (".txt",))
    assert_same_result(tmp_path / "here-sieved.tif", tmp_path / "there-sieved.tif", (".txt",))



@pytest.mark.parametrize("option, says", [(["--band", "2"], "--band 2: '{image}' has 1 band(s)"),
                                          (["--tile", "65536"], "--tile 65536: a tile is 1 to 65535 pixels a side")])
def test_command_line_refuses_before_the_cluster(maps, tmp_path, option, says):
    image = maps["spiral"]
    # No scheduler answers there: the refusal comes before one is sought.
    done = subprocess.run([CLI, "clump", image, "-o", tmp_path / "c.tif", "--stats", tmp_path / "c.txt", "--dask",
                           "tcp://127.0.0.1:9", *option], capture_output=True, text=True)
    assert done.returncode == 2 and "ztclass: " + says.format(image=image) in done.stderr, done.stderr
    assert not list(tmp_path.iterdir())
