#pragma once
// What the feed-forward networks share: the logistic activation, the
// sizing of their layer stack (hidden layers, then the output layer) and the
// decision by the strongest output.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace zt {

inline double Sigmoid(double net) { return 1.0 / (1.0 + std::exp(-net)); }

// Sizes layers (hiddenCount + 1 of them) from the input side, each fed by the
// one below, with sizeLayer(layer, inputs, size); returns the widest hidden
// layer, 0 without one. Allocation failures propagate as std::bad_alloc.
template <typename Layer, typename SizeLayer>
long SizeLayerStack(std::vector<Layer>& layers, long inputCount, long hiddenCount, const long* hiddenSizes,
                    long outputCount, SizeLayer sizeLayer) {
  layers.resize(hiddenCount + 1);
  long below = inputCount, widest = 0;
  for (long k = 0; k < hiddenCount; ++k) {
    sizeLayer(layers[k], below, hiddenSizes[k]);
    widest = std::max(widest, hiddenSizes[k]);
    below = hiddenSizes[k];
  }
  sizeLayer(layers.back(), below, outputCount);
  return widest;
}

// The sums of a layer's inputs in weights stored input-major
// (weights[i * size + j] the weight of neuron j on input i): over the neurons
// in vector lanes, each neuron summing its inputs in input order. Training and
// the deciding threads share it, so both give the same outputs to the bit.
inline void WeightedSums(const double* in, long inputs, const double* weights, long size, double* net) {
  std::fill(net, net + size, 0.0);
  for (long i = 0; i < inputs; ++i) {
    const double* w = weights + i * size;
    const double v = in[i];
#pragma omp simd
    for (long j = 0; j < size; ++j) net[j] += w[j] * v;
  }
}

// WeightedSums for count pixels side by side: in[i * stride + p] is input i
// of pixel p, and net[j * stride + p] receives neuron j's sum for it. Each
// pixel's sum starts at 0 and adds its inputs in input order, as alone. The
// pixels go eight at a time in four pairs of vector lanes held in registers
// over all the inputs: summing into net itself stores and reloads every sum
// at every input.
typedef double LanePair __attribute__((vector_size(16)));

inline LanePair LoadPair(const double* p) {
  LanePair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void WeightedSumsRun(const double* in, long inputs, const double* weights, long size, long count, long stride,
                            double* net) {
  for (long j = 0; j < size; ++j) {
    double* sums = net + j * stride;
    long p = 0;
    for (; p + 8 <= count; p += 8) {
      LanePair a = {}, b = {}, c = {}, d = {};
      for (long i = 0; i < inputs; ++i) {
        const double w = weights[i * size + j];
        const double* v = in + i * stride + p;
        a += w * LoadPair(v);
        b += w * LoadPair(v + 2);
        c += w * LoadPair(v + 4);
        d += w * LoadPair(v + 6);
      }
      std::memcpy(sums + p, &a, sizeof a);
      std::memcpy(sums + p + 2, &b, sizeof b);
      std::memcpy(sums + p + 4, &c, sizeof c);
      std::memcpy(sums + p + 6, &d, sizeof d);
    }
    for (; p < count; ++p) {
      double sum = 0.0;
      for (long i = 0; i < inputs; ++i) sum += weights[i * size + j] * in[i * stride + p];
      sums[p] = sum;
    }
  }
}

// out[p] = Sigmoid(net[p] + bias) for count pixels: libm's exp one value at
// a time (a vector exp rounds otherwise), the rest in vector lanes.
inline void SigmoidRun(const double* net, double bias, long count, double* out) {
  for (long p = 0; p < count; ++p) out[p] = std::exp(-(net[p] + bias));
#pragma omp simd
  for (long p = 0; p < count; ++p) out[p] = 1.0 / (1.0 + out[p]);
}

// The class of the strongest of count outputs, output(k) the k-th (from 1),
// the lower one on ties; 0 (rejected) when even that output is below
// rejectBelow.
template <typename Output>
long StrongestOutput(long count, Output&& output, double rejectBelow) {
  long best = 0;
  for (long k = 1; k < count; ++k)
    if (output(k) > output(best)) best = k;
  return output(best) < rejectBelow ? 0 : best + 1;
}

// A reject threshold on a logistic output, also as the logistic's argument:
// Sigmoid(t) < below exactly where t < logit.
struct SigmoidReject {
  explicit SigmoidReject(double rejectBelow) : below(rejectBelow), logit(std::log(rejectBelow / (1.0 - rejectBelow))) {}
  double below, logit;
};

// The class StrongestOutput gives among count outputs Sigmoid(t[k * stride])
// (t: a neuron's sum plus its bias), without the exp of the outputs that
// cannot be the strongest. Where the largest argument M is at most 20, an
// output whose argument lies 1e-4 or more below M is below Sigmoid(M) to the
// bit: the exact exp(-t) then exceeds exp(-M) >= 2^-29 by a factor of
// 1 + 1e-4, a relative gap of over 2^-43 that survives libm's exp (an error
// of under one unit in the last place, 2^-52 relative), the addition of 1
// and the division, each rounded to 2^-53. So the outputs left out are never
// the strongest, nor tie with it, and the others decide as StrongestOutput
// would. Above 20 (outputs that round to 1) or with a NaN, every output is
// computed. When a single output is left and its argument lies 1e-4 or more
// from the reject threshold's, the same gap decides the reject test without
// its exp either.
constexpr double kShortcutLargestArgument = 20.0, kShortcutGap = 1e-4;

inline long StrongestSigmoid(const double* t, long count, long stride, const SigmoidReject& reject) {
  double largest = t[0];
  bool numbers = !std::isnan(t[0]);
  for (long k = 1; k < count; ++k) {
    numbers = numbers && !std::isnan(t[k * stride]);
    largest = std::max(largest, t[k * stride]);
  }
  const double cut = numbers && largest <= kShortcutLargestArgument ? largest - kShortcutGap
                                                            : -std::numeric_limits<double>::infinity();
  long first = -1, left = 0;
  for (long k = 0; k < count; ++k)
    if (!(t[k * stride] < cut)) first = first < 0 ? k : first, ++left;
  if (left == 1 && std::abs(t[first * stride] - reject.logit) >= kShortcutGap)
    return t[first * stride] < reject.logit ? 0 : first + 1;
  long best = -1;
  double strongest = 0.0;
  for (long k = first; k < count; ++k) {
    if (t[k * stride] < cut) continue;
    const double output = Sigmoid(t[k * stride]);
    if (best < 0 || output > strongest) best = k, strongest = output;
  }
  return strongest < reject.below ? 0 : best + 1;
}

// StrongestSigmoid for count pixels side by side (t[k * stride + p] output
// k's argument for pixel p) into classes[p]. Most pixels have one output
// clear of the others and of the reject threshold: two pixels at a time in
// vector lanes of doubles find those (the largest argument, the largest of
// the others below it by the margin, no NaN) and decide them as
// StrongestSigmoid's shortcut would; the rest go through StrongestSigmoid.
typedef long LaneMask __attribute__((vector_size(16)));

inline LanePair Choose(LaneMask where, LanePair yes, LanePair no) {
  return reinterpret_cast<LanePair>((where & reinterpret_cast<LaneMask>(yes)) | (~where & reinterpret_cast<LaneMask>(no)));
}

inline void StrongestSigmoidRun(const double* t, long outputs, long count, long stride, const SigmoidReject& reject,
                                double* classes) {
  const LanePair none = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  long p = 0;
  for (; p + 2 <= count; p += 2) {
    LanePair largest = LoadPair(t + p), others = none, strongest = {0.0, 0.0};
    LaneMask numbers = largest == largest;
    for (long k = 1; k < outputs; ++k) {
      const LanePair v = LoadPair(t + k * stride + p), index = {double(k), double(k)};
      const LaneMask above = v > largest;
      numbers &= v == v;
      others = Choose(above, largest, Choose(v > others, v, others));
      largest = Choose(above, v, largest);
      strongest = Choose(above, index, strongest);
    }
    const LanePair fromLogit = largest - reject.logit;
    const LaneMask clear = numbers & (largest <= kShortcutLargestArgument) & (others < largest - kShortcutGap) &
                           ((fromLogit >= kShortcutGap) | (fromLogit <= -kShortcutGap));
    const LanePair decided = Choose(fromLogit < 0.0, LanePair{0.0, 0.0}, strongest + 1.0);
    if (clear[0] & clear[1]) {
      std::memcpy(classes + p, &decided, sizeof decided);
      continue;
    }
    for (long lane = 0; lane < 2; ++lane)
      classes[p + lane] =
          clear[lane] ? decided[lane] : static_cast<double>(StrongestSigmoid(t + p + lane, outputs, stride, reject));
  }
  for (; p < count; ++p) classes[p] = static_cast<double>(StrongestSigmoid(t + p, outputs, stride, reject));
}

}  // namespace zt
