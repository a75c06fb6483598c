// The BP and high-order BP networks against literal sums and gradients
// written out here, and the network classification driver through the exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "network_fixture.h"
#include "neural/bp_network.h"
#include "neural/high_order_network.h"
#include "neural/layer_stack.h"
#include "neural/random_between.h"
#include "ztclass/model.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

double Logistic(double net) { return 1.0 / (1.0 + std::exp(-net)); }

// A network written as plainly as possible: w[layer][neuron][input].
struct PlainNet {
  std::vector<std::vector<std::vector<double>>> w, pw;
  std::vector<std::vector<double>> b, pb, o, d;
  std::vector<double> x;

  std::vector<double> In(size_t l) const { return l == 0 ? x : o[l - 1]; }

  void Forward(const std::vector<double>& pattern) {
    x = pattern;
    for (size_t l = 0; l < w.size(); ++l) {
      const std::vector<double> in = In(l);
      for (size_t j = 0; j < w[l].size(); ++j) {
        double net = 0;
        for (size_t i = 0; i < in.size(); ++i) net += w[l][j][i] * in[i];
        o[l][j] = Logistic(net + b[l][j]);
      }
    }
  }

  double Step(const std::vector<double>& pattern, long c, double eta, double alpha) {
    Forward(pattern);
    const size_t L = w.size() - 1;
    double error = 0;
    for (size_t k = 0; k < o[L].size(); ++k) {
      const double t = long(k) == c - 1 ? 0.9 : 0.1;
      error += 0.5 * (t - o[L][k]) * (t - o[L][k]);
      d[L][k] = (t - o[L][k]) * o[L][k] * (1 - o[L][k]);
    }
    for (size_t l = L; l-- > 0;)
      for (size_t j = 0; j < o[l].size(); ++j) {
        double s = 0;
        for (size_t k = 0; k < o[l + 1].size(); ++k) s += d[l + 1][k] * w[l + 1][k][j];
        d[l][j] = o[l][j] * (1 - o[l][j]) * s;
      }
    for (size_t l = 0; l <= L; ++l) {
      const double rate = l == L || L == 1 ? eta : eta * (1 - alpha);  // L: the hidden layer count
      const std::vector<double> in = In(l);
      for (size_t j = 0; j < w[l].size(); ++j) {
        const double nb = b[l][j] + rate * d[l][j] + alpha * (b[l][j] - pb[l][j]);
        pb[l][j] = b[l][j];
        b[l][j] = nb;
        for (size_t i = 0; i < in.size(); ++i) {
          const double nw = w[l][j][i] + rate * d[l][j] * in[i] + alpha * (w[l][j][i] - pw[l][j][i]);
          pw[l][j][i] = w[l][j][i];
          w[l][j][i] = nw;
        }
      }
    }
    return error;
  }
};

// Sizes inputs, hidden..., outputs; weights and biases from a fixed formula.
PlainNet MakePlain(const std::vector<long>& sizes) {
  PlainNet p;
  for (size_t l = 1; l < sizes.size(); ++l) {
    p.w.emplace_back(sizes[l], std::vector<double>(sizes[l - 1]));
    p.pw.emplace_back(sizes[l], std::vector<double>(sizes[l - 1], 0.0));
    p.b.emplace_back(sizes[l]);
    p.pb.emplace_back(sizes[l], 0.0);
    p.o.emplace_back(sizes[l], 0.0);
    p.d.emplace_back(sizes[l], 0.0);
    for (long j = 0; j < sizes[l]; ++j) {
      p.b.back()[j] = 0.01 * (j + 1) - 0.02 * l;
      for (long i = 0; i < sizes[l - 1]; ++i) p.w.back()[j][i] = 0.3 * std::sin(1.0 + l * 7 + j * 3 + i);
    }
  }
  return p;
}

void CopyInto(const PlainNet& p, zt::CBPNN& net) {
  for (size_t l = 0; l < p.w.size(); ++l)
    for (size_t j = 0; j < p.w[l].size(); ++j) {
      net.Layer(l).neurons[j].bias = p.b[l][j];
      for (size_t i = 0; i < p.w[l][j].size(); ++i) net.Layer(l).Weight(j, i) = p.w[l][j][i];
    }
}

void ExpectSame(const PlainNet& p, zt::CBPNN& net) {
  for (size_t l = 0; l < p.w.size(); ++l)
    for (size_t j = 0; j < p.w[l].size(); ++j) {
      const zt::BPNeuron& n = net.Layer(l).neurons[j];
      EXPECT_NEAR(n.output, p.o[l][j], 1e-15);
      EXPECT_NEAR(n.delta, p.d[l][j], 1e-15);
      EXPECT_NEAR(n.bias, p.b[l][j], 1e-15);
      EXPECT_NEAR(n.previousBias, p.pb[l][j], 1e-15);
      for (size_t i = 0; i < p.w[l][j].size(); ++i) {
        EXPECT_NEAR(net.Layer(l).Weight(j, i), p.w[l][j][i], 1e-15) << l << " " << j << " " << i;
        EXPECT_NEAR(net.Layer(l).previousWeights[i * net.Layer(l).size + j], p.pw[l][j][i], 1e-15);
      }
    }
}

TEST(BPNetwork, TwoSamplesTwoClassesFollowPlainBackPropagation) {
  for (std::vector<long> hidden : {std::vector<long>{3}, std::vector<long>{3, 2}, std::vector<long>{2, 4, 3}}) {
    std::vector<long> sizes = {2};
    sizes.insert(sizes.end(), hidden.begin(), hidden.end());
    sizes.push_back(2);
    PlainNet plain = MakePlain(sizes);
    zt::CBPNN net;
    ASSERT_EQ(net.Create(2, 2, long(hidden.size()), hidden.data()), RC_OK);
    net.InitWeights(zt::ProcessRandom());
    CopyInto(plain, net);
    const std::vector<double> a = {0.2, 0.7}, b = {0.9, 0.1};
    for (int epoch = 0; epoch < 3; ++epoch) {
      const double ea = plain.Step(a, 1, 0.6, 0.3);
      net.TrainSample(a.data(), 1, 0.6, 0.3);
      EXPECT_NEAR(net.Error(), ea, 1e-15);
      const double eb = plain.Step(b, 2, 0.6, 0.3);
      net.TrainSample(b.data(), 2, 0.6, 0.3);
      EXPECT_NEAR(net.Error(), eb, 1e-15);
      ExpectSame(plain, net);
    }
  }
}

TEST(BPNetwork, WeightsAreDrawnNeuronByNeuronFromRand) {
  long hidden[] = {2, 3};
  zt::CBPNN net;
  ASSERT_EQ(net.Create(4, 2, 2, hidden), RC_OK);
  std::srand(1234);
  net.InitWeights(zt::ProcessRandom());
  std::srand(1234);
  auto draw = [](double hi) { return hi * ((std::rand() % 100) / 100.0); };
  for (long l = 0; l < 3; ++l) {
    const zt::BPLayer& layer = net.Layer(l);
    for (long j = 0; j < layer.size; ++j) {
      EXPECT_EQ(layer.neurons[j].bias, draw(0.1));
      EXPECT_EQ(layer.neurons[j].previousBias, 0.0);
      for (long i = 0; i < layer.inputs; ++i) EXPECT_EQ(layer.Weight(j, i), draw(0.2));
    }
  }
  // A stream of its own repeats rand()'s numbers for the same seed, and the
  // unseeded rand()'s for seed 1.
  for (unsigned seed : {99u, 1u}) {
    zt::RandomDraws own(seed);
    std::srand(seed);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(own.Next(), std::rand()) << seed << " " << i;
  }
}

// The class an output layer gives when its neurons answer the probabilities
// p whatever the input: weights 0 and the logits of p as biases.
template <typename Layer, typename Classify>
long ClassOfOutputs(Layer& outputs, const std::vector<double>& p, Classify classify) {
  for (long k = 0; k < long(p.size()); ++k) {
    outputs.Weight(k, 0) = 0.0;
    outputs.neurons[k].bias = std::log(p[k] / (1 - p[k]));
  }
  const double x = 0.5;
  long cls = -1;
  classify(&x, &cls);
  return cls;
}

TEST(BPNetwork, StrongestOutputWinsLowerIndexOnTiesNoneBelowOneTenth) {
  long hidden = 1;
  zt::CBPNN net;
  ASSERT_EQ(net.Create(1, 3, 1, &hidden), RC_OK);
  net.InitWeights(zt::ProcessRandom());
  auto outputs = [&](std::vector<double> p) {
    return ClassOfOutputs(net.Layer(1), p, [&](const double* x, long* cls) { net.Classify(x, cls); });
  };
  EXPECT_EQ(outputs({0.3, 0.6, 0.6}), 2);
  EXPECT_EQ(outputs({0.7, 0.2, 0.7}), 1);
  EXPECT_EQ(outputs({0.05, 0.02, 0.11}), 3);
  EXPECT_EQ(outputs({0.05, 0.09, 0.02}), 0);
}

// The decision of a run, which leaves out the exp of outputs that cannot
// win or whose reject test is already plain, against every output's sigmoid
// compared one by one: near ties, arguments near the reject threshold's
// (logit 0.1 = -ln 9), saturated outputs, NaN, and random runs; each case
// alone and side by side with the others of its output count, as a run of
// pixels decides them (an odd count, so that one pixel is left over).
TEST(BPNetwork, StrongestSigmoidDecidesAsEveryOutputComputed) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), edge = -std::log(9.0);
  std::vector<std::vector<double>> cases = {
      {0.5, 0.5, 0.5},          {1.0, 1.0 - 1e-9, 0.2},   {1.0, 1.0 - 1e-4, 0.2},  {edge, -5.0, -6.0},
      {edge + 1e-9, -5, -6},    {edge - 1e-9, -5, -6},    {edge + 1e-4, -5, -6},   {edge - 2e-4, -5, -6},
      {-5.0, edge + 3e-5, -6},  {25.0, 24.0, 30.0},       {40.0, 40.0, 1.0},       {nan, 1.0, 2.0},
      {1.0, nan, 0.0},          {-800.0, -900.0, -700.0}, {edge, edge, edge},      {3.0},
      {edge - 1e-9},            {edge + 2e-4},            {nan},                   {25.0}};
  std::mt19937 draw(7);
  std::uniform_real_distribution<double> around(-4.0, 3.0);
  for (int i = 0; i < 2001; ++i) cases.push_back({around(draw), around(draw), around(draw), around(draw)});
  const zt::SigmoidReject reject(zt::kBPRejectBelow);
  for (const long outputs : {1L, 3L, 4L}) {
    std::vector<std::vector<double>> group;
    std::vector<double> expected;
    for (const std::vector<double>& t : cases) {
      if (static_cast<long>(t.size()) != outputs) continue;
      group.push_back(t);
      expected.push_back(static_cast<double>(
          zt::StrongestOutput(outputs, [&t](long k) { return zt::Sigmoid(t[k]); }, zt::kBPRejectBelow)));
      EXPECT_EQ(zt::StrongestSigmoid(t.data(), outputs, 1, reject), expected.back()) << t[0];
    }
    const long count = static_cast<long>(group.size()), stride = count + 3;
    std::vector<double> run(outputs * stride), classes(count);
    for (long p = 0; p < count; ++p)
      for (long k = 0; k < outputs; ++k) run[k * stride + p] = group[p][k];
    zt::StrongestSigmoidRun(run.data(), outputs, count, stride, reject, classes.data());
    for (long p = 0; p < count; ++p) EXPECT_EQ(classes[p], expected[p]) << group[p][0];
  }
}

TEST(BPNetwork, TrainingStopsAtTheThresholdOrWhenAskedTo) {
  Samples s;
  s.Add(1, {0.1, 0.1});
  s.Add(2, {0.9, 0.8});
  long hidden = 3;
  zt::CBPNN net;
  ASSERT_EQ(net.Create(2, 2, 1, &hidden), RC_OK);
  net.InitWeights(zt::ProcessRandom());
  ProgressRecorder progress;
  // A threshold of 1000 stops before the first epoch: the weights stay.
  const double before = net.Layer(0).Weight(0, 0);
  EXPECT_EQ(net.Train(s.Cells(), 2, 0.5, 0.5, 10, 1000.0), RC_OK);
  EXPECT_EQ(net.Layer(0).Weight(0, 0), before);
  EXPECT_EQ(progress.steps, 0);
  EXPECT_EQ(net.Train(s.Cells(), 2, 0.5, 0.5, 10, -1.0), RC_OK);
  EXPECT_EQ(progress.steps, 10);
  progress.stopAfterSteps = progress.steps + 2;
  EXPECT_EQ(net.Train(s.Cells(), 2, 0.5, 0.5, 10, -1.0), RC_CANCELLED);
}

// The high-order network: the update against literal sums, the hidden deltas
// against a finite-difference gradient ---------------------------------------

// A network with hidden layers of these sizes, its weights from a fixed formula.
void MakeNet(zt::CHighRankNN& net, long inputs, long outputs, std::vector<long> hidden) {
  ASSERT_EQ(net.Create(inputs, outputs, false, long(hidden.size()), hidden.data()), RC_OK);
  net.InitWeights(false, zt::ProcessRandom());
  for (long l = 0; l < net.LayerCount(); ++l) {
    zt::HRLayer& layer = net.Layer(l);
    for (long j = 0; j < layer.size; ++j) {
      layer.neurons[j].bias = 0.1 * std::cos(j + l);
      for (long i = 0; i < layer.inputs; ++i) {
        layer.Weight(j, i) = 0.4 * std::sin(1 + 3 * j + i + 5 * l);
        for (long m = 0; m < layer.inputs; ++m) layer.Pair(j, i, m) = 0.3 * std::cos(2 + j + 2 * i + 3 * m + l);
      }
    }
  }
}

// Hidden deltas are minus the gradient of 0.5 * sum (t - o)^2 (targets 0.9
// and 0.1) with respect to each neuron's net input, which a bias shift moves.
TEST(HighOrderNetwork, HiddenDeltasMatchAFiniteDifferenceGradient) {
  for (bool squares : {false, true}) {
    zt::CHighRankNN net;
    ASSERT_NO_FATAL_FAILURE(MakeNet(net, 2, 3, {3, 4}));
    const double x[] = {0.3, 0.8};
    const long c = 2;
    auto loss = [&] {
      net.Forward(x, false, squares);
      double e = 0;
      for (long k = 0; k < 3; ++k) {
        const double t = k == c - 1 ? 0.9 : 0.1;
        e += 0.5 * std::pow(t - net.Layer(2).neurons[k].output, 2);
      }
      return e;
    };
    loss();
    net.ComputeDeltas(c, false, squares);
    std::vector<std::vector<double>> deltas;
    for (long l = 0; l < 3; ++l) {
      deltas.emplace_back();
      for (auto& n : net.Layer(l).neurons) deltas.back().push_back(n.delta);
    }
    const double h = 1e-6;
    for (long l = 0; l < 3; ++l)
      for (long j = 0; j < net.Layer(l).size; ++j) {
        double& bias = net.Layer(l).neurons[j].bias;
        bias += h;
        const double up = loss();
        bias -= 2 * h;
        const double down = loss();
        bias += h;
        EXPECT_NEAR(deltas[l][j], -(up - down) / (2 * h), 1e-8) << squares << " " << l << " " << j;
      }
  }
}

TEST(HighOrderNetwork, UpdateScalesWeightsNotBiasByOnePlusMomentum) {
  for (bool useMomentum : {false, true}) {
    zt::CHighRankNN net;
    ASSERT_NO_FATAL_FAILURE(MakeNet(net, 2, 2, {2}));
    const double x[] = {0.6, 0.1};
    net.Forward(x, false, true);
    net.ComputeDeltas(1, false, true);
    // Expected values from the state before the update.
    const std::vector<std::vector<double>> ins = {{x[0], x[1]},
                                                  {net.Layer(0).neurons[0].output, net.Layer(0).neurons[1].output}};
    zt::HRLayer before[] = {net.Layer(0), net.Layer(1)};
    const double eta = 0.7, alpha = 0.4, f = useMomentum ? 1 + alpha : 1.0;
    net.UpdateWeights(eta, 1, false, false, useMomentum, alpha);
    for (long l = 0; l < 2; ++l)
      for (long j = 0; j < 2; ++j) {
        zt::HRLayer &now = net.Layer(l), &was = before[l];
        const double d = was.neurons[j].delta, in0 = ins[l][0], in1 = ins[l][1];
        EXPECT_NEAR(now.neurons[j].bias, was.neurons[j].bias + eta * d, 1e-15);
        EXPECT_NEAR(now.Weight(j, 0), was.Weight(j, 0) + f * eta * d * in0, 1e-15);
        EXPECT_NEAR(now.Pair(j, 0, 1), was.Pair(j, 0, 1) + f * eta * d * in0 * in1, 1e-15);
        EXPECT_EQ(now.Pair(j, 0, 0), was.Pair(j, 0, 0));  // squares off: the diagonal stays
      }
  }
}

TEST(HighOrderNetwork, ErrorAimsAtOneAndZeroAndRejectionBelowOneFifth) {
  zt::CHighRankNN net;
  ASSERT_EQ(net.Create(1, 3, true, 0, nullptr), RC_OK);
  net.InitWeights(true, zt::ProcessRandom());
  for (long k = 0; k < 3; ++k) net.Layer(0).Pair(k, 0, 0) = 0.0;
  auto outputs = [&](std::vector<double> p) {
    return ClassOfOutputs(net.Layer(0), p, [&](const double* x, long* cls) { net.Classify(x, cls, true, false); });
  };
  EXPECT_EQ(outputs({0.9, 0.1, 0.1}), 1);
  net.ComputeError(1);
  EXPECT_NEAR(net.Error(), 0.5 * (0.01 + 0.01 + 0.01), 1e-12);
  EXPECT_EQ(outputs({0.19, 0.15, 0.1}), 0);
  EXPECT_EQ(outputs({0.19, 0.21, 0.21}), 2);
}

// The driver, through the export ---------------------------------------------

constexpr int kNetColumns = 24, kNetRows = 20;

// Dark pixels on the left, bright ones on the right, the same texture in
// every band, so that purification to one standard deviation keeps a third of
// the pixels, of three different values.
double TwoHalves(int band, int column, int row) {
  const double noise = column % 4 + row % 4;
  return column < 12 ? 30 + 5 * band + noise : 180 - 10 * band + noise;
}

// The scene, one training rectangle in each half, and a result of its size.
struct NetScene {
  Scene scene;
  std::vector<long> bands = {1, 2, 3};
  explicit NetScene(bool hasNoData = false, double noData = 0, GDALDataType type = GDT_Byte,
                    std::function<double(int, int, int)> value = TwoHalves)
      : scene(kNetColumns, kNetRows, 3, std::move(value), hasNoData, noData, type) {
    scene.AddClass("dark", {{2, 2, 8, 8}}, 0, 0, 255);
    scene.AddClass("bright", {{14, 10, 20, 16}}, 255, 255, 0);
    scene.MakeResult(kNetColumns, kNetRows);
  }
};

// High-order BP through two hidden layers: the layers' outputs take turns in
// two buffers.
TEST(NetworkClassification, HighOrderBPThroughTwoHiddenLayersSeparatesTheHalves) {
  NetScene s;
  ProgressRecorder progress;
  long hidden[] = {3, 2};
  std::srand(5);
  ASSERT_EQ(ztHRBPNNClass(s.scene.source, s.bands.data(), 3, hidden, 2, true, 0.9, true, 0.3, 0.001, 300,
                          s.scene.result, kNetRows, kNetColumns, 0, 0),
            RC_OK);
  ExpectMap(s.scene.Result(), kNetRows, kNetColumns, [](int, int c) { return c < 12 ? 1 : 2; });
  EXPECT_EQ(progress.Count("main:高阶BP神经网络分类"), 1);
}

TEST(BPClassification, FirstBandWithinOneMillionthOfNoDataIsClass255) {
  auto value = [](int band, int column, int row) {
    if (row == 0 && column == 0) return band == 1 ? 0.5 + 5e-7 : 200.0;  // within 1e-6
    if (row == 0 && column == 1) return band == 1 ? 0.5 + 3e-6 : TwoHalves(band, 1, 0);
    if (row == 0 && column == 2) return band == 1 ? TwoHalves(1, 2, 0) : 0.5;
    return TwoHalves(band, column, row);
  };
  NetScene s(true, 0.5, GDT_Float32, value);
  long hidden = 4;
  ASSERT_EQ(ztBPNNClass(s.scene.source, s.bands.data(), 3, &hidden, 1, 0.8, 0.3, 0.001, 300, s.scene.result, kNetRows,
                        kNetColumns, 0, 0),
            RC_OK);
  const std::vector<double> classes = s.scene.Result();
  EXPECT_EQ((std::vector<double>{classes[0], classes[1], classes[2], classes[kNetColumns + 20]}),
            (std::vector<double>{255, 1, 1, 2}));
}

// A first band of Float32 0.5 + 5e-7 over the dark half: within 1e-6 of the
// no-data value 0.5, the dark class's polygon holds no training pixel (the
// training pixels are gathered alike for every supervised network).
TEST(LVQ2Classification, FirstBandWithinOneMillionthOfNoDataTrainsNoClass) {
  auto value = [](int band, int column, int row) {
    return band == 1 && column < 12 ? 0.5 + 5e-7 : TwoHalves(band, column, row);
  };
  NetScene s(true, 0.5, GDT_Float32, value);
  EXPECT_EQ(ztLVQ2NNClass(s.scene.source, s.bands.data(), 3, 0.05, 1, 0.002, 5, s.scene.result, kNetRows, kNetColumns,
                          0, 0),
            RC_TOO_FEW_SAMPLES);
}

// Rates and momentum that drive the weights past every number: a network of
// NaN answers would put every pixel in class 1. Neither the export nor the
// model's training goes on.
TEST(NetworkClassification, TrainingThatDivergesIsRefusedBeforeThePass) {
  long hidden = 4;
  const struct {
    const char* what;
    std::function<long(NetScene&)> exportCall;
    const char* method;
    const char* parameters;
  } cases[] = {
      {"bp momentum",
       [&](NetScene& s) {
         return ztBPNNClass(s.scene.source, s.bands.data(), 3, &hidden, 1, 0.5, 1e20, 0, 50, s.scene.result,
                            kNetRows, kNetColumns, 0, 0);
       },
       "bp", R"({"hidden": [4], "rate": 0.5, "momentum": 1e20, "error": 0, "epochs": 50})"},
      {"rbf output rate",
       [](NetScene& s) {
         return ztRBFNNClass(s.scene.source, s.bands.data(), 3, 0.05, 1e-8, 50, 1e300, 0, 50, s.scene.result,
                             kNetRows, kNetColumns, 0, 0);
       },
       "rbf", R"({"output-rate": 1e29, "error": 0, "output-epochs": 500})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NetScene s;
    EXPECT_EQ(c.exportCall(s), RC_BAD_PARAMETER);
    const std::vector<double> classes = s.scene.Result();
    EXPECT_EQ(std::count(classes.begin(), classes.end(), 0.0), kNetRows * kNetColumns);
    ZTModel* model = nullptr;
    EXPECT_EQ(ztModelTrain(c.method, c.parameters, s.scene.source, s.bands.data(), 3, kNetRows, kNetColumns, 0, 0,
                           nullptr, &model),
              RC_BAD_PARAMETER);
    EXPECT_NE(std::string(ztModelLastError()).find("diverged"), std::string::npos) << ztModelLastError();
    ztModelFree(model);
  }
}

// The hidden layers' checks; the null, band-count and window checks before
// them are the network driver's, tested through ART's export.
TEST(BPClassification, ArgumentChecksInTheirOrderBeforeAnyProgress) {
  NetScene s;
  ProgressRecorder progress;
  long big[] = {501}, ok[] = {500}, zero[] = {0}, mixed[] = {0, 501};
  auto bp = [&](long* bands, long bandCount, long* sizes, long count, long rows, long columns) {
    return ztBPNNClass(s.scene.source, bands, bandCount, sizes, count, 0.5, 0.5, 0.01, 0, s.scene.result, rows,
                       columns, 0, 0);
  };
  long* b = s.bands.data();
  EXPECT_EQ(bp(b, 3, big, 1, 1, 1), RC_BAD_WINDOW);
  EXPECT_EQ(bp(b, 3, mixed, 2, 1, 1), RC_BAD_WINDOW);
  EXPECT_EQ(bp(b, 3, zero, 1, 1, 1), RC_BAD_WINDOW);
  EXPECT_EQ(bp(b, 3, ok, 0, 1, 1), RC_BAD_WINDOW);
  EXPECT_EQ(bp(b, 3, nullptr, 1, 1, 1), RC_NULL_ARGUMENT);
  EXPECT_EQ(progress.Count("start"), 0);
  // 1024 bands pass the band count check and fail only on the band numbers.
  std::vector<long> many(1024, 9);
  EXPECT_EQ(bp(many.data(), 1024, ok, 1, 1, 1), RC_BAD_WINDOW);
  EXPECT_EQ(progress.Count("start"), 0);
  // The largest hidden layer and a window ending at the image's last pixel.
  EXPECT_EQ(bp(b, 3, ok, 1, kNetRows, kNetColumns), RC_OK);

  Scene bare(8, 8, 1, TwoHalves);
  bare.MakeResult(8, 8);
  long band = 1;
  EXPECT_EQ(ztBPNNClass(bare.source, &band, 1, ok, 1, 0.5, 0.5, 0.01, 1, bare.result, 8, 8, 0, 0),
            RC_NO_CLASS_AOI);
}

}  // namespace
