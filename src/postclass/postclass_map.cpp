// Sieve and eliminate straight from a class map: the clumps labelled in
// memory, as clump would number them, and taken by the second step without
// a clump image or statistics file between them.
#include "ztclass/postclass_map.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/class_map.h"
#include "postclass/merge_small.h"
#include "postclass/regions.h"
#include "postclass/renumbered_result.h"
#include "postclass/statistics_beside.h"
#include "postclass/statistics_file.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kSieveCaption = 49;
constexpr int kEliminateCaption = 54;
constexpr int kReadingCaption = 53;
constexpr int kCountingCaption = 51;
constexpr int kMergingCaption = 59;
constexpr int kWritingCaption = 50;

struct MapCall {
  const PostClassJob& job;
  const char* statisticsPath;  // null for none
  int neighbours;
  long threshold;
};

// The class map's clumps, numbered 1, 2, ... as clump numbers them.
template <typename T, typename Label>
long LabelClumps(const MapCall& call, Regions<Label, std::int32_t>& regions, long& classCount, Label& clumps) {
  SetSubProgressNameById(kReadingCaption);
  if (long rc = ReadClassMap<T>(call.job, regions, classCount)) return rc;
  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  return regions.Resolve(clumps) ? RC_OK : RC_CANCELLED;
}

template <typename T, typename Label>
long SieveClumps(const MapCall& call) {
  const long rows = call.job.GetWindow().rows, columns = call.job.GetWindow().columns;
  Regions<Label, std::int32_t> regions(rows, columns, EightNeighbours(call.neighbours));
  long classCount = 0;
  Label clumps = 0;
  if (long rc = LabelClumps<T>(call, regions, classCount, clumps)) return rc;
  // New number of each clump, 0 for those removed.
  std::vector<Label> number(clumps + 1, 0);
  Label survivors = 0;
  long zeroPixels = regions.Zeros();
  for (Label m = 1; m <= clumps; ++m) {
    if (long(regions.Count(m)) < call.threshold)
      zeroPixels += long(regions.Count(m));
    else
      number[m] = ++survivors;
  }
  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  auto writeResult = [&] { return WriteRenumbered(call.job, regions, number); };
  if (!call.statisticsPath) return writeResult();
  Label m = 0;
  return WriteStatisticsBeside(
      call.statisticsPath,
      [&] {
        return WriteClumpStatistics(call.statisticsPath, kSieveTitle, classCount, call.neighbours, zeroPixels,
                                    long(survivors), [&] {
                                      do ++m;
                                      while (!number[m]);
                                      const long first = long(regions.First(m));
                                      return ClumpLine{long(number[m]), long(regions.RegionValue(m)), first % columns,
                                                       first / columns, long(regions.Count(m))};
                                    });
      },
      writeResult);
}

template <typename T, typename Label>
long EliminateClumps(const MapCall& call) {
  const long rows = call.job.GetWindow().rows, columns = call.job.GetWindow().columns;
  const bool eight = EightNeighbours(call.neighbours);
  Regions<Label, std::int32_t> regions(rows, columns, eight);
  long classCount = 0;
  Label clumps = 0;
  if (long rc = LabelClumps<T>(call, regions, classCount, clumps)) return rc;
  // What eliminate accepts of a clump file.
  if (classCount > ZT_MAX_ELIMINATE_CLASSES) return RC_BAD_WINDOW;
  long classes = classCount;
  for (Label m = 1; m <= clumps; ++m) {
    const long v = regions.RegionValue(m);
    if (v < 0 || v > ZT_MAX_ELIMINATE_CLASSES) return RC_BAD_WINDOW;
    classes = std::max(classes, v);
  }
  ClumpTables t;
  for (auto* table : {&t.classValue, &t.column, &t.row, &t.count}) table->assign(clumps + 1, 0);
  std::vector<std::int32_t> value(clumps + 1, 0);
  std::vector<long> totals(classes + 1, 0);
  for (Label m = 1; m <= clumps; ++m) {
    const long v = regions.RegionValue(m), first = long(regions.First(m));
    t.classValue[m] = v;
    t.column[m] = first % columns;
    t.row[m] = first / columns;
    t.count[m] = long(regions.Count(m));
    value[m] = static_cast<std::int32_t>(v);
    totals[v] += t.count[m];
  }

  SetPos(0);
  SetSubProgressNameById(kMergingCaption);
  if (long rc = MergeSmallClumps(regions, rows, columns, eight, call.threshold, t, value, totals,
                                 [](Label m) { return long(m); }))
    return rc;
  if (call.statisticsPath &&
      !WriteClassTotals(call.statisticsPath, classCount, call.neighbours, regions.Zeros(), totals))
    return RC_REPORT_OPEN_FAILED;
  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return WriteMergedClasses(call.job, regions, value, classes);
}

template <bool kEliminate>
long CleanMap(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
              const Window& w, int neighbours, long threshold) {
  ProgressSession progress;
  PostClassJob job(source, sourceBand, result, resultBand, w);
  if (long rc = job.Open()) return rc;
  if (kEliminate && threshold > job.Cells()) return RC_NULL_ARGUMENT;
  const MapCall call{job, statisticsPath, neighbours, threshold};
  progress.Start(kEliminate ? kEliminateCaption : kSieveCaption);
  SetRange(0, w.rows);
  SetStep(1);
  return WithPixelType(job.SourceType(), [&](auto pixel) {
    using T = decltype(pixel);
    if (job.Cells() <= kMaxCellsOf32BitLabels)
      return kEliminate ? EliminateClumps<T, std::uint32_t>(call) : SieveClumps<T, std::uint32_t>(call);
    return kEliminate ? EliminateClumps<T, std::uint64_t>(call) : SieveClumps<T, std::uint64_t>(call);
  });
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztClassSieveMap(void* source, long sourceBand, void* result, long resultBand, const char* outputStatistics,
                     long rows, long columns, long firstRow, long firstColumn, int neighbours, long threshold) {
  return Framed([&] {
    return CleanMap<false>(source, sourceBand, result, resultBand, outputStatistics,
                           Window{rows, columns, firstRow, firstColumn}, neighbours, threshold);
  });
}

long ztClassEliminateMap(void* source, long sourceBand, void* result, long resultBand, const char* outputStatistics,
                         long rows, long columns, long firstRow, long firstColumn, int neighbours, long threshold) {
  return Framed([&] {
    return CleanMap<true>(source, sourceBand, result, resultBand, outputStatistics,
                          Window{rows, columns, firstRow, firstColumn}, neighbours, threshold);
  });
}
