#pragma once
// Class colours and names from final class means, for the unsupervised
// classifiers that are given display bands.
#include <vector>

#include "frame/classification_pass.h"
#include "ztclass/records.h"

namespace zt {

// Pixel counts and band sums of the final classes, indexed by value - 1.
class FinalTotals {
 public:
  explicit FinalTotals(long bandCount) : n_(bandCount), counts_(256, 0), sums_(256 * bandCount, 0.0) {}
  void Add(int value, const PixelValues& x) {
    ++counts_[value - 1];
    double* sum = &sums_[(value - 1) * n_];
    for (long b = 0; b < n_; ++b) sum[b] += x[b];
  }
  // Means [index * bandCount + b]; 0 for an index without pixels.
  std::vector<double> Means() const;

 private:
  long n_;
  std::vector<unsigned long> counts_;
  std::vector<double> sums_;
};

// count zero-filled records named Class_1, Class_2, ... with empty remarks.
std::vector<AOI> NamedRecords(long count);

// Sets one colour component (field) of every record i from means[i * n + p],
// mapped onto 0..255 as 8-bit values are (the mean itself) or, for other
// types, by trunc((mean - lo) * 255 / (hi - lo)) clamped to 0..255 (0 when
// it is not finite), with lo and hi the band's exact minimum and maximum.
// Without a display table the component is the low 8 bits of that integer;
// with one it is the low 8 bits of the table entry at that level, clamped to
// 0..255. Returns 0 or the statistics call's code.
long ColourComponent(void* band, ZTRSDataType type, const std::vector<double>& means, long n, long p,
                     const unsigned short* table, unsigned char AOI::*field, std::vector<AOI>& records);

// The three components from display bands (positions 1..n into the band
// list): records' red, green and blue.
long ClassColours(const ClassificationPass& pass, const long* displayBands, const std::vector<double>& means,
                  std::vector<AOI>& records);

// The end of a colour variant: count named records coloured from the final
// means when display bands are given, then the result's class attributes.
long WriteFinalClassAtt(const ClassificationPass& pass, const long* displayBands, long count,
                        const FinalTotals& totals);

constexpr unsigned char AOI::*kColourFields[3] = {&AOI::red, &AOI::green, &AOI::blue};

}  // namespace zt
