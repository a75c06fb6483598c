#include "samples/class_mask.h"

#include <queue>
#include <utility>

#include "frame/progress_session.h"
#include "samples/polygon_shape.h"
#include "samples/scanline_fill.h"
#include "ztclass/result_codes.h"
#include "ztservices/geometry.h"
#include "ztservices/raster.h"

namespace zt {

long ClassMask::Build(void* source, const std::vector<AOI>& classAois) {
  const long columns = ztRSGetRasterXSize(source), rows = ztRSGetRasterYSize(source);
  rows_.clear();
  starts_.assign(1, 0);
  runs_.clear();
  std::vector<Stroke> strokes;
  ScanlineFill fill;
  PolygonShape shape;

  for (size_t a = 0; a < classAois.size(); ++a) {
    const AOI& aoi = classAois[a];
    const int k = static_cast<int>(a + 1);
    long polygonCount = 0;
    void* polygons = nullptr;
    if (long rc = ztGetPolygonNumsOfAOI(&aoi, &polygonCount)) return rc;
    if (long rc = ztGetPolygonPointerOfAoi(&aoi, &polygons)) return rc;
    for (long p = 0; p < polygonCount; ++p) {
      if (long rc = ReadWholePixelPolygon(ztGetPolygonAt(polygons, p), columns, rows, shape)) return rc;
      // The pixels are bounded by the whole vertices themselves and the image:
      // a width measured between the unrounded corners may come a pixel short.
      const double* rect = shape.rect;
      const long c0 = ClampToLong(rect[0], 0, columns), c1 = ClampToLong(rect[2], -1, columns - 1);
      const long r0 = ClampToLong(rect[1], 0, rows), r1 = ClampToLong(rect[3], -1, rows - 1);
      fill.Start(shape.xy.data(), shape.PointCount(), r0, r1);

      SetRange(0, std::max(r1 - r0 + 1, 0L));
      SetStep(1);
      for (long row = r0; row <= r1; ++row) {
        if (StepAndCheckStop()) return RC_CANCELLED;
        fill.Row(row, c0, c1, [&](long first, long last) { strokes.push_back(Stroke{row, Run{first, last, k}}); });
      }
    }
  }

  std::sort(strokes.begin(), strokes.end(), [](const Stroke& a, const Stroke& b) {
    return a.row != b.row ? a.row < b.row : a.run.first < b.run.first;
  });
  for (size_t begin = 0, end = 0; begin < strokes.size(); begin = end) {
    while (end < strokes.size() && strokes[end].row == strokes[begin].row) ++end;
    rows_.push_back(strokes[begin].row);
    SettleRow(&strokes[begin], end - begin);
    starts_.push_back(runs_.size());
  }
  return RC_OK;
}

// A sweep over the columns where a stroke begins or ends; between two of
// them the same strokes cover every pixel, and the highest class among them
// is the last one painted there.
void ClassMask::SettleRow(const Stroke* strokes, size_t count) {
  std::vector<long> edges;
  edges.reserve(2 * count);
  for (size_t s = 0; s < count; ++s) {
    edges.push_back(strokes[s].run.first);
    edges.push_back(strokes[s].run.last + 1);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

  std::priority_queue<std::pair<int, long>> covering;  // class, last column
  size_t next = 0;
  const size_t rowStart = runs_.size();
  for (size_t e = 0; e + 1 < edges.size(); ++e) {
    const long first = edges[e], last = edges[e + 1] - 1;
    for (; next < count && strokes[next].run.first == first; ++next)
      covering.emplace(strokes[next].run.classNo, strokes[next].run.last);
    while (!covering.empty() && covering.top().second < first) covering.pop();
    if (covering.empty()) continue;
    const int k = covering.top().first;
    if (runs_.size() > rowStart && runs_.back().classNo == k && runs_.back().last + 1 == first)
      runs_.back().last = last;
    else
      runs_.push_back(Run{first, last, k});
  }
}

}  // namespace zt
