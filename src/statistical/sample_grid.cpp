#include "statistical/sample_grid.h"

#include <limits>

#include "ztservices/adapter.h"

namespace zt {

SampleReader::SampleReader(void* source, const long* bands, long bandCount)
    : reader_(ztRAOpenReader(source, 0)), bands_(bands), bandCount_(bandCount) {
  if (reader_) ztRASetReaderOption(reader_, kZtRAOptionRowCache);
}

SampleReader::~SampleReader() {
  ztRAReleaseCache(reader_);
  ztRACloseReader(reader_);
  ztRAFreeReader(reader_);
}

void SampleReader::Read(long row, long column, double* values) const {
  for (long b = 0; b < bandCount_; ++b)
    if (ztRAReadValue(reader_, bands_[b], row, column, &values[b], 0) != 0)
      values[b] = std::numeric_limits<double>::quiet_NaN();
}

}  // namespace zt
