#pragma once
// The text of the last raster read or write that failed on this thread, so
// that a host can say where (file, band, rows) and why (GDAL's reason) after
// a call returned the raster service's I/O code.
#include <string>

namespace ztsvc {

struct RSDataset;

// Call before the GDAL work whose failure NoteIOFailure describes: GDAL's
// last error is the reason given.
void ResetIOReason();
// True when GDAL reported a failure since ResetIOReason.
bool GdalFailed();
// Records "<what> '<file>', band <band>, rows <first>-<last>: <reason>";
// band 0 leaves out band and rows.
void NoteIOFailure(const char* what, const RSDataset& dataset, int band, long firstRow, long rows);

}  // namespace ztsvc
