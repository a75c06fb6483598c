#pragma once
// Training-cell sets in the layout handed to callers: a malloc'ed AOICELL
// array whose cells own malloc'ed value arrays, released by ztFreeAOICellSet.
#include <vector>

#include "frame/classification_pass.h"
#include "ztclass/records.h"

namespace zt {

class CellSet {
 public:
  static constexpr long kInitialCapacity = 2000;

  explicit CellSet(long bandCount) : bandCount_(bandCount) {}
  ~CellSet();
  CellSet(const CellSet&) = delete;
  CellSet& operator=(const CellSet&) = delete;

  // A new cell at the end with room for its values; the set doubles its
  // capacity when full. Throws std::bad_alloc when memory runs out.
  AOICELL& Append(long classNo, long row, long column);
  // Trims the array to the cells held and hands it over.
  void Release(AOICELL** cells, long& count);

  long Count() const { return count_; }
  long Capacity() const { return capacity_; }

 private:
  void Grow();

  long bandCount_;
  AOICELL* cells_ = nullptr;
  long count_ = 0;
  long capacity_ = 0;
};

void FreeCellSet(AOICELL* cells, long count);

// Gathers the cells of the given AOIs: every pixel of the bounding rectangle
// of each polygon (pixel centres on integer coordinates) that the
// point-in-polygon test accepts, skipping pixels outside the image and
// pixels that teach nothing (NaN, an infinity or the no-data value in some
// listed band). The values are the image's own. With training set, each AOI
// polls for a stop request, as does a large polygon every quarter million
// pixels of its box.
long GatherCells(void* dataset, const std::vector<void*>& bands, const AOI* aois, long aoiCount,
                 const NoDataRule& noData, bool training, AOICELL** cells, long& count);

// The training samples of the network classifiers, the decomposition and the
// accuracy assessment, cancellable; the callers scale the values as their
// method needs (frame/band_scaling.h).
inline long GatherTrainingSamples(void* dataset, const std::vector<void*>& bands, const AOI* aois,
                                  long aoiCount, const NoDataRule& noData, AOICELL** cells,
                                  long& count) {
  return GatherCells(dataset, bands, aois, aoiCount, noData, true, cells, count);
}

// The cells within mean +- k deviations of their class in every band.
long PurifyCells(const AOICELL* cells, long cellCount, long bandCount, long classCount, double k,
                 AOICELL** purified, long& purifiedCount);

}  // namespace zt
