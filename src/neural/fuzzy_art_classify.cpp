// The Fuzzy ART network classifier, and its model: the committed
// categories' complement-coded weights.
#include <algorithm>
#include <vector>

#include "frame/entry.h"
#include "model/method_list.h"
#include "neural/fuzzy_art_network.h"
#include "neural/network_driver.h"
#include "ztclass/neural.h"

namespace zt {

namespace {

constexpr int kMainCaption = 12;
constexpr int kPassCaption = 2;
constexpr double kLeastChoice = 1e-300, kMostChoice = 1e30;

struct FuzzyARTSettings {
  long categories;
  double learningRate, choiceParameter, vigilance;
  long maxIterations;
};

long Learn(const FuzzyARTSettings& s, double** patterns, long count, long* classCount, Model& model) {
  const long n = static_cast<long>(model.bands.size());
  CFuzzyART network(n, s.categories);
  if (long rc = network.Create()) return rc;
  const long formed = network.Train(patterns, count, s.maxIterations, s.choiceParameter, s.vigilance, s.learningRate);
  if (formed != network.CommittedCount()) return formed;
  std::vector<double> weights;
  for (long j = 0; j < formed; ++j) weights.insert(weights.end(), network.Weights(j), network.Weights(j) + 2 * n);
  model.Put("categories", {formed, 2 * n}, std::move(weights));
  model.parameters["choice"] = s.choiceParameter;
  *classCount = formed;
  return RC_OK;
}

// The category that training would choose first for the complement-coded
// pixel: the largest |x ^ w| / (choice + |w|), summed in the order training
// sums, the earlier one on ties as training judges them; the score is that
// value. Complement coding holds for values in 0..1 only: a pixel beyond the
// training range counts as lying at its edge.
class Decision {
 public:
  explicit Decision(const Model& m)
      : weights_(m.At("categories").values.data()),
        count_(m.At("categories").shape[0]),
        coded_(m.At("categories").shape[1]),
        alpha_(m.parameters.at("choice").get<double>()),
        size_(count_, 0.0) {
    for (long j = 0; j < count_; ++j)
      for (long i = 0; i < coded_; ++i) size_[j] += weights_[j * coded_ + i];
  }

  // Inlined into the pass's per-pixel loop: as a call it cost the run some 8%.
  [[gnu::always_inline]] long Decide(const double* x, double* score) const {
    const long bands = coded_ / 2;
    long best = -1;
    FuzzyChoice bestChoice;
    for (long j = 0; j < count_; ++j) {
      const double* w = weights_ + j * coded_;
      double overlap = 0.0;
      for (long i = 0; i < bands; ++i) overlap += std::min(std::clamp(x[i], 0.0, 1.0), w[i]);
      for (long i = 0; i < bands; ++i) overlap += std::min(1.0 - std::clamp(x[i], 0.0, 1.0), w[bands + i]);
      const FuzzyChoice choice(overlap, size_[j], alpha_);
      if (best < 0 || FuzzyChoiceBeats(choice, bestChoice)) {
        bestChoice = choice;
        best = j;
      }
    }
    *score = best < 0 ? -1.0 : bestChoice.value;
    return std::max(best, 0L) + 1;
  }

 private:
  const double* weights_;
  long count_, coded_;
  double alpha_;
  std::vector<double> size_;  // |w| of each category
};

long Apply(const Model& model, ClassificationPass& pass) { return ApplyNetwork<Decision>(model, pass, kPassCaption); }

long Train(const TrainRequest& r, Model& model) {
  ParameterReader p(r.parameters, model.parameters);
  long categories = 0, interval = 0;
  ReadClusterParameters(r, p, categories, interval);
  const FuzzyARTSettings s{categories, p.Number("rate", 1.0, 0.0, 1.0),
                           p.Number("choice", 0.001, kLeastChoice, kMostChoice),
                           p.Number("vigilance", 0.75, ZT_FUZZY_ART_VIGILANCE_MIN, ZT_FUZZY_ART_VIGILANCE_MAX),
                           p.Integer("passes", 5, 1, ZT_MAX_EPOCHS)};
  p.Finish();
  return TrainUnsupervisedNetwork(
      r, kMainCaption, categories, interval,
      [&](double** patterns, long count, long* classCount, Model& m) {
        return Learn(s, patterns, count, classCount, m);
      },
      model);
}

std::string Check(const Model& m) {
  if (std::string reason =
          FirstReason({CheckScaling(m), ExpectShape(m, "categories", {m.highestClass, 2 * m.BandCount()}),
                       CheckNumberParameter(m, "choice", kLeastChoice, kMostChoice)});
      !reason.empty())
    return reason;
  return m.numbers.size() == 1 ? "" : "the model holds numbers besides its categories";
}

}  // namespace

const MethodEntry kFuzzyARTMethod{"fuzzy-art", kMainCaption, Train, Apply, Check, NetworkScore<Decision>};

}  // namespace zt

using namespace zt;

long ztFuzzyARTNNClass(void* source, long* bands, long bandCount, unsigned long clusterCount, long interval,
                       double learningRate, double choiceParameter, double vigilance, long maxIterations,
                       void* result, long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    const FuzzyARTSettings s{static_cast<long>(clusterCount), learningRate, choiceParameter, vigilance,
                             maxIterations};
    const NetworkCall call{source, bands, bandCount, result, Window{rows, columns, firstRow, firstColumn},
                           kMainCaption, kPassCaption};
    return RunUnsupervisedNetwork(
        call, clusterCount, interval,
        [&](double** patterns, long count, long* classCount, Model& model) {
          return Learn(s, patterns, count, classCount, model);
        },
        Apply);
  });
}
