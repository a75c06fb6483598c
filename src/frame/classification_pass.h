#pragma once
// The block-wise classification pass that every pixel classifier shares:
// the source window is read one block of all listed bands at a time and
// converted to double, a per-pixel decision gives each pixel its class, and
// the class block is written at its window-relative position. The decision
// is a functor, inlined into the loop; when the host lends worker threads,
// the pixels of a block are decided on all of them, each with its own copy
// of the functor. Reading, writing and progress stay on the caller's thread,
// which writes the block before and reads the block after while the workers
// decide one, then joins them.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <type_traits>
#include <vector>

#include "frame/missing_value.h"
#include "frame/progress_session.h"
#include "frame/window.h"
#include "services/value_buffer.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

namespace zt {

// Values of all listed bands that the pass holds at once, at most.
constexpr long kMaxBlockValues = 1L << 23;

// Class number given to no-data pixels.
constexpr double kNoDataClass = 255.0;

struct NoDataRule {
  bool active = false;  // the first listed band has a no-data value
  double value = 0.0;
  // How far a value may lie from the no-data value and still be no data;
  // the networks allow for no-data values stored at a narrower precision.
  double tolerance = 0.0;

  // Whether a first-band value v makes its pixel a no-data pixel.
  bool Holds(double v) const;
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

inline bool NoDataRule::Holds(double v) const {
  return active && (IsNoDataValue(v, value) || std::fabs(v - value) <= tolerance);
}

// The rule of the methods that read a no-data value stored at a narrower
// precision than the double they compare it in: a first-band value within
// 1e-6 of the no-data value makes a no-data pixel, in training and in
// classification alike.
inline NoDataRule WithinMillionth(NoDataRule rule) {
  rule.tolerance = 1e-6;
  return rule;
}

// Whether a pixel has nothing to teach a class: value(b), its value in band
// b of count, is missing or no data by rule in some band. Training asks
// this of every band, whichever bands the decision looks at: a no-data
// value measures nothing, and the pixel stored with NaN there would teach
// nothing either.
template <typename Value>
bool TeachesNothing(const NoDataRule& rule, long count, Value&& value) {
  for (long b = 0; b < count; ++b) {
    const double v = value(b);
    if (IsMissingValue(v) || rule.Holds(v)) return true;
  }
  return false;
}

// True when any of the first count bands holds value (IsNoDataValue).
inline bool AnyBandEquals(const PixelValues& pixel, long count, double value) {
  for (long b = 0; b < count; ++b)
    if (IsNoDataValue(pixel[b], value)) return true;
  return false;
}

inline bool AnyBandIsMissing(const PixelValues& pixel, long count) {
  for (long b = 0; b < count; ++b)
    if (IsMissingValue(pixel[b])) return true;
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
// any), or one thread at a time in pixel order, for decisions that
// accumulate across pixels in an order that their floating-point result
// depends on.
enum class Deciders { kWorkers, kOneInOrder };

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
  // the block buffers. A source whose pixel type the pass cannot read gives
  // RC_UNSUPPORTED_PIXEL_TYPE. Call after the progress bar has started.
  // The block is the format's, cut down where a block of every listed band
  // would not fit in kMaxBlockValues (a whole strip of a very wide image
  // with many bands): memory follows the block, never the image.
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
  // double (a failed read ends the walk with RC_RASTER_IO_FAILED), then
  // block(rect), whose non-zero result ends the walk. The
  // pixels of row y lie at index (y - rect.y0) * (rect.x1 - rect.x0) on in
  // BandBuffers().
  template <typename Block>
  long ForEachBlock(int captionId, Block&& block);

  // The same walk, row(rect, y) for each row of each block; its non-zero
  // result ends the walk.
  template <typename Row>
  long ForEachRow(int captionId, Row&& row);

  // Runs the pass under sub caption captionId. decide(PixelValues) returns
  // the class number of the pixel (or decide is a RunDecision); it applies
  // the method's own no-data test.
  // Each worker thread decides with its own copy of decide, so a decision
  // keeps its scratch in captures by value (a mutable lambda) and only
  // reads what it captures by reference.
  // A pixel with a missing value (IsMissingValue) in any listed band is
  // no-data whatever the method. When no-data pixels were possible (a
  // no-data value, or a missing value met), the result declares 255, the
  // class they hold, as its no-data value.
  template <typename Decide>
  long Run(int captionId, Decide&& decide, Deciders deciders = Deciders::kWorkers);

 private:
  template <typename Decider>
  struct DecideJob;
  template <typename Decider>
  struct Pipeline;

  // Where a walk over the window's blocks stands.
  struct Walk {
    long rowBlock, columnBlock;
    long firstColumnBlock, endRowBlock, endColumnBlock;
  };
  // Starts the walk: the phase's progress range is one step per row block.
  Walk BeginWalk(int captionId);
  // The next non-empty block in scan order, true while there is one. A
  // progress step and a stop poll at each row block, timed stop polls
  // between its blocks; a stop request ends the walk with rc RC_CANCELLED.
  bool NextBlock(Walk& walk, Rect& r, long& rc);

  Rect BlockRect(long rowBlock, long columnBlock) const;
  long ReadBlock(const Rect& r, const std::vector<double*>& bands);
  long WriteBlock(const Rect& r, const double* classes);
  template <typename Decider>
  bool DecideRange(Decider& decide, const std::vector<double*>& bands, long begin, long end, bool floating);
  template <bool TestNaN, typename Decider>
  bool DecideRange(Decider& decide, const std::vector<double*>& bands, long begin, long end);

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
  // Two sets of block buffers: Run reads one block into the second set
  // while the first block is decided.
  std::vector<std::vector<double>> bandBuffers_, nextBandBuffers_;
  std::vector<double*> bandPointers_, nextBandPointers_;
  ValueBuffer typedBlock_;
  ValueBuffer typedResult_;
  TimedStopPoll stopPoll_;
};

// The decision of one block's pixels: chunks of them handed out in order to
// the tasks, task i deciding with decider i, so that no two threads share
// a decider, and one task alone decides every chunk in pixel order.
// Between its chunks the caller's thread polls for a stop.
template <typename Decider>
struct ClassificationPass::DecideJob {
  // Pixels a thread decides between two stop polls: few enough that a slow
  // decision still sees a stop soon, and enough to outweigh taking a chunk.
  static constexpr long kChunkPixels = 1L << 12;

  ClassificationPass* pass;
  std::vector<Decider>* deciders;
  std::vector<char>* metNaN;
  const std::vector<double*>* bands;
  long pixels;
  bool floating;
  std::thread::id caller;
  std::atomic<long> nextChunk{0};
  std::atomic<bool> stopped{false};

  static void Part(void* data, long part) {
    DecideJob& job = *static_cast<DecideJob*>(data);
    Decider& decide = (*job.deciders)[part];
    const bool onCaller = std::this_thread::get_id() == job.caller;
    for (long begin = job.nextChunk.fetch_add(1) * kChunkPixels; begin < job.pixels && !job.stopped;
         begin = job.nextChunk.fetch_add(1) * kChunkPixels) {
      if (job.pass->DecideRange(decide, *job.bands, begin, std::min(job.pixels, begin + kChunkPixels), job.floating))
        (*job.metNaN)[part] = 1;
      if (onCaller && job.pass->stopPoll_.StopRequested()) job.stopped = true;
    }
  }
};

// What the caller's thread does beside a block's decision: write the block
// decided before it, then read the one after it into the other buffers.
template <typename Decider>
struct ClassificationPass::Pipeline {
  ClassificationPass* pass;
  Walk walk;
  long rc = RC_OK;
  bool pendingWrite = false, haveNext = false;
  Rect written{}, next{};
  const std::vector<double*>* writeFrom = nullptr;
  const std::vector<double*>* readInto = nullptr;

  static void Beside(void* data) {
    Pipeline& p = *static_cast<Pipeline*>(data);
    if (p.pendingWrite) p.rc = p.pass->WriteBlock(p.written, (*p.writeFrom)[0]);
    p.haveNext = p.rc == RC_OK && p.pass->NextBlock(p.walk, p.next, p.rc);
    if (p.haveNext) p.rc = p.pass->ReadBlock(p.next, *p.readInto);
  }
};

template <typename Decider>
bool ClassificationPass::DecideRange(Decider& decide, const std::vector<double*>& bands, long begin, long end,
                                     bool floating) {
  return floating ? DecideRange<true>(decide, bands, begin, end) : DecideRange<false>(decide, bands, begin, end);
}

// Decides pixels [begin, end) of the block and stores each class over the
// pixel's first band value; true when a missing value was met.
template <bool TestNaN, typename Decider>
bool ClassificationPass::DecideRange(Decider& decide, const std::vector<double*>& bands, long begin, long end) {
  bool metNaN = false;
  double* classes = bands[0];
  if constexpr (RunDecision<Decider>) {
    double decided[kRunPixels];
    for (long first = begin; first < end; first += kRunPixels) {
      const long count = std::min(kRunPixels, end - first);
      decide.DecideRun(bands.data(), first, count, decided);
      for (long i = 0; i < count; ++i) {
        if (TestNaN && AnyBandIsMissing(PixelValues(bands, first + i), bandCount_)) {
          metNaN = true;
          classes[first + i] = kNoDataClass;
        } else {
          classes[first + i] = decided[i];
        }
      }
    }
  } else {
    for (long i = begin; i < end; ++i) {
      const PixelValues pixel(bands, i);
      if (TestNaN && AnyBandIsMissing(pixel, bandCount_)) {
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
  Walk walk = BeginWalk(captionId);
  Rect r;
  long rc = RC_OK;
  while (NextBlock(walk, r, rc)) {
    if ((rc = ReadBlock(r, bandPointers_))) return rc;
    if ((rc = block(r))) return rc;
  }
  return rc;
}

template <typename Row>
long ClassificationPass::ForEachRow(int captionId, Row&& row) {
  return ForEachBlock(captionId, [&](const Rect& r) -> long {
    for (long y = r.y0; y < r.y1; ++y)
      if (long rc = row(r, y)) return rc;
    return RC_OK;
  });
}

template <typename Decide>
long ClassificationPass::Run(int captionId, Decide&& decide, Deciders who) {
  using Decider = std::decay_t<Decide>;
  const long threads = who == Deciders::kWorkers ? std::max(1L, ztGetWorkerThreads()) : 1;
  std::vector<Decider> deciders(threads, decide);
  std::vector<char> metNaN(deciders.size(), 0);
  const bool floating = IsFloatingType(sourceType_);
  nextBandBuffers_.assign(bandCount_, std::vector<double>(bandBuffers_.empty() ? 0 : bandBuffers_[0].size()));
  nextBandPointers_.clear();
  for (auto& buffer : nextBandBuffers_) nextBandPointers_.push_back(buffer.data());
  const std::vector<double*>* sets[2] = {&bandPointers_, &nextBandPointers_};

  Pipeline<Decider> pipeline{this, BeginWalk(captionId)};
  Rect current;
  long rc = RC_OK;
  if (!NextBlock(pipeline.walk, current, rc)) return rc;
  if ((rc = ReadBlock(current, bandPointers_))) return rc;
  for (int set = 0;; set = 1 - set) {
    DecideJob<Decider> job{this, &deciders, &metNaN, sets[set], (current.x1 - current.x0) * (current.y1 - current.y0),
                           floating, std::this_thread::get_id()};
    pipeline.writeFrom = pipeline.readInto = sets[1 - set];
    ztRunOnWorkersBeside(threads, &DecideJob<Decider>::Part, &job, &Pipeline<Decider>::Beside, &pipeline);
    if (job.stopped) return RC_CANCELLED;
    if (pipeline.rc == RC_CANCELLED) {
      // A stop seen at the next block keeps this one, decided in full.
      const long written = WriteBlock(current, (*sets[set])[0]);
      return written ? written : RC_CANCELLED;
    }
    if ((rc = pipeline.rc)) return rc;
    pipeline.written = current;
    pipeline.pendingWrite = true;
    if (!pipeline.haveNext) {
      rc = WriteBlock(current, (*sets[set])[0]);
      break;
    }
    current = pipeline.next;
  }
  const bool anyNaN = std::find(metNaN.begin(), metNaN.end(), 1) != metNaN.end();
  if (rc == RC_OK && (noData_.active || anyNaN)) ztRSSetRasterNoDataValue(resultBand_, kNoDataClass);
  return rc;
}

}  // namespace zt
