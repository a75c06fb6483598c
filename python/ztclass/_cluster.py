"""Tasks of a run sent to a Dask cluster, and their results gathered."""


def submit(client, task, *columns, **constants):
    """The futures of task(*row, **constants) for each row of columns, sent
    in one message: a submit per task costs the client and the scheduler a
    graph update each, and the client a look at its caller's source code."""
    return client.map(task, *columns, pure=False, **constants)


def gather(futures, each, progress, caption, done=0, total=None):
    """each(future, result) for every future as it completes, letting the
    workers drop its result; a failed or cancelled task raises its reason.
    progress(done / total, caption) after each; the count of tasks done."""
    from dask.distributed import as_completed

    total = total or len(futures)
    for future, value in as_completed(futures, with_results=True):
        if future.status != "finished":
            future.result()  # raises why: the task's error, or cancelled when the scheduler was lost
        each(future, value)
        future.release()
        done += 1
        if progress is not None:
            progress(done / total, caption)
    return done
