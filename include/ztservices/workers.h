#pragma once
// Worker threads that the host lends to the library's per-pixel work. By
// default there are none: every task runs on the caller's thread and no
// thread is ever started. The host chooses the count between operations,
// like the progress sink.
#include "ztservices/export.h"

// count threads share a job from now on, the caller's included; a count
// below 2 means the caller's thread alone, one above ztMaxWorkerThreads()
// that many. Starts or joins the extra threads; where the system refuses
// one, those started so far serve.
ZTSERVICES_API void ztSetWorkerThreads(long count);

// The most threads that share a job: four per core of this machine. More
// only wait on each other, and each costs memory.
ZTSERVICES_API long ztMaxWorkerThreads(void);

// Threads that share a job, the caller's included: at least 1.
ZTSERVICES_API long ztGetWorkerThreads(void);

// Runs task(userData, index) once for every index in [0, count), spread
// over the worker threads and the caller's thread, and returns when every
// task has finished. Tasks must not throw.
ZTSERVICES_API void ztRunOnWorkers(long count, void (*task)(void* userData, long index), void* userData);


// Runs beside(besideData) on the caller's thread while the worker threads
// start on task(userData, index) for every index in [0, count); the caller
// then joins the tasks, and the call returns when beside and every task
// have finished. beside and the tasks must not depend on each other: this
// lets the caller read and write while the workers compute. With no worker
// threads, beside runs first, then the tasks.
ZTSERVICES_API void ztRunOnWorkersBeside(long count, void (*task)(void* userData, long index), void* userData,
                                         void (*beside)(void* besideData), void* besideData);