#include "statistical/sample_grid.h"

#include <limits>

#include "ztservices/adapter.h"

namespace zt {

SampleReader::SampleReader(void* source, const long* bands, long bandCount, const SampleGrid& grid)
    : reader_(ztRAOpenReader(source, 0)),
      bands_(bands),
      bandCount_(bandCount),
      grid_(grid),
      keep_(grid.Count() <= kKeptSampleValues / (bandCount > 0 ? bandCount : 1)) {
  if (reader_) ztRASetReaderOption(reader_, kZtRAOptionRowCache);
  const long rowValues = grid.Columns() * bandCount;
  values_.resize(keep_ ? grid.Rows() * rowValues : rowValues);
  if (keep_) read_.assign(grid.Rows(), 0);
}

SampleReader::~SampleReader() {
  ztRAReleaseCache(reader_);
  ztRACloseReader(reader_);
  ztRAFreeReader(reader_);
}

void SampleReader::Read(long row, long column, double* values) const {
  for (long b = 0; b < bandCount_; ++b)
    if (long rc = ztRAReadValue(reader_, bands_[b], row, column, &values[b], 0)) {
      values[b] = std::numeric_limits<double>::quiet_NaN();
      if (!failure_) failure_ = rc;
    }
}

const double* SampleReader::Row(long j) {
  const long rowValues = grid_.Columns() * bandCount_;
  double* row = keep_ ? &values_[j * rowValues] : values_.data();
  if (keep_ && read_[j]) return row;
  for (long i = 0; i < grid_.Columns(); ++i) Read(grid_.Row(j), grid_.Column(i), row + i * bandCount_);
  if (keep_) read_[j] = 1;
  return row;
}

}  // namespace zt
