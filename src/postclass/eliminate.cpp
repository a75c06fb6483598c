// Eliminate: small clumps merged into their largest neighbouring clump, the
// result a class image again.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/band_rows.h"
#include "postclass/merge_small.h"
#include "postclass/regions.h"
#include "postclass/sieve_input.h"
#include "postclass/statistics_file.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kMainCaption = 54;
constexpr int kReadingCaption = 53;
constexpr int kCountingCaption = 51;
constexpr int kMergingCaption = 59;
constexpr int kWritingCaption = 50;
constexpr long kMaxEliminateClasses = ZT_MAX_ELIMINATE_CLASSES;

struct InputStatistics {
  long classCount = 0;
  // The highest class value of the clump lines: class values need not start
  // at 1, so it may exceed the heading's class count.
  long highestClass = 0;
  int neighbours = 4;
  long zeroPixels = 0;
  ClumpTables clumps;
};

// Reads the heading: the class count, checked against the limit of the
// per-class totals, the neighbour count and the block-0 count.
long ReadHeader(const StatisticsText& text, long bandCells, InputStatistics& in) {
  if (!text.Counts(in.classCount, in.neighbours) || in.classCount < 0 || in.classCount > kMaxEliminateClasses)
    return RC_INPUT_FILE_FAILED;
  // A clump file carries the count of class-0 pixels; a sieve file's
  // removed pixels are no class's.
  if (text.IsClumpFile()) {
    std::vector<std::string_view> blockZero;
    SplitFields(text.Line(7), blockZero);
    if (blockZero.size() < 5 || !ParseLong(blockZero[4], in.zeroPixels) || in.zeroPixels < 0 ||
        in.zeroPixels > bandCells)
      return RC_INPUT_FILE_FAILED;
  }
  return RC_OK;
}

// Reads the clump lines 1..clumpCount, each checked against what the clump
// image can hold: pixel counts against the band's pixels, and class values
// against the limit of the per-class totals (RC_BAD_WINDOW, as for a clump
// met in the image).
// A file with too few clump lines gives RC_INPUT_FILE_FAILED whatever its
// lines hold.
long ReadClumps(const char* path, long clumpCount, long bandCells, InputStatistics& in) {
  LineReader lines;
  if (!OpenClumpLines(path, lines)) return RC_INPUT_FILE_FAILED;
  ClumpTables& t = in.clumps;
  for (auto* table : {&t.classValue, &t.column, &t.row, &t.count}) table->assign(clumpCount + 1, 0);
  long rc = RC_OK;
  std::string_view line;
  std::vector<std::string_view> fields;
  for (long k = 1; k <= clumpCount; ++k) {
    if (!lines.Next(line)) return RC_INPUT_FILE_FAILED;
    if (rc) continue;
    if (!ParseClumpLine(line, k, bandCells, t, fields))
      rc = RC_INPUT_FILE_FAILED;
    else if (t.classValue[k] < 0 || t.classValue[k] > kMaxEliminateClasses)
      rc = RC_BAD_WINDOW;
    else
      in.highestClass = std::max(in.highestClass, t.classValue[k]);
  }
  return rc;
}

// Pass 1: the clump numbers of the window into the regions, and the clump
// count of the band (its highest clump number), reading the band once where
// its pixel type converts exactly into clump numbers.
template <typename Label>
long ReadClumpImage(const PostClassJob& job, Regions<Label, std::uint32_t>& regions, long& clumpCount,
                    std::uint32_t& highest) {
  const long columns = job.GetWindow().columns;
  auto label = [&](auto& rows) {
    return regions.LabelRows([&](long, std::uint32_t* to) {
      const std::uint32_t* labels = nullptr;
      if (long rc = rows.Next(labels)) return rc;
      highest = std::max(highest, *std::max_element(labels, labels + columns));
      std::memcpy(to, labels, sizeof(std::uint32_t) * columns);
      return RC_OK;
    });
  };
  switch (job.SourceType()) {
    case ZTRS_Byte:
    case ZTRS_Int8:
    case ZTRS_UInt16:
    case ZTRS_UInt32: {
      BandOnce<std::uint32_t> band(job);
      if (long rc = label(band)) return rc;
      return band.Finish(clumpCount);
    }
    default: {
      if (long rc = ReadBandOnce<double>(job, [](long, const double*) {}, clumpCount)) return rc;
      SetPos(0);
      WindowRows<std::uint32_t> rows(job);
      return label(rows);
    }
  }
}

template <typename Label>
long EliminateRegions(const PostClassJob& job, const char* inputPath, InputStatistics& in, long threshold,
                      const char* outputPath) {
  ClumpTables& t = in.clumps;
  const long rows = job.GetWindow().rows, columns = job.GetWindow().columns;
  Regions<Label, std::uint32_t> regions(rows, columns, EightNeighbours(in.neighbours));
  long clumpCount = 0;
  std::uint32_t highest = 0;
  if (long rc = ReadClumpImage(job, regions, clumpCount, highest)) return rc;
  // A clump image numbers its clumps from 1: none exceeds its pixel count.
  const long bandCells = job.BandCells();
  if (clumpCount < 0 || clumpCount > bandCells) return RC_BAD_WINDOW;
  if (long rc = ReadClumps(inputPath, clumpCount, bandCells, in)) return rc;
  // Clump numbers index the clump tables.
  if (long(highest) > clumpCount) return RC_BAD_WINDOW;

  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  Label count = 0;
  if (!regions.Resolve(count)) return RC_CANCELLED;
  // The regions take the table's clumps in order, whatever their numbers.
  if (long(count) > clumpCount) return RC_INPUT_FILE_FAILED;
  const bool wholeBand = rows == job.BandRows() && columns == job.BandColumns();
  for (Label m = 1; m <= count; ++m)
    if (!AgreesWithClumpLine(t, long(m), long(regions.RegionValue(m)), long(regions.Count(m)), long(regions.First(m)),
                             columns, wholeBand))
      return RC_INPUT_FILE_FAILED;
  // The class value that each region's pixels take.
  std::vector<std::int32_t> value(count + 1, 0);
  const long classes = std::max(in.classCount, in.highestClass);
  std::vector<long> totals(classes + 1, 0);
  for (Label m = 1; m <= count; ++m) {
    value[m] = static_cast<std::int32_t>(t.classValue[m]);
    totals[value[m]] += long(regions.Count(m));
  }

  SetPos(0);
  SetSubProgressNameById(kMergingCaption);
  if (long rc = MergeSmallClumps(regions, rows, columns, EightNeighbours(in.neighbours), threshold, t, value, totals,
                                 [&](Label m) { return long(regions.RegionValue(m)); }))
    return rc;

  if (!WriteClassTotals(outputPath, in.classCount, in.neighbours, in.zeroPixels, totals))
    return RC_REPORT_OPEN_FAILED;
  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return WriteMergedClasses(job, regions, value, classes);
}

long Eliminate(void* source, long sourceBand, const char* inputPath, void* result, long resultBand,
               const char* outputPath, const Window& w, long threshold) {
  ProgressSession progress;
  if (!source || !result) return RC_NULL_ARGUMENT;
  long cells = 0;
  if (!__builtin_mul_overflow(w.rows, w.columns, &cells) && threshold > cells) return RC_NULL_ARGUMENT;
  PostClassJob job(source, sourceBand, result, resultBand, w);
  if (long rc = job.Open()) return rc;
  if (!inputPath || !outputPath) return RC_NULL_ARGUMENT;
  StatisticsText text;
  if (!text.Read(inputPath)) return RC_INPUT_FILE_FAILED;
  InputStatistics in;
  if (long rc = ReadHeader(text, job.BandCells(), in)) return rc;

  progress.Start(kMainCaption);
  SetRange(0, w.rows);
  SetStep(1);
  SetSubProgressNameById(kReadingCaption);
  return job.Cells() <= kMaxCellsOf32BitLabels
             ? EliminateRegions<std::uint32_t>(job, inputPath, in, threshold, outputPath)
             : EliminateRegions<std::uint64_t>(job, inputPath, in, threshold, outputPath);
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztClassEliminate(void* source, long sourceBand, const char* inputStatistics, void* result, long resultBand,
                      const char* outputStatistics, long rows, long columns, long firstRow, long firstColumn,
                      long threshold) {
  return Framed([&] {
    return Eliminate(source, sourceBand, inputStatistics, result, resultBand, outputStatistics,
                     Window{rows, columns, firstRow, firstColumn}, threshold);
  });
}
