// Clump: connected regions of equal class value, numbered in scan order.
#include "postclass/clump.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/entry.h"
#include "frame/progress_session.h"
#include "postclass/band_rows.h"
#include "postclass/class_map.h"
#include "postclass/region.h"
#include "postclass/regions.h"
#include "postclass/statistics_beside.h"
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
  int neighbours;
  const char* statisticsPath;
};

// The window's class values labelled as they are read.
template <typename T>
long ClumpInMemory(const ClumpCall& call) {
  const Window& w = call.job.GetWindow();
  const long rows = w.rows, columns = w.columns;
  Regions<std::uint32_t, std::int32_t> regions(rows, columns, EightNeighbours(call.neighbours));

  SetSubProgressNameById(kReadingCaption);
  long classCount = 0;
  if (long rc = ReadClassMap<T>(call.job, regions, classCount)) return rc;

  SetPos(0);
  SetSubProgressNameById(kCountingCaption);
  std::uint32_t clumps = 0;
  if (!regions.Resolve(clumps)) return RC_CANCELLED;
  std::uint32_t next = 0;
  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return WriteStatisticsBeside(
      call.statisticsPath,
      [&] {
        return WriteClumpStatistics(call.statisticsPath, kClumpTitle, classCount, call.neighbours, regions.Zeros(),
                                    clumps, [&] {
                                      ++next;
                                      const long first = regions.First(next);
                                      return ClumpLine{long(next), long(regions.RegionValue(next)), first % columns,
                                                       first / columns, long(regions.Count(next))};
                                    });
      },
      [&] {
        return WriteResult<std::uint32_t>(call.job,
                                          [&](long first, long, std::uint32_t*) { return regions.Row(first); });
      });
}

// The class grid and the clump numbers in temporary raster files, the
// regions grown one by one.
template <typename T>
long ClumpInFiles(const ClumpCall& call) {
  const Window& w = call.job.GetWindow();
  const long rows = w.rows, columns = w.columns;
  const bool signedBytes = call.job.SourceType() == ZTRS_Int8;
  std::vector<std::int32_t> classes(columns);
  WorkDirectory work;
  if (!work.Ok()) return RC_WORK_FILE_FAILED;
  ZtiTempFile gridFile;
  if (!gridFile.Create(work.File("localCache.zti"), columns, rows)) return RC_WORK_FILE_FAILED;
  FileGrid grid{&gridFile};
  std::vector<unsigned char> visitedCells(rows * columns, 0);
  VisitedMap visited{visitedCells.data(), columns};

  SetSubProgressNameById(kReadingCaption);
  long classCount = 0;
  const long read = ReadBandOnce<T>(
      call.job,
      [&](long i, const T* values) {
        ToClasses(values, columns, signedBytes, classes.data());
        for (long j = 0; j < columns; ++j) grid.Set(i, j, classes[j]);
      },
      classCount);
  if (read) return read;

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
  if (!WriteClumpStatistics(call.statisticsPath, kClumpTitle, classCount, call.neighbours, zeroPixels, clumps.size(),
                            [&] { return clumps[next++]; }))
    return RC_REPORT_OPEN_FAILED;

  SetPos(0);
  SetSubProgressNameById(kWritingCaption);
  return WriteResult<std::uint32_t>(call.job, [&](long first, long count, std::uint32_t* scratch) {
    for (long i = 0; i < count; ++i)
      for (long j = 0; j < columns; ++j)
        scratch[i * columns + j] = static_cast<std::uint32_t>(labels.Get(first + i, j));
    return scratch;
  });
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
  const ClumpCall call{job, neighbours, statisticsPath};
  const bool inMemory = w.rows * w.columns <= std::min(maxInMemoryCells, kMaxCellsOf32BitLabels);

  progress.Start(kMainCaption);
  SetRange(0, w.rows);
  SetStep(1);
  return WithPixelType(job.SourceType(), [&](auto pixel) {
    using T = decltype(pixel);
    return inMemory ? ClumpInMemory<T>(call) : ClumpInFiles<T>(call);
  });
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
