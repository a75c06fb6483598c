#pragma once
// The block-wise classification pass that every pixel classifier shares:
// the source window is read one block of all listed bands at a time and
// converted to double, a per-pixel decision gives each pixel its class, and
// the class block is written at its window-relative position. The decision
// is a functor, inlined into the loop; when the host lends worker threads,
// the pixels of a block are decided on all of them, each with its own copy
// of the functor, while reading, writing and progress stay on the caller's
// thread.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <type_traits>
#include <vector>

#include "frame/progress_session.h"
#include "frame/window.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

namespace zt {

// Class number given to no-data pixels.
constexpr double kNoDataClass = 255.0;

struct NoDataRule {
  bool active = false;  // the first listed band has a no-data value
  double value = 0.0;
};

// The band values of one pixel, in band-list order.
class PixelValues {
 public:
  PixelValues(const std::vector<double*>& bands, long index) : bands_(bands.data()), index_(index) {}
  double operator[](long band) const { return bands_[band][index_]; }
  // The first count values into a contiguous array, for decisions that use
  // every band many times.
  void CopyTo(double* out, long count) const {
    for (long b = 0; b < count; ++b) out[b] = bands_[b][index_];
  }

 private:
  double* const* bands_;
  long index_;
};

// A value equals the no-data value exactly; a NaN no-data value is matched
// by NaN, which compares unequal to everything.
inline bool IsNoDataValue(double v, double noData) { return v == noData || (std::isnan(v) && std::isnan(noData)); }

// True when any of the first count bands holds value (IsNoDataValue).
inline bool AnyBandEquals(const PixelValues& pixel, long count, double value) {
  for (long b = 0; b < count; ++b)
    if (IsNoDataValue(pixel[b], value)) return true;
  return false;
}

inline bool AnyBandIsNaN(const PixelValues& pixel, long count) {
  for (long b = 0; b < count; ++b)
    if (std::isnan(pixel[b])) return true;
  return false;
}

inline bool IsFloatingType(ZTRSDataType type) { return type == ZTRS_Float32 || type == ZTRS_Float64; }

// Stop polls between the once-per-row-block ones, at most a few a second,
// so that a stop is seen within a second even where one row block takes
// long (wide tiles, slow decisions). Without a stop they change nothing.
class TimedStopPoll {
 public:
  void Restart() { last_ = std::chrono::steady_clock::now(); }
  bool StopRequested() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return false;
    last_ = now;
    return IsStopProgress() != 0;
  }

 private:
  std::chrono::steady_clock::time_point last_;
};

// Pixels a run decision (RunDecision) decides at a time.
constexpr long kRunPixels = 256;

// A decision that decides a run of pixels at once, for arithmetic that goes
// faster side by side across pixels: DecideRun(bands, first, count, classes)
// gives classes[i], i < count <= kRunPixels, the class of the pixel whose
// band values are bands[b][first + i]; it applies the method's own no-data
// test, and gives each pixel the class it would give it alone.
template <typename Decide>
concept RunDecision = requires(Decide& d, const double* const* bands, long first, long count, double* classes) {
  d.DecideRun(bands, first, count, classes);
};

// Who decides the pixels of a pass: the host's worker threads (when it lends
// any), or the caller's thread alone, for decisions that accumulate across
// pixels in an order that their floating-point result depends on.
enum class Deciders { kWorkers, kCallerOnly };

class ClassificationPass {
 public:
  ClassificationPass(void* source, const long* bands, long bandCount, void* result,
                     const Window& window)
      : source_(source), bandNumbers_(bands), bandCount_(bandCount), result_(result), w_(window) {}
  ~ClassificationPass() {
    ztRSClosePyramidLayer(source_);
    if (result_) ztRSClosePyramidLayer(result_);
  }
  ClassificationPass(const ClassificationPass&) = delete;
  ClassificationPass& operator=(const ClassificationPass&) = delete;

  // Band handles of the band list. A band number the source lacks gives
  // RC_BAD_WINDOW; a missing band list RC_NULL_ARGUMENT.
  long LookUpBands();

  // Opens both datasets, takes types, block size and no-data, and allocates
  // the block buffers. Call after the progress bar has started.
  long Open();

  const std::vector<void*>& Bands() const { return bandHandles_; }
  long BandCount() const { return bandCount_; }
  const Window& GetWindow() const { return w_; }
  ZTRSDataType SourceType() const { return sourceType_; }
  void* Source() const { return source_; }
  void* Result() const { return result_; }
  void* ResultBand() const { return resultBand_; }
  const NoDataRule& NoData() const { return noData_; }
  long BlockColumns() const { return blockColumns_; }
  const std::vector<double*>& BandBuffers() const { return bandPointers_; }

  // A block of the window, in source pixels, end exclusive.
  struct Rect {
    long x0, y0, x1, y1;
  };

  // The walk of every pass: the window block by block under sub caption
  // captionId, polling for a stop request once per row block
  // (RC_CANCELLED), every listed band of a block read and converted to
  // double, then block(rect), whose non-zero result ends the walk. The
  // pixels of row y lie at index (y - rect.y0) * (rect.x1 - rect.x0) on in
  // BandBuffers().
  template <typename Block>
  long ForEachBlock(int captionId, Block&& block);

  // The same walk, row(rect, y) for each row of each block.
  template <typename Row>
  long ForEachRow(int captionId, Row&& row);

  // Runs the pass under sub caption captionId. decide(PixelValues) returns
  // the class number of the pixel (or decide is a RunDecision); it applies
  // the method's own no-data test.
  // Each worker thread decides with its own copy of decide, so a decision
  // keeps its scratch in captures by value (a mutable lambda) and only
  // reads what it captures by reference.
  // A pixel with NaN in any listed band is no-data whatever the method: no
  // distance or likelihood means anything for it. When no-data pixels were
  // possible (a no-data value, or NaN met), the result declares 255, the
  // class they hold, as its no-data value.
  template <typename Decide>
  long Run(int captionId, Decide&& decide, Deciders deciders = Deciders::kWorkers);

 private:
  template <typename Decider>
  struct DecideJob;

  Rect BlockRect(long rowBlock, long columnBlock) const;
  void ReadBlock(const Rect& r);
  void WriteBlock(const Rect& r);
  template <typename Decider>
  bool DecideRange(Decider& decide, long begin, long end, bool floating);
  template <bool TestNaN, typename Decider>
  bool DecideRange(Decider& decide, long begin, long end);

  void* source_;
  const long* bandNumbers_;
  long bandCount_;
  void* result_;
  Window w_;

  std::vector<void*> bandHandles_;
  ZTRSDataType sourceType_ = ZTRS_Unknown;
  ZTRSDataType resultType_ = ZTRS_Unknown;
  void* resultBand_ = nullptr;
  long blockColumns_ = 0, blockRows_ = 0;
  NoDataRule noData_;
  std::vector<std::vector<double>> bandBuffers_;
  std::vector<double*> bandPointers_;
  ValueBuffer typedBlock_;
  ValueBuffer typedResult_;
  TimedStopPoll stopPoll_;
};

// The pixels [begin, end) of the block buffers split into parts (at most
// one per decider), part i decided by decider i.
template <typename Decider>
struct ClassificationPass::DecideJob {
  ClassificationPass* pass;
  std::vector<Decider>* deciders;
  std::vector<char>* metNaN;
  long begin, end, parts;
  bool floating;

  static void Part(void* data, long part) {
    DecideJob& job = *static_cast<DecideJob*>(data);
    const long count = job.end - job.begin;
    const long first = job.begin + count * part / job.parts, last = job.begin + count * (part + 1) / job.parts;
    if (job.pass->DecideRange((*job.deciders)[part], first, last, job.floating)) (*job.metNaN)[part] = 1;
  }
};

template <typename Decider>
bool ClassificationPass::DecideRange(Decider& decide, long begin, long end, bool floating) {
  return floating ? DecideRange<true>(decide, begin, end) : DecideRange<false>(decide, begin, end);
}

// Decides pixels [begin, end) of the block and stores each class over the
// pixel's first band value; true when a NaN was met.
template <bool TestNaN, typename Decider>
bool ClassificationPass::DecideRange(Decider& decide, long begin, long end) {
  bool metNaN = false;
  double* classes = bandPointers_[0];
  if constexpr (RunDecision<Decider>) {
    double decided[kRunPixels];
    for (long first = begin; first < end; first += kRunPixels) {
      const long count = std::min(kRunPixels, end - first);
      decide.DecideRun(bandPointers_.data(), first, count, decided);
      for (long i = 0; i < count; ++i) {
        if (TestNaN && AnyBandIsNaN(PixelValues(bandPointers_, first + i), bandCount_)) {
          metNaN = true;
          classes[first + i] = kNoDataClass;
        } else {
          classes[first + i] = decided[i];
        }
      }
    }
  } else {
    for (long i = begin; i < end; ++i) {
      const PixelValues pixel(bandPointers_, i);
      if (TestNaN && AnyBandIsNaN(pixel, bandCount_)) {
        metNaN = true;
        classes[i] = kNoDataClass;
      } else {
        classes[i] = decide(pixel);
      }
    }
  }
  return metNaN;
}

template <typename Block>
long ClassificationPass::ForEachBlock(int captionId, Block&& block) {
  const long firstRowBlock = w_.firstRow / blockRows_;
  const long endRowBlock = (w_.firstRow + w_.rows + blockRows_ - 1) / blockRows_;
  const long firstColumnBlock = w_.firstColumn / blockColumns_;
  const long endColumnBlock = (w_.firstColumn + w_.columns + blockColumns_ - 1) / blockColumns_;

  BeginPhase(captionId, endRowBlock - firstRowBlock + 1);
  for (long rowBlock = firstRowBlock; rowBlock < endRowBlock; ++rowBlock) {
    if (StepAndCheckStop()) return RC_CANCELLED;
    stopPoll_.Restart();
    for (long columnBlock = firstColumnBlock; columnBlock < endColumnBlock; ++columnBlock) {
      const Rect r = BlockRect(rowBlock, columnBlock);
      if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
      if (columnBlock > firstColumnBlock && stopPoll_.StopRequested()) return RC_CANCELLED;
      ReadBlock(r);
      if (long rc = block(r)) return rc;
    }
  }
  return RC_OK;
}

template <typename Row>
long ClassificationPass::ForEachRow(int captionId, Row&& row) {
  return ForEachBlock(captionId, [&](const Rect& r) -> long {
    for (long y = r.y0; y < r.y1; ++y) row(r, y);
    return RC_OK;
  });
}

template <typename Decide>
long ClassificationPass::Run(int captionId, Decide&& decide, Deciders who) {
  using Decider = std::decay_t<Decide>;
  // Pixels a thread decides between two stop polls: few enough that a slow
  // decision still sees a stop soon, and enough per share to outweigh
  // waking the workers.
  constexpr long kChunkPixels = 1L << 14;
  constexpr long kPixelsPerWorker = 1L << 11;
  const long threads = who == Deciders::kWorkers ? std::max(1L, ztGetWorkerThreads()) : 1;
  std::vector<Decider> deciders(threads, decide);
  std::vector<char> metNaN(deciders.size(), 0);
  const bool floating = IsFloatingType(sourceType_);
  const long rc = ForEachBlock(captionId, [&](const Rect& r) -> long {
    const long width = r.x1 - r.x0, pixels = width * (r.y1 - r.y0);
    const long chunk = std::max(1L, kChunkPixels * threads / width) * width;
    for (long begin = 0; begin < pixels; begin += chunk) {
      const long end = std::min(pixels, begin + chunk);
      const long parts = std::min(threads, (end - begin) / kPixelsPerWorker);
      if (parts > 1) {
        DecideJob<Decider> job{this, &deciders, &metNaN, begin, end, parts, floating};
        ztRunOnWorkers(parts, &DecideJob<Decider>::Part, &job);
      } else if (DecideRange(deciders[0], begin, end, floating)) {
        metNaN[0] = 1;
      }
      if (end < pixels && stopPoll_.StopRequested()) return RC_CANCELLED;
    }
    WriteBlock(r);
    return RC_OK;
  });
  const bool anyNaN = std::find(metNaN.begin(), metNaN.end(), 1) != metNaN.end();
  if (rc == RC_OK && (noData_.active || anyNaN)) ztRSSetRasterNoDataValue(resultBand_, kNoDataClass);
  return rc;
}

}  // namespace zt
