// Clump: connected regions of equal class value, numbered in scan order.
#include "postclass/clump.h"

#include <algorithm>
#include <variant>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/postclass_job.h"
#include "postclass/region.h"
#include "postclass/statistics_file.h"
#include "postclass/work_directory.h"
#include "postclass/zti_temp_file.h"
#include "ztclass/postclass.h"
#include "ztclass/result_codes.h"

namespace zt {

namespace {

constexpr int kMainCaption = 48;
constexpr int kReadingCaption = 53;
constexpr int kCountingCaption = 51;
constexpr int kWritingCaption = 50;
constexpr long kQueueChunk = 50'000;
constexpr char kTitle[] = "聚类分析块统计信息:";

struct MemoryGrid {
  std::vector<long> cells;
  long columns;
  long operator()(long r, long c) const { return cells[r * columns + c]; }
  void Set(long r, long c, long v) { cells[r * columns + c] = v; }
};

struct FileGrid {
  ZtiTempFile* file;
  long operator()(long r, long c) const { return static_cast<long>(file->Get(r, c)); }
  void Set(long r, long c, long v) { file->Set(r, c, static_cast<double>(v)); }
};

}  // namespace

long ClumpClasses(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
                  const Window& w, int neighbours, long maxInMemoryCells) {
  ProgressSession progress;
  PostClassJob job(source, sourceBand, result, resultBand, w);
  if (long rc = job.Open()) return rc;
  if (!statisticsPath) return RC_NULL_ARGUMENT;
  const long rows = w.rows, columns = w.columns;
  const ZTRSDataType sourceType = ztRSGetDatasetType(source);
  ValueBuffer raw, labelsRaw;
  if (long rc = raw.Allocate(sourceType, columns)) return rc;
  if (long rc = labelsRaw.Allocate(ZTRS_UInt32, columns)) return rc;
  long classCount = 0;
  if (long rc = job.ClassCount(classCount)) return rc;
  std::vector<double> row(columns);

  // The temporary files live in a directory of this call's own.
  WorkDirectory work;
  if (!work.Ok()) return RC_WORK_FILE_FAILED;
  const bool inMemory = rows * columns <= maxInMemoryCells;
  ZtiTempFile gridFile;
  std::variant<MemoryGrid, FileGrid> grid;
  if (inMemory) {
    grid = MemoryGrid{std::vector<long>(rows * columns, 0), columns};
  } else {
    if (!gridFile.Create(work.File("localCache.zti"), columns, rows)) return RC_WORK_FILE_FAILED;
    grid = FileGrid{&gridFile};
  }
  std::vector<unsigned char> visited(rows * columns, 0);

  progress.Start(kMainCaption);
  SetRange(0, rows);
  SetStep(1);
  SetSubProgressNameById(kReadingCaption);
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    job.ReadRow(i, sourceType, raw, row.data());
    std::visit([&](auto& g) { for (long j = 0; j < columns; ++j) g.Set(i, j, static_cast<long>(row[j])); }, grid);
  }

  ZtiTempFile labels;
  if (!labels.Create(work.File("temp.zti"), columns, rows)) return RC_WORK_FILE_FAILED;
  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  const long chunk = inMemory ? std::max(rows * columns / 1000, kQueueChunk) : kQueueChunk;
  std::vector<GridPixel> queue;
  std::vector<ClumpLine> clumps;
  long zeroPixels = 0, number = 1;
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long j = 0; j < columns; ++j) {
      if (visited[i * columns + j]) continue;
      const long count = std::visit(
          [&](const auto& g) {
            const long value = g(i, j);
            // Class 0 is grown too, to count it; its pixels keep label 0.
            return GrowRegion(g, rows, columns, GridPixel{i, j}, value, neighbours, visited.data(), queue, chunk,
                              [&](GridPixel p) {
                                if (value != 0) labels.Set(p.row, p.column, static_cast<double>(number));
                              });
          },
          grid);
      if (count <= 0) continue;
      const long value = std::visit([&](const auto& g) { return g(i, j); }, grid);
      if (value != 0) {
        clumps.push_back(ClumpLine{number, value, j, i, count});
        ++number;
      } else {
        zeroPixels += count;
      }
    }
  }

  if (!WriteClumpStatistics(statisticsPath, kTitle, classCount, neighbours, zeroPixels, clumps))
    return RC_REPORT_OPEN_FAILED;

  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  for (long i = 0; i < rows; ++i) {
    StepIt();
    for (long j = 0; j < columns; ++j) row[j] = labels.Get(i, j);
    if (IsStopProgress()) return RC_CANCELLED;
    job.WriteRow(i, row.data(), ZTRS_UInt32, labelsRaw);
  }
  return RC_OK;
}

}  // namespace zt

using namespace zt;

long ztClassClump(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
                  long rows, long columns, long firstRow, long firstColumn, int neighbours) {
  return Framed([&] {
    return ClumpClasses(source, sourceBand, result, resultBand, statisticsPath,
                        Window{rows, columns, firstRow, firstColumn}, neighbours, kMaxInMemoryClassGrid);
  });
}
