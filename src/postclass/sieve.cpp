// Sieve: small clumps to 0, the others renumbered in scan order.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/band_rows.h"
#include "postclass/regions.h"
#include "postclass/renumbered_result.h"
#include "postclass/statistics_beside.h"
#include "postclass/region.h"
#include "postclass/sieve_input.h"
#include "postclass/statistics_file.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kMainCaption = 49;
constexpr int kSearchingCaption = 52;
constexpr int kCountingCaption = 51;
constexpr int kWritingCaption = 50;

// The clumps of the source are the regions of equal clump number: those of
// at least threshold pixels keep their order and take the numbers 1, 2, ...
template <typename Label>
long SieveRegions(const PostClassJob& job, const char* inputPath, const SieveInput& in, long threshold,
                  const char* outputPath) {
  const long columns = job.GetWindow().columns;
  Regions<Label, std::uint32_t> regions(job.GetWindow().rows, columns, EightNeighbours(in.neighbours));
  if (long rc = regions.LabelRows(CopiedRows<std::uint32_t>(job))) return rc;

  SetPos(0);
  SetSubProgressNameById(kSearchingCaption);
  Label count = 0;
  if (!regions.Resolve(count)) return RC_CANCELLED;
  // New number of each region, 0 for those removed.
  std::vector<Label> number(count + 1, 0);
  Label survivors = 0;
  long zeroPixels = in.zeroPixels, highest = 0;
  for (Label m = 1; m <= count; ++m) {
    if (m % kLabelsPerStopCheck == 0 && IsStopProgress()) return RC_CANCELLED;
    if (long(regions.Count(m)) < threshold)
      zeroPixels += long(regions.Count(m));
    else
      number[m] = ++survivors;
    highest = std::max(highest, long(regions.RegionValue(m)));
  }

  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  // The clump lines of the clumps, by their number in the source: class
  // values for the survivors, and every region checked against its line.
  ClumpTables t;
  if (long rc = ReadClumpLines(inputPath, highest, job.BandCells(), t)) return rc;
  const bool wholeBand = job.GetWindow().rows == job.BandRows() && columns == job.BandColumns();
  for (Label m = 1; m <= count; ++m)
    if (!AgreesWithClumpLine(t, long(m), long(regions.RegionValue(m)), long(regions.Count(m)), long(regions.First(m)),
                             columns, wholeBand))
      return RC_INPUT_FILE_FAILED;
  Label m = 0;
  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return WriteStatisticsBeside(
      outputPath,
      [&] {
        return WriteClumpStatistics(
            outputPath, kSieveTitle, in.classCount, in.neighbours, zeroPixels, long(survivors), [&] {
              do ++m;
              while (!number[m]);
              const long first = long(regions.First(m));
              return ClumpLine{long(number[m]), t.classValue[regions.RegionValue(m)], first % columns,
                               first / columns, long(regions.Count(m))};
            });
      },
      [&] { return WriteRenumbered(job, regions, number); });
}

long Sieve(void* source, long sourceBand, const char* inputPath, void* result, long resultBand,
           const char* outputPath, const Window& w, long threshold) {
  ProgressSession progress;
  PostClassJob job(source, sourceBand, result, resultBand, w);
  if (long rc = job.Open()) return rc;
  if (!inputPath || !outputPath) return RC_NULL_ARGUMENT;
  SieveInput in;
  if (long rc = ReadSieveInput(inputPath, job.BandCells(), in)) return rc;

  progress.Start(kMainCaption);
  SetRange(0, w.rows);
  SetStep(1);
  return job.Cells() <= kMaxCellsOf32BitLabels ? SieveRegions<std::uint32_t>(job, inputPath, in, threshold, outputPath)
                                            : SieveRegions<std::uint64_t>(job, inputPath, in, threshold, outputPath);
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztClassSieve(void* source, long sourceBand, const char* inputStatistics, void* result, long resultBand,
                  const char* outputStatistics, long rows, long columns, long firstRow, long firstColumn,
                  long threshold) {
  return Framed([&] {
    return Sieve(source, sourceBand, inputStatistics, result, resultBand, outputStatistics,
                 Window{rows, columns, firstRow, firstColumn}, threshold);
  });
}
