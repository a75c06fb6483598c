"""Clump and sieve over a Dask cluster, tile by tile.

Each task labels one tile window of the image on a worker and returns its
summary: its regions (value, pixels, first pixel) and the labels of its
four borders, never its pixels. The client joins the summaries across the
tile borders and numbers the regions in the scan order of their first
pixels, writing the statistics file; then each tile is labelled again on a
worker and turned into its final numbers, which the client writes into the
result as they come. A worker holds one tile at a time; the client holds
the tiles' region tables and borders. The result and statistics file are
those of the in-process call, byte for byte.
"""

from . import _cluster, _native, _stops, _worker
from ._paths import open_raster


def _label(window, image, band, neighbours, mode):
    _worker.ready()
    return _native.label_tile(image, band, list(window), neighbours, mode)


def _range(window, image, band):
    _worker.ready()
    return _native.class_range(image, band, list(window))


def _number(window, numbers, image, band, neighbours, mode):
    _worker.ready()
    return _native.number_tile(image, band, list(window), neighbours, mode, numbers)


def _outside(image, window):
    """The parts of the band outside the window (xoff, yoff, xsize, ysize):
    the rows above and below it, and beside it to the left and right."""
    dataset = open_raster(image)
    columns, rows = dataset.RasterXSize, dataset.RasterYSize
    x, y, width, height = window
    parts = [(0, 0, columns, y), (0, y + height, columns, rows - y - height),
             (0, y, x, height), (x + width, y, columns - x - width, height)]
    return [part for part in parts if part[2] > 0 and part[3] > 0]


def run(on_cluster, tiles, what, mode, image, output, stats, *, stats_in, threshold, neighbours, band, window, tile,
        options, progress):
    """Clump or sieve (what, in mode) of the window of image, in the tiles
    that tiles(window, tile) cuts, by on_cluster(work), which calls
    work(client) with a client of the cluster. The arguments and the result
    are checked before: a run refused costs no cluster."""
    join = _native.TileJoin(image, band, list(window), tile, neighbours, mode, threshold, stats_in)
    neighbours = join.neighbours
    with _native.TiledResult(image, output, options, [stats_in] if stats_in else [], stats) as writer:
        _stops.watch(writer)
        windows = tiles(window, tile)
        # A class map's class count is that of its whole band.
        parts = [] if mode == _native.TILES_SIEVE else \
            [part for outside in _outside(image, window) for part in tiles(outside, tile)]
        total = 2 * len(windows) + len(parts)
        caption = "%s in %d tiles" % (what, len(windows))

        def work(client):
            futures = _cluster.submit(client, _label, windows, image=image, band=band, neighbours=neighbours,
                                      mode=mode)
            futures += _cluster.submit(client, _range, parts, image=image, band=band)
            try:
                done = _cluster.gather(futures, lambda future, summary: join.add(summary), progress, caption, 0,
                                       total)
                regions = join.resolve(writer.statistics_path or None)
                writer.require_fits(what, regions)
                futures = _cluster.submit(client, _number, windows, [join.numbers(w[0], w[1]) for w in windows],
                                          image=image, band=band, neighbours=neighbours, mode=mode)
                where = {f.key: w for f, w in zip(futures, windows)}

                def write(future, pixels):
                    x, y = where[future.key][:2]
                    writer.write(x - window[0], y - window[1], pixels)

                _cluster.gather(futures, write, progress, caption, done, total)
            except BaseException:
                client.cancel(futures)
                raise

        on_cluster(work)
        writer.finish()
