"""A model applied, and clump and sieve, over a Dask cluster, tile by tile.

For apply, the image is cut into tile windows; each task loads the model from its bytes
(once per worker process), reads its window through GDAL from any path GDAL
reads (a shared file system, /vsis3/, /vsicurl/) and returns its classes;
the client writes each tile into the result as it comes, and a tile comes
only once its task has finished, so a task that Dask runs again after a
lost worker leaves nothing half-written. A result named *.vrt (or of
format VRT) is instead a VRT of tiles that the workers write themselves,
each as a GeoTIFF under a temporary name renamed into place once written,
into the folder beside it (NAME_tiles/xX/yY.tif, X and Y the tile's offset
in the result); the VRT takes a tile once its task has finished. Either way
the result is the in-process apply's: the same pixels, class records,
colours and style. Clump and sieve
label tiles on the workers and join them on the client (see _tiled_clumps).

Run as a program, it is the command line's --dask:

    python3 -m ztclass.distributed [apply] MODEL IMAGE -o RESULT --dask ADDRESS [--tile N] ...
    python3 -m ztclass.distributed clump CLASSES -o RESULT --stats FILE --dask ADDRESS [--tile N] ...
    python3 -m ztclass.distributed sieve IMAGE -o RESULT --threshold N --dask ADDRESS [--tile N] ...

ADDRESS is tcp://host:port of a running scheduler, or local:N to start N
worker processes on this machine for the run.
"""

import argparse
import contextlib
import logging
import os
import re
import shutil
import signal
import sys
import tempfile

from osgeo import gdal

from . import _cluster, _native, _stops, _tiled_clumps, _worker
from ._paths import (band_list, callback, checked_neighbours, open_raster, optional_path, options, path, result,
                     text, whole_number, window_values)
from .errors import Error, ResultExistsError
from .models import Model, from_bytes, load

# A result's GeoTIFF blocks are 256 x 256: tiles of whole blocks write every
# block once.
BLOCK = 256

# The tile sizes of a run when none is given, the command line's.
APPLY_TILE = _native.APPLY_TILE
CLUMP_TILE = _native.CLUMP_TILE

# The models of this worker process, by their bytes.
_models = {}


def _model(data):
    model = _models.get(data)
    if model is None:
        _models.clear()
        model = _models[data] = from_bytes(data)
        _worker.ready()
    return model


def _classify_tile(window, data, image, bands):
    """A task: the classes of one window of the image (uint8, rows x columns),
    and whether the model gave them a no-data value."""
    return _model(data)._native.classify(image, bands, list(window))


def _classify_tile_blocks(window, data, image, bands, creation_options):
    """A task: one window of the image classified and compressed into the
    blocks of a GeoTIFF of creation_options, in row order, and whether the
    classes have a no-data value."""
    classes, no_data = _classify_tile(window, data, image, bands)
    return _native.encode_blocks(classes, creation_options), no_data


def _classify_tile_into(window, tile_path, data, image, bands, creation_options):
    """A task: one window of the image classified into the GeoTIFF tile_path,
    written under a temporary name and renamed into place once complete (a
    file of an earlier try of the task is replaced); whether the classes
    have a no-data value."""
    classes, no_data = _classify_tile(window, data, image, bands)
    with _native.TiledResult(image, tile_path, result(window, "GTiff", "Byte", creation_options, True)) as writer:
        writer.write(0, 0, classes)
        writer.finish()
    return no_data


def is_vrt(output, format="GTiff"):
    """Whether apply writes output (a path) as a VRT of tiles: format "VRT",
    or the default format "GTiff" and a name ending in .vrt."""
    format = text(format, "format").upper()
    return format == "VRT" or (format == "GTIFF" and os.fsdecode(path(output, "output")).lower().endswith(".vrt"))


def tile_folder(output):
    """The folder of the tiles of the VRT output (a path): NAME_tiles beside NAME.vrt."""
    return os.path.splitext(os.fsdecode(path(output, "output")))[0] + "_tiles"


# A tile's place in its folder: x{column}/y{row}.tif. A folder per column of
# tiles keeps every folder to the square root of the tile count: each
# tile's write scans its folder for leftovers of dead runs, so a single
# folder of n tiles made a run cost n squared.
_COLUMN_NAME = re.compile(r"x[0-9]+")
_TILE_NAME = re.compile(r"y[0-9]+\.tif")


def _tile_name(x, y):
    return os.path.join("x%d" % x, "y%d.tif" % y)


def tiles(window, tile):
    """The tile windows (xoff, yoff, xsize, ysize) of window, (xoff, yoff,
    xsize, ysize), in tiles of tile x tile pixels, in scan order."""
    x0, y0, columns, rows = window
    return [(x0 + x, y0 + y, min(tile, columns - x), min(tile, rows - y))
            for y in range(0, rows, tile) for x in range(0, columns, tile)]


# What a cluster started for one run leaves out: it has no dashboard to show
# the workers' statistical profile (sampled every 10 ms) or the system
# monitor's figures, and its event loops need no health check 50 times a
# second. Together they cost each process 3 to 5 % of a core, which the
# workers' tiles compete with when the cluster shares the cores.
QUIET_CLUSTER = {
    "distributed.worker.profile.enabled": False,
    "distributed.admin.tick.interval": "500ms",
    "distributed.admin.system-monitor.interval": "2s",
    "distributed.worker.memory.monitor-interval": "500ms",
}


@contextlib.contextmanager
def connect(address):
    """A context manager giving a client of the scheduler at address
    (tcp://host:port), or of N local worker processes (local:N) started for
    the block's duration."""
    import dask
    from dask.distributed import Client, LocalCluster
    from multiprocessing import resource_tracker

    if text(address, "address").startswith("local:"):
        workers = address[len("local:"):]
        if not (workers.isascii() and workers.isdigit() and int(workers) >= 1):
            raise ValueError("local:N needs a whole number N of 1 or more, got %r" % address)
        workers = int(workers)
        with dask.config.set(QUIET_CLUSTER), contextlib.ExitStack() as stack:
            # A terminal's Ctrl-C goes to its whole process group, and each
            # worker process then printed its traceback: the workers are
            # started with it blocked, so the client alone takes it and
            # closes them as it unwinds. The resource tracker of the
            # workers' start, when it starts, unblocks it on its thread:
            # started first, it is left running.
            resource_tracker.ensure_running()
            # The workers' spill files and locks, which they otherwise keep
            # in a dask-worker-space folder of the temporary directory that
            # outlives the run: a folder of the run's own, removed once the
            # cluster is closed.
            scratch = tempfile.mkdtemp(prefix="ztclass-dask-")
            stack.callback(shutil.rmtree, scratch, ignore_errors=True)
            with _stops.kept_from_new_processes(signal.SIGINT):
                # The scheduler's web pages, which it serves even without
                # the dashboard, on any free port: on its default one, taken
                # by another cluster, it warned on the terminal. The run
                # tells a failed task's reason once; the scheduler's own
                # errors about it (results of the tasks cancelled after it
                # that it can no longer gather) only repeated it on the
                # terminal.
                cluster = stack.enter_context(LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                                           dashboard_address=None, local_directory=scratch,
                                                           scheduler_kwargs={"dashboard_address": ":0"},
                                                           silence_logs=logging.CRITICAL))
            yield stack.enter_context(Client(cluster))
    else:
        with Client(address) as client:
            yield client


def _image_path(image):
    """image as the workers open it: a file of this machine by its absolute
    path, since a worker elsewhere starts in a folder of its own; any other
    name GDAL takes (/vsis3/..., a driver's prefix) as it is."""
    image = path(image, "image")
    return os.path.abspath(image) if os.path.exists(image) else image


def _image_window(image, window):
    dataset = open_raster(image)
    if window is None:
        return (0, 0, dataset.RasterXSize, dataset.RasterYSize)
    return tuple(window_values(window))


def apply(model, image, output, client=None, tile=APPLY_TILE, window=None, *, bands=None, format="GTiff",
          creation_options=(), overwrite=False, progress=None):
    """Apply model to image over a Dask cluster, tile by tile, into output.

    model: a Model, or the path of a model file. image: the image to
    classify (a path GDAL reads, at the same path on the workers). output:
    the class image to write, as Model.apply writes it; or, named *.vrt (or
    of format "VRT"), a VRT of tiles that the workers write as GeoTIFFs (of
    creation_options) into the folder tile_folder(output), which must be
    reachable at the same path from the workers and the client. client: a
    dask.distributed Client, an address as connect() takes, or None for a
    local cluster of a worker per core. tile: the tile side in pixels,
    rounded up to whole 256 x 256 blocks. window: (xoff, yoff, xsize,
    ysize) of image in whole pixels, or None for all of it. bands: the band
    numbers of image to read (a list, or one number), by default the
    model's. format: GDAL's driver of output; creation_options: its
    "KEY=VALUE" options (a list, one str or a dict). overwrite: replace
    results that exist (ResultExistsError otherwise). progress: called as
    progress(fraction, caption) as tiles finish.
    """
    client = _client(client)
    # A model file is an input: no result may take its place.
    inputs = []
    if not isinstance(model, Model):
        inputs.append(path(model, "model"))
        model = load(model)
    image, output = _image_path(image), path(output, "output")
    tile = max(BLOCK, -(-whole_number(tile, "tile") // BLOCK) * BLOCK)
    progress = callback(progress)
    creation_options = options(creation_options, "creation_options")
    bands = band_list(bands, model.bands())
    window = _image_window(image, window)
    vrt, folder = is_vrt(output, format), tile_folder(output)
    described = result(window, "VRT", "Byte", (), overwrite) if vrt else \
        result(window, format, "Byte", creation_options, overwrite)
    # The result exists, under a temporary name, before the cluster is
    # reached: a failure to create it costs no cluster time.
    with _native.TiledResult(image, output, described, inputs, tile=tile) as writer:
        _stops.watch(writer)
        finish = writer.finish
        if vrt:
            if os.path.isdir(folder) and not overwrite:
                raise ResultExistsError(_native.caller_names("'%s' exists; give --overwrite to replace it" % folder))
            # The tiles of a run gather in a folder of its own, moved into
            # place with the VRT: a failed run leaves an earlier result, its
            # VRT and its tiles, as they were.
            staging = writer.scratch_path("_tiles")
            os.mkdir(staging)
            work = _tasks_writing_tiles(output, staging, window, creation_options)

            def finish(first, no_data):
                _install_tiles(staging, folder, output, overwrite, lambda: writer.finish(first, no_data))
        elif writer.takes_blocks:
            work = _tasks_returning_blocks(window, creation_options)
        else:
            work = _tasks_returning_classes(window)
        try:
            _on_cluster(client, lambda c: _run(model, image, c, tile, window, bands, writer, work, finish, progress))
        finally:
            if vrt:
                shutil.rmtree(staging, ignore_errors=True)


def _run(model, image, client, tile, window, bands, writer, work, finish, progress):
    # A key of its own: scattered by content, the model of the run before
    # would share its key, and that run's release, reaching the scheduler
    # after this scatter, would cancel this run's tasks.
    data = client.scatter(model.to_bytes(), broadcast=True, hash=False)
    windows = tiles(window, tile)
    futures, take = work(client, data, image, bands, windows, writer)

    index = {f.key: i for i, f in enumerate(futures)}
    # The result declares no-data when a tile's classes do, as the
    # in-process apply's does when the image has no-data or NaN anywhere.
    no_data = []

    def taken(future, value):
        if take(index[future.key], value):
            no_data.append(True)

    scratch = tempfile.mkdtemp(prefix="ztclass-records-")
    try:
        first = os.path.join(scratch, "first.tif")
        try:
            # The class records and legend, as a tile classified here gives
            # them, made while the workers start on the tiles. Classes that
            # take their colours from display bands have those of their
            # means over the window: the whole window is classified here.
            own = window if model.describe().get("display-bands") else (window[0], window[1], 1, 1)
            model.apply(image, first, window=own, bands=bands)
            # Results fetched as their tasks finish, while the loop takes
            # the ones before: waiting for each in turn left the last
            # tile's fetch after the workers had finished. A tile taken is
            # released, so that the workers hold a few tiles at a time,
            # whatever the image's size.
            _cluster.gather(futures, taken, progress, "applying the model in %d tiles" % len(windows))
        except BaseException:
            client.cancel(futures)
            raise
        if no_data:
            _declare_no_data(model, image, first, window, bands, scratch)
        finish(first, bool(no_data))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def _declare_no_data(model, image, first, window, bands, scratch):
    """first classified again, its one pixel declared no-data, unless it has
    no-data already: a run whose tiles met NaN where the first pixel has
    none takes the legend of no-data (its colour as the library gives it)
    from there."""
    classes = gdal.Open(first)
    if classes.GetRasterBand(1).GetNoDataValue() is not None:
        return
    classes = None
    source = gdal.Open(image)
    value = source.GetRasterBand(bands[0]).ReadAsArray(window[0], window[1], 1, 1)[0, 0]
    pixel = os.path.join(scratch, "pixel.vrt")
    gdal.Translate(pixel, source, format="VRT", srcWin=[window[0], window[1], 1, 1], noData=float(value))
    model.apply(pixel, first, bands=bands, overwrite=True)


def _tasks_returning_classes(window):
    """The tasks of a result that the client writes: (futures, take),
    take(i, (classes, no_data)) writing the classes of finished task i into
    the result and giving no_data back."""

    def work(client, data, image, bands, windows, writer):
        futures = _cluster.submit(client, _classify_tile, windows, data=data, image=image, bands=bands)

        def take(i, value):
            classes, no_data = value
            writer.write(windows[i][0] - window[0], windows[i][1] - window[1], classes)
            return no_data

        return futures, take

    return work


def _tasks_returning_blocks(window, creation_options):
    """The tasks of a GeoTIFF that takes its tiles' compressed blocks:
    (futures, take), take(i, (blocks, no_data)) moving the blocks of
    finished task i into the result and giving no_data back."""

    def work(client, data, image, bands, windows, writer):
        futures = _cluster.submit(client, _classify_tile_blocks, windows, data=data, image=image, bands=bands,
                                  creation_options=creation_options)

        def take(i, value):
            blocks, no_data = value
            x, y, columns, rows = windows[i]
            writer.write_blocks(x - window[0], y - window[1], columns, rows, blocks)
            return no_data

        return futures, take

    return work


def _tasks_writing_tiles(output, staging, window, creation_options):
    """The tasks of a VRT whose tiles the workers write into the folder
    staging: (futures, take), take(i, no_data) placing the tile of
    finished task i into the VRT, where the tile folder will hold it, and
    giving no_data back."""
    folder = os.path.basename(tile_folder(output))
    # Absolute for the workers, whatever their working folder.
    staging = os.path.abspath(staging)

    def work(client, data, image, bands, windows, writer):
        # Within the tile folder, which the VRT names relative to itself.
        names = [_tile_name(w[0] - window[0], w[1] - window[1]) for w in windows]
        for column in set(os.path.dirname(name) for name in names):
            os.makedirs(os.path.join(staging, column), exist_ok=True)
        futures = _cluster.submit(client, _classify_tile_into, windows, [os.path.join(staging, name) for name in names],
                                  data=data, image=image, bands=bands, creation_options=creation_options)

        def take(i, no_data):
            x, y, columns, rows = windows[i]
            writer.place(x - window[0], y - window[1], columns, rows, os.path.join(folder, names[i]))
            return no_data

        return futures, take

    return work


def _other_files(folder):
    """What a tile folder holds besides its tiles, relative to it: the
    entries at its top but the column folders, and the column folders'
    entries but the tiles."""
    found = []
    for entry in os.listdir(folder):
        column = os.path.join(folder, entry)
        if _COLUMN_NAME.fullmatch(entry) and os.path.isdir(column) and not os.path.islink(column):
            found += [os.path.join(entry, name) for name in os.listdir(column) if not _TILE_NAME.fullmatch(name)]
        else:
            found.append(entry)
    return found


def _install_tiles(staging, folder, output, overwrite, commit):
    """The tiles of staging into place as the tile folder, then commit(),
    which puts the VRT output in place. The earlier VRT, then its tile
    folder, are first set aside, each by one rename, into a folder beside
    them, where together they stay a whole result: a run killed outright
    at any point leaves no VRT naming tiles that are not its own, but the
    earlier VRT with its tiles, the new one with its tiles, or none, the
    earlier VRT then set aside, its tiles with it or still in place. The
    earlier tile folder's other files move into the new one. Everything
    goes back as it was when a move or commit fails or is stopped; a stop
    signal waits until all of it is done, the commit included."""
    retired = staging + ".old"
    done = []

    def move(source, target):
        os.replace(source, target)
        done.append((source, target))

    with _stops.held():
        try:
            # The run began without one: a tile folder there now is
            # another's, whose tiles the move would replace.
            if not overwrite and os.path.isdir(folder):
                raise ResultExistsError(_native.caller_names(
                    "'%s' appeared while the command ran and is left as it is; give --overwrite to replace it"
                    % folder))
            # What workers killed while writing their tiles left.
            for name in _other_files(staging):
                entry = os.path.join(staging, name)
                if os.path.isdir(entry) and not os.path.islink(entry):
                    shutil.rmtree(entry)
                else:
                    os.remove(entry)
            os.mkdir(retired)
            done.append((None, retired))
            # Without overwrite, a VRT there appeared during the run: the
            # commit refuses to replace it.
            if overwrite and os.path.isfile(output):
                move(output, os.path.join(retired, os.path.basename(output)))
            earlier = os.path.join(retired, os.path.basename(folder))
            if os.path.isdir(folder):
                move(folder, earlier)
            move(staging, folder)
            if os.path.isdir(earlier):
                for name in _other_files(earlier):
                    column = os.path.join(folder, os.path.dirname(name))
                    if not os.path.isdir(column):
                        os.mkdir(column)
                        done.append((None, column))
                    move(os.path.join(earlier, name), os.path.join(folder, name))
            commit()
        except BaseException:
            # A move that cannot be undone leaves its files where they are.
            for source, target in reversed(done):
                with contextlib.suppress(OSError):
                    if source is None:
                        os.rmdir(target)
                    else:
                        os.replace(target, source)
            raise
        shutil.rmtree(retired, ignore_errors=True)


def _on_cluster(client, work):
    """work(client) on the cluster of client, as apply takes it."""
    _worker.client_here()
    if client is None or isinstance(client, str):
        with connect(client or "local:%d" % _native.cpu_count()) as own:
            return work(own)
    return work(client)


def _client(client):
    """client, which must be a Client of dask.distributed, an address or None."""
    if client is not None and not isinstance(client, str):
        from dask.distributed import Client

        if not isinstance(client, Client):
            raise TypeError("client takes a dask.distributed Client, an address (tcp://host:port or local:N) or "
                            "None, got %s" % type(client).__name__)
    return client


def clump(image, output, stats, client=None, tile=CLUMP_TILE, *, neighbours=8, band=1, window=None, type="UInt32",
          format="GTiff", creation_options=(), overwrite=False, progress=None):
    """ztclass.clump over the cluster of client (as apply takes it), in
    tiles of tile x tile pixels: the same image and statistics file. The
    other arguments are those of ztclass.clump."""
    client = _client(client)
    image = _image_path(image)
    window = _image_window(image, window)
    described = result(window, format, type, creation_options, overwrite)
    return _tiled_clumps.run(
        lambda work: _on_cluster(client, work), tiles, "clump", _native.TILES_CLUMP, image, path(output, "output"),
        path(stats, "stats"), stats_in=None, threshold=0, neighbours=checked_neighbours(neighbours),
        band=whole_number(band, "band"), window=window, tile=whole_number(tile, "tile"), options=described,
        progress=callback(progress))


def sieve(image, stats_in, output, stats, threshold, client=None, tile=CLUMP_TILE, *, neighbours=8, band=1, window=None,
          type="UInt32", format="GTiff", creation_options=(), overwrite=False, progress=None):
    """ztclass.sieve over the cluster of client (as apply takes it), in
    tiles of tile x tile pixels: the same image and statistics file. With
    stats_in None, image is a class map whose clumps (of neighbours) are
    sieved, as the command line's sieve without --stats-in; stats may then
    be None. The other arguments are those of ztclass.sieve."""
    client = _client(client)
    image = _image_path(image)
    window = _image_window(image, window)
    if stats_in is None:
        checked_neighbours(neighbours)
    if stats_in is not None and stats is None:
        raise ValueError("a sieve of a clump image needs its statistics file (stats)")
    threshold = whole_number(threshold, "threshold")
    if threshold < 0:
        raise ValueError("threshold must be 0 or more")
    described = result(window, format, type, creation_options, overwrite)
    mode = _native.TILES_SIEVE_MAP if stats_in is None else _native.TILES_SIEVE
    return _tiled_clumps.run(
        lambda work: _on_cluster(client, work), tiles, "sieve", mode, image, path(output, "output"),
        optional_path(stats, "stats"), stats_in=optional_path(stats_in, "stats_in"), threshold=threshold,
        neighbours=int(neighbours), band=whole_number(band, "band"), window=window, tile=whole_number(tile, "tile"),
        options=described, progress=callback(progress))


def _arguments(argv):
    common = argparse.ArgumentParser(add_help=False)
    common.add_argument("-o", "--output", required=True)
    common.add_argument("--dask", required=True, help="tcp://host:port of a scheduler, or local:N")
    common.add_argument("--tile", type=int, help="tile size in pixels (default %d for apply, %d for clump and sieve)"
                        % (APPLY_TILE, CLUMP_TILE))
    common.add_argument("--srcwin", type=int, nargs=4, metavar=("XOFF", "YOFF", "XSIZE", "YSIZE"))
    common.add_argument("--of", default="GTiff", help="GDAL driver of the result (default GTiff)")
    common.add_argument("--co", action="append", default=[], help="creation option KEY=VALUE")
    common.add_argument("--overwrite", action="store_true")
    common.add_argument("-q", "--quiet", action="store_true")
    parser = argparse.ArgumentParser(prog="ztclass --dask", description="Run a command over a Dask cluster, tile by tile")
    commands = parser.add_subparsers(dest="command", required=True)
    command = commands.add_parser("apply", parents=[common], help="apply a model")
    command.add_argument("model")
    command.add_argument("image")
    command.add_argument("--bands", help="band list, as 1,2,3 (default: the model's)")
    for name in ("clump", "sieve"):
        command = commands.add_parser(name, parents=[common], help=name)
        command.add_argument("image")
        command.add_argument("--band", type=int, default=1)
        command.add_argument("--neighbours", type=int, choices=(4, 8), default=8)
        command.add_argument("--stats", help="statistics file to write")
        command.add_argument("--ot", default="UInt32", help="pixel type of the result (default UInt32)")
        if name == "sieve":
            command.add_argument("--stats-in", help="statistics of the clump image (without it, a class map)")
            command.add_argument("--threshold", type=int, required=True)
    argv = sys.argv[1:] if argv is None else list(argv)
    # apply is the command when none is named.
    if not argv or argv[0] not in ("apply", "clump", "sieve", "-h", "--help"):
        argv = ["apply"] + argv
    args = parser.parse_args(argv)
    if args.tile is None:
        args.tile = APPLY_TILE if args.command == "apply" else CLUMP_TILE
    return args


def main(argv=None):
    args = _arguments(argv)
    stops = _stops.command_line()
    _native.use_command_line_names()

    def report(fraction, caption):
        sys.stderr.write("\r%s: %3d%%" % (caption, round(fraction * 100)))
        if fraction >= 1:
            sys.stderr.write("\n")

    progress = None if args.quiet else report
    common = dict(window=args.srcwin, format=args.of, creation_options=args.co, overwrite=args.overwrite,
                  progress=progress)
    try:
        # The command line holds the stop signals back until the handler is
        # in place: one that came while Python started comes now.
        signal.pthread_sigmask(signal.SIG_UNBLOCK, _stops.SIGNALS)
        if args.command == "apply":
            bands = [int(b) for b in args.bands.split(",")] if args.bands else None
            apply(args.model, args.image, args.output, args.dask, args.tile, bands=bands, **common)
        elif args.command == "clump":
            if not args.stats:
                raise ValueError("clump needs --stats")
            clump(args.image, args.output, args.stats, args.dask, args.tile, neighbours=args.neighbours,
                  band=args.band, type=args.ot, **common)
        else:
            sieve(args.image, args.stats_in, args.output, args.stats, args.threshold, args.dask, args.tile,
                  neighbours=args.neighbours, band=args.band, type=args.ot, **common)
    except KeyboardInterrupt:
        print("ztclass: stopped by the user", file=sys.stderr)
        return 128 + (stops.first or signal.SIGINT)
    except ValueError as error:
        print("ztclass: %s" % error, file=sys.stderr)
        return 2
    except (Error, OSError) as error:
        # OSError: a scheduler that cannot be reached, or a file that cannot be read.
        print("ztclass: %s" % error, file=sys.stderr)
        return 1
    if not args.quiet:
        stats = getattr(args, "stats", None)
        print("Wrote %s%s" % (args.output, " and %s" % stats if stats else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
