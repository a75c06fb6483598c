// Clump: connected regions of equal class value, numbered in scan order.
#include "postclass/clump.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/postclass_job.h"
#include "postclass/region.h"
#include "postclass/regions.h"
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
constexpr char kTitle[] = "聚类分析块统计信息:";
// What the labelling holds per cell, with its tables, at most.
constexpr long kBytesPerCell = 8;

// The class grid of a window too large for memory, in a temporary raster
// read and written cell by cell.
struct FileGrid {
  ZtiTempFile* file;
  long operator()(long r, long c) const { return static_cast<long>(file->Get(r, c)); }
  void Set(long r, long c, long v) { file->Set(r, c, static_cast<double>(v)); }
};

struct ClumpCall {
  const PostClassJob& job;
  ZTRSDataType sourceType;
  long classCount;
  int neighbours;
  const char* statisticsPath;
};

// The window's class values, truncated, labelled as they are read.
long ClumpInMemory(const ClumpCall& call) {
  const Window& w = call.job.GetWindow();
  const long rows = w.rows, columns = w.columns;
  ValueBuffer raw, labelsRaw;
  if (long rc = raw.Allocate(call.sourceType, columns)) return rc;
  if (long rc = labelsRaw.Allocate(ZTRS_UInt32, columns)) return rc;
  std::vector<double> row(columns);
  // The class count's check of every pixel keeps the values in 32 bits.
  std::vector<std::int32_t> values(columns);
  Regions<std::uint32_t, std::int32_t> regions(rows, columns, EightNeighbours(call.neighbours));

  SetSubProgressNameById(kReadingCaption);
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    call.job.ReadRow(i, call.sourceType, raw, row.data());
    for (long j = 0; j < columns; ++j) values[j] = static_cast<std::int32_t>(row[j]);
    regions.AddRow(i, values.data());
  }

  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  std::uint32_t clumps = 0;
  if (!regions.Resolve(clumps)) return RC_CANCELLED;
  std::uint32_t next = 0;
  const bool written = WriteClumpStatistics(
      call.statisticsPath, kTitle, call.classCount, call.neighbours, regions.Zeros(), clumps, [&] {
        ++next;
        const long first = regions.First(next);
        return ClumpLine{long(next), long(regions.RegionValue(next)), first % columns, first / columns,
                         long(regions.Count(next))};
      });
  if (!written) return RC_REPORT_OPEN_FAILED;

  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  for (long i = 0; i < rows; ++i) {
    StepIt();
    const std::uint32_t* labels = regions.NumberRow(i);
    std::copy(labels, labels + columns, row.begin());
    if (IsStopProgress()) return RC_CANCELLED;
    call.job.WriteRow(i, row.data(), ZTRS_UInt32, labelsRaw);
  }
  return RC_OK;
}

// The class grid and the clump numbers in temporary raster files, the
// regions grown one by one.
long ClumpInFiles(const ClumpCall& call) {
  const Window& w = call.job.GetWindow();
  const long rows = w.rows, columns = w.columns;
  ValueBuffer raw, labelsRaw;
  if (long rc = raw.Allocate(call.sourceType, columns)) return rc;
  if (long rc = labelsRaw.Allocate(ZTRS_UInt32, columns)) return rc;
  std::vector<double> row(columns);
  WorkDirectory work;
  if (!work.Ok()) return RC_WORK_FILE_FAILED;
  ZtiTempFile gridFile;
  if (!gridFile.Create(work.File("localCache.zti"), columns, rows)) return RC_WORK_FILE_FAILED;
  FileGrid grid{&gridFile};
  std::vector<unsigned char> visitedCells(rows * columns, 0);
  VisitedMap visited{visitedCells.data(), columns};

  SetSubProgressNameById(kReadingCaption);
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    call.job.ReadRow(i, call.sourceType, raw, row.data());
    for (long j = 0; j < columns; ++j) grid.Set(i, j, static_cast<long>(row[j]));
  }

  ZtiTempFile labels;
  if (!labels.Create(work.File("temp.zti"), columns, rows)) return RC_WORK_FILE_FAILED;
  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  std::vector<GridPixel> queue;
  std::vector<ClumpLine> clumps;
  long zeroPixels = 0, number = 1;
  for (long i = 0; i < rows; ++i) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    for (long j = 0; j < columns; ++j) {
      if (visited.Seen(i, j)) continue;
      const long value = grid(i, j);
      // Class 0 is grown too, to count it; its pixels keep label 0.
      const long count =
          GrowRegion(grid, rows, columns, GridPixel{i, j}, value, call.neighbours, visited, queue,
                     [&](GridPixel p) {
                       if (value != 0) labels.Set(p.row, p.column, static_cast<double>(number));
                     });
      if (count < 0) return RC_CANCELLED;
      if (count == 0) continue;
      if (value != 0) {
        clumps.push_back(ClumpLine{number, value, j, i, count});
        ++number;
      } else {
        zeroPixels += count;
      }
    }
  }

  size_t next = 0;
  if (!WriteClumpStatistics(call.statisticsPath, kTitle, call.classCount, call.neighbours, zeroPixels,
                            clumps.size(), [&] { return clumps[next++]; }))
    return RC_REPORT_OPEN_FAILED;

  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  for (long i = 0; i < rows; ++i) {
    StepIt();
    for (long j = 0; j < columns; ++j) row[j] = labels.Get(i, j);
    if (IsStopProgress()) return RC_CANCELLED;
    call.job.WriteRow(i, row.data(), ZTRS_UInt32, labelsRaw);
  }
  return RC_OK;
}

}  // namespace

long InMemoryClassGridLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  // Half the machine's memory, leaving room for the host and its caches.
  const long cells = pages > 0 && pageSize > 0 ? pages / 2 / kBytesPerCell * pageSize : 0;
  return std::clamp(cells, kMaxInMemoryClassGrid, kMaxCellsOf32BitLabels);
}

long ClumpClasses(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
                  const Window& w, int neighbours, long maxInMemoryCells) {
  ProgressSession progress;
  PostClassJob job(source, sourceBand, result, resultBand, w);
  if (long rc = job.Open()) return rc;
  if (!statisticsPath) return RC_NULL_ARGUMENT;
  long classCount = 0;
  if (long rc = job.ClassCount(classCount)) return rc;
  const ClumpCall call{job, ztRSGetDatasetType(source), classCount, neighbours, statisticsPath};
  const bool inMemory = w.rows * w.columns <= std::min(maxInMemoryCells, kMaxCellsOf32BitLabels);

  progress.Start(kMainCaption);
  SetRange(0, w.rows);
  SetStep(1);
  return inMemory ? ClumpInMemory(call) : ClumpInFiles(call);
}

}  // namespace zt

using namespace zt;

long ztClassClump(void* source, long sourceBand, void* result, long resultBand, const char* statisticsPath,
                  long rows, long columns, long firstRow, long firstColumn, int neighbours) {
  return Framed([&] {
    return ClumpClasses(source, sourceBand, result, resultBand, statisticsPath,
                        Window{rows, columns, firstRow, firstColumn}, neighbours, InMemoryClassGridLimit());
  });
}
