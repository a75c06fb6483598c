"""Apply over Dask: local worker processes, and a scheduler with two worker
processes on loopback (through the command line's --dask, then with one of
them killed during the run), against the in-process apply, into a GeoTIFF
and into a VRT of tiles."""

import _thread
import contextlib
import os
import signal
import socket
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import ztclass
import ztclass.distributed
from conftest import CLI, assert_same_result, damaged_copy, pixels, run_cli, synthetic_scene, write_image
from osgeo import gdal


@pytest.fixture(scope="module")
def run(scene, tmp_path_factory):
    """A model of the scene, a larger image to apply it to, and the in-process result."""
    image, aoi = scene
    directory = tmp_path_factory.mktemp("distributed")
    large = directory / "large.tif"
    write_image(large, synthetic_scene(700, 900, seed=11))
    model = ztclass.train("mindist", image, aoi)
    model.save(directory / "model.ztm")
    model.apply(large, directory / "inprocess.tif")
    return model, large, directory


def assert_same_as_in_process(result, directory):
    reference = directory / "inprocess.tif"
    assert_same_result(result, reference)
    # The bands live only while their datasets do.
    datasets = gdal.Open(str(result)), gdal.Open(str(reference))
    got, want = (d.GetRasterBand(1) for d in datasets)
    table, expected = got.GetColorTable(), want.GetColorTable()
    count = expected.GetCount()
    # A GeoTIFF keeps no category names (no side-car file is written) and
    # 256 colours whatever it is given; a VRT keeps the names and the
    # colours of exactly the classes, 0 to 3.
    if result.suffix == ".vrt":
        assert got.GetCategoryNames() == ["Unclassified", "Water", "Vegetation", "Built-up"]
        count = 4
    else:
        assert got.GetCategoryNames() == want.GetCategoryNames()
    assert table.GetCount() == count
    assert [table.GetColorEntry(i) for i in range(count)] == [expected.GetColorEntry(i) for i in range(count)]


def test_tiles_cover_the_window_once():
    windows = ztclass.distributed.tiles((10, 20, 600, 300), 256)
    covered = np.zeros((300, 600), int)
    for x, y, w, h in windows:
        covered[y - 20:y - 20 + h, x - 10:x - 10 + w] += 1
    assert (covered == 1).all() and len(windows) == 3 * 2


def test_a_tile_outside_the_window_is_refused(run, tmp_path):
    from ztclass import _native
    from ztclass._paths import result

    model, large, directory = run
    with _native.TiledResult(str(large), str(tmp_path / "r.tif"), result(), tile=256) as writer:
        assert writer.takes_blocks
        # (column, row, columns, rows) of the 700 x 900 window.
        for place in [(-256, 0, 256, 256), (768, 0, 256, 256), (0, 512, 256, 256), (0, 0, 0, 256),
                      (0, 0, -256 * 4000, -512), (2 ** 62, 0, 2 ** 62, 256)]:
            with pytest.raises(ValueError, match="outside the window"):
                writer.write_blocks(*place, [b"x"] * 3999)
    assert not list(tmp_path.iterdir())


def test_a_stop_while_the_result_is_written_keeps_the_earlier_one(run, tmp_path):
    """Ctrl-C that comes while finish writes the result (without the GIL)
    stops the run before it replaces the earlier result, as in process."""
    from ztclass import _native
    from ztclass._paths import result

    model, large, directory = run
    output = tmp_path / "kept.tif"

    def interrupt(gate):
        with gate:
            _thread.interrupt_main()

    # No thread switch but where a call lets go of the GIL: the interrupt
    # comes only once finish has let go of it. On a loaded machine the
    # interrupting thread may still get no core before finish is done; such
    # a try proves nothing (a stop after the commit rightly keeps the new
    # result), so it is tried again.
    switch = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    try:
        for _ in range(10):
            for leftover in tmp_path.iterdir():
                leftover.unlink()
            output.write_bytes(b"earlier result")
            gate = threading.Lock()
            gate.acquire()
            thread = threading.Thread(target=interrupt, args=(gate,))
            try:
                with _native.TiledResult(str(large), str(output), result(overwrite=True)) as writer:
                    writer.write(0, 0, pixels(directory / "inprocess.tif"))
                    thread.start()
                    gate.release()
                    writer.finish()
                # Too late: let the interrupt come here, outside the run.
                thread.join()
                for _ in range(1000):
                    pass
            except KeyboardInterrupt:
                thread.join()
                if not writer.committed:
                    break
        else:
            pytest.fail("the interrupt never came while the result was written")
    finally:
        sys.setswitchinterval(switch)
    assert output.read_bytes() == b"earlier result"
    assert [p.name for p in tmp_path.iterdir()] == ["kept.tif"]


def assert_vrt_of_tiles(vrt, rows, columns, tile):
    """Only the VRT, its class file and style beside it, and in its tile
    folder the finished tiles of every offset, as compressed GeoTIFFs."""
    stem = vrt.with_suffix("")
    folder = stem.parent / (stem.name + "_tiles")
    assert sorted(p.name for p in vrt.parent.iterdir() if p.name.startswith(stem.name)) == \
        sorted([vrt.name, stem.name + ".cls", stem.name + ".qml", folder.name])
    expected = ["x%d/y%d.tif" % (x, y) for y in range(0, rows, tile) for x in range(0, columns, tile)]
    assert sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if not p.is_dir()) == sorted(expected)
    structure = gdal.Open(str(folder / expected[-1])).GetMetadata("IMAGE_STRUCTURE")
    assert structure["COMPRESSION"] == "DEFLATE"
    assert gdal.Open(str(vrt)).GetDriver().ShortName == "VRT"


def test_local_workers_into_a_vrt_of_tiles(run, tmp_path):
    model, large, directory = run
    ztclass.distributed.apply(model, large, tmp_path / "local.vrt", "local:2", tile=256)
    assert_same_as_in_process(tmp_path / "local.vrt", directory)
    assert_vrt_of_tiles(tmp_path / "local.vrt", 700, 900, 256)
    # The class records read back through the VRT as through the GeoTIFF.
    assert run_cli("classes", "show", tmp_path / "local.vrt").stdout == \
        run_cli("classes", "show", directory / "inprocess.tif").stdout
    # A tile folder of another's is left alone, and no VRT appears.
    (tmp_path / "taken_tiles").mkdir()
    for caught in (FileExistsError, ValueError):
        with pytest.raises(caught, match="give overwrite=True to"):
            ztclass.distributed.apply(model, large, tmp_path / "taken.vrt", "local:1", tile=256)
    assert not list(tmp_path.glob("taken.*"))
    # The command line's messages name its options, not the package's keywords.
    done = subprocess.run([CLI, "apply", directory / "model.ztm", large, "-o", tmp_path / "local.vrt", "--dask",
                           "local:1"], capture_output=True, text=True)
    assert done.returncode != 0 and "exists; give --overwrite to" in done.stderr


def test_a_tile_folder_that_appears_during_the_run_is_left_alone(run, tmp_path):
    model, large, directory = run
    folder = tmp_path / "late_tiles"

    def another_run(fraction, caption):
        if not folder.exists():
            (folder / "x0").mkdir(parents=True)
            (folder / "x0" / "y0.tif").write_bytes(b"another run's tile")

    with pytest.raises(FileExistsError, match="late_tiles' appeared while the command ran"):
        ztclass.distributed.apply(model, large, tmp_path / "late.vrt", "local:1", tile=256, progress=another_run)
    assert (folder / "x0" / "y0.tif").read_bytes() == b"another run's tile"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["late_tiles"]


def start(*arguments, log, cwd=None):
    return subprocess.Popen([sys.executable, "-m", *arguments], stdout=log, stderr=subprocess.STDOUT,
                            start_new_session=True, cwd=cwd)


@pytest.fixture(scope="module")
def cluster(tmp_path_factory):
    """A scheduler and three worker processes on loopback, as on separate
    machines, each worker in a folder of its own: (scheduler file, worker
    processes)."""
    directory = tmp_path_factory.mktemp("cluster")
    address_file = directory / "scheduler.json"
    log = open(directory / "cluster.log", "w")
    scheduler = start("distributed.cli.dask_scheduler", "--host", "127.0.0.1", "--port", "0",
                      "--dashboard-address", ":0", "--scheduler-file", str(address_file), log=log)
    workers = []
    try:
        deadline = time.monotonic() + 20
        while not address_file.exists() and time.monotonic() < deadline:
            time.sleep(0.1)
        for k in range(3):
            (directory / str(k)).mkdir()
            workers.append(start("distributed.cli.dask_worker", "--scheduler-file", str(address_file),
                                 "--nthreads", "1", "--no-dashboard", "--host", "127.0.0.1", log=log,
                                 cwd=directory / str(k)))
        yield address_file, workers
    finally:
        for process in workers + [scheduler]:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        log.close()


@pytest.fixture
def client(cluster):
    """A client of the cluster, once two of its workers have come."""
    from dask.distributed import Client

    with Client(scheduler_file=str(cluster[0]), timeout=20) as client:
        client.wait_for_workers(2, timeout=20)
        yield client


def test_command_line_dask_as_in_process(run, client, tmp_path, monkeypatch):
    model, large, directory = run
    address = client.scheduler.address
    window = ["--srcwin", 100, 50, 600, 500]
    run_cli("apply", directory / "model.ztm", large, *window, "-o", tmp_path / "inprocess.tif")
    # The image named from this folder, which the workers are not in.
    monkeypatch.chdir(large.parent)
    for name in ("dask.tif", "tiled.vrt"):
        run_cli("apply", directory / "model.ztm", large.name, *window, "--dask", address, "--tile", 256,
                "-o", tmp_path / name)
        assert_same_as_in_process(tmp_path / name, tmp_path)
    assert_vrt_of_tiles(tmp_path / "tiled.vrt", 500, 600, 256)


def test_a_killed_worker_is_replaced_by_the_others(run, cluster, client, tmp_path):
    name, victim = "cluster.vrt", 1
    model, large, directory = run
    workers = cluster[1]
    killed = []

    def kill_one(fraction, text):
        # Workers run with their nanny: the whole process group goes.
        if fraction >= 0.25 and not killed:
            os.killpg(workers[victim].pid, signal.SIGKILL)
            killed.append(fraction)

    ztclass.distributed.apply(model, large, tmp_path / name, client, tile=256, progress=kill_one)
    assert killed and workers[victim].wait(5) is not None
    assert_same_as_in_process(tmp_path / name, directory)
    assert_vrt_of_tiles(tmp_path / name, 700, 900, 256)


def test_a_cluster_of_threads_leaves_the_callers_settings(run, tmp_path):
    """Tasks on a cluster of threads run in the caller's process: the
    thread count it chose stays after the run."""
    from dask.distributed import Client, LocalCluster

    model, large, directory = run
    chosen = ztclass.threads()
    ztclass.set_threads(3)
    try:
        with LocalCluster(n_workers=1, threads_per_worker=2, processes=False, dashboard_address=None) as cluster, \
                Client(cluster) as client:
            ztclass.distributed.apply(model, large, tmp_path / "threads.tif", client, tile=256)
        assert ztclass.threads() == 3
    finally:
        ztclass.set_threads(chosen)
    assert_same_as_in_process(tmp_path / "threads.tif", directory)


def test_runs_one_after_another_in_any_layout(run, client, tmp_path):
    """The workers' compressed blocks taken as they are (BigTIFF, other
    codecs and blocks), or pixels where the blocks do not divide the tiles;
    and one model's runs one after another on one client (the model of the
    run before once shared its key, and its release cancelled the next)."""
    model, large, directory = run
    # Creation options, tile, and the compression and block the result has.
    layouts = [((), 512, "DEFLATE", [256, 256]), (("BIGTIFF=YES",), 256, "DEFLATE", [256, 256]),
               (("COMPRESS=LZW", "BLOCKXSIZE=128", "BLOCKYSIZE=512"), 512, "LZW", [128, 512]),
               (("BLOCKXSIZE=512",), 256, "DEFLATE", [512, 256]), (("TILED=NO",), 256, "DEFLATE", [900, 9])]
    for k, (options, tile, compression, block) in enumerate(layouts):
        result = tmp_path / ("%d.tif" % k)
        ztclass.distributed.apply(model, large, result, client, tile=tile, creation_options=options)
        assert_same_as_in_process(result, directory)
        structure = gdal.Info(str(result), format="json")
        assert structure["metadata"]["IMAGE_STRUCTURE"]["COMPRESSION"] == compression, options
        assert structure["bands"][0]["block"] == block, options
    # One block, whose place the TIFF keeps in its directory entry.
    for _ in range(10):
        ztclass.distributed.apply(model, large, tmp_path / "quick.tif", client, window=(30, 20, 200, 150),
                                  overwrite=True)
        np.testing.assert_array_equal(pixels(tmp_path / "quick.tif"),
                                      pixels(directory / "inprocess.tif")[20:170, 30:230])


def legend(path):
    """No-data value, category names and colour table of band 1."""
    dataset = gdal.Open(str(path))
    band = dataset.GetRasterBand(1)
    table = band.GetColorTable()
    return band.GetNoDataValue(), band.GetCategoryNames(), [table.GetColorEntry(i) for i in range(table.GetCount())]


@pytest.mark.parametrize("missing", ["declared", "nan"])
def test_no_data_as_in_process(run, client, tmp_path, missing):
    """No-data away from the first tile (of an image that declares it, or
    NaN in a float image that declares none): every form of the result
    declares no-data 255 and names it in its legend, as in process."""
    model = run[0]
    scene = synthetic_scene(300, 600, seed=5)
    image = tmp_path / "image.tif"
    if missing == "declared":
        scene[:, 290:, 595:] = 0
        write_image(image, scene, nodata=0)
    else:
        scene = scene.astype(np.float32)
        scene[2, 290:, 595:] = np.nan
        write_image(image, scene)
    for name, keywords in [("blocks.tif", {}), ("strips.tif", {"creation_options": ("TILED=NO",)}),
                           ("copied.png", {"format": "PNG"})]:
        reference, result = tmp_path / ("in-process-" + name), tmp_path / name
        model.apply(image, reference, **keywords)
        assert pixels(reference)[290, 595] == 255 and legend(reference)[0] == 255
        ztclass.distributed.apply(model, image, result, client, tile=256, **keywords)
        assert_same_result(result, reference)
        assert legend(result) == legend(reference), name
    # A VRT keeps the names and colours of exactly the classes, and no-data's.
    ztclass.distributed.apply(model, image, tmp_path / "tiles.vrt", client, tile=256)
    np.testing.assert_array_equal(pixels(tmp_path / "tiles.vrt"), pixels(tmp_path / "in-process-blocks.tif"))
    nodata, names, colours = legend(tmp_path / "tiles.vrt")
    _, _, expected = legend(tmp_path / "in-process-blocks.tif")
    assert nodata == 255 and names[255] == "No data" and colours == expected[:4] + [(0, 0, 0, 0)] * 251 + expected[255:]


def test_a_failed_tile_fails_the_run(run, client, tmp_path):
    """A tile the workers cannot read (its block damaged) fails the run and
    leaves no result, though the client reads the image's first pixel."""
    model, large, directory = run
    damaged = damaged_copy(large, tmp_path / "damaged.tif", (3, 2))
    for name in ("failed.tif", "failed.vrt"):
        with pytest.raises(ztclass.Error):
            ztclass.distributed.apply(model, damaged, tmp_path / name, client, tile=256)
    # On local workers, whose logs go to the terminal too, the worker's
    # reason alone.
    done = subprocess.run([CLI, "-q", "apply", directory / "model.ztm", damaged, "-o", tmp_path / "failed.tif",
                           "--dask", "local:1", "--tile", "256"], capture_output=True, text=True)
    assert done.returncode == 1 and done.stderr.startswith("ztclass: classifying failed") and \
        "damaged.tif" in done.stderr and done.stderr.count("\n") == 1, done.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["damaged.tif"]
    # Nor does it touch the result it was to replace: the VRT and its tiles.
    kept = tmp_path / "kept" / "kept.vrt"
    kept.parent.mkdir()
    ztclass.distributed.apply(model, large, kept, client, tile=256)
    with pytest.raises(ztclass.Error):
        ztclass.distributed.apply(model, damaged, kept, client, tile=512, overwrite=True)
    assert_same_as_in_process(kept, directory)
    assert_vrt_of_tiles(kept, 700, 900, 256)


@pytest.mark.parametrize("stop_at", [1, 2, 3, 4])
def test_a_stop_while_the_tiles_move_keeps_the_earlier_result(run, client, tmp_path, monkeypatch, stop_at):
    """Ctrl-C at a move into place (the earlier VRT set aside, its tile
    folder, the new tile folder put in, a file of the user's in the earlier
    one taken over) leaves the earlier VRT and every one of its tiles, and
    the user's file, as they were."""
    model, large, directory = run
    vrt = tmp_path / "kept.vrt"
    ztclass.distributed.apply(model, large, vrt, client, tile=256)
    (tmp_path / "kept_tiles" / "notes.txt").write_text("the user's")
    earlier = {p: p.read_bytes() for p in tmp_path.rglob("*") if p.is_file()}
    replace, moves = os.replace, []

    def stopped(source, target):
        if str(source).startswith(str(tmp_path)):
            moves.append(source)
            if len(moves) == stop_at:
                raise KeyboardInterrupt
        replace(source, target)

    monkeypatch.setattr(os, "replace", stopped)
    with pytest.raises(KeyboardInterrupt):
        ztclass.distributed.apply(model, large, vrt, client, tile=512, overwrite=True)
    monkeypatch.undo()
    assert {p: p.read_bytes() for p in tmp_path.rglob("*") if p.is_file()} == earlier
    assert_same_as_in_process(vrt, directory)


# apply into a VRT on the cluster of a scheduler file, its client killed
# outright at its killed_at-th move of a file in the VRT's folder.
KILLED_AT_A_MOVE = """
import os, signal, sys
import ztclass.distributed
from dask.distributed import Client

scheduler, model, image, vrt, killed_at = sys.argv[1:]
replace, moves = os.replace, []

def killed(source, target):
    if source.startswith(os.path.dirname(vrt)):
        moves.append(source)
        if len(moves) == int(killed_at):
            os.kill(os.getpid(), signal.SIGKILL)
    replace(source, target)

os.replace = killed
with Client(scheduler_file=scheduler, timeout=20) as client:
    ztclass.distributed.apply(model, image, vrt, client, tile=512, overwrite=True)
"""


@pytest.mark.parametrize("killed_at", [1, 2, 3, 4])
def test_a_client_killed_while_the_tiles_move_leaves_no_vrt_of_missing_tiles(run, cluster, client, tmp_path,
                                                                              killed_at):
    """SIGKILL of the client at a move into place (the earlier VRT set
    aside, its tile folder, the new tile folder put in, a file of the
    user's taken over) leaves the earlier VRT with all of its tiles, or
    none: the earlier VRT is then set aside, and its tiles beside it or
    still in place, where it reads whole once moved back."""
    model, large, directory = run
    vrt = tmp_path / "kept.vrt"
    ztclass.distributed.apply(model, large, vrt, client, tile=256)
    (tmp_path / "kept_tiles" / "notes.txt").write_text("the user's")
    done = subprocess.run([sys.executable, "-c", KILLED_AT_A_MOVE, str(cluster[0]), str(directory / "model.ztm"),
                           str(large), str(vrt), str(killed_at)], capture_output=True, text=True)
    assert done.returncode == -signal.SIGKILL, done.stderr
    if not vrt.exists():
        [aside] = tmp_path.glob(".ztclass-*.old")
        if (aside / "kept_tiles").exists():
            vrt = aside / "kept.vrt"
        else:
            os.replace(aside / "kept.vrt", vrt)
    np.testing.assert_array_equal(pixels(vrt), pixels(directory / "inprocess.tif"))


@pytest.mark.parametrize("address", ["local:0", "local:abc", "local:1.5", "local:"])
def test_a_local_cluster_of_no_whole_worker_count_is_refused(run, tmp_path, address):
    directory = run[2]
    done = subprocess.run([CLI, "-q", "apply", directory / "model.ztm", run[1], "-o", tmp_path / "r.tif", "--dask",
                           address], capture_output=True, text=True)
    assert done.returncode == 2 and done.stderr == \
        "ztclass: local:N needs a whole number N of 1 or more, got '%s'\n" % address, done.stderr
    assert not list(tmp_path.iterdir())


def test_a_local_cluster_leaves_nothing_behind(run, tmp_path):
    """The workers of local:N keep their files in a folder of the run's
    own: neither the temporary directory nor the current one holds any
    after the run."""
    directory = run[2]
    temporary, current = tmp_path / "tmp", tmp_path / "cwd"
    temporary.mkdir()
    current.mkdir()
    done = subprocess.run([CLI, "-q", "apply", directory / "model.ztm", run[1], "-o", tmp_path / "r.tif", "--dask",
                           "local:2", "--tile", "256"], capture_output=True, text=True, cwd=current,
                          env=dict(os.environ, TMPDIR=str(temporary)))
    assert done.returncode == 0, done.stderr
    assert_same_as_in_process(tmp_path / "r.tif", directory)
    assert not list(temporary.iterdir()) and not list(current.iterdir())


@pytest.mark.parametrize("exceptions", [True, False])
def test_an_image_gdal_cannot_open_is_refused_with_the_reason(run, tmp_path, exceptions):
    """Whether or not the caller has GDAL raise exceptions, the image that
    cannot be opened is named with GDAL's reason, before any cluster."""
    missing = tmp_path / "missing.tif"
    if not exceptions:
        gdal.DontUseExceptions()
    try:
        with pytest.raises(ztclass.Error, match=r"cannot open raster '.*missing\.tif': .*No such file or directory"):
            ztclass.distributed.apply(run[0], missing, tmp_path / "r.tif", "local:1")
    finally:
        gdal.UseExceptions()
    assert not list(tmp_path.iterdir())


def test_the_model_file_is_an_input(run, tmp_path):
    """A result named as the model file is refused, as in process, before
    any cluster is reached, and the model stays as it was."""
    directory = run[2]
    model = tmp_path / "model.ztm"
    earlier = (directory / "model.ztm").read_bytes()
    model.write_bytes(earlier)
    with pytest.raises(ValueError, match="is an input of the command"):
        ztclass.distributed.apply(model, run[1], model, "local:1", overwrite=True)
    done = subprocess.run([CLI, "-q", "apply", model, run[1], "-o", model, "--dask", "local:1", "--overwrite"],
                          capture_output=True, text=True)
    assert done.returncode == 2 and "is an input of the command" in done.stderr
    assert model.read_bytes() == earlier


@pytest.mark.parametrize("stop_at", [1, 2, 3])
def test_ctrl_c_while_the_tiles_move_installs_the_new_result_whole(run, client, tmp_path, monkeypatch, stop_at):
    """A real Ctrl-C just after a move (the earlier VRT set aside, its tile
    folder, the new tile folder put in, then committed) waits for the
    install: the new VRT stands with every one of its tiles, and none of
    the earlier result's is left."""
    model, large, directory = run
    vrt = tmp_path / "kept.vrt"
    ztclass.distributed.apply(model, large, vrt, client, tile=256)
    replace, moves = os.replace, []

    def interrupted(source, target):
        replace(source, target)
        if str(source).startswith(str(tmp_path)):
            moves.append(source)
            if len(moves) == stop_at:
                signal.raise_signal(signal.SIGINT)

    monkeypatch.setattr(os, "replace", interrupted)
    with pytest.raises(KeyboardInterrupt):
        ztclass.distributed.apply(model, large, vrt, client, tile=512, overwrite=True)
    monkeypatch.undo()
    assert_same_as_in_process(vrt, directory)
    assert_vrt_of_tiles(vrt, 700, 900, 512)


@pytest.mark.parametrize("number, when", [(signal.SIGINT, "begun"), (signal.SIGTERM, "begun"),
                                          (signal.SIGHUP, "begun"), (signal.SIGINT, "placed")])
def test_a_stop_signal_to_the_command_line_run(run, tmp_path, number, when):
    """SIGINT, SIGTERM or SIGHUP to apply --dask once its result is begun
    stops it as in process: exit 128 + the signal, and nothing of the run
    left beside the result or in the temporary folder. Once the result is
    in place, the run is done and says so."""
    model, large, directory = run
    results, scratch = tmp_path / "results", tmp_path / "tmp"
    results.mkdir()
    scratch.mkdir()
    output = results / "result.tif"
    process = subprocess.Popen([CLI, "-q", "apply", directory / "model.ztm", large, "-o", output, "--dask", "local:1"],
                               env=dict(os.environ, TMPDIR=str(scratch)), stderr=subprocess.PIPE, text=True)
    while process.poll() is None and not (output.exists() if when == "placed" else list(results.iterdir())):
        time.sleep(0.002)
    process.send_signal(number)
    stderr = process.communicate(timeout=120)[1]
    if when == "placed":
        assert process.returncode == 0, stderr
        assert_same_as_in_process(output, directory)
        return
    assert process.returncode == 128 + number and "ztclass: stopped by the user" in stderr
    assert not list(results.iterdir())
    assert all(p.suffix == ".lock" for p in scratch.rglob("*") if p.is_file()), list(scratch.rglob("*"))


def processes_of_group(group):
    """The command lines of the living processes of a process group."""
    found = []
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/cmdline" % entry, "rb") as command:
                line = command.read().replace(b"\0", b" ").decode()
        except (OSError, IndexError):
            continue
        # State, parent, process group; a zombie has ended.
        if int(fields[2]) == group and fields[0] != "Z":
            found.append(line)
    return found


@pytest.mark.parametrize("when", ["python starts", "workers run"])
def test_ctrl_c_at_a_terminal_stops_the_run_quietly(run, tmp_path, when):
    """A terminal's Ctrl-C reaches the whole process group, the local
    workers included, and may come while Python starts: the run says one
    line, exits 130, and leaves no process and nothing of its own behind.
    Another cluster's scheduler on Dask's usual port is no concern of the
    run's."""
    model, large, directory = run
    image = tmp_path / "image.tif"
    write_image(image, synthetic_scene(2048, 2048, seed=3))
    results = tmp_path / "results"
    results.mkdir()
    taken = socket.socket()
    with contextlib.suppress(OSError):
        taken.bind(("", 8787))
        taken.listen()
    process = subprocess.Popen([CLI, "-q", "apply", directory / "model.ztm", image, "-o", results / "result.tif",
                                "--dask", "local:2", "--tile", "256"], stderr=subprocess.PIPE, text=True,
                               start_new_session=True)
    deadline = time.monotonic() + 60

    def begun():
        if when == "python starts":
            with open("/proc/%d/cmdline" % process.pid, "rb") as command:
                return b"ztclass.distributed" in command.read()
        return sum("spawn_main" in line for line in processes_of_group(process.pid)) >= 2

    while process.poll() is None and time.monotonic() < deadline and not begun():
        time.sleep(0.001)
    os.killpg(process.pid, signal.SIGINT)
    stderr = process.communicate(timeout=120)[1]
    assert process.returncode == 128 + signal.SIGINT and stderr == "ztclass: stopped by the user\n", stderr
    while processes_of_group(process.pid) and time.monotonic() < deadline:
        time.sleep(0.1)
    taken.close()
    assert not processes_of_group(process.pid)
    assert not list(results.iterdir())


@pytest.mark.parametrize("method", ["cluster-mindist", "cluster-box"])
def test_colours_from_display_bands_as_in_process(run, client, tmp_path, method):
    """Classes coloured by their means of the display bands over the window
    have the in-process colours, class file and style, in a GeoTIFF and in
    a VRT of tiles."""
    large = run[1]
    model = ztclass.train(method, large, window=(0, 0, 300, 200), classes=6, display_bands=[4, 3, 2])
    window = (50, 30, 800, 600)
    reference = tmp_path / "in-process.tif"
    model.apply(large, reference, window=window)
    # Each class's colour: the truncated means of bands 4, 3 and 2 over its
    # pixels of the window.
    classes, colours = pixels(reference), legend(reference)[2]
    display = [pixels(large, b)[30:630, 50:850] for b in (4, 3, 2)]
    for value in range(1, 7):
        where = classes == value
        assert colours[value][:3] == tuple(int(band[where].mean()) if where.any() else 0 for band in display)
    assert len(set(colours[1:7])) > 3
    for name in ("dask.tif", "tiles.vrt"):
        result = tmp_path / name
        ztclass.distributed.apply(model, large, result, client, tile=256, window=window)
        assert_same_result(result, reference)
        assert legend(result)[2][:7] == colours[:7], name
