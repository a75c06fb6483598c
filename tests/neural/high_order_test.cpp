// The high-order BP network: net input and update against literal sums, the
// hidden deltas against a finite-difference gradient (its export is in the
// networks' table of bp_test.cpp).
#include <gtest/gtest.h>

#include <cmath>

#include "network_fixture.h"
#include "neural/high_order_network.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

void SetWeights(zt::CHighRankNN& net) {
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

double Logistic(double net) { return 1.0 / (1.0 + std::exp(-net)); }

TEST(HighOrderNetwork, NetInputWeighsPairsAboveTheDiagonalAndSquaresWhenAsked) {
  for (bool squares : {false, true}) {
    zt::CHighRankNN net;
    ASSERT_EQ(net.Create(3, 2, true, 0, nullptr), RC_OK);
    net.InitWeights(true, zt::ProcessRandom());
    SetWeights(net);
    const double y[] = {0.2, 0.5, 0.9};
    net.Forward(y, true, squares);
    zt::HRLayer& out = net.Layer(0);
    for (long k = 0; k < 2; ++k) {
      double s = out.neurons[k].bias;
      for (int i = 0; i < 3; ++i) s += out.Weight(k, i) * y[i];
      s += out.Pair(k, 0, 1) * y[0] * y[1] + out.Pair(k, 0, 2) * y[0] * y[2] + out.Pair(k, 1, 2) * y[1] * y[2];
      if (squares)
        for (int i = 0; i < 3; ++i) s += out.Pair(k, i, i) * y[i] * y[i];
      EXPECT_NEAR(out.neurons[k].output, Logistic(s), 1e-15) << squares;
    }
  }
}

// Hidden deltas are minus the gradient of 0.5 * sum (t - o)^2 (targets 0.9
// and 0.1) with respect to each neuron's net input, which a bias shift moves.
TEST(HighOrderNetwork, HiddenDeltasMatchAFiniteDifferenceGradient) {
  for (bool squares : {false, true}) {
    long hidden[] = {3, 4};
    zt::CHighRankNN net;
    ASSERT_EQ(net.Create(2, 3, false, 2, hidden), RC_OK);
    net.InitWeights(false, zt::ProcessRandom());
    SetWeights(net);
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
    long hidden[] = {2};
    zt::CHighRankNN net;
    ASSERT_EQ(net.Create(2, 2, false, 1, hidden), RC_OK);
    net.InitWeights(false, zt::ProcessRandom());
    SetWeights(net);
    const double x[] = {0.6, 0.1};
    net.Forward(x, false, true);
    net.ComputeDeltas(1, false, true);
    // Expected values from the state before the update.
    std::vector<double> y = {x[0], x[1]};
    std::vector<std::vector<double>> ins = {y, {net.Layer(0).neurons[0].output, net.Layer(0).neurons[1].output}};
    struct Expect {
      long l, j;
      double bias, w0, v01, v00;
    };
    std::vector<Expect> expected;
    const double eta = 0.7, alpha = 0.4, f = useMomentum ? 1 + alpha : 1.0;
    for (long l = 0; l < 2; ++l)
      for (long j = 0; j < 2; ++j) {
        zt::HRLayer& L = net.Layer(l);
        const double d = L.neurons[j].delta;
        const std::vector<double>& in = ins[l];
        expected.push_back({l, j, L.neurons[j].bias + eta * d, L.Weight(j, 0) + f * eta * d * in[0],
                            L.Pair(j, 0, 1) + f * eta * d * in[0] * in[1], L.Pair(j, 0, 0)});
      }
    net.UpdateWeights(eta, 1, false, false, useMomentum, alpha);
    for (const Expect& e : expected) {
      zt::HRLayer& L = net.Layer(e.l);
      EXPECT_NEAR(L.neurons[e.j].bias, e.bias, 1e-15);
      EXPECT_NEAR(L.Weight(e.j, 0), e.w0, 1e-15);
      EXPECT_NEAR(L.Pair(e.j, 0, 1), e.v01, 1e-15);
      EXPECT_EQ(L.Pair(e.j, 0, 0), e.v00);  // squares off: the diagonal stays
    }
  }
}

TEST(HighOrderNetwork, ErrorAimsAtOneAndZeroAndRejectionBelowOneFifth) {
  zt::CHighRankNN net;
  ASSERT_EQ(net.Create(1, 3, true, 0, nullptr), RC_OK);
  net.InitWeights(true, zt::ProcessRandom());
  auto outputs = [&](double a, double b, double c) {
    const double p[] = {a, b, c};
    for (long k = 0; k < 3; ++k) {
      net.Layer(0).Weight(k, 0) = 0.0;
      net.Layer(0).Pair(k, 0, 0) = 0.0;
      net.Layer(0).neurons[k].bias = std::log(p[k] / (1 - p[k]));
    }
    const double x = 0.5;
    long cls = -1;
    net.Classify(&x, &cls, true, false);
    return cls;
  };
  EXPECT_EQ(outputs(0.9, 0.1, 0.1), 1);
  net.ComputeError(1);
  EXPECT_NEAR(net.Error(), 0.5 * (0.01 + 0.01 + 0.01), 1e-12);
  EXPECT_EQ(outputs(0.19, 0.15, 0.1), 0);
  EXPECT_EQ(outputs(0.19, 0.21, 0.21), 2);
}

}  // namespace
