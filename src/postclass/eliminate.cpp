// Eliminate: small clumps merged into their largest neighbouring clump, the
// result a class image again.
#include <algorithm>
#include <climits>
#include <cstdlib>
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

constexpr int kMainCaption = 54;
constexpr int kReadingCaption = 53;
constexpr int kCountingCaption = 51;
constexpr int kMergingCaption = 59;
constexpr int kWritingCaption = 50;
constexpr long kQueueChunk = 50'000;
constexpr size_t kFirstClumpLine = 8;
constexpr long kByteClasses = 255;
constexpr long kMaxEliminateClasses = ZT_MAX_ELIMINATE_CLASSES;

// Per clump k = 1..N (index 0 unused).
struct ClumpTables {
  std::vector<long> classValue, column, row, count;
};

struct InputStatistics {
  long classCount = 0;
  int neighbours = 4;
  long zeroPixels = 0;
  ClumpTables clumps;
};

// Reads the heading and the clump lines 1..clumpCount, each checked against
// what the clump image can hold: the class count against the limit of the
// per-class totals, pixel counts against the band's pixels, and class values
// against the class count (RC_BAD_WINDOW, as for a clump met in the image).
long ReadStatistics(const std::string& path, long clumpCount, long bandCells, InputStatistics& in) {
  StatisticsText text;
  if (!text.Read(path)) return RC_INPUT_FILE_FAILED;
  if (!text.Counts(in.classCount, in.neighbours) || in.classCount < 0 || in.classCount > kMaxEliminateClasses)
    return RC_INPUT_FILE_FAILED;
  // A clump file carries the count of class-0 pixels; a sieve file's
  // removed pixels are no class's.
  if (text.IsClumpFile()) {
    const std::vector<std::string> blockZero = SplitFields(text.Line(7));
    if (blockZero.size() < 5 || !ParseLong(blockZero[4], in.zeroPixels) || in.zeroPixels < 0 ||
        in.zeroPixels > bandCells)
      return RC_INPUT_FILE_FAILED;
  }
  if (text.lines.size() < kFirstClumpLine - 1 + static_cast<size_t>(clumpCount)) return RC_INPUT_FILE_FAILED;
  ClumpTables& t = in.clumps;
  for (auto* table : {&t.classValue, &t.column, &t.row, &t.count}) table->assign(clumpCount + 1, 0);
  for (long k = 1; k <= clumpCount; ++k) {
    const std::vector<std::string> f = SplitFields(text.Line(kFirstClumpLine + k - 1));
    if (f.size() < 5 || !ParseLong(f[1], t.classValue[k]) || !ParseLong(f[2], t.column[k]) ||
        !ParseLong(f[3], t.row[k]) || !ParseLong(f.back(), t.count[k]) || t.count[k] < 0 || t.count[k] > bandCells)
      return RC_INPUT_FILE_FAILED;
    if (t.classValue[k] < 0 || t.classValue[k] > in.classCount) return RC_BAD_WINDOW;
  }
  return RC_OK;
}

// The neighbour a pixel of clump k would merge into: the largest
// neighbouring clump; on equal size the nearer class value, then the
// smaller one. Label 0 if there is none.
struct Choice {
  long label = 0;
  long count = 0;
};

Choice ChooseNeighbour(const LabelGrid& labels, const ClumpTables& t, GridPixel p, long k, int neighbours) {
  static constexpr int kAll[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
  static constexpr int kCross[4][2] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
  const bool eight = EightNeighbours(neighbours);
  const int (*offsets)[2] = eight ? kAll : kCross;
  const int n = eight ? 8 : 4;
  const long own = labels(p.row, p.column);
  Choice best;
  for (int i = 0; i < n; ++i) {
    const long r = p.row + offsets[i][0], c = p.column + offsets[i][1];
    if (r < 0 || r >= labels.rows || c < 0 || c >= labels.columns) continue;
    const long label = labels(r, c);
    if (label == 0 || label == own) continue;
    const long count = t.count[label];
    bool better = best.label == 0 || count > best.count;
    if (!better && count == best.count) {
      const long distance = std::labs(t.classValue[label] - t.classValue[k]);
      const long bestDistance = std::labs(t.classValue[best.label] - t.classValue[k]);
      better = distance < bestDistance ||
               (distance == bestDistance && t.classValue[label] < t.classValue[best.label]);
    }
    if (better) best = Choice{label, count};
  }
  return best;
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
  long clumpCount = 0;
  if (long rc = job.ClassCount(clumpCount)) return rc;
  // A clump image numbers its clumps from 1: none exceeds its pixel count.
  const long bandCells = job.BandCells();
  if (clumpCount < 0 || clumpCount > bandCells) return RC_BAD_WINDOW;
  InputStatistics in;
  if (long rc = ReadStatistics(inputPath, clumpCount, bandCells, in)) return rc;
  ClumpTables& t = in.clumps;
  const long rows = w.rows, columns = w.columns;

  progress.Start(kMainCaption);
  SetRange(0, rows);
  SetStep(1);
  SetSubProgressNameById(kReadingCaption);
  LabelGrid labels;
  if (long rc = ReadLabelGrid(job, labels)) return rc;
  // Clump numbers index the clump tables.
  for (long label : labels.cells)
    if (label < 0 || label > clumpCount) return RC_BAD_WINDOW;

  std::vector<double> output(rows * columns, 0.0);
  std::vector<long> totals(in.classCount + 1, 0);
  std::vector<unsigned char> visited(rows * columns, 0);
  std::vector<GridPixel> queue, pixels;
  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  long next = 1;
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long j = 0; j < columns; ++j) {
      if (visited[i * columns + j] || labels(i, j) == 0) continue;
      if (next > clumpCount) return RC_INPUT_FILE_FAILED;
      const long value = t.classValue[next];
      const long count = GrowRegion(labels, rows, columns, GridPixel{i, j}, labels(i, j), in.neighbours,
                                    visited.data(), queue, kQueueChunk,
                                    [&](GridPixel p) { output[p.row * columns + p.column] = value; });
      totals[value] += count;
      ++next;
    }
  }

  SetPos(0);
  SetSubProgressNameById(kMergingCaption);
  for (long size = std::max(threshold, 1L) - 1; size >= 1; --size) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    std::fill(visited.begin(), visited.end(), 0);
    for (long k = 1; k <= clumpCount; ++k) {
      const long r = t.row[k], c = t.column[k];
      if (t.count[k] != size || r < 0 || r >= rows || c < 0 || c >= columns) continue;
      if (visited[r * columns + c] || labels(r, c) == 0) continue;
      pixels.clear();
      const long n = GrowRegion(labels, rows, columns, GridPixel{r, c}, labels(r, c), in.neighbours,
                                visited.data(), queue, kQueueChunk, [&](GridPixel p) { pixels.push_back(p); });
      Choice target;
      for (GridPixel p : pixels) {
        const Choice choice = ChooseNeighbour(labels, t, p, k, in.neighbours);
        if (choice.label != 0 && (target.label == 0 || choice.count > target.count)) target = choice;
      }
      if (target.label == 0) continue;  // no neighbour to merge into
      const long from = t.classValue[k], to = t.classValue[target.label];
      // A count grows by up to a window's pixels per merge: saturate.
      t.count[target.label] = n > LONG_MAX - t.count[target.label] ? LONG_MAX : t.count[target.label] + n;
      t.count[k] = t.count[target.label];
      t.classValue[k] = to;
      totals[from] -= n;
      totals[to] += n;
      for (GridPixel p : pixels) output[p.row * columns + p.column] = to;
    }
  }

  // Byte holds the usual class values; larger ones are written in 32 bits.
  const ZTRSDataType type = in.classCount <= kByteClasses ? ZTRS_Byte : ZTRS_UInt32;
  if (!WriteClassTotals(outputPath, in.classCount, in.neighbours, in.zeroPixels, totals))
    return RC_REPORT_OPEN_FAILED;
  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return job.WriteGrid(output, type);
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
