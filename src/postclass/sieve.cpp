// Sieve: small clumps to 0, the others renumbered in scan order.
#include <algorithm>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/label_grid.h"
#include "postclass/region.h"
#include "postclass/statistics_file.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kMainCaption = 49;
constexpr int kReadingCaption = 53;
constexpr int kSearchingCaption = 52;
constexpr int kCountingCaption = 51;
constexpr int kWritingCaption = 50;
constexpr long kQueueChunk = 50'000;
constexpr char kTitle[] = "过滤分析块统计信息:";
constexpr size_t kFirstClumpLine = 8;
// Maximum - minimum + 1 of 32-bit class values.
constexpr long kMaxClassRange = 1L << 32;

struct InputStatistics {
  long classCount = 0;
  int neighbours = 4;
  long zeroPixels = 0;
};

// The class count is passed on as read, within what clump can write; the
// block-0 count is added to, so it must be a count of the band's pixels.
long ReadHeader(const StatisticsText& text, long bandCells, InputStatistics& in) {
  if (!text.Counts(in.classCount, in.neighbours) || in.classCount < 0 || in.classCount > kMaxClassRange)
    return RC_INPUT_FILE_FAILED;
  const std::vector<std::string> blockZero = SplitFields(text.Line(7));
  if (blockZero.size() < 2 || !ParseLong(blockZero.back(), in.zeroPixels) || in.zeroPixels < 0 ||
      in.zeroPixels > bandCells)
    return RC_INPUT_FILE_FAILED;
  return RC_OK;
}

long Sieve(void* source, long sourceBand, const char* inputPath, void* result, long resultBand,
           const char* outputPath, const Window& w, long threshold) {
  ProgressSession progress;
  PostClassJob job(source, sourceBand, result, resultBand, w);
  if (long rc = job.Open()) return rc;
  if (!inputPath || !outputPath) return RC_NULL_ARGUMENT;
  StatisticsText text;
  InputStatistics in;
  if (!text.Read(inputPath)) return RC_INPUT_FILE_FAILED;
  if (long rc = ReadHeader(text, job.BandCells(), in)) return rc;
  const long rows = w.rows, columns = w.columns;

  progress.Start(kMainCaption);
  SetRange(0, rows);
  SetStep(1);
  SetSubProgressNameById(kReadingCaption);
  LabelGrid labels;
  if (long rc = ReadLabelGrid(job, labels)) return rc;

  std::vector<double> output(rows * columns, 0.0);
  std::vector<unsigned char> visited(rows * columns, 0);
  std::vector<GridPixel> queue, pixels;
  SetPos(0);
  SetSubProgressNameById(kSearchingCaption);
  long zeroPixels = in.zeroPixels;
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long j = 0; j < columns; ++j) {
      output[i * columns + j] = labels(i, j);
      if (visited[i * columns + j] || labels(i, j) == 0) continue;
      pixels.clear();
      const long count = GrowRegion(labels, rows, columns, GridPixel{i, j}, labels(i, j), in.neighbours,
                                    visited.data(), queue, kQueueChunk, [&](GridPixel p) { pixels.push_back(p); });
      if (count >= threshold) continue;
      zeroPixels += count;
      for (GridPixel p : pixels) {
        labels.at(p.row, p.column) = 0;
        output[p.row * columns + p.column] = 0.0;
      }
    }
  }

  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  std::fill(visited.begin(), visited.end(), 0);
  struct Survivor {
    long row, column, sourceNumber, count;
  };
  std::vector<Survivor> survivors;
  long number = 1;
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long j = 0; j < columns; ++j) {
      if (visited[i * columns + j] || labels(i, j) == 0) continue;
      const long count = GrowRegion(labels, rows, columns, GridPixel{i, j}, labels(i, j), in.neighbours,
                                    visited.data(), queue, kQueueChunk,
                                    [&](GridPixel p) { output[p.row * columns + p.column] = number; });
      survivors.push_back(Survivor{i, j, labels(i, j), count});
      if (count > 0) ++number;
    }
  }

  // Class values of the surviving clumps, by their number in the source.
  std::vector<ClumpLine> lines;
  const long last = survivors.empty() ? 0 : survivors.back().sourceNumber;
  if (static_cast<unsigned long>(last) > text.lines.size() - std::min(text.lines.size(), kFirstClumpLine - 1))
    return RC_INPUT_FILE_FAILED;
  std::vector<long> classValue(last + 1, 0);
  for (long k = 1; k <= last; ++k) {
    const std::vector<std::string> fields = SplitFields(text.Line(kFirstClumpLine + k - 1));
    if (fields.size() < 2 || !ParseLong(fields[1], classValue[k])) return RC_INPUT_FILE_FAILED;
  }
  for (size_t k = 0; k < survivors.size(); ++k) {
    const Survivor& s = survivors[k];
    if (s.sourceNumber < 1 || s.sourceNumber > last) return RC_INPUT_FILE_FAILED;
    lines.push_back(ClumpLine{long(k) + 1, classValue[s.sourceNumber], s.column, s.row, s.count});
  }
  if (!WriteClumpStatistics(outputPath, kTitle, in.classCount, in.neighbours, zeroPixels, lines))
    return RC_REPORT_OPEN_FAILED;

  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return job.WriteGrid(output, ZTRS_UInt32);
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
