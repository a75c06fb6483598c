#include "module.h"

#include <cpl_multiproc.h>
#include <malloc.h>

#include "cli_support.h"
#include "dask_launch.h"
#include "errors.h"
#include "interrupt.h"
#include "worker_threads.h"
#include "ztservices/workers.h"

namespace py = pybind11;

namespace ztpy {

ztcli::MethodOptions Result::Method(const std::string& output) const {
  ztcli::MethodOptions method;
  method.output = output;
  method.format = format;
  method.type = type;
  method.creationOptions = creationOptions;
  method.overwrite = overwrite;
  if (window) {
    if (window->size() != 4) throw ztcli::UsageError("window takes XOFF, YOFF, XSIZE, YSIZE");
    method.srcwin = *window;
  }
  return method;
}

}  // namespace ztpy

PYBIND11_MODULE(_native, m) {
  m.doc() = "ztclass native calls; use the ztclass package";
  ztcli::EnsureGdal();
  // Commands of this process remove their own results as they unwind; no
  // handler of the command line's runs here.
  ztcli::KeepNoTemporaryFileRegistry();
  // GDAL's block cache bounded as the command line bounds it (a
  // GDAL_CACHEMAX of the user's own wins): at GDAL's default, a twentieth of
  // the machine's memory, an apply of a 49-megapixel scene held 430 MB and
  // spent a third of its time on the page faults of a cache filling up.
  ztcli::BoundGdalCache();
  ztpy::RegisterErrors(m);
  py::class_<ztpy::Result>(m, "Result")
      .def(py::init([](std::string format, std::string type, std::vector<std::string> options, bool overwrite,
                       std::optional<std::vector<long>> window) {
        return ztpy::Result{std::move(format), std::move(type), std::move(options), overwrite, std::move(window)};
      }));
  // Without the GIL: the pool waits for a call that runs on another thread,
  // whose stop polls take the GIL.
  m.def("set_threads", [](long count) {
    const std::string problem = ztcli::ThreadCountProblem(count, std::to_string(count));
    if (!problem.empty()) throw ztcli::UsageError("count " + problem);
    ztSetWorkerThreads(count);
  }, py::call_guard<py::gil_scoped_release>());
  m.def("threads", [] { return ztGetWorkerThreads(); }, py::call_guard<py::gil_scoped_release>());
  // For a process that serves tiles one after another: each allocates and
  // frees the same few buffers of megabytes, which glibc by default maps
  // afresh and hands back to the kernel at every free, so every task paid
  // the page faults of zeroing them again (a third of a worker's CPU time on
  // tiles of 1024). Kept in the process instead, they hold its memory at the
  // peak of one task.
  m.def("keep_freed_memory", [] {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
  });
  m.def("cpu_count", [] { return static_cast<long>(CPLGetNumCPUs()); });
  m.attr("APPLY_TILE") = ztcli::kApplyTile;
  m.attr("CLUMP_TILE") = ztcli::kClumpTile;
  ztpy::AddPostClass(m);
  ztpy::AddTiledResult(m);
  ztpy::AddTiles(m);
#ifdef ZTPY_MODELS
  ztpy::AddModels(m);
#endif
}
